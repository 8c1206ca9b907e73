#pragma once

#include "screenresults.h"

#include <QDateTime>
#include <QStringList>

namespace vorn {

/// The moment an output is made: now; or, for outputs that must come out the same on every run
/// (reference files, reproducible builds), the moment $SOURCE_DATE_EPOCH gives in seconds. The
/// client's first work date is this moment's day too.
QDateTime OutputTime();

/// What every output says about itself, one "Label: value" line each: screen, institution, date or
/// period with its school year, figure, the active filters, the work date, and when and by which
/// version of the program it was made. Lines without a value are left out.
QStringList ContextLines(const TResultHeading& heading);

/// "2025-2026": the school year a date falls in.
QString SchoolYearText(TDateTime date);

} // namespace vorn
