#include "cubecolumns.h"

#include "cubedefinition.h"

#include "host/data/cell.h"
#include "host/data/clientdataset.h"
#include "host/data/datetime.h"

namespace vorn {

int FindCubeColumn(const ICubeColumns& columns, const QString& name) {
    for (int i = 0; i < columns.ColumnCount(); ++i)
        if (columns.ColumnName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

namespace {

TCubeValueKind KindOf(TFieldType type) {
    switch (type) {
    case TFieldType::Smallint:
    case TFieldType::Integer:
    case TFieldType::Largeint:
        return TCubeValueKind::Integer;
    case TFieldType::Decimal:
    case TFieldType::Float:
        return TCubeValueKind::Number;
    case TFieldType::Date:
    case TFieldType::DateTime:
        return TCubeValueKind::Date;
    default:
        return TCubeValueKind::Text;
    }
}

} // namespace

TDataSetCubeColumns::TDataSetCubeColumns(const TVornClientDataSet& dataSet) : dataSet_(dataSet) {
    if (!dataSet.Active())
        throw ECubeError(QStringLiteral("Kubusdefinitie: de gegevens van de query zijn niet geopend"));
    lookups_.reserve(static_cast<std::size_t>(dataSet.FieldCount()));
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        const TField& field = dataSet.Fields(i);
        if (field.FieldKind() != TFieldKind::Lookup) {
            sources_.push_back({&dataSet.data().columns.at(static_cast<std::size_t>(field.Index())), false});
            continue;
        }
        Column& looked = lookups_.emplace_back(StorageOf(field.DataType()));
        for (int position = 0; position < dataSet.RecordCount(); ++position)
            AppendCell(looked, dataSet.cellAtPosition(field, position));
        sources_.push_back({&looked, true});
    }
}

TDataSetCubeColumns::~TDataSetCubeColumns() = default;

std::size_t TDataSetCubeColumns::RowCount() const {
    return static_cast<std::size_t>(dataSet_.RecordCount());
}

int TDataSetCubeColumns::ColumnCount() const {
    return dataSet_.FieldCount();
}

QString TDataSetCubeColumns::ColumnName(int column) const {
    return dataSet_.Fields(column).FieldName();
}

TCubeValueKind TDataSetCubeColumns::ColumnKind(int column) const {
    return KindOf(dataSet_.Fields(column).DataType());
}

std::size_t TDataSetCubeColumns::storedRow(int column, std::size_t position) const {
    return sources_[static_cast<std::size_t>(column)].ordered ? position : dataSet_.order()[position];
}

void TDataSetCubeColumns::ReadIntegers(int column, std::size_t first, std::size_t count, std::int64_t* values,
                                       std::uint8_t* nulls) const {
    const Column& source = *sources_[static_cast<std::size_t>(column)].column;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t row = storedRow(column, first + i);
        nulls[i] = source.isNull(row) ? 1 : 0;
        values[i] = nulls[i] != 0 ? 0 : source.intAt(row);
    }
}

void TDataSetCubeColumns::ReadNumbers(int column, std::size_t first, std::size_t count, double* values,
                                      std::uint8_t* nulls) const {
    const TField& field = dataSet_.Fields(column);
    const Column& source = *sources_[static_cast<std::size_t>(column)].column;
    const bool isDecimal = field.DataType() == TFieldType::Decimal;
    const bool isDate = KindOf(field.DataType()) == TCubeValueKind::Date;
    const double factor = isDecimal ? static_cast<double>(DecimalFactor(field.Scale())) : 1.0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t row = storedRow(column, first + i);
        if (source.isNull(row)) {
            nulls[i] = 1;
            values[i] = 0;
            continue;
        }
        values[i] = isDecimal ? static_cast<double>(source.intAt(row)) / factor : source.doubleAt(row);
        nulls[i] = isDate && !IsDateSet(values[i]) ? 1 : 0;
    }
}

void TDataSetCubeColumns::ReadTexts(int column, std::size_t first, std::size_t count,
                                    std::string_view* values, std::uint8_t* nulls) const {
    const Column& source = *sources_[static_cast<std::size_t>(column)].column;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t row = storedRow(column, first + i);
        nulls[i] = source.isNull(row) ? 1 : 0;
        values[i] = nulls[i] != 0 ? std::string_view() : source.bytesAt(row);
    }
}

} // namespace vorn
