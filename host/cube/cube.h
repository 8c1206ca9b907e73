#pragma once

#include "cubecolumns.h"
#include "cubedefinition.h"
#include "numberformat.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vorn {

class TVornClientDataSet;

/// A dimension as built: one member code per source row, and the members' labels in natural
/// order (numbers by value, dates by time, texts alphabetically without regard to letter case and
/// with numbers in them by value), the member "(leeg)" for missing values last.
struct TCubeDimension {
    TCubeDimensionDef def;
    QStringList labels;               // by code
    std::vector<std::uint32_t> codes; // by source row
    bool hasEmptyMember = false;      // the last member is "(leeg)"
};

/// A measure as built: only what its aggregate reads.
struct TCubeMeasure {
    TCubeMeasureDef def;
    TNumberFormat format;
    /// Whether a count counts rows (no field) instead of rows with a value.
    bool countsRows = false;
    /// Sum, average, minimum, maximum: the value of every source row, NaN where it has none.
    std::vector<double> values;
    /// Count of a field: 1 where the source row has a value.
    std::vector<std::uint8_t> present;
    /// Count distinct: the rows that have a value, those with the same value together;
    /// the rows of value v are rowsByValue[valueStarts[v]] up to rowsByValue[valueStarts[v + 1]].
    std::vector<std::uint32_t> rowsByValue;
    std::vector<std::uint32_t> valueStarts;
};

/// The label of the member of rows without a value.
QString EmptyMemberLabel();

/// The number format of a measure whose definition gives none.
QString DefaultFormat(TCubeAggregate aggregate);

/// The rows of a query encoded for pivoting: every dimension as member codes, every measure as flat
/// arrays. Built once per fetch; pivots (TPivot) read it.
class TCube {
public:
    /// Binds the definition to the columns and encodes every row. Raises ECubeError naming the
    /// column when a dimension or measure names a column the rows lack, or one of a type it cannot
    /// read (a date grouping of a column without dates, bands or a sum of one without numbers).
    static std::shared_ptr<const TCube> Build(const TOLAPDefinition& definition, const ICubeColumns& columns);
    /// The same over the rows of an open dataset in their current order.
    static std::shared_ptr<const TCube> Build(const TOLAPDefinition& definition,
                                              const TVornClientDataSet& dataSet);

    const TOLAPDefinition& Definition() const { return definition_; }
    std::size_t RowCount() const { return rowCount_; }
    int DimensionCount() const { return static_cast<int>(dimensions_.size()); }
    int MeasureCount() const { return static_cast<int>(measures_.size()); }
    const TCubeDimension& Dimension(int index) const {
        return dimensions_.at(static_cast<std::size_t>(index));
    }
    const TCubeMeasure& Measure(int index) const { return measures_.at(static_cast<std::size_t>(index)); }

    std::uint32_t MemberCount(int dimension) const;
    const QString& MemberLabel(int dimension, std::uint32_t code) const;
    /// The code of the member with that label; nothing when the rows have no such member.
    std::optional<std::uint32_t> FindMember(int dimension, const QString& label) const;

    /// The bytes the built cube holds.
    std::size_t MemoryBytes() const;

private:
    TCube() = default;

    TOLAPDefinition definition_;
    std::size_t rowCount_ = 0;
    std::vector<TCubeDimension> dimensions_;
    std::vector<TCubeMeasure> measures_;
};

/// The captions the definition gives the source fields (upper-case names), for the rows behind a
/// cell: a dimension's caption, or a summed measure's (a count's caption names the count).
QHash<QString, QString> SourceFieldCaptions(const TCube& cube);

} // namespace vorn
