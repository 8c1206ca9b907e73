#include "reportlayout.h"

#include "host/data/installpaths.h"
#include "host/export/exportfiles.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace vorn {

namespace {

// Layout units are tenths of a point: fine enough that text metrics are not rounded to whole
// pixels of a coarse grid, whatever the resolution of the device.
constexpr double UnitsPerPoint = 10.0;
constexpr double UnitsPerMm = 72.0 / 25.4 * UnitsPerPoint;
constexpr double CellPadding = 2.5 * UnitsPerPoint;
// The bar chart's own constants are screen pixels (96 per inch).
constexpr double UnitsPerChartPixel = 0.75 * UnitsPerPoint;
constexpr int ChartSlotPixels = 20;
constexpr int ChartFontPixels = 11;

QFont FontOf(const QString& family, int points, bool bold) {
    QFont font(family);
    font.setPixelSize(static_cast<int>(points * UnitsPerPoint));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

Qt::Alignment CellAlignment(Qt::Alignment align) {
    return align | Qt::AlignVCenter;
}

/// The width of a text from the advances of its characters, measured once per character: a report
/// has hundreds of thousands of cells, and measuring each shapes its text as drawing it does again.
/// Without kerning the sum is at least the shaped width; characters past Latin-1 are measured whole.
class TextWidths {
public:
    explicit TextWidths(const QFontMetricsF& metrics) : metrics_(metrics) { advances_.fill(-1); }
    double Of(const QString& text) {
        double width = 0;
        for (const QChar c : text) {
            if (c.unicode() >= advances_.size())
                return metrics_.horizontalAdvance(text);
            double& advance = advances_[c.unicode()];
            if (advance < 0)
                advance = metrics_.horizontalAdvance(c);
            width += advance;
        }
        return width;
    }
    const QFontMetricsF& Metrics() const { return metrics_; }

private:
    const QFontMetricsF& metrics_;
    std::array<double, 256> advances_{};
};

/// The lines of a wrapped cell, each at most `width` wide: broken between words, and inside a
/// word only when that word alone is wider than a line ("groep 445" never becomes "groep 44" and
/// "5", which reads as another group).
QStringList WrappedLines(TextWidths& widths, const QString& text, double width);

/// Whether a text has lines of its own (a compared figure's parts) or is too wide for one line.
bool TakesLines(TextWidths& widths, const QString& text, double width) {
    return text.contains(u'\n') || widths.Of(text) > width;
}

/// The lines of a text that has line breaks of its own, each wrapped.
QStringList WrappedParagraphs(TextWidths& widths, const QString& text, double width) {
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n'))
        lines << WrappedLines(widths, paragraph, width);
    return lines;
}

QStringList WrappedLines(TextWidths& widths, const QString& text, double width) {
    if (text.contains(u'\n'))
        return WrappedParagraphs(widths, text, width);
    // The summed advances are quick and never too small; shaping decides what is close.
    const auto fits = [&](const QString& line) {
        return widths.Of(line) <= width || widths.Metrics().horizontalAdvance(line) <= width;
    };
    QStringList lines;
    QString current;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString candidate = current.isEmpty() ? word : current + u' ' + word;
        if (fits(candidate)) {
            current = candidate;
            continue;
        }
        if (!current.isEmpty())
            lines << current;
        current = word;
        while (current.size() > 1 && !fits(current)) {
            qsizetype kept = 1;
            while (kept + 1 < current.size() && fits(current.left(kept + 1)))
                ++kept;
            lines << current.left(kept);
            current = current.mid(kept);
        }
    }
    if (!current.isEmpty() || lines.isEmpty())
        lines << current;
    return lines;
}

/// Captions may be printed this much smaller than the report's font before a column is widened.
constexpr double SmallestCaptionScale = 0.85;
/// A wrapped column gives room to captions down to this width.
constexpr double NarrowestWrappedColumn = 20 * UnitsPerMm;

/// The width of the longest word of a caption, with room for a hyphen; a soft hyphen in a caption
/// is a place the caption may break.
double LongestCaptionWord(const QFontMetricsF& metrics, const QString& caption) {
    static const QRegularExpression breaks(QStringLiteral("[ \\x{00AD}]"));
    double widest = 0;
    for (const QString& word : caption.split(breaks, Qt::SkipEmptyParts))
        widest = std::max(widest, metrics.horizontalAdvance(word + u'-'));
    return widest;
}

/// The font of a column caption: the report's bold font, made smaller when a word of the caption is
/// wider than the column, so that captions wrap between words and never run into the next one.
QFont CaptionFont(const QFont& bold, const QString& caption, double width) {
    const double widest = LongestCaptionWord(QFontMetricsF(bold), caption);
    if (widest <= width)
        return bold;
    QFont smaller = bold;
    smaller.setPixelSize(std::max(1, static_cast<int>(bold.pixelSize() * std::max(0.6, width / widest))));
    return smaller;
}

/// Widens the columns whose caption has a word that does not fit even a little smaller, taking the
/// room from the wrapped columns, whose texts can take more lines.
void WidenForCaptions(const std::vector<TReportColumn>& columns, const QFont& bold,
                      std::vector<double>& widths) {
    const QFontMetricsF metrics(bold);
    double lacking = 0;
    for (std::size_t c = 0; c < widths.size(); ++c) {
        const double needed =
            LongestCaptionWord(metrics, columns[c].caption) * SmallestCaptionScale + 2 * CellPadding;
        if (widths[c] < needed) {
            lacking += needed - widths[c];
            widths[c] = needed;
        }
    }
    double spare = 0;
    for (std::size_t c = 0; c < widths.size(); ++c)
        if (columns[c].wrap)
            spare += std::max(0.0, widths[c] - NarrowestWrappedColumn);
    if (lacking <= 0 || spare <= 0)
        return;
    const double share = std::min(lacking, spare) / spare;
    for (std::size_t c = 0; c < widths.size(); ++c)
        if (columns[c].wrap)
            widths[c] -= std::max(0.0, widths[c] - NarrowestWrappedColumn) * share;
}

/// One line of text in a box, cut off with "..." when too long. Drawn at a point: text in a
/// rectangle goes through a whole text layout each time.
void DrawOneLine(QPainter& painter, TextWidths& widths, const QRectF& box, Qt::Alignment align,
                 const QString& text) {
    if (text.isEmpty())
        return;
    const QFontMetricsF& metrics = widths.Metrics();
    double width = widths.Of(text);
    QString shown = text;
    if (width > box.width()) {
        shown = metrics.elidedText(text, Qt::ElideRight, box.width());
        width = metrics.horizontalAdvance(shown);
    }
    double x = box.left();
    if (align & Qt::AlignRight)
        x = box.right() - width;
    else if (align & Qt::AlignHCenter)
        x = box.left() + (box.width() - width) / 2;
    const double baseline = box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(QPointF(x, baseline), shown);
}

} // namespace

