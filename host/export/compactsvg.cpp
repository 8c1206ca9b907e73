#include "compactsvg.h"

#include <QIODevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QTransform>
#include <charconv>
#include <climits>
#include <cmath>
#include <iterator>

namespace vorn {

namespace {

/// Units to the inch, as Qt's SVG generator has them: a font of 9 points is 9 units high.
constexpr int Resolution = 72;
/// Written to the device once this much has been gathered.
constexpr qsizetype FlushBytes = 1 << 20;

/// A coordinate: whole numbers as such, others with at most four decimals.
void AppendNumber(QByteArray& out, double value) {
    char text[40];
    const double rounded = std::round(value * 10000.0) / 10000.0;
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, rounded == 0.0 ? 0.0 : rounded, std::chars_format::fixed, 4);
    if (error != std::errc()) {
        out += '0';
        return;
    }
    const char* last = end;
    while (last > text && last[-1] == '0')
        --last;
    if (last > text && last[-1] == '.')
        --last;
    out.append(text, last - text);
}

void AppendColour(QByteArray& out, const QColor& colour) {
    static constexpr char Hex[] = "0123456789abcdef";
    const QRgb rgb = colour.rgb();
    out += '#';
    for (const int part : {qRed(rgb), qGreen(rgb), qBlue(rgb)}) {
        out += Hex[part >> 4];
        out += Hex[part & 15];
    }
}

/// Text for an element or an attribute: markup characters escaped, characters XML does not allow
/// left out.
void AppendEscaped(QByteArray& out, const QString& text) {
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r')
                out += c;
        }
    }
}

} // namespace

class TCompactSvgEngine : public QPaintEngine {
public:
    TCompactSvgEngine(QIODevice& out, QSize size, QString title)
        : QPaintEngine(QPaintEngine::AllFeatures), out_(out), size_(size), title_(std::move(title)) {}

    bool begin(QPaintDevice*) override {
        buffer_.reserve(FlushBytes + 4096);
        buffer_ += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<svg width=\"";
        AppendNumber(buffer_, size_.width() * 25.4 / Resolution);
        buffer_ += "mm\" height=\"";
        AppendNumber(buffer_, size_.height() * 25.4 / Resolution);
        buffer_ += "mm\" viewBox=\"0 0 ";
        buffer_ += QByteArray::number(size_.width()) + ' ' + QByteArray::number(size_.height());
        buffer_ += "\"\n xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" "
                   "xml:space=\"preserve\">\n<title>";
        AppendEscaped(buffer_, title_);
        buffer_ +=
            "</title>\n<g fill-rule=\"evenodd\" stroke-linecap=\"square\" stroke-linejoin=\"bevel\">\n";
        return true;
    }

    bool end() override {
        if (!textFont_.isEmpty())
            buffer_ += "</g>\n";
        buffer_ += "</g>\n</svg>\n";
        flush();
        return written_;
    }

    void updateState(const QPaintEngineState& state) override {
        const DirtyFlags dirty = state.state();
        if (dirty & DirtyPen)
            pen_ = state.pen();
        if (dirty & DirtyBrush)
            brush_ = state.brush();
        if (dirty & DirtyTransform)
            transform_ = state.transform();
    }

    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            buffer_ += "<rect x=\"";
            AppendNumber(buffer_, rects[i].x());
            buffer_ += "\" y=\"";
            AppendNumber(buffer_, rects[i].y());
            buffer_ += "\" width=\"";
            AppendNumber(buffer_, rects[i].width());
            buffer_ += "\" height=\"";
            AppendNumber(buffer_, rects[i].height());
            buffer_ += '"';
            appendPaint(true);
            buffer_ += "/>\n";
        }
        flushWhenFull();
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            const QRectF rect(rects[i]);
            drawRects(&rect, 1);
        }
    }

    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            buffer_ += "<line x1=\"";
            AppendNumber(buffer_, lines[i].x1());
            buffer_ += "\" y1=\"";
            AppendNumber(buffer_, lines[i].y1());
            buffer_ += "\" x2=\"";
            AppendNumber(buffer_, lines[i].x2());
            buffer_ += "\" y2=\"";
            AppendNumber(buffer_, lines[i].y2());
            buffer_ += '"';
            appendPaint(false);
            buffer_ += "/>\n";
        }
        flushWhenFull();
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            const QLineF line(lines[i]);
            drawLines(&line, 1);
        }
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        const bool open = mode == PolylineMode;
        buffer_ += open ? "<polyline points=\"" : "<polygon points=\"";
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                buffer_ += ' ';
            AppendNumber(buffer_, points[i].x());
            buffer_ += ',';
            AppendNumber(buffer_, points[i].y());
        }
        buffer_ += '"';
        if (mode == WindingMode)
            buffer_ += " fill-rule=\"nonzero\"";
        appendPaint(!open);
        buffer_ += "/>\n";
        flushWhenFull();
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        QPolygonF polygon;
        polygon.reserve(count);
        for (int i = 0; i < count; ++i)
            polygon << QPointF(points[i]);
        drawPolygon(polygon.constData(), count, mode);
    }

    /// Curves as the polygons that approximate them.
    void drawPath(const QPainterPath& path) override {
        const PolygonDrawMode mode = path.fillRule() == Qt::WindingFill ? WindingMode : OddEvenMode;
        for (const QPolygonF& polygon : path.toSubpathPolygons())
            drawPolygon(polygon.constData(), static_cast<int>(polygon.size()), mode);
    }

    void drawTextItem(const QPointF& position, const QTextItem& item) override {
        enterFontGroup(item.font());
        buffer_ += "<text x=\"";
        AppendNumber(buffer_, position.x());
        buffer_ += "\" y=\"";
        AppendNumber(buffer_, position.y());
        buffer_ += "\" fill=\"";
        AppendColour(buffer_, pen_.color());
        buffer_ += '"';
        appendOpacity("fill-opacity", pen_.color());
        appendTransform();
        buffer_ += '>';
        AppendEscaped(buffer_, item.text());
        buffer_ += "</text>\n";
        flushWhenFull();
    }

    /// Charts draw no images.
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

    Type type() const override { return QPaintEngine::User; }
    bool written() const { return written_; }

