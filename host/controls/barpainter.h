#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <vector>

class QPainter;
class QFontMetrics;

namespace vorn {

/// A colour as the screens give it: red in the lowest byte, then green, then blue.
using TColor = std::uint32_t;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clYellow = 0x00FFFF;
QColor ToQColor(TColor color);
/// The colour of the `index`th series of a chart: ten colours that stay apart on screen and paper,
/// then again from the first.
TColor SeriesColour(int index);

/// How the values of one bar's series stand: side by side (one thin bar per series) or end to end.
enum class TBarStacking : std::uint8_t { Clustered, Stacked };

/// The one paint routine of a horizontal bar chart, without a widget: the screens' chart, exported
/// images and printed reports all draw their bars through it. A chart has one value per bar, or,
/// once series are set, one value per series per bar with a legend under the caption.
class TBarPainter {
public:
    struct Bar {
        QString label;
        int value; // with series: their sum
        TColor color;
        std::vector<int> values; // one per series; empty without series
    };
    struct Series {
        QString name;
        TColor color;
    };
    struct Colours {
        QColor outline{Qt::gray};
        QColor text{Qt::black};
        QColor axis{Qt::darkGray};
    };

    void Clear();
    void AddBar(const QString& label, int value, TColor color);
    /// Series apply to the bars added after; set them on an empty chart. None: one value per bar.
    void SetSeries(std::vector<Series> series, TBarStacking stacking);
    int SeriesCount() const { return static_cast<int>(series_.size()); }
    const Series& SeriesAt(int index) const { return series_.at(static_cast<std::size_t>(index)); }
    TBarStacking Stacking() const { return stacking_; }
    /// Whether a stacked bar says the sum of its series at its end (not when the series do not add
    /// up to a total, as distinct counts do not).
    void SetStackSumShown(bool shown) { stackSumShown_ = shown; }
    /// A bar of one value per series, in the order of the series.
    void AddGroup(const QString& label, std::vector<int> values);
    int BarCount() const { return static_cast<int>(bars_.size()); }
    const Bar& Bars(int index) const { return bars_.at(static_cast<std::size_t>(index)); }

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption) { caption_ = caption; }
    bool ShowCaption() const { return showCaption_; }
    void SetShowCaption(bool show) { showCaption_ = show; }
    void SetColours(const Colours& colours) { colours_ = colours; }

    /// Paints the chart into `area` with the painter's font; `clip` limits the bars painted.
    void Render(QPainter& painter, const QRect& area, const QRect& clip) const;
    /// Where the bars start and how high each bar's row is when the chart is painted into `area`, so
    /// that a paged output can cut between bars.
    struct BarRows {
        int top;
        double height;
    };
    BarRows BarRowsIn(const QRect& area, const QFontMetrics& metrics, const QFont& font) const;
    /// How many bars the last paint drew (tests and benchmarks look at it).
    int LastPaintedBars() const { return lastPainted_; }

private:
    struct Layout {
        QRect plot;
        int legendTop;
        int labelWidth;
        double slot;
        int zeroX;
        double scale;
    };
    Layout layoutFor(const QRect& area, const QFontMetrics& metrics, const QFont& font) const;
    /// Label width and value range over all bars, measured once after the bars change.
    struct Extent {
        bool valid = false;
        QFont font;
        int longestLabel = 0;
        int lowest = 0;
        int highest = 0;
    };
    const Extent& extent(const QFontMetrics& metrics, const QFont& font) const;
    /// Where each series' entry of the legend starts, relative to the legend's top left, wrapped
    /// within `width`; empty without series.
    std::vector<QPoint> legendPlaces(const QFontMetrics& metrics, int width) const;
    int legendHeight(const QFontMetrics& metrics, int width) const;
    void paintLegend(QPainter& painter, const QFontMetrics& metrics, const QRect& area,
                     const QRect& clip) const;
    struct Segment {
        QRectF rect;
        TColor color;
        int value;
        bool numberInside;
    };
    /// A number beside the bar from `left` to `right`, in the band from `top` of `height`.
    struct Number {
        int value;
        double left;
        double right;
        double top;
        double height;
    };
    struct BarShapes {
        std::vector<Segment> segments;
        std::vector<Number> beside;
    };
    BarShapes shapesOf(const Bar& bar, const Layout& layout, double top, const QFontMetrics& metrics) const;
    void paintSegments(QPainter& painter, const BarShapes& shapes) const;
    void paintNumbers(QPainter& painter, const BarShapes& shapes, const QFontMetrics& metrics) const;

    std::vector<Bar> bars_;
    std::vector<Series> series_;
    TBarStacking stacking_ = TBarStacking::Clustered;
    bool stackSumShown_ = true;
    QString caption_;
    bool showCaption_ = false;
    Colours colours_;
    mutable int lastPainted_ = 0;
    mutable Extent extent_;
};

} // namespace vorn
