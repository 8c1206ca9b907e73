#pragma once

#include "cubedefinition.h"

#include <optional>
#include <vector>

namespace vorn {

/// A show-as along a field for one run of members of the same parent in the order shown, from
/// their values (nothing for a member without rows): the difference from the previous member
/// (nothing for the first; a member without rows counts as 0 when the other has rows), that
/// difference as a fraction of the previous value (nothing when that is 0 or absent), the running
/// total, or the rank (1 for the highest; equal values share a rank). Anything else: the values.
std::vector<std::optional<double>> AlongAField(TShowAs showAs,
                                               const std::vector<std::optional<double>>& values);

} // namespace vorn
