#include "connection.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include "host/data/errors.h"

#include <QDir>
#include <QStandardPaths>

namespace vorn::server {

QString StoppedMessage() {
    return QStringLiteral("De query werd op uw vraag gestopt; er werd niets getoond.");
}

QString TimedOutMessage(const ReadOnlyLimits& limits) {
    return QStringLiteral("De query liep langer dan %1 s en werd gestopt. De grens staat %2.")
        .arg(limits.timeoutSeconds)
        .arg(limits.whereSet);
}

QString OutOfReportMemoryMessage(const ReadOnlyLimits& limits) {
    return QStringLiteral("De query had meer dan %1 MB geheugen nodig en werd gestopt. De grens staat %2.")
        .arg(limits.memoryMegabytes)
        .arg(limits.whereSet);
}

ConnectionSettings ConnectionSettings::parse(const QString& text) {
    const QString trimmed = text.trimmed();
    ConnectionSettings settings;
    if (trimmed.startsWith(QStringLiteral("postgres"), Qt::CaseInsensitive) || trimmed.contains(u'=')) {
        settings.dialect = Dialect::PostgreSQL;
        settings.target = trimmed;
        return settings;
    }
    settings.dialect = Dialect::SQLite;
    settings.target =
        trimmed.startsWith(QStringLiteral("sqlite:"), Qt::CaseInsensitive) ? trimmed.mid(7) : trimmed;
    if (settings.target.isEmpty())
        RaiseDatabaseError(QStringLiteral("Geen databank opgegeven"));
    return settings;
}

QString ConnectionSettings::defaultSqliteFile() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/vorn/vorn.db");
}

void ConnectionSettings::requireReportTargetFits() const {
    if (!reportTarget.isEmpty() && dialect != Dialect::PostgreSQL)
        RaiseDatabaseError(
            QStringLiteral("Een aparte rapportserver (standby) kan alleen bij een PostgreSQL-databank"));
    if (!reportTarget.isEmpty() && ConnectionSettings::parse(reportTarget).dialect != Dialect::PostgreSQL)
        RaiseDatabaseError(QStringLiteral("De rapportserver is een PostgreSQL-verbinding, geen bestand"));
}

ConnectionSettings ConnectionSettings::fromEnvironment() {
    const QString configured = qEnvironmentVariable("VORN_DATABASE");
    if (!configured.trimmed().isEmpty())
        return parse(configured);
    return ConnectionSettings{Dialect::SQLite, defaultSqliteFile()};
}

std::unique_ptr<Connection> OpenConnection(const ConnectionSettings& settings, bool create) {
    if (settings.dialect == Dialect::PostgreSQL)
        return OpenPostgres(settings.target, settings.reportTarget);
    if (!settings.reportTarget.isEmpty())
        RaiseDatabaseError(
            QStringLiteral("Een aparte rapportserver (standby) kan alleen bij een PostgreSQL-databank"));
    return OpenSqlite(settings.target, create);
}

QStringList DatabaseLibraries() {
    const int pq = PQlibVersion();
    return {QStringLiteral("SQLite %1 (publiek domein)").arg(QString::fromLatin1(sqlite3_libversion())),
            QStringLiteral("libpq %1.%2 (PostgreSQL-licentie)").arg(pq / 10000).arg(pq % 10000)};
}

BindList BindsFor(const NumberedSql& sql, const TParams& params) {
    BindList binds;
    binds.reserve(static_cast<std::size_t>(sql.names.size()));
    for (const QString& name : sql.names)
        binds.push_back(BindValueNamed(params, name));
    return binds;
}

} // namespace vorn::server
