#pragma once

#include "connectdialog.h"
#include "connectionchoice.h"
#include "databasesession.h"

#include <optional>

class QWidget;

namespace vorn {

/// The database the client starts on: --database, else $VORN_DATABASE, else the last one opened in
/// the window, else the embedded default file. `choice` is set when the start is one the dialog can
/// show (remembered or the default file); `given` when the user named it (option or environment).
struct TStartDatabase {
    server::ConnectionSettings settings;
    QString title;
    std::optional<TConnectionChoice> choice;
    bool given = false;
    /// No database named or remembered, and the default file is not there: a first start.
    bool firstStart = false;
};
TStartDatabase StartDatabase(const QString& option, const QString& settingsFile);

/// Opens the connection and says in Dutch what it found.
TConnectDialog::TestResult TryConnection(const TConnectionChoice& choice, const QString& password);
/// Makes a demo database in the file with vorn-demo beside the program; empty when it went well.
QString MakeDemoDatabase(const QString& file);

/// A database chosen in the dialog and opened (not yet installed), with how it was chosen.
struct TChosenDatabase {
    server::OpenedDatabase opened;
    TConnectionChoice choice;
};
/// Shows "Databank openen" until a database is opened or the user cancels; `intro` says why it is
/// shown, `start` fills it in (else the most recent connection). The choice is remembered.
std::optional<TChosenDatabase> AskDatabase(QWidget* parent, const QString& settingsFile, const QString& intro,
                                           const std::optional<TConnectionChoice>& start);

} // namespace vorn
