#include "printdialogs.h"

#include "reportlayout.h"
#include "reportpreview.h"

#include "host/forms/hostservices.h"

#include <QPrintDialog>
#include <QPrinter>
#include <memory>

namespace vorn {

namespace {

/// The document for the printer's current page set-up, laid out again only when it changed.
class DocumentCache {
public:
    DocumentCache(const TReportFile& file, const TReportData& data) : file_(file), data_(data) {}
    const TReportDocument& For(const QPageLayout& layout) {
        if (!document_ || !document_->PageLayout().isEquivalentTo(layout))
            document_ = std::make_unique<TReportDocument>(file_, data_, layout);
        return *document_;
    }

private:
    const TReportFile& file_;
    const TReportData& data_;
    std::unique_ptr<TReportDocument> document_;
};

/// A high-resolution printer in the report's remembered page set-up, named after the report.
void SetUpPrinter(QPrinter& printer, const TReportFile& file, const TReportData& data,
                  const TVornIniFile* settings) {
    printer.setPageLayout(PageLayoutFor(file, settings));
    printer.setDocName(data.title);
}

} // namespace

bool TPrinterReportOutput::Send(const TReportFile& file, const TReportData& data) {
    return mode_ == Mode::Print ? print(file, data) : preview(file, data);
}

bool TPrinterReportOutput::print(const TReportFile& file, const TReportData& data) {
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, file, data, settings_);
    DocumentCache documents(file, data);
    QPrintDialog dialog(&printer, parent_);
    dialog.setWindowTitle(QStringLiteral("Afdrukken: %1").arg(data.title));
    dialog.setMinMax(1, documents.For(printer.pageLayout()).PageCount());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    RememberPageLayout(settings_, file, printer.pageLayout());
    const TReportDocument& document = documents.For(printer.pageLayout());
    const bool range = printer.printRange() == QPrinter::PageRange;
    PaintReport(document, printer, range ? printer.fromPage() : 0, range ? printer.toPage() : 0);
    return true;
}

bool TPrinterReportOutput::preview(const TReportFile& file, const TReportData& data) {
    // Pages are drawn as they are shown: the first page of any report is there at once.
    TReportPreview dialog(file, data, settings_, parent_);
    dialog.exec();
    RememberPageLayout(settings_, file, dialog.Document().PageLayout());
    return true;
}

} // namespace vorn