private:
    /// The fill (for shapes that have one), the outline and the transformation of an element.
    void appendPaint(bool filled) {
        buffer_ += " fill=\"";
        if (!filled || brush_.style() == Qt::NoBrush) {
            buffer_ += "none\"";
        } else {
            AppendColour(buffer_, brush_.color());
            buffer_ += '"';
            appendOpacity("fill-opacity", brush_.color());
        }
        buffer_ += " stroke=\"";
        if (pen_.style() == Qt::NoPen) {
            buffer_ += "none\"";
        } else {
            AppendColour(buffer_, pen_.color());
            buffer_ += '"';
            if (pen_.widthF() > 1.0) { // thinner is a line of one unit, SVG's own width
                buffer_ += " stroke-width=\"";
                AppendNumber(buffer_, pen_.widthF());
                buffer_ += '"';
            }
            appendOpacity("stroke-opacity", pen_.color());
        }
        appendTransform();
    }

    void appendOpacity(const char* attribute, const QColor& colour) {
        if (colour.alpha() == 255)
            return;
        buffer_ += ' ';
        buffer_ += attribute;
        buffer_ += "=\"";
        AppendNumber(buffer_, colour.alphaF());
        buffer_ += '"';
    }

    /// Texts of one font share a group that names it; a text of another font starts a new one.
    void enterFontGroup(const QFont& font) {
        QByteArray attributes;
        std::swap(attributes, buffer_);
        appendFont(font);
        std::swap(attributes, buffer_);
        if (attributes == textFont_)
            return;
        if (!textFont_.isEmpty())
            buffer_ += "</g>\n";
        buffer_ += "<g" + attributes + ">\n";
        textFont_ = attributes;
    }

    void appendFont(const QFont& font) {
        buffer_ += " font-family=\"";
        AppendEscaped(buffer_, font.family());
        buffer_ += "\" font-size=\"";
        AppendNumber(buffer_,
                     font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * Resolution / 72.0);
        buffer_ += '"';
        if (font.bold())
            buffer_ += " font-weight=\"bold\"";
        if (font.italic())
            buffer_ += " font-style=\"italic\"";
    }

    void appendTransform() {
        if (transform_.isIdentity())
            return;
        buffer_ += " transform=\"matrix(";
        const double values[] = {transform_.m11(), transform_.m12(), transform_.m21(),
                                 transform_.m22(), transform_.dx(),  transform_.dy()};
        for (std::size_t i = 0; i < std::size(values); ++i) {
            if (i > 0)
                buffer_ += ',';
            AppendNumber(buffer_, values[i]);
        }
        buffer_ += ")\"";
    }

    void flushWhenFull() {
        if (buffer_.size() >= FlushBytes)
            flush();
    }
    void flush() {
        if (!buffer_.isEmpty() && out_.write(buffer_) != buffer_.size())
            written_ = false;
        buffer_.clear();
    }

    QIODevice& out_;
    QSize size_;
    QString title_;
    QByteArray buffer_;
    QByteArray textFont_; // the attributes of the open font group; empty: none open
    bool written_ = true;
    QPen pen_;
    QBrush brush_;
    QTransform transform_;
};

TCompactSvg::TCompactSvg(QIODevice& out, QSize size, const QString& title)
    : size_(size), engine_(std::make_unique<TCompactSvgEngine>(out, size, title)) {}

TCompactSvg::~TCompactSvg() = default;

QPaintEngine* TCompactSvg::paintEngine() const {
    return engine_.get();
}

bool TCompactSvg::Written() const {
    return engine_->written();
}

int TCompactSvg::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth:
        return size_.width();
    case PdmHeight:
        return size_.height();
    case PdmWidthMM:
        return qRound(size_.width() * 25.4 / Resolution);
    case PdmHeightMM:
        return qRound(size_.height() * 25.4 / Resolution);
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return Resolution;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

} // namespace vorn
