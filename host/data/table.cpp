#include "table.h"

#include "errors.h"

#include <limits>

namespace vorn {

void Column::reserve(std::size_t rows) {
    switch (kind_) {
    case StorageKind::Int32:
        int32_.reserve(rows);
        break;
    case StorageKind::Int64:
        int64_.reserve(rows);
        break;
    case StorageKind::Double:
        double_.reserve(rows);
        break;
    case StorageKind::Bytes:
        spans_.reserve(rows);
        break;
    }
}

void Column::raiseTooMuchText() {
    RaiseDatabaseError(QStringLiteral("Te veel tekst in één kolom (meer dan 4 GiB)"));
}

void Column::trackNulls() {
    if (!tracksNulls_) {
        nulls_.assign(size_, 0);
        tracksNulls_ = true;
    }
}

void Column::appendNull() {
    switch (kind_) {
    case StorageKind::Int32:
        int32_.push_back(0);
        break;
    case StorageKind::Int64:
        int64_.push_back(0);
        break;
    case StorageKind::Double:
        double_.push_back(0.0);
        break;
    case StorageKind::Bytes:
        spans_.push_back({0, 0});
        break;
    }
    pushNullFlag(true);
    ++size_;
}

void Column::appendDouble(double value) {
    double_.push_back(value);
    pushNullFlag(false);
    ++size_;
}

void Column::markValue(std::size_t row) {
    if (tracksNulls_)
        nulls_[row] = 0;
}

void Column::setNull(std::size_t row) {
    trackNulls();
    nulls_[row] = 1;
}

void Column::setInt(std::size_t row, std::int64_t value) {
    if (kind_ == StorageKind::Int32)
        int32_[row] = static_cast<std::int32_t>(value);
    else
        int64_[row] = value;
    markValue(row);
}

void Column::setDouble(std::size_t row, double value) {
    double_[row] = value;
    markValue(row);
}

void Column::setBytes(std::size_t row, std::string_view bytes) {
    spans_[row] = storeBytes(bytes);
    markValue(row);
}

Table::Table(std::vector<FieldDef> definitions) : fields(std::move(definitions)) {
    columns.reserve(fields.size());
    for (const FieldDef& def : fields)
        columns.emplace_back(StorageOf(def.type));
}

int Table::indexOf(const QString& name) const {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

} // namespace vorn
