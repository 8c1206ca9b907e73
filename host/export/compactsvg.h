#pragma once

#include <QPaintDevice>
#include <QSize>
#include <QString>
#include <memory>

class QIODevice;

namespace vorn {

class TCompactSvgEngine;

/// A paint device that writes what is painted on it as plain SVG: each rectangle, line, polygon and
/// text one element with its own colours. Qt's SVG generator wraps every element in a group that
/// repeats the whole painter state, some 2 KB per bar of a chart, which for a chart of 25,000 bars
/// is 50 MB to write and to read again. Solid colours only (gradients, images and clipping are not
/// written: the charts use none); fonts at 72 units to the inch, as Qt's generator has them, so that
/// a chart is laid out the same.
class TCompactSvg : public QPaintDevice {
public:
    TCompactSvg(QIODevice& out, QSize size, const QString& title);
    ~TCompactSvg() override;
    TCompactSvg(const TCompactSvg&) = delete;
    TCompactSvg& operator=(const TCompactSvg&) = delete;

    QPaintEngine* paintEngine() const override;
    /// Whether every byte reached the output device.
    bool Written() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize size_;
    std::unique_ptr<TCompactSvgEngine> engine_;
};

} // namespace vorn
