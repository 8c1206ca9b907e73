#pragma once

#include "host/data/datetime.h"

#include <QString>
#include <vector>

namespace telmod {

/// A period a user often counts over, offered next to the participant screens' dates.
struct TPeriodPreset {
    QString caption;
    vorn::TDateTime from;
    vorn::TDateTime to;
};

/// The periods around `today`: this and last school year (1 September to 31 August), the first
/// trimester (to 31 December) and the two semesters of this school year (to 31 January; from
/// 1 February to 30 June), and this and last calendar year.
std::vector<TPeriodPreset> PeriodPresets(vorn::TDateTime today);

} // namespace telmod
