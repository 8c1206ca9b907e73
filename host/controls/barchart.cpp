#include "barchart.h"

#include "host/data/clientdataset.h"

#include <QHelpEvent>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace vorn {

QColor ToQColor(TColor color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TBarChart::TBarChart(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setMinimumHeight(40);
}

void TBarChart::updateIfActive() {
    if (updateDepth_ == 0)
        update();
}

void TBarChart::Clear() {
    bars_.clear();
    extent_.valid = false;
    updateIfActive();
}

void TBarChart::BeginUpdate() {
    ++updateDepth_;
}

void TBarChart::EndUpdate() {
    if (updateDepth_ > 0 && --updateDepth_ == 0)
        update();
}

void TBarChart::AddBar(const QString& label, int value, TColor color) {
    bars_.push_back({label, value, color});
    extent_.valid = false;
    updateIfActive();
}

void TBarChart::SetCaption(const QString& caption) {
    caption_ = caption;
    updateIfActive();
}

void TBarChart::SetShowCaption(bool show) {
    showCaption_ = show;
    updateIfActive();
}

void TBarChart::SetHeight(int pixels) {
    setMinimumHeight(pixels);
    setMaximumHeight(pixels);
    resize(width(), pixels);
}

const TBarChart::Extent& TBarChart::extent(const QFontMetrics& metrics, const QFont& font) const {
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

TBarChart::Layout TBarChart::layoutFor(const QRect& area, const QFontMetrics& metrics) const {
    Layout layout{};
    const int captionHeight = showCaption_ && !caption_.isEmpty() ? metrics.height() + 8 : 0;
    const Extent& measured = extent(metrics, font());
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

TBarChart::BarRows TBarChart::BarRowsIn(const QRect& area, const QFontMetrics& metrics) const {
    const Layout layout = layoutFor(area, metrics);
    return {layout.plot.top(), layout.slot};
}

void TBarChart::Render(QPainter& painter, const QRect& area, const QRect& clip) const {
    const QFontMetrics metrics(painter.font());
    const Layout layout = layoutFor(area, metrics);
    painter.save();
    if (showCaption_ && !caption_.isEmpty()) {
        QFont bold = painter.font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(QRect(area.left(), area.top() + 4, area.width(), metrics.height()), Qt::AlignHCenter,
                         caption_);
        painter.setFont(QFont(bold.family(), bold.pointSize()));
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
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawRect(rect);
            painter.setPen(palette().color(QPalette::Text));
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
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(layout.zeroX, layout.plot.top(), layout.zeroX, layout.plot.bottom());
    painter.restore();
}

int TBarChart::BarAt(const QPoint& point) const {
    const BarRows rows = BarRowsIn(rect(), fontMetrics());
    if (rows.height <= 0 || point.y() < rows.top)
        return -1;
    const int bar = static_cast<int>((point.y() - rows.top) / rows.height);
    return bar < BarCount() ? bar : -1;
}

bool TBarChart::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int bar = BarAt(help->pos());
        if (bar >= 0)
            QToolTip::showText(help->globalPos(),
                               QStringLiteral("%1: %2").arg(Bars(bar).label).arg(Bars(bar).value), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void TBarChart::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    Render(painter, rect(), event->rect());
}

QImage TBarChart::ToImage() const {
    QImage image(size(), QImage::Format_ARGB32);
    image.fill(palette().color(QPalette::Base));
    QPainter painter(&image);
    painter.setFont(font());
    Render(painter, image.rect(), image.rect());
    return image;
}

void FillBarChart(TBarChart& chart, TVornClientDataSet& dataSet, const QString& labelFields,
                  const QString& valueField, TColor color) {
    std::vector<TField*> labels;
    for (const QString& name : SplitFieldList(labelFields))
        labels.push_back(&dataSet.FieldByName(name));
    TField& value = dataSet.FieldByName(valueField);
    chart.BeginUpdate();
    try {
        for (; !dataSet.Eof(); dataSet.Next()) {
            QStringList parts;
            for (const TField* field : labels)
                parts << field->AsString();
            chart.AddBar(parts.join(u' '), value.AsInteger(), color);
        }
    } catch (...) {
        chart.EndUpdate();
        throw;
    }
    chart.EndUpdate();
}

} // namespace vorn
