#pragma once

#include <QString>
#include <QTextStream>

namespace vorn {

class TVornClientDataSet;

/// One CSV field: quoted when it holds a separator, a quote or a line break.
QString CsvField(const QString& text);
/// Writes the dataset as CSV: a header of field names, then every row with each field's AsString.
/// The current row ends on the last row; attached controls are not told of the walk.
void WriteCsv(TVornClientDataSet& dataSet, QTextStream& out);

} // namespace vorn
