#include "migrations.h"

#include "rights.h"
#include "schema.h"

#include "host/data/errors.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <cstdio>
#include <unistd.h>

namespace vorn::server {

namespace {

const QString VersionMark = QStringLiteral("schemaversie");

BindValue Text(const QString& text) {
    return BindValue{BindValue::Kind::Text, 0, text.toStdString()};
}

/// Version 2: the status table that marks a database whole and holds its version. Databases made
/// before it was there count as whole when they hold institutions, as they always did.
void AddStatusTable(Connection& connection) {
    if (HasTable(connection, QStringLiteral("VORN_STATUS")))
        return;
    connection.executeScript(QStringLiteral("CREATE TABLE VORN_STATUS (\n"
                                            "  VS_NAAM VARCHAR(40) PRIMARY KEY,\n"
                                            "  VS_WAARDE VARCHAR(80) NOT NULL\n"
                                            ")"));
    if (connection.queryInteger(QStringLiteral("SELECT count(*) FROM INSTELLING")).value_or(0) > 0)
        MarkComplete(connection);
}

/// Version 3: the register of print jobs under way, and on PostgreSQL users with their institutions
/// (row-level security) and reading logins for reports.
void AddJobsAndAccessRules(Connection& connection) {
    if (!HasTable(connection, QStringLiteral("VORN_JOB")))
        connection.executeScript(QStringLiteral("CREATE TABLE VORN_JOB (\n"
                                                "  VJ_JOBID INTEGER PRIMARY KEY,\n"
                                                "  VJ_EIGENAAR VARCHAR(63) NOT NULL,\n"
                                                "  VJ_MACHINE VARCHAR(255) NOT NULL,\n"
                                                "  VJ_PROCES INTEGER NOT NULL,\n"
                                                "  VJ_GESTART VARCHAR(25) NOT NULL\n"
                                                ")"));
    InstallAccessRules(connection);
}

bool HasAnyTable(Connection& connection) {
    const QString sql = connection.dialect() == Dialect::SQLite
                            ? QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'")
                            : QStringLiteral("SELECT count(*) FROM information_schema.tables "
                                             "WHERE table_schema = current_schema()");
    return connection.queryInteger(sql).value_or(0) > 0;
}

int TargetVersion(const std::vector<MigrationStep>& steps) {
    return steps.empty() ? 1 : steps.back().to;
}

} // namespace

int CheckedSchemaVersion(Connection& connection, const QString& name, int target) {
    if (!HasSchema(connection)) {
        if (!HasAnyTable(connection))
            return 0;
        RaiseDatabaseError(
            QStringLiteral("De databank '%s' is geen databank van Vorn: ze hoort bij een ander "
                           "programma en blijft onaangeroerd. Kies een andere databank."),
            {name});
    }
    const int found = SchemaVersionOf(connection);
    if (found > target)
        RaiseDatabaseError(
            QStringLiteral("De databank '%s' is gemaakt door een nieuwere versie van Vorn "
                           "(schemaversie %d; deze versie kent tot %d). Ze blijft onaangeroerd; "
                           "installeer de nieuwste versie van Vorn."),
            {name, found, target});
    return found;
}

namespace {

/// Runs the steps after `from` on the connection, inside the caller's transaction.
void ApplySteps(Connection& connection, const std::vector<MigrationStep>& steps, int from) {
    for (const MigrationStep& step : steps) {
        if (step.to <= from)
            continue;
        try {
            step.apply(connection);
        } catch (const EVornError& error) {
            RaiseDatabaseError(QStringLiteral("Bijwerken naar schemaversie %d (%s) mislukte: %s"),
                               {step.to, step.description, error.message()});
        }
        SetSchemaVersion(connection, step.to);
    }
}

QString SqlText(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

/// The first free name of the form PATH.bak-VERSION, PATH.bak-VERSION.2, ...
QString KeptFileName(const QString& path, int version) {
    const QString base = QStringLiteral("%1.bak-%2").arg(path).arg(version);
    QString name = base;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = QStringLiteral("%1.%2").arg(base).arg(n);
    return name;
}

void IntegrityCheck(Connection& connection) {
    const auto faults = connection.queryInteger(
        QStringLiteral("SELECT count(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok'"));
    if (faults.value_or(1) != 0)
        RaiseDatabaseError(
            QStringLiteral("De bijgewerkte kopie is niet in orde; de databank blijft zoals ze was"));
}

/// Keeps the old file under its kept name: a second name of the same file where the file system
/// allows it (nothing copied, nothing that can be half-written), else a copy.
void KeepOldFile(const QString& path, const QString& kept) {
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(kept).constData()) == 0)
        return;
    if (!QFile::copy(path, kept))
        RaiseDatabaseError(QStringLiteral("De oude databank kon niet bewaard worden als '%s'"), {kept});
}

/// The upgrade of the file proper, under the lock: on a consistent copy, which is checked and then
/// renamed over the file in one step. Until the rename the file is untouched, and a failure leaves
/// no copy behind.
UpgradeReport UpgradeSqliteCopy(const QString& path, const std::vector<MigrationStep>& steps) {
    const int target = TargetVersion(steps);
    UpgradeReport report;
    const QString copy =
        QStringLiteral("%1.bijwerken-%2-%3")
            .arg(path)
            .arg(QCoreApplication::applicationPid())
            .arg(static_cast<qulonglong>(QRandomGenerator::global()->generate()), 8, 16, QChar(u'0'));
    try {
        {
            const auto original = OpenSqlite(path, false);
            // Looked at again under the lock: another program may have upgraded it meanwhile.
            report.from = report.to = CheckedSchemaVersion(*original, path, target);
            if (report.from == 0 || report.from == target)
                return report;
            // A consistent snapshot, whatever journal the original uses, read front to back through a
            // small cache and without mapping the file: a database of gigabytes needs no more memory.
            original->executeScript(QStringLiteral("PRAGMA mmap_size = 0; PRAGMA cache_size = -8192"));
            original->executeScript(QStringLiteral("VACUUM INTO %1").arg(SqlText(copy)));
        }
        {
            const auto upgraded = OpenSqlite(copy, false);
            upgraded->executeScript(QStringLiteral("PRAGMA mmap_size = 0; PRAGMA cache_size = -8192"));
            Transaction transaction(*upgraded);
            ApplySteps(*upgraded, steps, report.from);
            transaction.commit();
            IntegrityCheck(*upgraded);
        }
        report.keptFile = KeptFileName(path, report.from);
        KeepOldFile(path, report.keptFile);
        QFile::setPermissions(copy, QFile::permissions(path));
        if (std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) != 0)
            RaiseDatabaseError(
                QStringLiteral("De bijgewerkte databank kon niet in de plaats van '%s' gezet worden"),
                {path});
        report.to = target;
        return report;
    } catch (...) {
        QFile::remove(copy);
        QFile::remove(copy + QStringLiteral("-journal"));
        if (!report.keptFile.isEmpty() && QFileInfo::exists(path))
            QFile::remove(report.keptFile);
        throw;
    }
}