TReportDocument::TReportDocument(const TReportFile& file, TReportData data, const QPageLayout& layout)
    : file_(file), data_(std::move(data)), layout_(layout) {
    font_ = FontOf(file_.fontFamily, file_.fontSize, false);
    bold_ = FontOf(file_.fontFamily, file_.fontSize, true);
    title_ = FontOf(file_.fontFamily, file_.fontSize + 5, true);
    const QRectF area = layout_.paintRect(QPageLayout::Point);
    width_ = area.width() * UnitsPerPoint;
    height_ = area.height() * UnitsPerPoint;
    line_ = QFontMetricsF(font_).height() * 1.3;
    layOut();
}

double TReportDocument::rowHeight(int section, int row) const {
    const auto& heights = rowHeights_[static_cast<std::size_t>(section)];
    return heights.empty() ? line_ : heights[static_cast<std::size_t>(row)];
}

void TReportDocument::newPage(double& y) {
    pages_.emplace_back();
    y = pages_.size() == 1 ? firstBodyTop_ : bodyTop_;
}

void TReportDocument::layOut() {
    const QFontMetricsF titleMetrics(title_);
    firstBodyTop_ = titleMetrics.height() * 1.4 + line_ * static_cast<double>(data_.header.size()) + line_;
    bodyTop_ = line_ * 3;
    bodyBottom_ = height_ - line_ * 1.8;
    if (bodyBottom_ - firstBodyTop_ < line_ * 6)
        throw EReportError(
            QStringLiteral("Rapportbestand \"%1\": de pagina is te klein voor de kop en enkele "
                           "regels (kleiner lettertype, kleinere marges of groter papier)")
                .arg(file_.name));
    double y = 0;
    newPage(y);
    for (int s = 0; s < static_cast<int>(data_.sections.size()); ++s) {
        layOutSection(s, y);
        if (data_.sections[static_cast<std::size_t>(s)].hasChart)
            layOutChart(s, y);
    }
}

