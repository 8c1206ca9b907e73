#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace vorn {

class TVornClientDataSet;

/// A sum (or count, minimum, maximum, average) over all rows of a dataset.
class TAggregate {
public:
    explicit TAggregate(TVornClientDataSet* dataSet) : dataSet_(dataSet) {}
    QString Expression;
    QString AggregateName;
    bool Active = false;
    /// Null while the aggregate, the dataset's aggregates or the dataset is not active, and on an empty
    /// table.
    QVariant Value() const;

private:
    TVornClientDataSet* dataSet_;
};

class TAggregates {
public:
    explicit TAggregates(TVornClientDataSet* dataSet) : dataSet_(dataSet) {}
    int Count() const { return static_cast<int>(items_.size()); }
    TAggregate& Items(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
    TAggregate& Add();
    void Clear() { items_.clear(); }
    /// The aggregate of that name (letter case ignored), or null.
    TAggregate* Find(const QString& name) const;

private:
    TVornClientDataSet* dataSet_;
    std::vector<std::unique_ptr<TAggregate>> items_;
};

} // namespace vorn
