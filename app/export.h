#pragma once

#include "host/data/datetime.h"
#include "host/export/screenexport.h"
#include "host/forms/screenresults.h"

#include <QString>
#include <QTextStream>

namespace vorn {

class MainWindow;

/// What `vorn export` is asked to do.
struct ExportRequest {
    QString screenClass;
    TScreenRequest screen;
    ExportFormat format = ExportFormat::Csv;
    QString outputFolder;
};

/// Opens the screen as from its menu, hands it the request through its results contract, runs its
/// fetch and writes its results into the output folder in the requested format. Raises a clear
/// error when the screen, the institution, the dates or the fetch are wrong.
void RunExport(MainWindow& window, const ExportRequest& request, QTextStream& report);

/// What `vorn print` is asked to do.
struct PrintRequest {
    QString screenClass;
    TScreenRequest screen;
    QString report;    // display name of one of the screen's reports
    int category = -1; // the statistic to print when the report's name names none
    QString pdfPath;
};

/// Opens the screen, fetches as RunExport does, and runs the host's print sequence for the report
/// into a PDF file; no dialog appears. Raises a clear error when anything is wrong.
void RunPrintToPdf(MainWindow& window, const PrintRequest& request, QTextStream& report);

/// Parses YYYY-MM-DD; raises naming the option when it is not a date.
TDateTime ParseExportDate(const QString& option, const QString& text);

} // namespace vorn
