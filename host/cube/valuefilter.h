#pragma once

#include "pivotlayout.h"

#include <cstdint>
#include <memory>
#include <set>

namespace vorn {

/// What a value filter keeps of a dimension's members: the N with the highest or lowest value of a
/// measure, or those whose value is above or below an amount.
enum class TValueFilterKind : std::uint8_t { Top, Bottom, Above, Below };
struct TValueFilter {
    int dimension = 0;
    int measure = 0;
    TValueFilterKind kind = TValueFilterKind::Top;
    double amount = 10; // N for top and bottom
};
/// The members of the filter's dimension that pass it, each judged by its value of the measure over
/// all rows the layout's other filters keep (as a spreadsheet's value filter judges a field's
/// items); members without a value never pass. The result is a member filter, so that totals count
/// only what is shown.
std::set<std::uint32_t> MembersPassing(std::shared_ptr<const TCube> cube, const TPivotLayout& layout,
                                       const TValueFilter& filter);

} // namespace vorn