void TReportDocument::layOutSection(int s, double& y) {
    const TReportSectionData& data = data_.sections[static_cast<std::size_t>(s)];
    // Column widths as the file asks, narrowed together when they do not fit the page.
    std::vector<double> widths;
    for (const TReportColumn& column : data.columns)
        widths.push_back(column.widthMm * UnitsPerMm);
    WidenForCaptions(data.columns, bold_, widths);
    const double total = std::accumulate(widths.begin(), widths.end(), 0.0);
    if (total > width_)
        for (double& width : widths)
            width *= width_ / total;
    columnWidths_.push_back(widths);
    // Wrapped columns make rows of more lines; the others are one line each.
    std::vector<double> heights;
    const bool wraps = std::any_of(data.columns.begin(), data.columns.end(),
                                   [](const TReportColumn& column) { return column.wrap; });
    if (wraps) {
        const QFontMetricsF metrics(font_);
        TextWidths textWidths(metrics);
        heights.assign(static_cast<std::size_t>(data.rowCount), line_);
        for (int r = 0; r < data.rowCount; ++r)
            for (int c = 0; c < data.columnCount; ++c) {
                if (!data.columns[static_cast<std::size_t>(c)].wrap)
                    continue;
                const double textWidth = widths[static_cast<std::size_t>(c)] - 2 * CellPadding;
                const QString& text = data.Cell(r, c);
                if (!TakesLines(textWidths, text, textWidth))
                    continue;
                const double needed =
                    static_cast<double>(WrappedLines(textWidths, text, textWidth).size()) * metrics.height() +
                    (line_ - metrics.height());
                // A row is never taller than a page body; what does not fit is cut off.
                heights[static_cast<std::size_t>(r)] =
                    std::min(std::max(heights[static_cast<std::size_t>(r)], needed),
                             bodyBottom_ - bodyTop_ - 3 * line_);
            }
    }
    rowHeights_.push_back(std::move(heights));
    // Column captions wrap at word boundaries, so that narrow number columns keep their whole caption.
    double header = line_;
    for (std::size_t c = 0; c < data.columns.size(); ++c) {
        const double width = widths[c] - 2 * CellPadding;
        const QFontMetricsF metrics(CaptionFont(bold_, data.columns[c].caption, width));
        header = std::max(
            header, metrics.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, data.columns[c].caption)
                            .height() +
                        (line_ - metrics.height()));
    }
    headerHeights_.push_back(std::min(header, line_ * 3));

    const double captionHeight = data.caption.isEmpty() ? 0.0 : line_ * 1.5;
    // A section starts where at least two of its rows fit under its header: one row alone at the
    // foot of a page is easily missed.
    double firstRows = data.rowCount > 0 ? rowHeight(s, 0) : line_;
    if (data.rowCount > 1)
        firstRows += rowHeight(s, 1);
    const double headerHeight = headerHeights_.back();
    if (y + captionHeight + headerHeight + firstRows > bodyBottom_ &&
        y > (pages_.size() == 1 ? firstBodyTop_ : bodyTop_))
        newPage(y);
    if (captionHeight > 0) {
        pages_.back().push_back({Block::Kind::Caption, s, 0, 0, y, captionHeight});
        y += captionHeight;
    }
    const auto addHeader = [&] {
        pages_.back().push_back({Block::Kind::Header, s, 0, 0, y, headerHeight});
        y += headerHeight;
    };
    addHeader();
    if (data.rowCount == 0) {
        pages_.back().push_back({Block::Kind::Empty, s, 0, 0, y, line_});
        y += line_;
    }
    Block rows{Block::Kind::Rows, s, 0, 0, y, 0};
    for (int r = 0; r < data.rowCount; ++r) {
        const double height = rowHeight(s, r);
        if (y + height > bodyBottom_) {
            if (rows.count > 0)
                pages_.back().push_back(rows);
            newPage(y);
            addHeader();
            rows = Block{Block::Kind::Rows, s, r, 0, y, 0};
        }
        ++rows.count;
        rows.height += height;
        y += height;
    }
    if (rows.count > 0)
        pages_.back().push_back(rows);
    if (!data.totals.isEmpty()) {
        if (y + line_ * 1.2 > bodyBottom_) {
            newPage(y);
            addHeader();
        }
        pages_.back().push_back({Block::Kind::Totals, s, 0, 0, y, line_ * 1.2});
        y += line_ * 1.2;
    }
    y += line_;
}

