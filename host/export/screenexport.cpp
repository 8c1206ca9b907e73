#include "screenexport.h"

#include "chartwriter.h"
#include "exportfiles.h"
#include "textwriters.h"
#include "workbookwriter.h"

#include "host/data/errors.h"
#include "host/forms/outputcontext.h"

#include <QDir>
#include <QTextStream>

namespace vorn {

namespace {

QDir subfolder(const QDir& folder, const QString& name) {
    if (!folder.mkpath(name))
        RaiseClientError("Kon de map %s niet maken", folder.filePath(name));
    return QDir(folder.filePath(name));
}

void writeGrids(const IScreenResults& results, const QDir& folder) {
    const std::vector<TResultTable> tables = results.Tables();
    if (tables.empty())
        return;
    const QDir grids = subfolder(folder, QStringLiteral("grids"));
    for (const TResultTable& table : tables)
        WriteFileWhole(grids.filePath(FileNameOf(table.caption) + QStringLiteral(".csv")),
                       [&](QIODevice& device) { WriteTableCsv(table, device); });
}

void writeCharts(const IScreenResults& results, const QDir& folder, const std::vector<ChartFormat>& formats,
                 bool barsAsCsv) {
    const std::vector<TResultSeries> series = results.Series();
    if (series.empty())
        return;
    const TResultHeading heading = results.Heading();
    const QDir charts = subfolder(folder, QStringLiteral("charts"));
    for (const TResultSeries& chart : series) {
        const QString base = charts.filePath(FileNameOf(chart.caption));
        for (const ChartFormat format : formats)
            WriteChart(chart, heading, format, base + u'.' + ChartSuffix(format));
        if (barsAsCsv)
            WriteFileWhole(base + QStringLiteral(".csv"),
                           [&](QIODevice& device) { WriteSeriesCsv(chart, device); });
    }
}

void writeTotals(const IScreenResults& results, const QDir& folder) {
    const QString totals = results.Totals();
    if (totals.isEmpty())
        return;
    WriteFileWhole(folder.filePath(QStringLiteral("totals.txt")), [&](QIODevice& device) {
        QTextStream out(&device);
        out << totals << '\n';
    });
}

} // namespace

ExportFormat ParseExportFormat(const QString& text) {
    if (text == QLatin1String("csv"))
        return ExportFormat::Csv;
    if (text == QLatin1String("xlsx"))
        return ExportFormat::Xlsx;
    if (text == QLatin1String("all"))
        return ExportFormat::All;
    RaiseClientError("--format verwacht csv, xlsx of all, niet '%s'", text);
}

QString WorkbookFileName(const IScreenResults& results) {
    const QString caption = FileNameOf(results.Heading().screen);
    return (caption.isEmpty() ? QStringLiteral("statistieken") : caption) + QStringLiteral(".xlsx");
}

void ExportToFolder(const IScreenResults& results, const QString& folderPath, ExportFormat format) {
    const QDir folder(folderPath);
    if (!folder.mkpath(QStringLiteral(".")))
        RaiseClientError("Kon de map %s niet maken", folderPath);
    if (format != ExportFormat::Xlsx) {
        WriteContextFile(folder.filePath(QStringLiteral("info.txt")), ContextLines(results.Heading()));
        writeGrids(results, folder);
        const std::vector<ChartFormat> images =
            format == ExportFormat::All
                ? std::vector<ChartFormat>{ChartFormat::Png, ChartFormat::Svg, ChartFormat::Pdf}
                : std::vector<ChartFormat>{ChartFormat::Png};
        writeCharts(results, folder, images, true);
        writeTotals(results, folder);
    }
    if (format != ExportFormat::Csv)
        WriteWorkbook(results, folder.filePath(WorkbookFileName(results)));
}

} // namespace vorn
