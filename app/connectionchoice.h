#pragma once

#include "server/connection.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vorn {

class TVornIniFile;

/// A database as the user chooses it in the connection dialog: an SQLite file, or a PostgreSQL
/// server (or a libpq service). It holds no password: a password is given when connecting and never
/// kept, so a choice can be remembered in the settings file as it is.
struct TConnectionChoice {
    enum class Kind { SQLite, PostgreSQL };
    Kind kind = Kind::SQLite;
    QString file;
    QString service; // a libpq service name (pg_service.conf); host and the rest may then be empty
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString sslMode = QStringLiteral("prefer"); // disable, prefer, require, verify-ca, verify-full
    QString caFile;
    /// A hot standby of the server that statistics and reports read from; empty: none. It has the
    /// server's database, user and TLS settings.
    QString reportHost = {};
    int reportPort = 5432;

    /// The connection settings, with the password when one is given. The libpq text quotes every
    /// value, so a value with blanks or quotes stays one value.
    server::ConnectionSettings Settings(const QString& password = {}) const;
    /// For the window title and the recent list: the file's name, or server/database.
    QString Title() const;
    /// What is missing or wrong before connecting makes sense, in Dutch; empty when nothing is.
    QString Problem() const;
    /// The settings-file form (one line, no password) and back; an unreadable line gives nullopt.
    QString ToLine() const;
    static std::optional<TConnectionChoice> FromLine(const QString& line);
    bool operator==(const TConnectionChoice& other) const { return ToLine() == other.ToLine(); }

private:
    /// The libpq text of one server of this choice (the server itself or its report server).
    QString ServerText(const QString& server, int serverPort, const QString& password) const;
};

/// The TLS modes libpq knows, in the order the dialog offers them.
QStringList SslModes();

/// The recently opened databases, newest first, as remembered in the settings file (section
/// "Databank"); unreadable entries are passed over.
std::vector<TConnectionChoice> RecentConnections(const TVornIniFile& settings);
/// Puts the choice first in the recent list (at most eight, no duplicates) and saves the file.
void RememberConnection(TVornIniFile& settings, const TConnectionChoice& choice);

} // namespace vorn
