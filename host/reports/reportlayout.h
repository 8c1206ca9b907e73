#pragma once

#include "reportdata.h"
#include "reportfile.h"

#include <QFont>
#include <QPageLayout>
#include <vector>

class QPainter;
class QPagedPaintDevice;
class QFontMetricsF;

namespace vorn {

/// A report laid out on pages: the title block on the first page, the title as a running head on
/// the others, column headers repeated on every page a table runs onto, rows never split, bar charts
/// cut between bars, and "Pagina n van m" with the print date in every footer.
class TReportDocument {
public:
    TReportDocument(const TReportFile& file, TReportData data, const QPageLayout& layout);

    int PageCount() const { return static_cast<int>(pages_.size()); }
    const QPageLayout& PageLayout() const { return layout_; }
    const TReportData& Data() const { return data_; }

    /// Paints one page (0-based) on a device whose page layout is PageLayout().
    void PaintPage(QPainter& painter, int index) const;

private:
    struct Block {
        enum class Kind { Caption, Header, Rows, Totals, Empty, Chart };
        Kind kind;
        int section;
        int first = 0; // first row or bar
        int count = 0; // rows or bars
        double top = 0;
        double height = 0;
    };
    using Page = std::vector<Block>;

    void layOut();
    void layOutSection(int section, double& y);
    void layOutChart(int section, double& y);
    void newPage(double& y);
    double rowHeight(int section, int row) const;
    void paintTable(QPainter& painter, const Block& block) const;
    void paintChart(QPainter& painter, const Block& block) const;
    void paintFrame(QPainter& painter, int index) const;
    static QString cellText(const QFontMetricsF& metrics, const QString& text, double width);

    TReportFile file_;
    TReportData data_;
    QPageLayout layout_;
    QFont font_, bold_, title_;
    double width_ = 0, height_ = 0; // the printable area, in layout units
    double line_ = 0;               // one line of text with its spacing
    double bodyTop_ = 0, firstBodyTop_ = 0, bodyBottom_ = 0;
    std::vector<std::vector<double>> columnWidths_; // per section
    std::vector<std::vector<double>> rowHeights_;   // per section; empty when every row is one line
    std::vector<double> headerHeights_;             // per section
    std::vector<Page> pages_;
};

/// Paints pages `from` to `to` (1-based, inclusive; 0 for all) on a device, a new page between them.
void PaintReport(const TReportDocument& document, QPagedPaintDevice& device, int from = 0, int to = 0);
/// Writes the report as a PDF with selectable text, whole or not at all; raises naming the file.
void WriteReportPdf(const TReportDocument& document, const QString& path);

} // namespace vorn
