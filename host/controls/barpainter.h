#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
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

/// The one paint routine of a horizontal bar chart, without a widget: the screens' chart, exported
/// images and printed reports all draw their bars through it.
class TBarPainter {
public:
    struct Bar {
        QString label;
        int value;
        TColor color;
    };
    struct Colours {
        QColor outline{Qt::gray};
        QColor text{Qt::black};
        QColor axis{Qt::darkGray};
    };

    void Clear();
    void AddBar(const QString& label, int value, TColor color);
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

    std::vector<Bar> bars_;
    QString caption_;
    bool showCaption_ = false;
    Colours colours_;
    mutable int lastPainted_ = 0;
    mutable Extent extent_;
};

} // namespace vorn
