#include "chartwriter.h"

#include "compactsvg.h"
#include "exportfiles.h"

#include "host/controls/barchart.h"
#include "host/data/errors.h"
#include "host/forms/outputcontext.h"

#include <QFontInfo>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

namespace vorn {

namespace {

constexpr int MinimumWidth = 700;
/// Beyond this an image is too large to open comfortably; the bars are squeezed instead.
constexpr int LargestImageHeight = 16000;
constexpr int Margin = 12;

/// What the chart shows, under the screen's caption: the lines every output carries and the chart.
QStringList titleLines(const TResultHeading& heading, const TResultSeries& series) {
    TResultHeading belowTheCaption = heading;
    belowTheCaption.screen.clear();
    return ContextLines(belowTheCaption) << QStringLiteral("Grafiek: %1").arg(FileNameOf(series.caption));
}

int titleBlockHeight(const QFontMetrics& metrics, const QStringList& lines) {
    return Margin + (metrics.height() + 6) + static_cast<int>(lines.size()) * metrics.height() + Margin;
}

/// The screen's caption in bold, then the title lines; answers the height used.
int paintTitleBlock(QPainter& painter, int width, const TResultHeading& heading,
                    const TResultSeries& series) {
    const QFontMetrics metrics(painter.font());
    const QStringList lines = titleLines(heading, series);
    painter.save();
    const QFont plain = painter.font();
    QFont bold = plain;
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    int y = Margin;
    painter.drawText(QRect(Margin, y, width - 2 * Margin, metrics.height() + 4),
                     Qt::AlignLeft | Qt::AlignVCenter, heading.screen);
    y += metrics.height() + 6;
    painter.setFont(plain);
    for (const QString& line : lines) {
        painter.drawText(QRect(Margin, y, width - 2 * Margin, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, line);
        y += metrics.height();
    }
    painter.restore();
    return titleBlockHeight(metrics, lines);
}

/// How many bars a PNG shows: all when the chart fits one picture of at most 16,000 pixels with
/// its title block; else as many as fit at their own height, and a note says where the rest is.
int barsShown(const TResultSeries& series, const QFontMetrics& metrics, int title, const QRect& area) {
    const TBarChart::BarRows rows = series.chart->BarRowsIn(area, metrics);
    const int bars = series.chart->BarCount();
    if (title + area.height() <= LargestImageHeight || bars == 0 || rows.height <= 0)
        return bars;
    const int noteHeight = 2 * metrics.height();
    return std::clamp(
        static_cast<int>((LargestImageHeight - title - noteHeight - rows.top - 8) / rows.height), 1, bars);
}

QRect chartArea(const TResultSeries& series) {
    return {0, 0, std::max(series.chart->width(), MinimumWidth), std::max(series.chart->Height(), 40)};
}

/// The first bars of a chart too long for one picture, at their own height and on the chart's
/// scale, under the title block, with a line that says how many are shown and where all are.
QImage firstBarsImage(const TResultSeries& series, const TResultHeading& heading, int shown) {
    const QFontMetrics metrics(series.chart->font());
    const QRect area = chartArea(series);
    const int title = titleBlockHeight(metrics, titleLines(heading, series));
    const TBarChart::BarRows rows = series.chart->BarRowsIn(area, metrics);
    const int barsEnd = static_cast<int>(std::ceil(rows.top + shown * rows.height));
    const int noteHeight = 2 * metrics.height();
    QImage image(QSize(area.width(), title + barsEnd + 4 + noteHeight), QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), Qt::white);
    painter.setFont(series.chart->font());
    paintTitleBlock(painter, area.width(), heading, series);
    painter.save();
    painter.translate(0, title);
    painter.setClipRect(QRect(0, 0, area.width(), barsEnd + 4));
    // Just inside the last bar shown, so that the next one is not drawn (its label would show).
    series.chart->Render(painter, area, QRect(0, 0, area.width(), barsEnd - 2));
    painter.restore();
    painter.setPen(Qt::black);
    painter.drawText(
        QRect(Margin, title + barsEnd + 4, area.width() - 2 * Margin, noteHeight),
        Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("Getoond: de eerste %1 van %2 staven. Alle staven staan in de gegevens van de "
                       "grafiek (CSV) en in de SVG- en PDF-uitvoer.")
            .arg(QLocale().toString(shown), QLocale().toString(series.chart->BarCount())));
    painter.end();
    return image;
}

QSize imageSize(const TResultSeries& series, const TResultHeading& heading) {
    const QFontMetrics metrics(series.chart->font());
    const int title = titleBlockHeight(metrics, titleLines(heading, series));
    const int width = std::max(series.chart->width(), MinimumWidth);
    return {width, std::min(title + series.chart->Height(), LargestImageHeight)};
}

/// The title block and the chart below it, filling `size`.
void paintChartPicture(QPainter& painter, const QSize& size, const TResultSeries& series,
                       const TResultHeading& heading) {
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    painter.setFont(series.chart->font());
    const int title = paintTitleBlock(painter, size.width(), heading, series);
    const QRect area(0, title, size.width(), size.height() - title);
    series.chart->Render(painter, area, area);
}

void writePng(const QImage& image, const QString& path) {
    WriteFileWhole(path, [&](QIODevice& device) {
        if (!image.save(&device, "PNG"))
            RaiseClientError("Kon %s niet schrijven", path);
    });
}

void writeSvg(const TResultSeries& series, const TResultHeading& heading, const QString& path) {
    const QSize size = imageSize(series, heading);
    WriteFileWhole(path, [&](QIODevice& device) {
        TCompactSvg svg(device, size, FileNameOf(series.caption));
        QPainter painter;
        if (!painter.begin(&svg))
            RaiseClientError("Kon %s niet schrijven", path);
        paintChartPicture(painter, size, series, heading);
        if (!painter.end() || !svg.Written())
            RaiseClientError("Kon %s niet schrijven", path);
    });
}

/// Each page shows whole bars: the chart is painted at its own size (96 units to the inch) and cut
/// between two bars. Answers false when the device refuses a new page.
bool paintChartPages(QPainter& painter, QPagedPaintDevice& device, int resolution,
                     const TResultSeries& series, const TResultHeading& heading) {
    painter.scale(resolution / 96.0, resolution / 96.0);
    // Sized in pixels, so that the scale above gives the screen's size on any device.
    QFont font = series.chart->font();
    font.setPixelSize(QFontInfo(font).pixelSize());
    painter.setFont(font);
    const QRect page = device.pageLayout().paintRectPixels(96);
    const int pageHeight = page.height();
    const int title = paintTitleBlock(painter, page.width(), heading, series);
    const QRect area(0, 0, page.width(), std::max(series.chart->Height(), 40));
    const TBarChart::BarRows rows = series.chart->BarRowsIn(area, QFontMetrics(painter.font()));
    // Below the last bar there is only the plot's margin: it gets no page of its own.
    const int barsEnd =
        rows.height > 0
            ? std::min(area.height(),
                       static_cast<int>(std::ceil(rows.top + series.chart->BarCount() * rows.height)))
            : area.height();
    int windowTop = 0;
    int offset = title; // where the window's top lands on the page
    while (windowTop < area.height()) {
        int windowBottom = windowTop + pageHeight - offset;
        if (windowBottom < area.height() && rows.height > 0 && rows.height < pageHeight) {
            const int wholeBars = static_cast<int>(std::floor((windowBottom - rows.top) / rows.height));
            const int cut = rows.top + static_cast<int>(std::floor(wholeBars * rows.height));
            if (cut > windowTop)
                windowBottom = cut;
        }
        windowBottom = std::min(windowBottom, area.height());
        painter.save();
        painter.translate(0, offset - windowTop);
        const QRect window(0, windowTop, area.width(), windowBottom - windowTop);
        painter.setClipRect(window);
        series.chart->Render(painter, area, window);
        painter.restore();
        windowTop = windowBottom;
        offset = 0;
        if (windowTop >= barsEnd - 1)
            break;
        if (!device.newPage())
            return false;
    }
    return true;
}

void writePdf(const TResultSeries& series, const TResultHeading& heading, const QString& path) {
    WritePdfWhole(path, [&](QIODevice& device) {
        QPdfWriter pdf(&device);
        pdf.setResolution(96);
        pdf.setTitle(QStringLiteral("%1 - %2").arg(heading.screen, FileNameOf(series.caption)));
        pdf.setCreator(QStringLiteral("Vorn"));
        pdf.setPageLayout(ChartPageLayout());
        QPainter painter;
        if (!painter.begin(&pdf) || !paintChartPages(painter, pdf, pdf.resolution(), series, heading) ||
            !painter.end())
            RaiseClientError("Kon %s niet schrijven", path);
    });
}

} // namespace

QPageLayout ChartPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(12, 12, 12, 12));
}

