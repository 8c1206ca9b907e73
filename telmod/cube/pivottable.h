#pragma once

#include "host/data/clientdataset.h"

namespace vorn {
class TPivotTableModel;
}

namespace telmod {

/// The pivot as shown, as one flat table for the results contract (CSV, workbook, the command line):
/// a text column per row heading (named by the row dimension's caption) and a number column per
/// value column (named by its column headings and measure, joined by " / "). A merged heading's
/// label is repeated on every row and column it covers, so each row can be read on its own.
void FillPivotTable(const vorn::TPivotTableModel& model, vorn::TVornClientDataSet& table);

} // namespace telmod
