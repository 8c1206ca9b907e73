// The fetch of one screen as the user starts it, from the fetch action to the repainted window, on a
// database of any size (best of 5):
//   bench_screen_fetch DATABASE SCREEN_CLASS IS_CODE YYYY-MM-DD
// e.g. the pupil screen of a school grown with `vorn-demo --pupils 20000 --staff 5000`.
#include "benchtime.h"

#include "app/mainwindow.h"
#include "server/connection.h"
#include "server/sqlbroker.h"

#include "host/data/errors.h"
#include "host/data/schoolyear.h"
#include "host/forms/hostservices.h"
#include "host/forms/moduleloader.h"
#include "host/forms/screenresults.h"
#include "host/forms/vornform.h"

#include <QApplication>
#include <QDate>
#include <QTemporaryDir>
#include <QTextStream>

using namespace vorn;

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 4) {
        out << "gebruik: bench_screen_fetch DATABANK SCHERMKLASSE IS_CODE JJJJ-MM-DD\n";
        return 2;
    }
    try {
        TModuleLoader loader;
        loader.LoadFolder(TModuleLoader::DefaultFolder());
        auto connection = server::OpenConnection(server::ConnectionSettings::parse(args[0]));
        server::SqlBroker broker(*connection);
        SetDefaultProviderBroker(&broker);
        SetSchoolYearDirectory(&broker);
        QTemporaryDir dir;
        MainWindow window(&broker, dir.filePath("vorn.ini"));
        window.BuildMenus();
        window.resize(1100, 760);
        window.show();
        SetErrorReporter([&out](const QString& message) { out << "fout: " << message << '\n'; });
        TVornDBForm* screen = window.OpenFromMenu(args[1]);
        IScreenResults* results = screen->Results();
        if (results == nullptr)
            RaiseClientError("Scherm %s heeft geen cijfers", args[1]);
        TScreenRequest request;
        request.institutionCode = args[2];
        request.date = DateToDateTime(QDate::fromString(args[3], Qt::ISODate));
        results->SetRequest(request);
        const double fetch = bestOf(5, [&] {
            results->Fetch();
            window.repaint();
            QApplication::processEvents();
        });
        out << args[1] << '\t' << QString::number(fetch, 'f', 3) << '\n';
        SetErrorReporter(nullptr);
        SetSchoolYearDirectory(nullptr);
        SetDefaultProviderBroker(nullptr);
    } catch (const EVornError& error) {
        out << "bench_screen_fetch: " << error.message() << '\n';
        return 1;
    }
    return 0;
}
