// The database dialog as a PNG, for the user guide: filled in as a school's server would be.
//   vorn-dialogshot OUT.png
#include "app/connectdialog.h"

#include <QApplication>
#include <QTextStream>

using namespace vorn;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "gebruik: vorn-dialogshot UIT.png\n";
        return 1;
    }
    TConnectionChoice recent;
    recent.file = QStringLiteral("/home/directie/.local/share/vorn/vorn.db");
    TConnectionChoice server;
    server.kind = TConnectionChoice::Kind::PostgreSQL;
    server.host = QStringLiteral("databank.school.be");
    server.database = QStringLiteral("vorn");
    server.user = QStringLiteral("directie");
    server.sslMode = QStringLiteral("verify-full");
    server.caFile = QStringLiteral("/etc/ssl/certs/school-ca.pem");
    TConnectDialog dialog({server, recent});
    dialog.SetChoice(server);
    dialog.SetIntro(
        QStringLiteral("Welkom bij Vorn. Kies de databank waarmee u werkt: maak een demodatabank om "
                       "het programma te leren kennen, of verbind met de PostgreSQL-server van uw "
                       "school."));
    dialog.adjustSize();
    dialog.show();
    QApplication::processEvents();
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        QTextStream(stderr) << "vorn-dialogshot: kon " << argv[1] << " niet schrijven\n";
        return 1;
    }
    return 0;
}
