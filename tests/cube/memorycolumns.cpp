#include "memorycolumns.h"

#include <stdexcept>

namespace vorn::testing {

namespace {

/// Copies rows [first, first + count) of optional values into values and null flags.
template <typename Value, typename Target>
void Copy(const std::vector<std::optional<Value>>& source, std::size_t first, std::size_t count,
          Target* values, std::uint8_t* nulls) {
    if (first + count > source.size())
        throw std::out_of_range("rows beyond the column");
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<Value>& value = source[first + i];
        nulls[i] = value ? 0 : 1;
        values[i] = value ? Target(*value) : Target();
    }
}

} // namespace

void TMemoryColumns::AddIntegers(const QString& name, std::vector<std::optional<std::int64_t>> values) {
    columns_.push_back({name, TCubeValueKind::Integer, std::move(values), {}, {}});
}

void TMemoryColumns::AddNumbers(const QString& name, TCubeValueKind kind,
                                std::vector<std::optional<double>> values) {
    columns_.push_back({name, kind, {}, std::move(values), {}});
}

void TMemoryColumns::AddTexts(const QString& name, std::vector<std::optional<std::string>> values) {
    columns_.push_back({name, TCubeValueKind::Text, {}, {}, std::move(values)});
}

std::size_t TMemoryColumns::RowCount() const {
    if (columns_.empty())
        return 0;
    const TColumn& first = columns_.front();
    return std::max({first.integers.size(), first.numbers.size(), first.texts.size()});
}

void TMemoryColumns::ReadIntegers(int column, std::size_t first, std::size_t count, std::int64_t* values,
                                  std::uint8_t* nulls) const {
    Copy(at(column).integers, first, count, values, nulls);
}

void TMemoryColumns::ReadNumbers(int column, std::size_t first, std::size_t count, double* values,
                                 std::uint8_t* nulls) const {
    Copy(at(column).numbers, first, count, values, nulls);
}

void TMemoryColumns::ReadTexts(int column, std::size_t first, std::size_t count, std::string_view* values,
                               std::uint8_t* nulls) const {
    Copy(at(column).texts, first, count, values, nulls);
}

} // namespace vorn::testing
