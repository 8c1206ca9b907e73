#include "resultmenus.h"

#include "chartwriter.h"
#include "exportfiles.h"
#include "textwriters.h"
#include "workbookwriter.h"

#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/data/clientdataset.h"
#include "host/forms/hostservices.h"
#include "host/forms/outputcontext.h"
#include "host/forms/screenresults.h"
#include "host/forms/vornform.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QTabWidget>

namespace vorn {

namespace {

/// The caption of the page a widget sits on, for an export of that widget alone.
QString pageCaptionOf(const QWidget* widget, const QString& otherwise) {
    for (const QWidget* page = widget; page != nullptr; page = page->parentWidget()) {
        const QWidget* stack = page->parentWidget();
        const auto* tabs =
            stack != nullptr ? qobject_cast<const QTabWidget*>(stack->parentWidget()) : nullptr;
        const int index = tabs != nullptr ? tabs->indexOf(const_cast<QWidget*>(page)) : -1;
        if (index >= 0)
            return FileNameOf(tabs->tabText(index));
    }
    return otherwise;
}

TResultHeading headingOf(TVornDBForm* screen) {
    IScreenResults* results = screen != nullptr ? screen->Results() : nullptr;
    return results != nullptr ? results->Heading() : TResultHeading{};
}

void exportGrid(TVornDBgrid& grid, bool workbook, TVornDBForm* screen) {
    const TResultTable table = ResultTableOf(pageCaptionOf(&grid, QStringLiteral("Rooster")), grid);
    if (table.dataSet == nullptr || !table.dataSet->Active())
        return;
    const QString filter =
        workbook ? QStringLiteral("Excel-werkmap (*.xlsx)") : QStringLiteral("CSV-bestand (*.csv)");
    const QString suffix = workbook ? QStringLiteral(".xlsx") : QStringLiteral(".csv");
    QString path =
        QFileDialog::getSaveFileName(&grid, QStringLiteral("Exporteren"), table.caption + suffix, filter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    RunGuarded([&] {
        BusyScope busy(QStringLiteral("Exporteren naar %1").arg(path));
        const TResultHeading heading = headingOf(screen);
        if (workbook) {
            WriteWorkbook({table}, {}, {}, ContextLines(heading), path);
        } else {
            WriteFileWhole(path, [&](QIODevice& device) { WriteTableCsv(table, device); });
            WriteContextFile(ContextFileBeside(path), ContextLines(heading));
        }
    });
}

void showGridMenu(TVornDBgrid& grid, TVornDBForm* screen, const QPoint& where) {
    QMenu menu(&grid);
    menu.addAction(QStringLiteral("&Kopiëren"), QKeySequence::Copy, &grid, [&grid] { grid.CopySelection(); });
    menu.addAction(QStringLiteral("&Alles selecteren"), QKeySequence::SelectAll, &grid,
                   [&grid] { grid.selectAll(); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("Exporteren naar &Excel..."), &grid,
                   [&grid, screen] { exportGrid(grid, true, screen); });
    menu.addAction(QStringLiteral("Exporteren naar &CSV..."), &grid,
                   [&grid, screen] { exportGrid(grid, false, screen); });
    menu.exec(where);
}

/// A suffix typed in the name decides the format; otherwise the chosen file type does.
ChartFormat chosenFormat(const QString& path, const QString& filter) {
    const QString typed = QFileInfo(path).suffix().toLower();
    const QString kind =
        typed == QLatin1String("svg") || typed == QLatin1String("pdf") || typed == QLatin1String("png")
            ? typed
            : filter;
    return kind.contains(QLatin1String("svg"))   ? ChartFormat::Svg
           : kind.contains(QLatin1String("pdf")) ? ChartFormat::Pdf
                                                 : ChartFormat::Png;
}

void saveChart(const TBarChart& chart, TVornDBForm* screen) {
    const TResultSeries series{pageCaptionOf(&chart, chart.Caption()), &chart};
    QString filter;
    const QString path = QFileDialog::getSaveFileName(
        const_cast<TBarChart*>(&chart), QStringLiteral("Grafiek opslaan als"), chart.Caption(),
        QStringLiteral("PNG-afbeelding (*.png);;SVG-tekening (*.svg);;PDF-document (*.pdf)"), &filter);
    if (path.isEmpty())
        return;
    const ChartFormat format = chosenFormat(path, filter);
    const QString suffix = u'.' + ChartSuffix(format);
    RunGuarded([&] {
        WriteChart(series, headingOf(screen), format,
                   path.endsWith(suffix, Qt::CaseInsensitive) ? path : path + suffix);
    });
}

void printChart(const TBarChart& chart, TVornDBForm* screen) {
    const TResultSeries series{pageCaptionOf(&chart, chart.Caption()), &chart};
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(ChartPageLayout());
    printer.setDocName(FileNameOf(series.caption));
    QPrintDialog dialog(&printer, const_cast<TBarChart*>(&chart));
    dialog.setWindowTitle(QStringLiteral("Grafiek afdrukken: %1").arg(FileNameOf(series.caption)));
    if (dialog.exec() != QDialog::Accepted)
        return;
    RunGuarded([&] { PrintChart(series, headingOf(screen), printer, printer.resolution()); });
}

void showChartMenu(TBarChart& chart, TVornDBForm* screen, const QPoint& where) {
    QMenu menu(&chart);
    menu.addAction(QStringLiteral("&Kopiëren als afbeelding"), &chart, [&chart, screen] {
        const TResultSeries series{pageCaptionOf(&chart, chart.Caption()), &chart};
        QApplication::clipboard()->setImage(ChartImage(series, headingOf(screen)));
    });
    menu.addAction(QStringLiteral("&Opslaan als..."), &chart, [&chart, screen] { saveChart(chart, screen); });
    menu.addAction(QStringLiteral("&Afdrukken..."), &chart, [&chart, screen] { printChart(chart, screen); });
    menu.exec(where);
}

} // namespace

void AttachResultMenus(TVornDBForm& screen) {
    const QPointer<TVornDBForm> owner(&screen);
    for (TVornDBgrid* grid : screen.findChildren<TVornDBgrid*>()) {
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(grid, &QWidget::customContextMenuRequested, grid, [grid, owner](const QPoint& at) {
            showGridMenu(*grid, owner.data(), grid->viewport()->mapToGlobal(at));
        });
    }
    for (TBarChart* chart : screen.findChildren<TBarChart*>()) {
        chart->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(chart, &QWidget::customContextMenuRequested, chart,
                         [chart, owner](const QPoint& at) {
                             showChartMenu(*chart, owner.data(), chart->mapToGlobal(at));
                         });
    }
}

} // namespace vorn
