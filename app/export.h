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

/// Parses YYYY-MM-DD; raises naming the option when it is not a date.
TDateTime ParseExportDate(const QString& option, const QString& text);

} // namespace vorn