void TReportDocument::layOutChart(int s, double& y) {
    const TBarPainter& chart = data_.sections[static_cast<std::size_t>(s)].chart;
    const double slot = ChartSlotPixels * UnitsPerChartPixel;
    const double captionHeight = chart.ShowCaption() ? line_ * 2 : 0.0;
    int bar = 0;
    if (y + captionHeight + slot * 3 > bodyBottom_)
        newPage(y);
    do {
        const double head = bar == 0 ? captionHeight : 0.0;
        const int fits = std::max(1, static_cast<int>((bodyBottom_ - y - head) / slot));
        const int count = std::min(fits, chart.BarCount() - bar);
        const double height = head + slot * std::max(count, 1);
        pages_.back().push_back({Block::Kind::Chart, s, bar, count, y, height});
        y += height;
        bar += count;
        if (bar < chart.BarCount())
            newPage(y);
    } while (bar < chart.BarCount());
    y += line_;
}

QString TReportDocument::cellText(const QFontMetricsF& metrics, const QString& text, double width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    return metrics.elidedText(text, Qt::ElideRight, width);
}

void TReportDocument::paintFrame(QPainter& painter, int index) const {
    const QFontMetricsF metrics(font_);
    painter.setPen(Qt::black);
    if (index == 0) {
        painter.setFont(title_);
        const double titleHeight = QFontMetricsF(title_).height() * 1.4;
        painter.drawText(QRectF(0, 0, width_, titleHeight), Qt::AlignLeft | Qt::AlignTop,
                         cellText(QFontMetricsF(title_), data_.title, width_));
        painter.setFont(font_);
        double y = titleHeight;
        for (const QString& line : data_.header) {
            painter.drawText(QRectF(0, y, width_, line_), Qt::AlignLeft | Qt::AlignVCenter,
                             cellText(metrics, line, width_));
            y += line_;
        }
        painter.drawLine(QPointF(0, y + line_ * 0.4), QPointF(width_, y + line_ * 0.4));
    } else {
        // A page read on its own still says whose figures and which period it holds.
        painter.setFont(bold_);
        painter.drawText(QRectF(0, 0, width_, line_), Qt::AlignLeft | Qt::AlignVCenter,
                         cellText(QFontMetricsF(bold_), data_.title, width_));
        painter.setFont(font_);
        painter.drawText(
            QRectF(0, line_, width_, line_), Qt::AlignLeft | Qt::AlignVCenter,
            metrics.elidedText(data_.header.join(QStringLiteral("  ·  ")), Qt::ElideRight, width_));
        painter.drawLine(QPointF(0, line_ * 2.3), QPointF(width_, line_ * 2.3));
    }
    const double footer = height_ - line_;
    painter.drawLine(QPointF(0, footer - line_ * 0.3), QPointF(width_, footer - line_ * 0.3));
    QString made = QStringLiteral("Afgedrukt op %1 met Vorn %2").arg(data_.printedAt, ProgramVersion());
    if (!data_.workDate.isEmpty())
        made += QStringLiteral(", werkdatum %1").arg(data_.workDate);
    painter.drawText(QRectF(0, footer, width_ * 0.75, line_), Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(made, Qt::ElideRight, width_ * 0.75));
    painter.drawText(QRectF(width_ * 0.75, footer, width_ * 0.25, line_), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Pagina %1 van %2").arg(index + 1).arg(PageCount()));
}

void TReportDocument::paintTable(QPainter& painter, const Block& block) const {
    const TReportSectionData& data = data_.sections[static_cast<std::size_t>(block.section)];
    const std::vector<double>& widths = columnWidths_[static_cast<std::size_t>(block.section)];
    const auto eachColumn = [&](double top, double height, const auto& paintCell) {
        double x = 0;
        for (std::size_t c = 0; c < widths.size(); ++c) {
            paintCell(static_cast<int>(c), QRectF(x + CellPadding, top, widths[c] - 2 * CellPadding, height));
            x += widths[c];
        }
        return x;
    };
    switch (block.kind) {
    case Block::Kind::Caption: {
        QFont caption = bold_;
        caption.setPixelSize(static_cast<int>((file_.fontSize + 1) * UnitsPerPoint));
        painter.setFont(caption);
        painter.drawText(QRectF(0, block.top, width_, block.height), Qt::AlignLeft | Qt::AlignVCenter,
                         cellText(QFontMetricsF(caption), data.caption, width_));
        break;
    }
    case Block::Kind::Header: {
        painter.setFont(bold_);
        const double right = eachColumn(block.top, block.height, [&](int c, const QRectF& cell) {
            const TReportColumn& column = data.columns[static_cast<std::size_t>(c)];
            painter.setFont(CaptionFont(bold_, column.caption, cell.width()));
            painter.drawText(cell, column.align | Qt::AlignBottom | Qt::TextWordWrap, column.caption);
        });
        painter.drawLine(QPointF(0, block.top + block.height), QPointF(right, block.top + block.height));
        break;
    }
    case Block::Kind::Empty:
        painter.setFont(font_);
        painter.drawText(QRectF(CellPadding, block.top, width_, block.height),
                         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Geen gegevens"));
        break;
    case Block::Kind::Rows: {
        painter.setFont(font_);
        const QFontMetricsF metrics(font_);
        TextWidths widths(metrics);
        double top = block.top;
        for (int r = block.first; r < block.first + block.count; ++r) {
            const double height = rowHeight(block.section, r);
            eachColumn(top, height, [&](int c, const QRectF& cell) {
                const TReportColumn& column = data.columns[static_cast<std::size_t>(c)];
                const QString& text = data.Cell(r, c);
                if (column.wrap && height > line_ && TakesLines(widths, text, cell.width())) {
                    double lineTop = cell.top() + (line_ - metrics.height()) / 2;
                    for (const QString& line : WrappedLines(widths, text, cell.width())) {
                        if (lineTop + metrics.height() > cell.bottom() + 0.5)
                            break; // a row is never taller than a page body
                        DrawOneLine(painter, widths,
                                    QRectF(cell.left(), lineTop, cell.width(), metrics.height()),
                                    column.align, line);
                        lineTop += metrics.height();
                    }
                } else // on the row's first line, level with the start of wrapped texts
                    DrawOneLine(painter, widths, QRectF(cell.left(), cell.top(), cell.width(), line_),
                                column.align, text);
            });
            top += height;
        }
        break;
    }
    case Block::Kind::Totals: {
        painter.setFont(bold_);
        const QFontMetricsF metrics(bold_);
        bool captioned = false;
        const double right = eachColumn(block.top, block.height, [&](int c, const QRectF& cell) {
            const TReportColumn& column = data.columns[static_cast<std::size_t>(c)];
            QString text = data.totals.value(c);
            if (text.isEmpty() && !captioned) {
                text = file_.sections[static_cast<std::size_t>(block.section)].totals->caption;
                captioned = true;
            }
            painter.drawText(cell, CellAlignment(column.align), cellText(metrics, text, cell.width()));
        });
        painter.drawLine(QPointF(0, block.top), QPointF(right, block.top));
        break;
    }
    case Block::Kind::Chart:
        paintChart(painter, block);
        break;
    }
}

void TReportDocument::paintChart(QPainter& painter, const Block& block) const {
    const TBarPainter& chart = data_.sections[static_cast<std::size_t>(block.section)].chart;
    QFont font(file_.fontFamily);
    font.setPixelSize(ChartFontPixels);
    font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetrics metrics(font);
    const int width = static_cast<int>(width_ / UnitsPerChartPixel);
    // The whole chart is one tall area with a fixed slot per bar, so every page keeps the same scale;
    // each page shows the window of its bars.
    const int captionPixels = chart.ShowCaption() ? metrics.height() + 8 : 0;
    const int fullHeight = captionPixels + 8 + ChartSlotPixels * std::max(chart.BarCount(), 1);
    const QRect full(0, 0, width, fullHeight);
    const TBarPainter::BarRows rows = chart.BarRowsIn(full, metrics, font);
    const int offset =
        block.first == 0 ? 0 : static_cast<int>(std::lround(rows.top + block.first * rows.height));
    const int visible = static_cast<int>(std::ceil(block.height / UnitsPerChartPixel));
    // Exactly the block's bars: the window ends just inside its last bar, so that the next page's
    // first bar is not painted here as well (the clip hides paint, not text).
    const int firstTop = block.first == 0 ? 0 : 1;
    const double barsEnd = rows.top - offset + (block.first + block.count) * rows.height;
    const QRect bars(0, firstTop, width, static_cast<int>(barsEnd) - firstTop - 1);
    painter.save();
    painter.translate(0, block.top);
    painter.scale(UnitsPerChartPixel, UnitsPerChartPixel);
    painter.setFont(font);
    painter.setClipRect(QRect(0, 0, width, visible));
    chart.Render(painter, full.translated(0, -offset), bars);
    painter.restore();
}

void TReportDocument::PaintPage(QPainter& painter, int index) const {
    painter.save();
    const double dpiX = painter.device()->logicalDpiX();
    const double dpiY = painter.device()->logicalDpiY();
    painter.scale(dpiX / 72.0 / UnitsPerPoint, dpiY / 72.0 / UnitsPerPoint);
    paintFrame(painter, index);
    for (const Block& block : pages_.at(static_cast<std::size_t>(index)))
        paintTable(painter, block);
    painter.restore();
}

void PaintReport(const TReportDocument& document, QPagedPaintDevice& device, int from, int to) {
    const int first = from > 0 ? from - 1 : 0;
    const int last = to > 0 ? std::min(to, document.PageCount()) - 1 : document.PageCount() - 1;
    QPainter painter;
    if (!painter.begin(&device))
        throw EReportError(
            QStringLiteral("Het afdrukken kon niet beginnen (printer of bestand niet beschikbaar)"));
    for (int page = first; page <= last; ++page) {
        if (page > first)
            device.newPage();
        document.PaintPage(painter, page);
    }
    painter.end();
}

void WriteReportPdf(const TReportDocument& document, const QString& path) {
    WritePdfWhole(path, [&](QIODevice& device) {
        QPdfWriter writer(&device);
        writer.setPageLayout(document.PageLayout());
        writer.setResolution(600);
        writer.setTitle(document.Data().title);
        writer.setCreator(QStringLiteral("Vorn statistieken"));
        PaintReport(document, writer);
    });
}

} // namespace vorn
