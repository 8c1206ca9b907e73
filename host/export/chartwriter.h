#pragma once

#include "host/forms/screenresults.h"

#include <QImage>

namespace vorn {

enum class ChartFormat { Png, Svg, Pdf };

/// The file suffix of a chart format ("png", "svg", "pdf").
QString ChartSuffix(ChartFormat format);

/// A chart with its title block (screen, institution, date or period, figure) above it, painted by
/// the chart's own routine. Very long charts are squeezed into the largest image written.
QImage ChartImage(const TResultSeries& series, const TResultHeading& heading);

/// Writes the chart with its title block as PNG, SVG or PDF (pages of A4, cut between bars), whole
/// or not at all.
void WriteChart(const TResultSeries& series, const TResultHeading& heading, ChartFormat format,
                const QString& path);

} // namespace vorn
