#pragma once

#include "host/cube/cubecolumns.h"

#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace vorn::testing {

/// Rows for a cube straight from the test: whole columns of optional values.
class TMemoryColumns : public ICubeColumns {
public:
    void AddIntegers(const QString& name, std::vector<std::optional<std::int64_t>> values);
    /// A Number or Date column.
    void AddNumbers(const QString& name, TCubeValueKind kind, std::vector<std::optional<double>> values);
    void AddTexts(const QString& name, std::vector<std::optional<std::string>> values);

    std::size_t RowCount() const override;
    int ColumnCount() const override { return static_cast<int>(columns_.size()); }
    QString ColumnName(int column) const override { return at(column).name; }
    TCubeValueKind ColumnKind(int column) const override { return at(column).kind; }
    void ReadIntegers(int column, std::size_t first, std::size_t count, std::int64_t* values,
                      std::uint8_t* nulls) const override;
    void ReadNumbers(int column, std::size_t first, std::size_t count, double* values,
                     std::uint8_t* nulls) const override;
    void ReadTexts(int column, std::size_t first, std::size_t count, std::string_view* values,
                   std::uint8_t* nulls) const override;

private:
    struct TColumn {
        QString name;
        TCubeValueKind kind;
        std::vector<std::optional<std::int64_t>> integers;
        std::vector<std::optional<double>> numbers;
        std::vector<std::optional<std::string>> texts;
    };
    const TColumn& at(int column) const { return columns_.at(static_cast<std::size_t>(column)); }

    std::vector<TColumn> columns_;
};

} // namespace vorn::testing
