#pragma once

#include "host/forms/screenresults.h"

#include <QIODevice>

namespace vorn {

/// A grid as CSV (UTF-8): a header of field names, then every row of its dataset with each field's
/// text, in the screen's order.
void WriteTableCsv(const TResultTable& table, QIODevice& device);
/// Where the lines saying what a CSV file saved on its own shows go: NAME.info.txt beside NAME.csv.
QString ContextFileBeside(const QString& csvPath);
/// Writes the lines saying what an output shows (ContextLines) to a text file, whole.
void WriteContextFile(const QString& path, const QStringList& context);

/// A chart's bars as CSV: "label,value", then one line a bar in the order shown.
void WriteSeriesCsv(const TResultSeries& series, QIODevice& device);
} // namespace vorn