/// SQLite: a file that needs no upgrade is only looked at. One that does is upgraded under a lock
/// beside it, so that two programs never upgrade (or replace) the same file at once.
UpgradeReport UpgradeSqliteFile(const ConnectionSettings& settings, const std::vector<MigrationStep>& steps) {
    const QString path = settings.target;
    const int target = TargetVersion(steps);
    UpgradeReport report;
    {
        const auto look = OpenSqlite(path, false);
        report.from = report.to = CheckedSchemaVersion(*look, path, target);
    }
    if (report.from == 0 || report.from == target)
        return report;
    const QFileInfo file(path);
    if (!file.isWritable() || !QFileInfo(file.absolutePath()).isWritable())
        RaiseDatabaseError(
            QStringLiteral("De databank '%s' heeft schemaversie %d en moet bijgewerkt worden naar "
                           "%d, maar het bestand of zijn map is alleen-lezen. Vraag schrijfrechten "
                           "of open ze eenmaal als iemand die ze heeft; ze blijft onaangeroerd."),
            {path, report.from, target});
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.setStaleLockTime(0); // the lock of a process that ended is taken over, never one by age
    if (!lock.tryLock(5000)) {
        if (lock.error() == QLockFile::LockFailedError)
            RaiseDatabaseError(QStringLiteral("De databank '%s' wordt door een ander programma bijgewerkt of "
                                              "vervangen; probeer het straks opnieuw"),
                               {path});
        RaiseDatabaseError(
            QStringLiteral("In de map van de databank '%s' kan niet geschreven worden; ze blijft "
                           "onaangeroerd"),
            {path});
    }
    try {
        return UpgradeSqliteCopy(path, steps);
    } catch (const EVornError& error) {
        if (error.message().contains(QStringLiteral("nieuwere versie")))
            throw;
        RaiseDatabaseError(
            QStringLiteral("De databank '%s' kon niet bijgewerkt worden en blijft zoals ze was: %s"),
            {path, error.message()});
    }
}

