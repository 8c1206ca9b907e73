#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

class QPainter;

namespace vorn {

class TVornClientDataSet;

/// A colour as the screens give it: red in the lowest byte, then green, then blue.
using TColor = std::uint32_t;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clYellow = 0x00FFFF;
QColor ToQColor(TColor color);

/// A horizontal bar chart: one bar per AddBar, in call order, labelled on the left. The caller sets
/// its height; a scroll box around it scrolls the bars that do not fit. Only visible bars are painted.
class TBarChart : public QWidget {
    Q_OBJECT
public:
    explicit TBarChart(QWidget* parent = nullptr);

    struct Bar {
        QString label;
        int value;
        TColor color;
    };

    void Clear();
    /// Suspends repainting; calls nest, and the last EndUpdate repaints once.
    void BeginUpdate();
    void EndUpdate();
    void AddBar(const QString& label, int value, TColor color);
    int BarCount() const { return static_cast<int>(bars_.size()); }
    const Bar& Bars(int index) const { return bars_.at(static_cast<std::size_t>(index)); }

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool ShowCaption() const { return showCaption_; }
    void SetShowCaption(bool show);
    int Height() const { return height(); }
    /// The chart's height in pixels; the width follows the scroll box.
    void SetHeight(int pixels);

    /// Paints the chart into any painter (screen, printer, image); `clip` limits the bars painted.
    void Render(QPainter& painter, const QRect& area, const QRect& clip) const;
    /// Where the bars start and how high each bar's row is when the chart is painted into `area`, so
    /// that a paged output can cut between bars.
    struct BarRows {
        int top;
        double height;
    };
    BarRows BarRowsIn(const QRect& area, const QFontMetrics& metrics) const;
    /// The whole chart as an image of its own size.
    QImage ToImage() const;
    /// How many bars the last paint drew (tests and benchmarks look at it).
    int LastPaintedBars() const { return lastPainted_; }

    /// The bar under a point of the widget, or -1.
    int BarAt(const QPoint& point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Layout {
        QRect plot;
        int labelWidth;
        double slot;
        int zeroX;
        double scale;
    };
    Layout layoutFor(const QRect& area, const QFontMetrics& metrics) const;
    void updateIfActive();
    /// Label width and value range over all bars, measured once after the bars change.
    struct Extent {
        bool valid = false;
        QFont font;
        int longestLabel = 0;
        int lowest = 0;
        int highest = 0;
    };
    const Extent& extent(const QFontMetrics& metrics, const QFont& font) const;

    std::vector<Bar> bars_;
    QString caption_;
    bool showCaption_ = false;
    int updateDepth_ = 0;
    mutable int lastPainted_ = 0;
    mutable Extent extent_;
};

/// One bar per row of the dataset, from its current row to the end: the label joins the texts of
/// the fields in `labelFields` (';'-separated, blanks after a ';' ignored) with a blank, the value
/// is the integer of `valueField`.
void FillBarChart(TBarChart& chart, TVornClientDataSet& dataSet, const QString& labelFields,
                  const QString& valueField, TColor color);

} // namespace vorn
