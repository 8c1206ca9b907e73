#include "export.h"

#include "host/forms/processservices.h"

#include "mainwindow.h"

#include "host/data/errors.h"
#include "host/data/inifile.h"
#include "host/forms/formmanager.h"
#include "host/forms/hostservices.h"
#include "host/forms/vornform.h"
#include "host/reports/printsequence.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>

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
    CollectedErrors()
        : reporter_(
              TProcessServices{.errorReporter = [this](const QString& message) { messages_ << message; }}) {}
    CollectedErrors(const CollectedErrors&) = delete;
    CollectedErrors& operator=(const CollectedErrors&) = delete;
    void RaiseIfAny() const {
        if (!messages_.isEmpty())
            RaiseClientError("%s", messages_.join(u'\n'));
    }

private:
    QStringList messages_;
    TServicesScope reporter_;
};

} // namespace

TDateTime ParseExportDate(const QString& option, const QString& text) {
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid())
        RaiseClientError("%s verwacht een datum JJJJ-MM-DD, niet '%s'", option, text);
    return DateToDateTime(date);
}

namespace {

/// Opens the screen as from its menu and fetches the request through its results contract.
TVornDBForm& FetchedScreen(MainWindow& window, const QString& screenClass, const TScreenRequest& request,
                           const CollectedErrors& errors) {
    if (FormManager().FindClass(screenClass) == nullptr)
        RaiseClientError("Onbekend scherm %s (vorn --list-forms toont de schermen)", screenClass);
    TVornDBForm* screen = window.OpenFromMenu(screenClass);
    IScreenResults* results = screen->Results();
    if (results == nullptr)
        RaiseClientError("Scherm %s heeft geen cijfers om op te halen", screenClass);
    TScreenRequest asked = request;
    if (results->Inputs().workDate && IsDateSet(asked.date)) {
        // A screen that counts over the work date runs with the date asked as the work date.
        window.SetWerkDatum(asked.date);
        asked.date = NoDate;
    }
    results->SetRequest(asked);
    idle();
    results->Fetch();
    errors.RaiseIfAny();
    return *screen;
}

} // namespace

void RunExport(MainWindow& window, const ExportRequest& request, QTextStream& report) {
    CollectedErrors errors;
    TVornDBForm& screen = FetchedScreen(window, request.screenClass, request.screen, errors);
    ExportToFolder(*screen.Results(), request.outputFolder, request.format);
    errors.RaiseIfAny();
    report << "Uitgevoerd naar " << QDir(request.outputFolder).absolutePath() << '\n';
}

void RunPrintToPdf(MainWindow& window, const PrintRequest& request, QTextStream& report) {
    CollectedErrors errors;
    TVornDBForm& screen = FetchedScreen(window, request.screenClass, request.screen, errors);
    const auto def = std::find_if(screen.ReportDefs.begin(), screen.ReportDefs.end(),
                                  [&](const TReportDef& each) { return each.DisplayName == request.report; });
    if (def == screen.ReportDefs.end()) {
        QStringList names;
        for (const TReportDef& each : screen.ReportDefs)
            names << QStringLiteral("\"%1\"").arg(each.DisplayName);
        RaiseClientError("Scherm %s heeft geen rapport \"%s\"; wel: %s", request.screenClass, request.report,
                         names.isEmpty() ? QStringLiteral("(geen)") : names.join(QStringLiteral(", ")));
    }
    screen.Unattended = true;
    screen.PresetChoice = request.category;
    screen.PrintDirect = true;
    screen.PrintPdfFile = request.pdfPath;
    const QString settingsPath = window.SettingsFile();
    TVornIniFile settings(settingsPath, QString());
    TPdfReportOutput output(request.pdfPath, &settings);
    // A report without a report file is the screen's own: it wrote the PDF itself (or raised), and
    // stopped the host's sequence on purpose.
    const bool screensOwn = def->FileName.isEmpty();
    if (!RunPrint(screen, request.report, output) && !(screensOwn && QFileInfo::exists(request.pdfPath)))
        RaiseClientError("Het scherm heeft het afdrukken van \"%s\" gestopt", request.report);
    errors.RaiseIfAny();
    report << "Afgedrukt naar " << QFileInfo(request.pdfPath).absoluteFilePath() << '\n';
}

} // namespace vorn
