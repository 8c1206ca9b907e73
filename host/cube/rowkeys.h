#pragma once

#include "cube.h"

#include "host/data/idmap.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <numeric>
#include <set>
#include <vector>

/// The rows a pivot's filters keep and their keys numbered in order: the first steps of every
/// aggregation, kept apart from the pivot's own structures.
namespace vorn::cube {

/// Keys below this bound are numbered through a table instead of a hash.
constexpr std::uint64_t DenseKeyLimit = std::uint64_t{1} << 22;

/// 1 for every row the filters keep; empty when there are no filters (every row is kept).
inline std::vector<std::uint8_t> KeptRows(const TCube& cube,
                                          const std::map<int, std::set<std::uint32_t>>& filters) {
    if (filters.empty())
        return {};
    std::vector<std::uint8_t> kept(cube.RowCount(), 1);
    for (const auto& [dimension, members] : filters) {
        std::vector<std::uint8_t> keeps(cube.MemberCount(dimension), 0);
        for (const std::uint32_t member : members)
            keeps[member] = 1;
        const std::vector<std::uint32_t>& codes = cube.Dimension(dimension).codes;
        for (std::size_t row = 0; row < kept.size(); ++row)
            kept[row] &= keeps[codes[row]];
    }
    return kept;
}

inline bool IsKept(const std::vector<std::uint8_t>& kept, std::size_t row) {
    return kept.empty() || kept[row] != 0;
}

/// Gives every kept row the number of its key (`keyOf`, below `keyBound`) among the keys that occur,
/// numbered in the order of the keys; NoId to the other rows. Answers how many keys occur.
template <typename KeyOf>
std::uint32_t NumberKeys(std::uint64_t keyBound, const std::vector<std::uint8_t>& kept, std::size_t rows,
                         KeyOf keyOf, std::vector<std::uint32_t>& ids) {
    ids.assign(rows, NoId);
    if (keyBound <= DenseKeyLimit) {
        // The rows the filters drop use the slot after the keys, which stays NoId: no branch per row.
        std::vector<std::uint32_t> number(keyBound + 1, NoId);
        const auto slotOf = [&](std::size_t row) -> std::uint64_t {
            if (kept.empty())
                return keyOf(row);
            const std::uint64_t keep = 0 - static_cast<std::uint64_t>(kept[row] != 0); // all ones when kept
            return (keyOf(row) & keep) | (keyBound & ~keep);
        };
        for (std::size_t row = 0; row < rows; ++row)
            number[slotOf(row)] = 0;
        number[keyBound] = NoId;
        std::uint32_t next = 0;
        for (std::uint32_t& n : number)
            if (n != NoId)
                n = next++;
        for (std::size_t row = 0; row < rows; ++row)
            ids[row] = number[slotOf(row)];
        return next;
    }
    TIntegerIds seen;
    for (std::size_t row = 0; row < rows; ++row)
        if (IsKept(kept, row))
            ids[row] = seen.Insert(keyOf(row));
    const std::vector<std::uint64_t>& keys = seen.Keys();
    std::vector<std::uint32_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0U);
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    std::vector<std::uint32_t> rank(keys.size());
    for (std::uint32_t position = 0; position < order.size(); ++position)
        rank[order[position]] = position;
    for (std::uint32_t& id : ids)
        if (id != NoId)
            id = rank[id];
    return static_cast<std::uint32_t>(keys.size());
}

} // namespace vorn::cube