/// PostgreSQL: every step and the new version in one transaction, under a lock that makes a second
/// client wait and then find the database already upgraded.
UpgradeReport UpgradePostgres(Connection& connection, const std::vector<MigrationStep>& steps) {
    const int target = TargetVersion(steps);
    UpgradeReport report;
    report.from = report.to = CheckedSchemaVersion(connection, connection.describe(), target);
    if (report.from == 0 || report.from == target)
        return report;
    Transaction transaction(connection);
    connection.queryInteger(QStringLiteral("SELECT 1 FROM pg_advisory_xact_lock(7406761)"));
    report.from = CheckedSchemaVersion(connection, connection.describe(), target);
    ApplySteps(connection, steps, report.from);
    transaction.commit();
    report.to = target;
    return report;
}

} // namespace

const std::vector<MigrationStep>& MigrationSteps() {
    static const std::vector<MigrationStep> steps{
        {2, QStringLiteral("statustabel met de schemaversie"), AddStatusTable},
        {3, QStringLiteral("lopende afdrukjobs, gebruikers en hun instellingen"), AddJobsAndAccessRules},
    };
    return steps;
}

int CurrentSchemaVersion() {
    return TargetVersion(MigrationSteps());
}

int SchemaVersionOf(Connection& connection) {
    if (!HasTable(connection, QStringLiteral("VORN_STATUS")))
        return 1;
    const auto marks = connection.queryInteger(
        QStringLiteral("SELECT count(*) FROM VORN_STATUS WHERE VS_NAAM = :P1"), {Text(VersionMark)});
    if (marks.value_or(0) == 0)
        return 1;
    const auto version = connection.queryInteger(
        QStringLiteral("SELECT CAST(VS_WAARDE AS INTEGER) FROM VORN_STATUS WHERE VS_NAAM = :P1"),
        {Text(VersionMark)});
    if (version.value_or(0) < 1)
        RaiseDatabaseError(QStringLiteral("De schemaversie van de databank is onleesbaar"));
    return static_cast<int>(*version);
}

void SetSchemaVersion(Connection& connection, int version) {
    connection.execute(QStringLiteral("DELETE FROM VORN_STATUS WHERE VS_NAAM = :P1"), {Text(VersionMark)});
    connection.execute(QStringLiteral("INSERT INTO VORN_STATUS (VS_NAAM, VS_WAARDE) VALUES (:P1, :P2)"),
                       {Text(VersionMark), Text(QString::number(version))});
}

QString UpgradeMessage(const UpgradeReport& report) {
    if (!report.upgraded())
        return {};
    QString text = QStringLiteral("De databank werd bijgewerkt van schemaversie %1 naar %2.")
                       .arg(report.from)
                       .arg(report.to);
    if (!report.keptFile.isEmpty())
        text += QStringLiteral(" De oude databank is bewaard als %1.")
                    .arg(QDir::toNativeSeparators(report.keptFile));
    return text;
}

OpenedDatabase OpenAndUpgrade(const ConnectionSettings& settings, const std::vector<MigrationStep>& steps) {
    OpenedDatabase opened;
    opened.settings = settings;
    settings.requireReportTargetFits();
    if (settings.dialect == Dialect::SQLite) {
        opened.upgrade = UpgradeSqliteFile(settings, steps);
        opened.connection = OpenSqlite(settings.target, false);
    } else {
        opened.connection = OpenPostgres(settings.target, settings.reportTarget);
        opened.upgrade = UpgradePostgres(*opened.connection, steps);
    }
    return opened;
}

} // namespace vorn::server
