#pragma once

#include "pivotpainter.h"

#include <QFont>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <vector>

class QPagedPaintDevice;
class QPainter;

class QWidget;

namespace vorn {

class TPivot;
class TPivotTableModel;
class TVornIniFile;

/// The pivot as shown laid out on pages, down and across: every page repeats the column headings
/// above its rows and the row headings before its columns, under the title and the lines that say
/// what the pivot shows (institution, school year, filters, ...) and above "Pagina n van m". Pages
/// run down first, then across, as a spreadsheet prints them.
class TPivotPrintDocument {
public:
    /// Measures in the units of `device`, whose page layout is `layout`.
    TPivotPrintDocument(const TPivot& pivot, const TPivotTableModel& model, QString title,
                        QStringList context, const QPageLayout& layout, QPaintDevice* device);

    int PageCount() const { return static_cast<int>(rowPages_.size() * columnPages_.size()); }
    const QPageLayout& PageLayout() const { return layout_; }
    const QString& Title() const { return title_; }
    /// Paints one page (0-based).
    void PaintPage(QPainter& painter, int index) const;

private:
    struct TRange {
        int first = 0;
        int last = -1; // inclusive
    };

    const TPivotTableModel& model_;
    QString title_;
    QStringList context_;
    QPageLayout layout_;
    QFont font_;
    QFont titleFont_;
    TPivotGeometry geometry_;
    QRect paper_; // the printable area in device units
    int titleHeight_ = 0;
    int footerHeight_ = 0;
    std::vector<TRange> rowPages_;
    std::vector<TRange> columnPages_;
};

/// Paints pages `from` to `to` (1-based, inclusive; 0 for all) on a device.
void PaintPivotPages(const TPivotPrintDocument& document, QPagedPaintDevice& device, int from = 0,
                     int to = 0);

/// The page set-up the user chose last for the cube printouts of a statistic (remembered in the
/// settings file as the reports remember theirs), else A4 landscape.
QPageLayout PivotPageLayout(const TVornIniFile* settings, const QString& statisticKey);
void RememberPivotPageLayout(TVornIniFile* settings, const QString& statisticKey, const QPageLayout& layout);

/// Writes the pivot as a PDF in that page set-up, whole or not at all; raises naming the file.
void WritePivotPdf(const TPivot& pivot, const TPivotTableModel& model, const QString& title,
                   const QStringList& context, const QPageLayout& layout, const QString& path);

/// A pivot as printed: what is shown, its title and the lines that say what it shows.
struct TPrintedPivot {
    const TPivot& pivot;
    const TPivotTableModel& model;
    QString title;
    QStringList context;
};
/// Asks for a printer in the statistic's remembered page set-up and prints the pivot (the pages
/// the user chose), remembering the set-up chosen.
void PrintPivot(const TPrintedPivot& printed, TVornIniFile* settings, const QString& statisticKey,
                QWidget* parent);
/// The print preview of the pivot; the page set-up chosen in it is remembered.
void PreviewPivot(const TPrintedPivot& printed, TVornIniFile* settings, const QString& statisticKey,
                  QWidget* parent);

} // namespace vorn
