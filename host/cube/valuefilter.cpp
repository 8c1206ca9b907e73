#include "valuefilter.h"

#include "pivot.h"

#include <algorithm>
#include <cmath>

namespace vorn {

std::set<std::uint32_t> MembersPassing(std::shared_ptr<const TCube> cube, const TPivotLayout& layout,
                                       const TValueFilter& filter) {
    TPivotLayout judged;
    judged.rows.dimensions = {filter.dimension};
    judged.rows.subtotals = false;
    judged.filters = layout.filters;
    judged.filters.erase(filter.dimension);
    judged.measures = {filter.measure};
    const TPivot pivot(std::move(cube), judged);
    std::vector<std::pair<double, std::uint32_t>> valued;
    for (int line = 0; line < pivot.LineCount(TPivotAxis::Rows); ++line) {
        if (pivot.LineKind(TPivotAxis::Rows, line) != TLineKind::Member)
            continue;
        if (const std::optional<double> value = pivot.Aggregate(line, 0, filter.measure))
            valued.emplace_back(*value, pivot.Line(TPivotAxis::Rows, line).path.front());
    }
    std::set<std::uint32_t> kept;
    if (filter.kind == TValueFilterKind::Above || filter.kind == TValueFilterKind::Below) {
        for (const auto& [value, member] : valued)
            if (filter.kind == TValueFilterKind::Above ? value > filter.amount : value < filter.amount)
                kept.insert(member);
        return kept;
    }
    // Highest (or lowest) first; equal values in member order, so the same rows give the same set.
    std::stable_sort(valued.begin(), valued.end(), [&](const auto& a, const auto& b) {
        return filter.kind == TValueFilterKind::Top ? a.first > b.first : a.first < b.first;
    });
    const auto count = static_cast<std::size_t>(std::max(0.0, std::floor(filter.amount)));
    for (std::size_t i = 0; i < valued.size() && i < count; ++i)
        kept.insert(valued[i].second);
    return kept;
}

} // namespace vorn
