#pragma once

#include "host/forms/screenresults.h"

#include <QImage>
#include <QPageLayout>

class QPagedPaintDevice;

namespace vorn {

enum class ChartFormat { Png, Svg, Pdf };

/// The file suffix of a chart format ("png", "svg", "pdf").
QString ChartSuffix(ChartFormat format);

/// A chart with its title block (screen, institution, date or period, figure) above it, painted by
/// the chart's own routine. A chart too long for a picture of 16,000 pixels shows its first bars at
/// their own height and a line saying how many, and that all are in the chart's CSV, SVG and PDF.
QImage ChartImage(const TResultSeries& series, const TResultHeading& heading);
/// How many bars ChartImage shows.
int PngBarsShown(const TResultSeries& series, const TResultHeading& heading);

/// Writes the chart with its title block as PNG, SVG or PDF (pages of A4, cut between bars), whole
/// or not at all.
void WriteChart(const TResultSeries& series, const TResultHeading& heading, ChartFormat format,
                const QString& path);

/// A4 portrait with small margins: how a chart's PDF and printout start.
QPageLayout ChartPageLayout();
/// Prints the chart with its title block on a printer (or any paged device) of `resolution` dots
/// per inch, cut between bars as in the PDF; raises when the device fails.
void PrintChart(const TResultSeries& series, const TResultHeading& heading, QPagedPaintDevice& device,
                int resolution);

} // namespace vorn
