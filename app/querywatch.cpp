#include "querywatch.h"

#include "host/data/inifile.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>

namespace {

/// How long a query runs before the client offers to stop it: a short one never shows the offer.
constexpr qint64 OfferAfterMs = 300;

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

TQueryWatch::TQueryWatch(QMainWindow& window)
    : window_(window), offer_(new QWidget), cancel_(new QPushButton(QStringLiteral("&Annuleren"))) {
    auto* layout = new QHBoxLayout(offer_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("De query loopt nog...")));
    layout->addWidget(cancel_);
    cancel_->setToolTip(QStringLiteral("Stopt de query (Esc)"));
    connect(cancel_, &QPushButton::clicked, this, [this] { requested_ = true; });
    window_.statusBar()->addPermanentWidget(offer_);
    offer_->hide();
}

TQueryWatch::~TQueryWatch() {
    withdraw();
}

void TQueryWatch::Running(bool running) {
    running_ = running;
    requested_ = false;
    if (running)
        runningFor_.start();
    else
        withdraw();
}

bool TQueryWatch::StopRequested() {
    if (!running_)
        return false;
    if (!offered_ && runningFor_.elapsed() >= OfferAfterMs)
        offer();
    if (offered_)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return requested_;
}

void TQueryWatch::offer() {
    offered_ = true;
    offer_->show();
    qApp->installEventFilter(this);
}

void TQueryWatch::withdraw() {
    if (!offered_)
        return;
    offered_ = false;
    qApp->removeEventFilter(this);
    offer_->hide();
}

bool TQueryWatch::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type()))
        return false;
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        requested_ = true;
        return true;
    }
    // Only the button takes input; a close of the window waits for the query to end or stop.
    return watched != cancel_;
}

int ReportMemoryLimit(const QString& settingsFile) {
    const vorn::TVornIniFile settings(settingsFile, QString());
    const int megabytes =
        settings.ReadInteger(QStringLiteral("Databank"), QStringLiteral("GeheugenlimietRapport"), 1024);
    return megabytes < 0 ? 1024 : megabytes;
}

int QueryTimeLimit(const QString& settingsFile) {
    const vorn::TVornIniFile settings(settingsFile, QString());
    const int seconds =
        settings.ReadInteger(QStringLiteral("Databank"), QStringLiteral("TijdslimietQuery"), 60);
    return seconds < 0 ? 60 : seconds;
}
