#pragma once

#include "host/forms/screenresults.h"

namespace vorn {

/// What a folder export writes: CSV files with PNG charts (as always), one workbook, or both and
/// every chart also as SVG and PDF.
enum class ExportFormat { Csv, Xlsx, All };

/// Parses "csv", "xlsx" or "all"; raises for anything else.
ExportFormat ParseExportFormat(const QString& text);

/// The workbook's file name in an export folder: the screen's caption.
QString WorkbookFileName(const IScreenResults& results);

/// Writes a screen's results into `folder`: info.txt (what they show, ContextLines), grids/CAPTION.csv,
/// charts/CAPTION.png and .csv (bars in the order shown) and totals.txt for CSV; SCREEN.xlsx for XLSX; for
/// all, both and every chart as .svg and .pdf too. Each file is written whole or not at all.
void ExportToFolder(const IScreenResults& results, const QString& folder, ExportFormat format);

} // namespace vorn
