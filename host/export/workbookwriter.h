#pragma once

#include "host/forms/screenresults.h"

namespace vorn {

/// Writes a screen's results as one XLSX workbook, whole or not at all: a sheet per grid named after
/// its caption with its rows as the grid shows them (numbers stored as numbers, a bold frozen header
/// row, the grid's column widths), a
/// sheet "Totalen" with the totals line where the screen has one, and a sheet "Grafieken" with the
/// bars of every chart.
void WriteWorkbook(const IScreenResults& results, const QString& path);
/// The workbook library with its version and licence, for "Over Vorn".
QString WorkbookLibrary();
/// The same from its parts; `totals` may be empty and `series` none. Every sheet starts with the
/// `context` lines (ContextLines) and a blank row above its table; columns without any value are
/// left out.
void WriteWorkbook(const std::vector<TResultTable>& tables, const QString& totals,
                   const std::vector<TResultSeries>& series, const QStringList& context, const QString& path);

/// A sheet name Excel accepts, unique among `taken`: no []:*?/\, at most 31 characters.
QString SheetName(const QString& caption, const QStringList& taken);

/// The "label: value" pairs of a totals line ("Totalen :    Lesuren: 12    Personen: 3").
std::vector<std::pair<QString, QString>> TotalsPairs(const QString& totals);

} // namespace vorn