void PrintChart(const TResultSeries& series, const TResultHeading& heading, QPagedPaintDevice& device,
                int resolution) {
    QPainter painter;
    if (!painter.begin(&device))
        RaiseClientError("De printer kon niet beginnen met afdrukken");
    const bool printed = paintChartPages(painter, device, resolution, series, heading);
    if (!painter.end() || !printed)
        RaiseClientError("Het afdrukken van de grafiek is mislukt");
}

QString ChartSuffix(ChartFormat format) {
    switch (format) {
    case ChartFormat::Png:
        return QStringLiteral("png");
    case ChartFormat::Svg:
        return QStringLiteral("svg");
    case ChartFormat::Pdf:
        return QStringLiteral("pdf");
    }
    return {};
}

int PngBarsShown(const TResultSeries& series, const TResultHeading& heading) {
    const QFontMetrics metrics(series.chart->font());
    return barsShown(series, metrics, titleBlockHeight(metrics, titleLines(heading, series)),
                     chartArea(series));
}

QImage ChartImage(const TResultSeries& series, const TResultHeading& heading) {
    const int shown = PngBarsShown(series, heading);
    if (shown < series.chart->BarCount())
        return firstBarsImage(series, heading, shown);
    const QSize size = imageSize(series, heading);
    QImage image(size, QImage::Format_ARGB32);
    QPainter painter(&image);
    paintChartPicture(painter, size, series, heading);
    painter.end();
    return image;
}

void WriteChart(const TResultSeries& series, const TResultHeading& heading, ChartFormat format,
                const QString& path) {
    switch (format) {
    case ChartFormat::Png:
        writePng(ChartImage(series, heading), path);
        return;
    case ChartFormat::Svg:
        writeSvg(series, heading, path);
        return;
    case ChartFormat::Pdf:
        writePdf(series, heading, path);
        return;
    }
}

} // namespace vorn
