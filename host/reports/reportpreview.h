#pragma once

#include "reportdata.h"
#include "reportfile.h"
#include "reportlayout.h"

#include <QDialog>
#include <QImage>
#include <memory>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QScrollArea;
class QSpinBox;
class QToolButton;

namespace vorn {

class TVornIniFile;

/// One page of a report as an image of `dpi` dots per inch: white paper with the page painted inside
/// its margins, as the printer would.
QImage RenderReportPage(const TReportDocument& document, int index, double dpi);

/// The preview of a report: one page at a time, drawn only when it is shown, so that the first page
/// of a report of any length is there at once. Pages are turned with the buttons, the page number
/// or PgUp/PgDn, Home and End; the zoom fits the page width, the whole page or a percentage; the
/// page set-up lays the report out again (and is remembered per report file); "Afdrukken..." prints
/// it as the print dialog does.
class TReportPreview : public QDialog {
public:
    TReportPreview(const TReportFile& file, const TReportData& data, TVornIniFile* settings,
                   QWidget* parent = nullptr);
    ~TReportPreview() override;

    int PageCount() const { return document_->PageCount(); }
    int CurrentPage() const { return current_; } // 0-based
    void ShowPage(int index);
    /// Lays the report out for another page set-up, keeping the page nearest the one shown.
    void SetPageLayout(const QPageLayout& layout);
    const TReportDocument& Document() const { return *document_; }
    /// How many pages were drawn since the preview opened (each page once per zoom and layout).
    int DrawnPages() const { return drawn_; }
    const QImage& ShownImage() const { return shown_; }
    QComboBox* Zoom() const { return zoom_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildToolBar(QHBoxLayout& bar);
    void draw();
    double dpiForZoom() const;
    void pageSetUp();
    void print();

    const TReportFile& file_;
    const TReportData& data_;
    TVornIniFile* settings_;
    std::unique_ptr<TReportDocument> document_;
    int current_ = 0;
    int drawn_ = 0;
    QImage shown_;
    QScrollArea* area_ = nullptr;
    QLabel* page_ = nullptr;
    QSpinBox* number_ = nullptr;
    QLabel* count_ = nullptr;
    QComboBox* zoom_ = nullptr;
};

} // namespace vorn
