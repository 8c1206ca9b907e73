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

/// Six enrolments: pupil 1 in 1A and 1B, pupil 3 twice in 2A (once without hours).
inline TMemoryColumns Enrolments() {
    TMemoryColumns columns;
    columns.AddTexts("KLAS", {"1A", "1A", "1B", "2A", "2A", "2A"});
    columns.AddTexts("GESLACHT", {"M", "V", "M", "V", "V", "M"});
    columns.AddIntegers("GRAAD", {1, 1, 1, 2, 2, 2});
    columns.AddIntegers("LL_ID", {1, 2, 1, 3, 3, 4});
    columns.AddNumbers("UREN", TCubeValueKind::Number, {2.0, 3.0, 1.5, std::nullopt, 4.0, 0.5});
    return columns;
}

} // namespace vorn::testing
