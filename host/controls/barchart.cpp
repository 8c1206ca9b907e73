#include "barchart.h"

#include "host/data/clientdataset.h"
#include "host/data/scopeguards.h"

#include <QHelpEvent>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace vorn {

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
    painter_.Clear();
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
    painter_.AddBar(label, value, color);
    updateIfActive();
}

void TBarChart::SetSeries(std::vector<TBarPainter::Series> series, TBarStacking stacking) {
    painter_.SetSeries(std::move(series), stacking);
    updateIfActive();
}

void TBarChart::SetStackSumShown(bool shown) {
    painter_.SetStackSumShown(shown);
    updateIfActive();
}

void TBarChart::AddGroup(const QString& label, std::vector<int> values) {
    painter_.AddGroup(label, std::move(values));
    updateIfActive();
}

void TBarChart::SetCaption(const QString& caption) {
    painter_.SetCaption(caption);
    updateIfActive();
}

void TBarChart::SetShowCaption(bool show) {
    painter_.SetShowCaption(show);
    updateIfActive();
}

void TBarChart::SetHeight(int pixels) {
    setMinimumHeight(pixels);
    setMaximumHeight(pixels);
    resize(width(), pixels);
}

const TBarPainter& TBarChart::painted() const {
    painter_.SetColours(
        {palette().color(QPalette::Mid), palette().color(QPalette::Text), palette().color(QPalette::Dark)});
    return painter_;
}

TBarChart::BarRows TBarChart::BarRowsIn(const QRect& area, const QFontMetrics& metrics) const {
    return painter_.BarRowsIn(area, metrics, font());
}

void TBarChart::Render(QPainter& painter, const QRect& area, const QRect& clip) const {
    painted().Render(painter, area, clip);
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
            QToolTip::showText(help->globalPos(), toolTipOf(bar), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

/// "label: value", or the label with a line per series.
QString TBarChart::toolTipOf(int bar) const {
    const Bar& shown = Bars(bar);
    if (shown.values.empty())
        return QStringLiteral("%1: %2").arg(shown.label).arg(shown.value);
    QStringList lines{shown.label};
    for (int s = 0; s < painter_.SeriesCount(); ++s)
        lines << QStringLiteral("%1: %2")
                     .arg(painter_.SeriesAt(s).name)
                     .arg(shown.values[static_cast<std::size_t>(s)]);
    return lines.join(u'\n');
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
    const TOnExit endUpdate([&chart] { chart.EndUpdate(); });
    for (; !dataSet.Eof(); dataSet.Next()) {
        QStringList parts;
        for (const TField* field : labels)
            parts << field->AsString();
        chart.AddBar(parts.join(u' '), value.AsInteger(), color);
    }
}

} // namespace vorn
