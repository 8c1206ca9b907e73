#pragma once

#include "fielddef.h"
#include "podarray.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

/// One typed column of rows. Integers, doubles and texts each live in their own compact array;
/// text bytes (UTF-8) share one buffer. Nulls are only tracked once the first null arrives.
class Column {
public:
    explicit Column(StorageKind kind = StorageKind::Int32) : kind_(kind) {}

    StorageKind kind() const { return kind_; }
    std::size_t size() const { return size_; }
    void reserve(std::size_t rows);

    void appendNull();
    void appendInt(std::int64_t value) {
        if (kind_ == StorageKind::Int32)
            int32_.push_back(static_cast<std::int32_t>(value));
        else
            int64_.push_back(value);
        pushNullFlag(false);
        ++size_;
    }
    void appendDouble(double value);
    /// Appends every row of a column of the same kind.
    void appendColumn(const Column& other);
    void appendBytes(std::string_view bytes) {
        spans_.push_back(storeBytes(bytes));
        pushNullFlag(false);
        ++size_;
    }

    bool isNull(std::size_t row) const { return tracksNulls_ && nulls_[row] != 0; }
    bool hasNulls() const { return tracksNulls_; }
    std::int64_t intAt(std::size_t row) const {
        return kind_ == StorageKind::Int32 ? int32_[row] : int64_[row];
    }
    double doubleAt(std::size_t row) const { return double_[row]; }
    std::string_view bytesAt(std::size_t row) const {
        const Span s = spans_[row];
        return std::string_view(bytes_.data() + s.offset, s.length);
    }
    const std::int32_t* int32Data() const { return int32_.data(); }
    /// The bytes the values take: the array of the column's kind, its texts and its null flags.
    std::size_t valueBytes() const;

    void setNull(std::size_t row);
    void setInt(std::size_t row, std::int64_t value);
    void setDouble(std::size_t row, double value);
    /// Appends the new text to the buffer; the old bytes stay until the column is rebuilt.
    void setBytes(std::size_t row, std::string_view bytes);

private:
    struct Span {
        std::uint32_t offset;
        std::uint32_t length;
    };
    void markValue(std::size_t row);
    void pushNullFlag(bool isNull) {
        if (isNull)
            trackNulls();
        if (tracksNulls_)
            nulls_.push_back(isNull ? 1 : 0);
    }
    void trackNulls();
    void appendTexts(const Column& other);
    Span storeBytes(std::string_view bytes) {
        if (bytes_.size() + bytes.size() > MaxBytes)
            raiseTooMuchText();
        const Span span{static_cast<std::uint32_t>(bytes_.size()), static_cast<std::uint32_t>(bytes.size())};
        bytes_.append(bytes.data(), bytes.size());
        return span;
    }
    static constexpr std::size_t MaxBytes = 0xFFFFFFFFu;
    [[noreturn]] static void raiseTooMuchText();

    StorageKind kind_;
    std::size_t size_ = 0;
    PodArray<std::int32_t> int32_;
    PodArray<std::int64_t> int64_;
    PodArray<double> double_;
    PodArray<Span> spans_;
    PodArray<char> bytes_;
    PodArray<std::uint8_t> nulls_;
    bool tracksNulls_ = false;
};

/// Rows as a provider hands them out: field definitions and one column per field.
struct Table {
    std::vector<FieldDef> fields;
    std::vector<Column> columns;

    Table() = default;
    explicit Table(std::vector<FieldDef> definitions);
    std::size_t rowCount() const { return columns.empty() ? 0 : columns.front().size(); }
    /// Appends the rows of a table with the same fields.
    void appendRows(const Table& other);
    /// As above, giving up the other table's memory column by column as it goes.
    void appendRows(Table&& other);
    /// Index of the field, compared without regard to letter case; -1 when absent.
    int indexOf(const QString& name) const;
};

} // namespace vorn
