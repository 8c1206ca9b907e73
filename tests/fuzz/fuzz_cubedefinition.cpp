// Cube definitions: whatever a database blob holds, reading it gives a definition or a message
// naming the fault, never a crash. A definition read is whole (dimensions, measures, a layout that
// names them) and reads back the same from what it writes; built over a few rows whose columns
// bear its field names, it gives a cube and a pivot, or a message naming a column.
#include "host/cube/pivot.h"

#include <QByteArray>
#include <QHash>
#include <cstddef>
#include <cstdint>

using namespace vorn;

namespace {

/// Three rows for every field the definition names, of a kind that follows from the name.
class TFieldColumns : public ICubeColumns {
public:
    explicit TFieldColumns(const TOLAPDefinition& definition) {
        for (const TCubeDimensionDef& dimension : definition.dimensions)
            names_ << dimension.field;
        for (const TCubeMeasureDef& measure : definition.measures)
            if (!measure.field.isEmpty())
                names_ << measure.field;
    }
    std::size_t RowCount() const override { return 3; }
    int ColumnCount() const override { return static_cast<int>(names_.size()); }
    QString ColumnName(int column) const override { return names_[column]; }
    TCubeValueKind ColumnKind(int column) const override {
        return static_cast<TCubeValueKind>(qHash(names_[column]) % 4);
    }
    void ReadIntegers(int, std::size_t first, std::size_t count, std::int64_t* values,
                      std::uint8_t* nulls) const override {
        static const std::int64_t rows[] = {INT64_MIN, -7, INT64_MAX};
        for (std::size_t i = 0; i < count; ++i) {
            values[i] = rows[first + i];
            nulls[i] = 0;
        }
    }
    void ReadNumbers(int, std::size_t first, std::size_t count, double* values,
                     std::uint8_t* nulls) const override {
        static const double rows[] = {45536.5, -1e308, 0};
        for (std::size_t i = 0; i < count; ++i) {
            values[i] = rows[first + i];
            nulls[i] = first + i == 2 ? 1 : 0;
        }
    }
    void ReadTexts(int, std::size_t first, std::size_t count, std::string_view* values,
                   std::uint8_t* nulls) const override {
        static const std::string_view rows[] = {"b", "A", ""};
        for (std::size_t i = 0; i < count; ++i) {
            values[i] = rows[first + i];
            nulls[i] = 0;
        }
    }

private:
    QStringList names_;
};

bool IsWhole(const TOLAPDefinition& definition) {
    if (definition.dimensions.empty() || definition.measures.empty() || definition.layout.measures.isEmpty())
        return false;
    for (const QString& name : definition.layout.rows + definition.layout.columns)
        if (definition.DimensionIndex(name) < 0)
            return false;
    for (const QString& name : definition.layout.measures)
        if (definition.MeasureIndex(name) < 0)
            return false;
    return true;
}

/// Every cell of the pivot of the definition's own layout, as text.
void PivotOverRows(const TOLAPDefinition& definition) {
    try {
        const TPivot pivot(TCube::Build(definition, TFieldColumns(definition)));
        for (int row = 0; row < pivot.LineCount(TPivotAxis::Rows); ++row)
            for (int column = 0; column < pivot.LineCount(TPivotAxis::Columns); ++column)
                for (int slot = 0; slot < pivot.MeasureSlotCount(); ++slot)
                    pivot.Text(row, column, slot);
    } catch (const ECubeError& error) {
        if (!error.message().startsWith(QStringLiteral("Kubusdefinitie: kolom ")) &&
            !error.message().startsWith(QStringLiteral("Kubusdefinitie: dimensie ")) &&
            !error.message().startsWith(QStringLiteral("Kubusdefinitie: maat ")))
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const TOLAPDefinition definition = ParseCubeDefinition(text);
        if (!IsWhole(definition) || ParseCubeDefinition(definition.ToBytes()) != definition)
            __builtin_trap();
        PivotOverRows(definition);
    } catch (const ECubeError& error) {
        if (!error.message().startsWith(QStringLiteral("Kubusdefinitie: ")))
            __builtin_trap();
    }
    return 0;
}
