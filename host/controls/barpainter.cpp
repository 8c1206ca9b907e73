#include "barpainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

namespace vorn {

QColor ToQColor(TColor color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TColor SeriesColour(int index) {
    static constexpr std::uint32_t Rgb[] = {0x4E79A7, 0xF28E2B, 0xE15759, 0x76B7B2, 0x59A14F,
                                            0xEDC948, 0xB07AA1, 0xFF9DA7, 0x9C755F, 0xBAB0AC};
    constexpr int Count = static_cast<int>(std::size(Rgb));
    const std::uint32_t rgb = Rgb[((index % Count) + Count) % Count];
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

void TBarPainter::Clear() {
    bars_.clear();
    extent_.valid = false;
}

void TBarPainter::AddBar(const QString& label, int value, TColor color) {
    bars_.push_back({label, value, color, {}});
    extent_.valid = false;
}

void TBarPainter::SetSeries(std::vector<Series> series, TBarStacking stacking) {
    series_ = std::move(series);
    stacking_ = stacking;
    extent_.valid = false;
}

void TBarPainter::AddGroup(const QString& label, std::vector<int> values) {
    values.resize(series_.size(), 0);
    const int sum = std::accumulate(values.begin(), values.end(), 0);
    bars_.push_back({label, sum, clBlue, std::move(values)});
    extent_.valid = false;
}

const TBarPainter::Extent& TBarPainter::extent(const QFontMetrics& metrics, const QFont& font) const {
    if (extent_.valid && extent_.font == font)
        return extent_;
    extent_ = Extent{true, font, 0, 0, 0};
    for (const Bar& bar : bars_) {
        extent_.longestLabel = std::max(extent_.longestLabel, metrics.horizontalAdvance(bar.label));
        if (bar.values.empty()) {
            extent_.lowest = std::min(extent_.lowest, bar.value);
            extent_.highest = std::max(extent_.highest, bar.value);
        } else if (stacking_ == TBarStacking::Stacked) {
            int below = 0;
            int above = 0;
            for (const int value : bar.values)
                (value < 0 ? below : above) += value;
            extent_.lowest = std::min(extent_.lowest, below);
            extent_.highest = std::max(extent_.highest, above);
        } else {
            const auto [lowest, highest] = std::minmax_element(bar.values.begin(), bar.values.end());
            extent_.lowest = std::min(extent_.lowest, *lowest);
            extent_.highest = std::max(extent_.highest, *highest);
        }
    }
    return extent_;
}

TBarPainter::Layout TBarPainter::layoutFor(const QRect& area, const QFontMetrics& metrics,
                                           const QFont& font) const {
    Layout layout{};
    const int captionHeight = showCaption_ && !caption_.isEmpty() ? metrics.height() + 8 : 0;
    const Extent& measured = extent(metrics, font);
    layout.labelWidth = std::min(measured.longestLabel + 12, area.width() * 2 / 5);
    layout.legendTop = area.top() + captionHeight + 4;
    const int legend = legendHeight(metrics, area.width() - layout.labelWidth - 8);
    layout.plot = area.adjusted(layout.labelWidth, captionHeight + legend + 4,
                                -metrics.horizontalAdvance("000000") - 8, -4);
    layout.slot =
        bars_.empty() ? 0.0 : static_cast<double>(layout.plot.height()) / static_cast<double>(bars_.size());
    const double span = std::max(1, measured.highest - measured.lowest);
    layout.scale = layout.plot.width() / span;
    layout.zeroX = layout.plot.left() + static_cast<int>(std::lround(-measured.lowest * layout.scale));
    return layout;
}

TBarPainter::BarRows TBarPainter::BarRowsIn(const QRect& area, const QFontMetrics& metrics,
                                            const QFont& font) const {
    const Layout layout = layoutFor(area, metrics, font);
    return {layout.plot.top(), layout.slot};
}

void TBarPainter::Render(QPainter& painter, const QRect& area, const QRect& clip) const {
    const QFont font = painter.font();
    const QFontMetrics metrics(font);
    const Layout layout = layoutFor(area, metrics, font);
    painter.save();
    painter.setPen(colours_.text);
    const QRect captionRect(area.left(), area.top() + 4, area.width(), metrics.height());
    if (showCaption_ && !caption_.isEmpty() && captionRect.intersects(clip)) {
        QFont bold = font;
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(captionRect, Qt::AlignHCenter, caption_);
        painter.setFont(font);
    }
    paintLegend(painter, metrics,
                QRect(area.left() + layout.labelWidth, layout.legendTop, area.width() - layout.labelWidth - 8,
                      layout.plot.top() - layout.legendTop),
                clip);
    lastPainted_ = 0;
    if (!bars_.empty() && layout.slot > 0) {
        const int first = std::max(0, static_cast<int>((clip.top() - layout.plot.top()) / layout.slot));
        const int last = std::min(static_cast<int>(bars_.size()) - 1,
                                  static_cast<int>((clip.bottom() - layout.plot.top()) / layout.slot));
        for (int i = first; i <= last; ++i) {
            const Bar& bar = bars_[static_cast<std::size_t>(i)];
            const double top = layout.plot.top() + i * layout.slot;
            const BarShapes shapes = shapesOf(bar, layout, top, metrics);
            paintSegments(painter, shapes);
            painter.setPen(colours_.text);
            const QRectF labelRect(area.left() + 4, top, layout.labelWidth - 10, layout.slot);
            painter.drawText(
                labelRect, Qt::AlignRight | Qt::AlignVCenter,
                metrics.elidedText(bar.label, Qt::ElideRight, static_cast<int>(labelRect.width())));
            paintNumbers(painter, shapes, metrics);
            ++lastPainted_;
        }
    }
    painter.setPen(colours_.axis);
    painter.drawLine(layout.zeroX, layout.plot.top(), layout.zeroX, layout.plot.bottom());
    painter.restore();
}

/// The rectangles of one bar: its value, or one thin bar per series one under the other, or the
/// series end to end (positive values right of the axis, negative ones left of it). Numbers beside
/// a bar say its value; a stacked segment long enough carries its own inside.
TBarPainter::BarShapes TBarPainter::shapesOf(const Bar& bar, const Layout& layout, double top,
                                             const QFontMetrics& metrics) const {
    BarShapes shapes;
    if (bar.values.empty()) {
        const double thickness = std::min(layout.slot * 0.7, 28.0);
        const int length = static_cast<int>(std::lround(std::abs(bar.value) * layout.scale));
        const int left = bar.value < 0 ? layout.zeroX - length : layout.zeroX;
        shapes.segments.push_back(
            {QRectF(left, top + (layout.slot - thickness) / 2, std::max(length, 1), thickness), bar.color,
             bar.value, false});
        shapes.beside.push_back({bar.value, double(left), double(left + length), top, layout.slot});
    } else if (stacking_ == TBarStacking::Clustered) {
        const double count = static_cast<double>(bar.values.size());
        const double group = std::min(layout.slot * 0.8, 18.0 * count);
        const double thickness = group / count;
        const bool numbers = thickness >= metrics.ascent() * 0.8;
        double barTop = top + (layout.slot - group) / 2;
        for (std::size_t s = 0; s < bar.values.size(); ++s, barTop += thickness) {
            const int value = bar.values[s];
            const int length = static_cast<int>(std::lround(std::abs(value) * layout.scale));
            const int left = value < 0 ? layout.zeroX - length : layout.zeroX;
            shapes.segments.push_back(
                {QRectF(left, barTop, std::max(length, 1), thickness), series_[s].color, value, false});
            if (numbers)
                shapes.beside.push_back({value, double(left), double(left + length), barTop, thickness});
        }
    } else {
        const double thickness = std::min(layout.slot * 0.7, 28.0);
        const double barTop = top + (layout.slot - thickness) / 2;
        double right = layout.zeroX;
        double left = layout.zeroX;
        for (std::size_t s = 0; s < bar.values.size(); ++s) {
            const int value = bar.values[s];
            if (value == 0)
                continue;
            const double length = std::abs(value) * layout.scale;
            const double start = value < 0 ? left - length : right;
            (value < 0 ? left : right) = value < 0 ? start : start + length;
            const QString number = QString::number(value);
            shapes.segments.push_back({QRectF(start, barTop, std::max(length, 1.0), thickness),
                                       series_[s].color, value,
                                       metrics.horizontalAdvance(number) + 6 <= length});
        }
        const bool anyPositive = right > layout.zeroX;
        if (stackSumShown_)
            shapes.beside.push_back({bar.value, anyPositive ? double(layout.zeroX) : left,
                                     anyPositive ? right : double(layout.zeroX), top, layout.slot});
    }
    return shapes;
}

void TBarPainter::paintSegments(QPainter& painter, const BarShapes& shapes) const {
    for (const Segment& segment : shapes.segments) {
        painter.fillRect(segment.rect, ToQColor(segment.color));
        painter.setPen(colours_.outline);
        painter.drawRect(segment.rect);
    }
}

void TBarPainter::paintNumbers(QPainter& painter, const BarShapes& shapes,
                               const QFontMetrics& metrics) const {
    for (const Segment& segment : shapes.segments)
        if (segment.numberInside) {
            painter.setPen(ToQColor(segment.color).lightness() < 128 ? Qt::white : Qt::black);
            painter.drawText(segment.rect, Qt::AlignCenter, QString::number(segment.value));
        }
    painter.setPen(colours_.text);
    for (const Number& number : shapes.beside) {
        const QString text = QString::number(number.value);
        const int textWidth = metrics.horizontalAdvance(text);
        const double textX = number.value < 0 ? number.left - textWidth - 4 : number.right + 4;
        painter.drawText(QRectF(textX, number.top, textWidth + 2, number.height),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

std::vector<QPoint> TBarPainter::legendPlaces(const QFontMetrics& metrics, int width) const {
    std::vector<QPoint> places;
    const int swatch = metrics.ascent();
    const int lineHeight = metrics.height() + 2;
    int x = 0;
    int y = 0;
    for (const Series& series : series_) {
        const int entry = swatch + 4 + metrics.horizontalAdvance(series.name);
        if (x > 0 && x + entry > width) {
            x = 0;
            y += lineHeight;
        }
        places.emplace_back(x, y);
        x += entry + 16;
    }
    return places;
}

int TBarPainter::legendHeight(const QFontMetrics& metrics, int width) const {
    if (series_.empty())
        return 0;
    return legendPlaces(metrics, width).back().y() + metrics.height() + 2 + 4;
}

void TBarPainter::paintLegend(QPainter& painter, const QFontMetrics& metrics, const QRect& area,
                              const QRect& clip) const {
    if (series_.empty() || !area.intersects(clip))
        return;
    const std::vector<QPoint> places = legendPlaces(metrics, area.width());
    const int swatch = metrics.ascent();
    for (std::size_t s = 0; s < series_.size(); ++s) {
        const QPoint at = area.topLeft() + places[s];
        const QRect box(at.x(), at.y() + (metrics.height() - swatch) / 2, swatch, swatch);
        painter.fillRect(box, ToQColor(series_[s].color));
        painter.setPen(colours_.outline);
        painter.drawRect(box);
        painter.setPen(colours_.text);
        painter.drawText(
            QRect(box.right() + 5, at.y(), metrics.horizontalAdvance(series_[s].name) + 2, metrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter, series_[s].name);
    }
}

} // namespace vorn
