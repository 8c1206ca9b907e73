#pragma once

#include "table.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace vorn {

/// One column a row order is sorted by.
struct TSortKey {
    const Column* column = nullptr;
    bool descending = false;
};

/// Sorts an order of stored rows by the keys, the first deciding first; equal rows keep their
/// order. Nulls come before every value; texts compare as Dutch (Belgium) does, letter case
/// ignored; integer keys without nulls take a radix sort.
void SortRowOrder(std::vector<std::uint32_t>& order, const std::vector<TSortKey>& keys);

/// The positions in a row order by the value of an integer column, to find a row by its key in
/// logarithmic time. Built for one order; when the order or the column changes, build it again.
class TKeyIndex {
public:
    TKeyIndex(const Column& column, const std::vector<std::uint32_t>& order);
    /// The first position in the order whose key equals `key`; -1 when none (null keys are never
    /// found).
    int Find(std::int64_t key) const;

private:
    std::vector<std::pair<std::int64_t, std::uint32_t>> entries_; // key, position; by key, then position
};

} // namespace vorn
