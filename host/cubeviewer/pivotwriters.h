#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

class QIODevice;

namespace vorn {

class TPivot;
class TPivotTableModel;

/// Cells of the pivot table (x columns, y rows) as tab-separated text, as a spreadsheet pastes
/// it. Value cells come with their column headings above and their row headings before them, a
/// merged heading's label repeated over every cell it heads; a selection of headings only gives
/// their texts.
QString PivotCellsAsText(const TPivotTableModel& model, const QRect& cells);

/// The pivot as shown as CSV (UTF-8, comma-separated): the headings as their texts, values as
/// plain numbers with a decimal point (a percentage as its fraction), empty cells empty.
void WritePivotCsv(const TPivotTableModel& model, QIODevice& device);
void WritePivotCsvFile(const TPivotTableModel& model, const QString& path);

/// The pivot as shown as an XLSX workbook, whole or not at all: the `context` lines (what it shows)
/// and a blank row, then merged heading cells, totals bold, values as numbers in their measure's
/// number format, the headings frozen. Raises when the pivot does not fit a worksheet or the file
/// cannot be written.
void WritePivotXlsx(const TPivot& pivot, const TPivotTableModel& model, const QStringList& context,
                    const QString& path);

/// An Excel number format for a cube number format ("#,##0.0" stays, "0.##" becomes "General").
QString ExcelNumberFormat(const QString& pattern);

} // namespace vorn
