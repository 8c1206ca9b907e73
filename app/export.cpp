#include "export.h"

#include "mainwindow.h"

#include "host/data/errors.h"
#include "host/forms/formmanager.h"
#include "host/forms/hostservices.h"
#include "host/forms/vornform.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

namespace vorn {

namespace {

/// Lets the event loop run out of work once, as it does between a user's actions.
void idle() {
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
}

/// Errors the screen shows to the user while it fetches, collected to fail the export with.
class CollectedErrors {
public:
    CollectedErrors() {
        SetErrorReporter([this](const QString& message) { messages_ << message; });
    }
    ~CollectedErrors() { SetErrorReporter(nullptr); }
    CollectedErrors(const CollectedErrors&) = delete;
    CollectedErrors& operator=(const CollectedErrors&) = delete;
    void RaiseIfAny() const {
        if (!messages_.isEmpty())
            RaiseClientError("%s", messages_.join(u'\n'));
    }

private:
    QStringList messages_;
};

} // namespace

TDateTime ParseExportDate(const QString& option, const QString& text) {
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid())
        RaiseClientError("%s verwacht een datum JJJJ-MM-DD, niet '%s'", option, text);
    return DateToDateTime(date);
}

void RunExport(MainWindow& window, const ExportRequest& request, QTextStream& report) {
    if (FormManager().FindClass(request.screenClass) == nullptr)
        RaiseClientError("Onbekend scherm %s (vorn --list-forms toont de schermen)", request.screenClass);
    CollectedErrors errors;
    TVornDBForm* screen = window.OpenFromMenu(request.screenClass);
    IScreenResults* results = screen->Results();
    if (results == nullptr)
        RaiseClientError("Scherm %s kan niet uitgevoerd worden", request.screenClass);
    results->SetRequest(request.screen);
    idle();
    results->Fetch();
    errors.RaiseIfAny();
    ExportToFolder(*results, request.outputFolder, request.format);
    errors.RaiseIfAny();
    report << "Uitgevoerd naar " << QDir(request.outputFolder).absolutePath() << '\n';
}

} // namespace vorn
