#include "connectionchoice.h"

#include "host/data/inifile.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace vorn {

namespace {

const QString Section = QStringLiteral("Databank");
constexpr int MostRecent = 8;

/// One libpq key=value pair; the value quoted, with quotes and backslashes escaped.
QString Pair(const char* key, const QString& value) {
    QString escaped = value;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'\'', QStringLiteral("\\'"));
    return QStringLiteral("%1='%2'").arg(QLatin1String(key), escaped);
}

} // namespace

QStringList SslModes() {
    return {QStringLiteral("disable"), QStringLiteral("prefer"), QStringLiteral("require"),
            QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
}

server::ConnectionSettings TConnectionChoice::Settings(const QString& password) const {
    if (kind == Kind::SQLite)
        return {server::Dialect::SQLite, file};
    server::ConnectionSettings settings{server::Dialect::PostgreSQL, ServerText(host, port, password)};
    if (!reportHost.isEmpty())
        settings.reportTarget = ServerText(reportHost, reportPort, password);
    return settings;
}

QString TConnectionChoice::ServerText(const QString& server, int serverPort, const QString& password) const {
    QStringList pairs;
    if (!service.isEmpty())
        pairs << Pair("service", service);
    if (!server.isEmpty())
        pairs << Pair("host", server);
    if (!server.isEmpty() || service.isEmpty())
        pairs << Pair("port", QString::number(serverPort));
    if (!database.isEmpty())
        pairs << Pair("dbname", database);
    if (!user.isEmpty())
        pairs << Pair("user", user);
    if (!password.isEmpty())
        pairs << Pair("password", password);
    if (!sslMode.isEmpty())
        pairs << Pair("sslmode", sslMode);
    if (!caFile.isEmpty() && (sslMode == u"verify-ca" || sslMode == u"verify-full"))
        pairs << Pair("sslrootcert", caFile);
    // A server that does not answer is reported within seconds, not after the system's minutes.
    pairs << Pair("connect_timeout", QStringLiteral("10"))
          << Pair("application_name", QStringLiteral("vorn"));
    return pairs.join(u' ');
}

QString TConnectionChoice::Title() const {
    if (kind == Kind::SQLite)
        return QFileInfo(file).fileName();
    const QString where = host.isEmpty() ? (service.isEmpty() ? QStringLiteral("lokaal") : service) : host;
    return database.isEmpty() ? where : QStringLiteral("%1/%2").arg(where, database);
}

QString TConnectionChoice::Problem() const {
    if (kind == Kind::SQLite)
        return file.trimmed().isEmpty() ? QStringLiteral("Kies een databankbestand.") : QString();
    if (service.isEmpty() && host.trimmed().isEmpty())
        return QStringLiteral("Vul de server in (of een dienst uit pg_service.conf).");
    if (service.isEmpty() && database.trimmed().isEmpty())
        return QStringLiteral("Vul de naam van de databank in.");
    if (port < 1 || port > 65535 || reportPort < 1 || reportPort > 65535)
        return QStringLiteral("De poort ligt tussen 1 en 65535.");
    if (!SslModes().contains(sslMode))
        return QStringLiteral("Onbekende TLS-modus '%1'.").arg(sslMode);
    if (sslMode == u"verify-full" || sslMode == u"verify-ca") {
        if (caFile.isEmpty())
            return QStringLiteral(
                "Kies het CA-bestand waarmee het certificaat van de server gecontroleerd wordt.");
        if (!QFileInfo(caFile).isReadable())
            return QStringLiteral("Het CA-bestand '%1' kan niet gelezen worden.").arg(caFile);
    }
    return {};
}

QString TConnectionChoice::ToLine() const {
    QJsonObject object;
    if (kind == Kind::SQLite) {
        object[QStringLiteral("soort")] = QStringLiteral("sqlite");
        object[QStringLiteral("bestand")] = file;
    } else {
        object[QStringLiteral("soort")] = QStringLiteral("postgresql");
        object[QStringLiteral("dienst")] = service;
        object[QStringLiteral("server")] = host;
        object[QStringLiteral("poort")] = port;
        object[QStringLiteral("databank")] = database;
        object[QStringLiteral("gebruiker")] = user;
        object[QStringLiteral("tls")] = sslMode;
        object[QStringLiteral("ca")] = caFile;
        if (!reportHost.isEmpty()) {
            object[QStringLiteral("rapportserver")] = reportHost;
            object[QStringLiteral("rapportpoort")] = reportPort;
        }
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<TConnectionChoice> TConnectionChoice::FromLine(const QString& line) {
    const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8());
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QString kind = object.value(QStringLiteral("soort")).toString();
    TConnectionChoice choice;
    if (kind == u"sqlite") {
        choice.file = object.value(QStringLiteral("bestand")).toString();
    } else if (kind == u"postgresql") {
        choice.kind = Kind::PostgreSQL;
        choice.service = object.value(QStringLiteral("dienst")).toString();
        choice.host = object.value(QStringLiteral("server")).toString();
        choice.port = object.value(QStringLiteral("poort")).toInt(5432);
        choice.database = object.value(QStringLiteral("databank")).toString();
        choice.user = object.value(QStringLiteral("gebruiker")).toString();
        choice.sslMode = object.value(QStringLiteral("tls")).toString(QStringLiteral("prefer"));
        choice.caFile = object.value(QStringLiteral("ca")).toString();
        choice.reportHost = object.value(QStringLiteral("rapportserver")).toString();
        choice.reportPort = object.value(QStringLiteral("rapportpoort")).toInt(5432);
    } else {
        return std::nullopt;
    }
    return choice;
}

std::vector<TConnectionChoice> RecentConnections(const TVornIniFile& settings) {
    std::vector<TConnectionChoice> recent;
    for (int i = 1; i <= MostRecent; ++i)
        if (auto choice = TConnectionChoice::FromLine(
                settings.ReadString(Section, QStringLiteral("Recent%1").arg(i), {})))
            recent.push_back(*choice);
    return recent;
}

void RememberConnection(TVornIniFile& settings, const TConnectionChoice& choice) {
    std::vector<TConnectionChoice> recent{choice};
    for (const TConnectionChoice& earlier : RecentConnections(settings))
        if (!(earlier == choice) && static_cast<int>(recent.size()) < MostRecent)
            recent.push_back(earlier);
    for (int i = 1; i <= MostRecent; ++i)
        settings.WriteString(Section, QStringLiteral("Recent%1").arg(i),
                             i <= static_cast<int>(recent.size())
                                 ? recent[static_cast<std::size_t>(i - 1)].ToLine()
                                 : QString());
    settings.UpdateFile();
}

} // namespace vorn
