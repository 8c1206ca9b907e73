#include "barpainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vorn {

QColor ToQColor(TColor color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

void TBarPainter::Clear() {
    bars_.clear();
    extent_.valid = false;
}

void TBarPainter::AddBar(const QString& label, int value, TColor color) {
    bars_.push_back({label, value, color});
    extent_.valid = false;
}

const TBarPainter::Extent& TBarPainter::extent(const QFontMetrics& metrics, const QFont& font) const {
    if (extent_.valid && extent_.font == font)
        return extent_;
    extent_ = Extent{true, font, 0, 0, 0};
    for (const Bar& bar : bars_) {
        extent_.longestLabel = std::max(extent_.longestLabel, metrics.horizontalAdvance(bar.label));
        extent_.lowest = std::min(extent_.lowest, bar.value);
        extent_.highest = std::max(extent_.highest, bar.value);
    }
    return extent_;
}

TBarPainter::Layout TBarPainter::layoutFor(const QRect& area, const QFontMetrics& metrics,
                                           const QFont& font) const {
    Layout layout{};
    const int captionHeight = showCaption_ && !caption_.isEmpty() ? metrics.height() + 8 : 0;
    const Extent& measured = extent(metrics, font);
    layout.labelWidth = std::min(measured.longestLabel + 12, area.width() * 2 / 5);
    layout.plot =
        area.adjusted(layout.labelWidth, captionHeight + 4, -metrics.horizontalAdvance("000000") - 8, -4);
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
    lastPainted_ = 0;
    if (!bars_.empty() && layout.slot > 0) {
        const int first = std::max(0, static_cast<int>((clip.top() - layout.plot.top()) / layout.slot));
        const int last = std::min(static_cast<int>(bars_.size()) - 1,
                                  static_cast<int>((clip.bottom() - layout.plot.top()) / layout.slot));
        const double thickness = std::min(layout.slot * 0.7, 28.0);
        for (int i = first; i <= last; ++i) {
            const Bar& bar = bars_[static_cast<std::size_t>(i)];
            const double top = layout.plot.top() + i * layout.slot;
            const double barTop = top + (layout.slot - thickness) / 2;
            const int length = static_cast<int>(std::lround(std::abs(bar.value) * layout.scale));
            const int left = bar.value < 0 ? layout.zeroX - length : layout.zeroX;
            const QRectF rect(left, barTop, std::max(length, 1), thickness);
            painter.fillRect(rect, ToQColor(bar.color));
            painter.setPen(colours_.outline);
            painter.drawRect(rect);
            painter.setPen(colours_.text);
            const QRectF labelRect(area.left() + 4, top, layout.labelWidth - 10, layout.slot);
            painter.drawText(
                labelRect, Qt::AlignRight | Qt::AlignVCenter,
                metrics.elidedText(bar.label, Qt::ElideRight, static_cast<int>(labelRect.width())));
            const QString number = QString::number(bar.value);
            const int textWidth = metrics.horizontalAdvance(number);
            const double textX = bar.value < 0 ? left - textWidth - 4 : left + length + 4;
            painter.drawText(QRectF(textX, top, textWidth + 2, layout.slot), Qt::AlignLeft | Qt::AlignVCenter,
                             number);
            ++lastPainted_;
        }
    }
    painter.setPen(colours_.axis);
    painter.drawLine(layout.zeroX, layout.plot.top(), layout.zeroX, layout.plot.bottom());
    painter.restore();
}

} // namespace vorn
