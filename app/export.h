#pragma once

#include "host/data/datetime.h"

#include <QString>
#include <QTextStream>

namespace vorn {

class MainWindow;

/// What `vorn export` is asked to do.
struct ExportRequest {
    QString screenClass;
    QString institutionCode;
    TDateTime date = NoDate; // screens with a reference date
    TDateTime from = NoDate; // screens with a period
    TDateTime to = NoDate;
    int figure = -1; // the chart figure, where the screen has a choice
    int scale = 0;   // the band width, where the screen has one
    QString outputFolder;
};

/// Opens the screen as from its menu, fills in the institution and the date or period through its
/// controls, runs its fetch and writes every grid (grids/CAPTION.csv), every chart (charts/CAPTION.png
/// and .csv with its bars in the order shown) and the totals line (totals.txt) when it has one.
/// Raises a clear error when the screen, the institution, the dates or the fetch are wrong.
void RunExport(MainWindow& window, const ExportRequest& request, QTextStream& report);

/// Parses YYYY-MM-DD; raises naming the option when it is not a date.
TDateTime ParseExportDate(const QString& option, const QString& text);

} // namespace vorn
