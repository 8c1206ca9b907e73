#include "reportpreview.h"

#include "printsequence.h"

#include "host/forms/hostservices.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace vorn {

namespace {

constexpr double ScreenDpi = 96.0;
constexpr int PageGap = 16; // pixels of grey around the paper

enum ZoomItem { PageWidth, WholePage, FirstPercentage };
const int Percentages[] = {50, 75, 100, 150, 200};

} // namespace

QImage RenderReportPage(const TReportDocument& document, int index, double dpi) {
    const QPageLayout& layout = document.PageLayout();
    const QSizeF paper = layout.fullRect(QPageLayout::Inch).size();
    QImage image(static_cast<int>(std::lround(paper.width() * dpi)),
                 static_cast<int>(std::lround(paper.height() * dpi)), QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // A printer's painter starts at the printable area; here the paper starts at the image's corner.
    const QMarginsF margins = layout.margins(QPageLayout::Inch);
    painter.translate(margins.left() * dpi, margins.top() * dpi);
    document.PaintPage(painter, index);
    return image;
}

TReportPreview::TReportPreview(const TReportFile& file, const TReportData& data, TVornIniFile* settings,
                               QWidget* parent)
    : QDialog(parent), file_(file), data_(data), settings_(settings),
      document_(std::make_unique<TReportDocument>(file, data, PageLayoutFor(file, settings))) {
    setWindowTitle(QStringLiteral("Afdrukvoorbeeld: %1").arg(data.title));
    resize(900, 700);
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    layout->addLayout(bar);
    buildToolBar(*bar);
    area_ = new QScrollArea(this);
    area_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    area_->setBackgroundRole(QPalette::Dark);
    page_ = new QLabel;
    page_->setContentsMargins(PageGap, PageGap, PageGap, PageGap);
    area_->setWidget(page_);
    layout->addWidget(area_, 1);
    ShowPage(0);
}

TReportPreview::~TReportPreview() = default;

void TReportPreview::buildToolBar(QHBoxLayout& bar) {
    const auto button = [&](const QString& text, const QString& tip, auto onClick) {
        auto* tool = new QToolButton(this);
        tool->setText(text);
        tool->setToolTip(tip);
        connect(tool, &QToolButton::clicked, this, [onClick] { RunGuarded([&] { onClick(); }); });
        bar.addWidget(tool);
        return tool;
    };
    button(QStringLiteral("|◀"), QStringLiteral("Eerste pagina (Home)"), [this] { ShowPage(0); });
    button(QStringLiteral("◀"), QStringLiteral("Vorige pagina (PgUp)"), [this] { ShowPage(current_ - 1); });
    auto* label = new QLabel(QStringLiteral("&Pagina"), this);
    number_ = new QSpinBox(this);
    label->setBuddy(number_);
    number_->setKeyboardTracking(false);
    connect(number_, &QSpinBox::valueChanged, this, [this](int value) {
        if (value - 1 != current_)
            RunGuarded([&] { ShowPage(value - 1); });
    });
    count_ = new QLabel(this);
    bar.addWidget(label);
    bar.addWidget(number_);
    bar.addWidget(count_);
    button(QStringLiteral("▶"), QStringLiteral("Volgende pagina (PgDn)"), [this] { ShowPage(current_ + 1); });
    button(QStringLiteral("▶|"), QStringLiteral("Laatste pagina (End)"),
           [this] { ShowPage(PageCount() - 1); });
    auto* zoomLabel = new QLabel(QStringLiteral("&Zoom"), this);
    zoom_ = new QComboBox(this);
    zoomLabel->setBuddy(zoom_);
    zoom_->addItems({QStringLiteral("Paginabreedte"), QStringLiteral("Hele pagina")});
    for (const int percentage : Percentages)
        zoom_->addItem(QStringLiteral("%1 %").arg(percentage));
    connect(zoom_, &QComboBox::currentIndexChanged, this, [this] { RunGuarded([this] { draw(); }); });
    bar.addSpacing(12);
    bar.addWidget(zoomLabel);
    bar.addWidget(zoom_);
    bar.addStretch(1);
    auto* setUp = new QPushButton(QStringLiteral("Pagina-&instelling..."), this);
    connect(setUp, &QPushButton::clicked, this, [this] { RunGuarded([this] { pageSetUp(); }); });
    auto* printing = new QPushButton(QStringLiteral("&Afdrukken..."), this);
    connect(printing, &QPushButton::clicked, this, [this] { RunGuarded([this] { print(); }); });
    auto* close = new QPushButton(QStringLiteral("&Sluiten"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    for (QPushButton* each : {setUp, printing, close}) {
        each->setAutoDefault(false);
        bar.addWidget(each);
    }
}

void TReportPreview::ShowPage(int index) {
    current_ = std::clamp(index, 0, std::max(0, PageCount() - 1));
    const QSignalBlocker quiet(number_);
    number_->setRange(1, std::max(1, PageCount()));
    number_->setValue(current_ + 1);
    count_->setText(QStringLiteral("van %1").arg(PageCount()));
    draw();
    area_->verticalScrollBar()->setValue(0);
}

double TReportPreview::dpiForZoom() const {
    const int item = zoom_->currentIndex();
    if (item >= FirstPercentage)
        return ScreenDpi * Percentages[item - FirstPercentage] / 100.0;
    const QSizeF paper = document_->PageLayout().fullRect(QPageLayout::Inch).size();
    const QSize room = area_->viewport()->size() - QSize(2 * PageGap, 2 * PageGap);
    const double byWidth = room.width() / paper.width();
    const double dpi = item == PageWidth ? byWidth : std::min(byWidth, room.height() / paper.height());
    return std::clamp(dpi, 20.0, 4 * ScreenDpi);
}

void TReportPreview::draw() {
    if (PageCount() == 0)
        return;
    shown_ = RenderReportPage(*document_, current_, dpiForZoom());
    ++drawn_;
    page_->setPixmap(QPixmap::fromImage(shown_));
    page_->adjustSize();
}

void TReportPreview::SetPageLayout(const QPageLayout& layout) {
    const double at = PageCount() > 0 ? static_cast<double>(current_) / PageCount() : 0;
    document_ = std::make_unique<TReportDocument>(file_, data_, layout);
    RememberPageLayout(settings_, file_, layout);
    ShowPage(static_cast<int>(at * PageCount()));
}

void TReportPreview::pageSetUp() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(document_->PageLayout());
    QPageSetupDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        SetPageLayout(printer.pageLayout());
}

void TReportPreview::print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(document_->PageLayout());
    printer.setDocName(data_.title);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Afdrukken: %1").arg(data_.title));
    dialog.setMinMax(1, PageCount());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!printer.pageLayout().isEquivalentTo(document_->PageLayout()))
        SetPageLayout(printer.pageLayout());
    const bool range = printer.printRange() == QPrinter::PageRange;
    PaintReport(*document_, printer, range ? printer.fromPage() : 0, range ? printer.toPage() : 0);
}

void TReportPreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageDown:
        ShowPage(current_ + 1);
        return;
    case Qt::Key_PageUp:
        ShowPage(current_ - 1);
        return;
    case Qt::Key_Home:
        ShowPage(0);
        return;
    case Qt::Key_End:
        ShowPage(PageCount() - 1);
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TReportPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (zoom_ != nullptr && zoom_->currentIndex() < FirstPercentage)
        draw();
}

} // namespace vorn
