#include "pivotprint.h"

#include "waitcursor.h"

#include "host/cube/pivotmodel.h"
#include "host/data/errors.h"
#include "host/export/exportfiles.h"
#include "host/forms/hostservices.h"
#include "host/reports/printsequence.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>

namespace vorn {

namespace {

constexpr int PdfResolution = 600;

/// The report file under which the page set-up of a statistic's cube printout is remembered.
TReportFile PageSetUpOf(const QString& statisticKey) {
    TReportFile file;
    file.name = QStringLiteral("Kubus %1").arg(statisticKey);
    file.page.orientation = QPageLayout::Landscape;
    file.page.marginsMm = QMarginsF(12, 12, 12, 12);
    return file;
}

QFont PrintFont(int points, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

} // namespace

TPivotPrintDocument::TPivotPrintDocument(const TPivot& pivot, const TPivotTableModel& model, QString title,
                                         QStringList context, const QPageLayout& layout, QPaintDevice* device)
    : model_(model), title_(std::move(title)), context_(std::move(context)), layout_(layout),
      font_(PrintFont(8, false)), titleFont_(PrintFont(12, true)) {
    geometry_ = MeasurePivot(model, pivot.MeasureSlotCount(), font_, device);
    paper_ = layout.paintRectPixels(device->logicalDpiX());
    paper_.moveTo(0, 0);
    const QFontMetrics titleMetrics(titleFont_, device);
    const QFontMetrics metrics(font_, device);
    titleHeight_ = titleMetrics.height() * 3 / 2 + metrics.height() * (static_cast<int>(context_.size()) + 1);
    footerHeight_ = metrics.height() * 2;

    const int headerRows = model.HeaderRowCount();
    const int headerColumns = std::min(model.HeaderColumnCount(), geometry_.ColumnCount());
    const int bodyHeight = paper_.height() - titleHeight_ - footerHeight_ - headerRows * geometry_.rowHeight;
    const int rowsPerPage = std::max(1, bodyHeight / std::max(geometry_.rowHeight, 1));
    for (int row = headerRows; row < model.rowCount(); row += rowsPerPage)
        rowPages_.push_back({row, std::min(row + rowsPerPage, model.rowCount()) - 1});
    if (rowPages_.empty())
        rowPages_.push_back({headerRows, headerRows - 1});
    const int room = paper_.width() - geometry_.Left(headerColumns);
    for (int column = headerColumns; column < geometry_.ColumnCount();) {
        int last = column;
        while (last + 1 < geometry_.ColumnCount() &&
               geometry_.Left(last + 2) - geometry_.Left(column) <= room)
            ++last;
        columnPages_.push_back({column, last});
        column = last + 1;
    }
    if (columnPages_.empty())
        columnPages_.push_back({headerColumns, headerColumns - 1});
}

void TPivotPrintDocument::PaintPage(QPainter& painter, int index) const {
    const std::size_t down = static_cast<std::size_t>(index) % rowPages_.size();
    const std::size_t across = static_cast<std::size_t>(index) / rowPages_.size();
    const TRange& rows = rowPages_[down];
    const TRange& columns = columnPages_[across];
    const int headerRows = model_.HeaderRowCount();
    const int headerColumns = std::min(model_.HeaderColumnCount(), geometry_.ColumnCount());
    const int h = geometry_.rowHeight;

    painter.save();
    painter.setFont(titleFont_);
    painter.setPen(Qt::black);
    const int titleLine = QFontMetrics(titleFont_, painter.device()).height();
    painter.drawText(QRect(0, 0, paper_.width(), titleLine), Qt::AlignLeft | Qt::AlignTop, title_);
    painter.setFont(font_);
    const QFontMetrics metrics(font_, painter.device());
    int y = titleLine * 3 / 2;
    for (const QString& line : context_) {
        painter.drawText(QRect(0, y, paper_.width(), metrics.height()), Qt::AlignLeft | Qt::AlignTop,
                         metrics.elidedText(line, Qt::ElideRight, paper_.width()));
        y += metrics.height();
    }
    painter.drawText(QRect(0, paper_.height() - footerHeight_, paper_.width(), footerHeight_),
                     Qt::AlignRight | Qt::AlignBottom,
                     QStringLiteral("Pagina %1 van %2").arg(index + 1).arg(PageCount()));

    const int top = titleHeight_;
    const int headingWidth = geometry_.Left(headerColumns);
    const int bodyTop = top + headerRows * h;
    const int rowCount = rows.last - rows.first + 1;
    const int bodyWidth =
        columns.last >= columns.first ? geometry_.Left(columns.last + 1) - geometry_.Left(columns.first) : 0;
    const TPivotPaintOptions options;
    const auto paint = [&](QRect cells, QRect area) {
        if (!cells.isEmpty() && !area.isEmpty())
            PaintPivotBlock(painter, model_, geometry_, {cells, area, {}}, options);
    };
    paint(QRect(QPoint(0, 0), QPoint(headerColumns - 1, headerRows - 1)),
          QRect(0, top, headingWidth, headerRows * h));
    if (bodyWidth > 0)
        paint(QRect(QPoint(columns.first, 0), QPoint(columns.last, headerRows - 1)),
              QRect(headingWidth, top, bodyWidth, headerRows * h));
    if (rowCount > 0) {
        paint(QRect(QPoint(0, rows.first), QPoint(headerColumns - 1, rows.last)),
              QRect(0, bodyTop, headingWidth, rowCount * h));
        if (bodyWidth > 0)
            paint(QRect(QPoint(columns.first, rows.first), QPoint(columns.last, rows.last)),
                  QRect(headingWidth, bodyTop, bodyWidth, rowCount * h));
    }
    painter.restore();
}

void PaintPivotPages(const TPivotPrintDocument& document, QPagedPaintDevice& device, int from, int to) {
    const int first = from > 0 ? from - 1 : 0;
    const int last = to > 0 ? std::min(to, document.PageCount()) - 1 : document.PageCount() - 1;
    QPainter painter;
    if (!painter.begin(&device))
        RaiseClientError("Het afdrukken kon niet beginnen (printer of bestand niet beschikbaar)");
    for (int page = first; page <= last; ++page) {
        if (page > first)
            device.newPage();
        document.PaintPage(painter, page);
    }
    painter.end();
}

QPageLayout PivotPageLayout(const TVornIniFile* settings, const QString& statisticKey) {
    return PageLayoutFor(PageSetUpOf(statisticKey), settings);
}

void RememberPivotPageLayout(TVornIniFile* settings, const QString& statisticKey, const QPageLayout& layout) {
    RememberPageLayout(settings, PageSetUpOf(statisticKey), layout);
}

void WritePivotPdf(const TPivot& pivot, const TPivotTableModel& model, const QString& title,
                   const QStringList& context, const QPageLayout& layout, const QString& path) {
    WritePdfWhole(path, [&](QIODevice& device) {
        QPdfWriter writer(&device);
        writer.setPageLayout(layout);
        writer.setResolution(PdfResolution);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Vorn statistieken"));
        const TPivotPrintDocument document(pivot, model, title, context, writer.pageLayout(), &writer);
        PaintPivotPages(document, writer);
    });
}

namespace {

/// Pages `from` to `to` as the printer's range asks, all pages when it asks none.
void PaintChosenPages(const TPrintedPivot& printed, QPrinter& printer) {
    const TPivotPrintDocument document(printed.pivot, printed.model, printed.title, printed.context,
                                       printer.pageLayout(), &printer);
    const bool range = printer.printRange() == QPrinter::PageRange;
    PaintPivotPages(document, printer, range ? printer.fromPage() : 0, range ? printer.toPage() : 0);
}

/// A printer in the page set-up remembered for the statistic, named after the pivot.
void PreparePrinter(QPrinter& printer, const TPrintedPivot& printed, const TVornIniFile* settings,
                    const QString& statisticKey) {
    printer.setPageLayout(PivotPageLayout(settings, statisticKey));
    printer.setDocName(printed.title);
}

} // namespace

void PrintPivot(const TPrintedPivot& printed, TVornIniFile* settings, const QString& statisticKey,
                QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer, printed, settings, statisticKey);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Afdrukken: %1").arg(printed.title));
    if (dialog.exec() != QDialog::Accepted)
        return;
    RememberPivotPageLayout(settings, statisticKey, printer.pageLayout());
    TWaitCursor wait;
    PaintChosenPages(printed, printer);
}

void PreviewPivot(const TPrintedPivot& printed, TVornIniFile* settings, const QString& statisticKey,
                  QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer, printed, settings, statisticKey);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Afdrukvoorbeeld: %1").arg(printed.title));
    dialog.resize(900, 700);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&](QPrinter* target) { RunGuarded([&] { PaintChosenPages(printed, *target); }); });
    dialog.exec();
    RememberPivotPageLayout(settings, statisticKey, printer.pageLayout());
}

} // namespace vorn
