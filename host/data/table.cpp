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

std::size_t Column::valueBytes() const {
    return int32_.size() * sizeof(std::int32_t) + int64_.size() * sizeof(std::int64_t) +
           double_.size() * sizeof(double) + spans_.size() * sizeof(Span) + bytes_.size() + nulls_.size();
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

void Column::appendColumn(const Column& other) {
    if (other.kind_ != kind_)
        RaiseDatabaseError(QStringLiteral("Kolommen van een verschillende soort samenvoegen kan niet"));
    if (other.tracksNulls_ && !tracksNulls_)
        trackNulls();
    if (tracksNulls_) {
        if (other.tracksNulls_)
            nulls_.append(other.nulls_.data(), other.size_);
        else
            nulls_.append(other.size_, 0);
    }
    switch (kind_) {
    case StorageKind::Int32:
        int32_.append(other.int32_.data(), other.size_);
        break;
    case StorageKind::Int64:
        int64_.append(other.int64_.data(), other.size_);
        break;
    case StorageKind::Double:
        double_.append(other.double_.data(), other.size_);
        break;
    case StorageKind::Bytes:
        appendTexts(other);
        break;
    }
    size_ += other.size_;
}

void Column::appendTexts(const Column& other) {
    if (bytes_.size() + other.bytes_.size() > MaxBytes)
        raiseTooMuchText();
    const auto base = static_cast<std::uint32_t>(bytes_.size());
    spans_.reserve(spans_.size() + other.size_);
    for (std::size_t row = 0; row < other.size_; ++row)
        spans_.push_back({other.spans_[row].offset + base, other.spans_[row].length});
    bytes_.append(other.bytes_.data(), other.bytes_.size());
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

void Table::appendRows(const Table& other) {
    if (other.columns.size() != columns.size())
        RaiseDatabaseError(QStringLiteral("Rijen met andere velden samenvoegen kan niet"));
    for (std::size_t c = 0; c < columns.size(); ++c)
        columns[c].appendColumn(other.columns[c]);
}

void Table::appendRows(Table&& other) {
    if (other.columns.size() != columns.size())
        RaiseDatabaseError(QStringLiteral("Rijen met andere velden samenvoegen kan niet"));
    // Column by column, each appended one freed at once: two halves of a million rows joined need
    // little more than the whole, not twice it.
    for (std::size_t c = 0; c < columns.size(); ++c) {
        columns[c].appendColumn(other.columns[c]);
        other.columns[c] = Column();
    }
    other.columns.clear();
}

int Table::indexOf(const QString& name) const {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

} // namespace vorn
