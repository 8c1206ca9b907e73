#pragma once

#include "reportdata.h"
#include "reportfile.h"

namespace vorn {

class IScreenResults;

/// A report no report file describes: the grids as the screen shows them (a trend), a section per
/// grid with its columns and its rows in the grid's order, the output's context lines as header.
struct TShownReport {
    TReportFile file;
    TReportData data;
};

/// The shown grids of `results` under `title`; the page set-up is remembered as that of "verloop".
TShownReport ShownGridsReport(const IScreenResults& results, const QString& title);

} // namespace vorn
