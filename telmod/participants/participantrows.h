#pragma once

#include "host/data/clientdataset.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace telmod {

/// The bit of LL_FLAGS that marks a C98 person.
constexpr qint64 C98Flag = 0x40000;

/// What both regimes take alike from an enrolment row: the person, whether a man, whether C98.
class EnrolmentReader {
public:
    explicit EnrolmentReader(const vorn::TVornClientDataSet& rows)
        : person_(rows.FieldByName(QStringLiteral("LL_ID"))),
          sex_(rows.FieldByName(QStringLiteral("LL_GESLACHT"))),
          flags_(rows.FieldByName(QStringLiteral("LL_FLAGS"))) {}

    /// The person id; 0 when empty.
    std::int32_t PersonID() const { return person_.AsInteger(); }
    /// Only an upper-case "M" is a man.
    bool IsMan() const { return sex_.AsUtf8() == "M"; }
    bool IsWoman() const { return sex_.AsUtf8() == "V"; }
    bool IsC98() const { return (flags_.AsLargeInt() & C98Flag) != 0; }

private:
    const vorn::TField& person_;
    const vorn::TField& sex_;
    const vorn::TField& flags_;
};

/// The whole numbers of a field for every record, in the dataset's order.
inline std::vector<std::int32_t> Integers(const vorn::TVornClientDataSet& rows, const char* field) {
    return rows.IntegerColumn(rows.FieldByName(QString::fromLatin1(field)));
}

/// The texts of a field for every record, in the dataset's order.
inline std::vector<std::string_view> Texts(const vorn::TVornClientDataSet& rows, const char* field) {
    return rows.TextColumn(rows.FieldByName(QString::fromLatin1(field)));
}

/// An integer field of every record in the dataset's order, read in place.
inline vorn::TIntegerColumnView IntegerView(const vorn::TVornClientDataSet& rows, const char* field) {
    return rows.IntegerView(rows.FieldByName(QString::fromLatin1(field)));
}

/// A text field of every record in the dataset's order, read in place.
inline vorn::TTextColumnView TextView(const vorn::TVornClientDataSet& rows, const char* field) {
    return rows.TextView(rows.FieldByName(QString::fromLatin1(field)));
}

/// Whether a text is exactly the literal; compared inline, as the literal's length is known.
template <std::size_t N> bool Is(std::string_view text, const char (&literal)[N]) {
    return text.size() == N - 1 && std::memcmp(text.data(), literal, N - 1) == 0;
}

/// For every record, whether the field holds exactly `text`, in the dataset's order.
inline std::vector<std::uint8_t> TextIs(const vorn::TVornClientDataSet& rows, const char* field,
                                        std::string_view text) {
    return rows.TextEquals(rows.FieldByName(QString::fromLatin1(field)), text);
}

} // namespace telmod
