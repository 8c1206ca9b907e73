#pragma once

#include "barpainter.h"

#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

class QPainter;

namespace vorn {

class TVornClientDataSet;

/// A horizontal bar chart: one bar per AddBar, in call order, labelled on the left. The caller sets
/// its height; a scroll box around it scrolls the bars that do not fit. Only visible bars are painted.
class TBarChart : public QWidget {
    Q_OBJECT
public:
    explicit TBarChart(QWidget* parent = nullptr);

    using Bar = TBarPainter::Bar;

    void Clear();
    /// Suspends repainting; calls nest, and the last EndUpdate repaints once.
    void BeginUpdate();
    void EndUpdate();
    void AddBar(const QString& label, int value, TColor color);
    /// Series for the bars added after (see TBarPainter::SetSeries); none: one value per bar.
    void SetSeries(std::vector<TBarPainter::Series> series, TBarStacking stacking);
    void AddGroup(const QString& label, std::vector<int> values);
    void SetStackSumShown(bool shown);
    int BarCount() const { return painter_.BarCount(); }
    const Bar& Bars(int index) const { return painter_.Bars(index); }
    /// The chart's bars and caption, for anything that paints them elsewhere.
    const TBarPainter& Painter() const { return painter_; }

    QString Caption() const { return painter_.Caption(); }
    void SetCaption(const QString& caption);
    bool ShowCaption() const { return painter_.ShowCaption(); }
    void SetShowCaption(bool show);
    int Height() const { return height(); }
    /// The chart's height in pixels; the width follows the scroll box.
    void SetHeight(int pixels);

    /// Paints the chart into any painter (screen, printer, image); `clip` limits the bars painted.
    void Render(QPainter& painter, const QRect& area, const QRect& clip) const;
    /// Where the bars start and how high each bar's row is when the chart is painted into `area`, so
    /// that a paged output can cut between bars.
    using BarRows = TBarPainter::BarRows;
    BarRows BarRowsIn(const QRect& area, const QFontMetrics& metrics) const;
    /// The whole chart as an image of its own size.
    QImage ToImage() const;
    /// How many bars the last paint drew (tests and benchmarks look at it).
    int LastPaintedBars() const { return painter_.LastPaintedBars(); }

    /// The bar under a point of the widget, or -1.
    int BarAt(const QPoint& point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void updateIfActive();
    QString toolTipOf(int bar) const;
    /// The painter with the widget's palette.
    const TBarPainter& painted() const;

    mutable TBarPainter painter_;
    int updateDepth_ = 0;
};

/// One bar per row of the dataset, from its current row to the end: the label joins the texts of
/// the fields in `labelFields` (';'-separated, blanks after a ';' ignored) with a blank, the value
/// is the integer of `valueField`.
void FillBarChart(TBarChart& chart, TVornClientDataSet& dataSet, const QString& labelFields,
                  const QString& valueField, TColor color);

} // namespace vorn
