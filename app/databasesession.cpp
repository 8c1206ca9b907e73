#include "databasesession.h"

#include "server/jobregister.h"

#include "host/data/errors.h"
#include "host/data/provider.h"
#include "host/data/schoolyear.h"

#include <QDir>

namespace vorn {

namespace {

QString SessionUser(server::Connection& connection) {
    if (connection.dialect() == server::Dialect::SQLite) {
        const QString account = qEnvironmentVariable("USER");
        return account.isEmpty() ? QDir::home().dirName() : account;
    }
    const Table rows = connection.query(QStringLiteral("SELECT CAST(session_user AS text)"), TParams(), {});
    if (rows.rowCount() == 0 || rows.columns[0].isNull(0))
        return {};
    const std::string_view name = rows.columns[0].bytesAt(0);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

/// On a shared server a user sees only the institutions granted to them; with none, the screens
/// would stay empty without saying why.
QString AccessMessageFor(server::Connection& connection, const QString& user) {
    if (connection.dialect() != server::Dialect::PostgreSQL ||
        connection.queryInteger(QStringLiteral("SELECT count(*) FROM INSTELLING")).value_or(0) > 0)
        return {};
    return QStringLiteral(
               "Gebruiker '%1' ziet in deze databank nog geen enkele instelling: de beheerder van de "
               "server geeft ze u (met \"vorn-admin toegang-geven %1 CODE\"). Tot dan blijven de "
               "schermen leeg.")
        .arg(user);
}

} // namespace

TDatabaseSession::~TDatabaseSession() {
    uninstall();
}

server::OpenedDatabase TDatabaseSession::Prepare(const server::ConnectionSettings& settings) {
    return server::OpenAndUpgrade(settings);
}

void TDatabaseSession::Install(server::OpenedDatabase opened, const QString& title) {
    uninstall();
    connection_ = std::move(opened.connection);
    connection_->setReadOnlyLimits(limits_);
    broker_ = std::make_unique<server::SqlBroker>(*connection_);
    upgrade_ = opened.upgrade;
    title_ = title;
    userName_ = SessionUser(*connection_);
    accessMessage_ = AccessMessageFor(*connection_, userName_);
    connection_->reader(); // a named report server is tried now, so that a problem is told at once
    if (const QString problem = connection_->readerProblem(); !problem.isEmpty())
        accessMessage_ = accessMessage_.isEmpty() ? problem : accessMessage_ + u'\n' + problem;
    sweepStaleJobs();
    server::RemoveJobsOnTerminationSignals(opened.settings);
    services_.emplace(TProcessServices{.broker = broker_.get(), .schoolYears = broker_.get()});
}

/// Rows of prints whose program was stopped are removed before anything prints again. A sweep that
/// fails (a read-only database, a user without rights to the jobs) leaves them for the next one.
void TDatabaseSession::sweepStaleJobs() {
    try {
        server::SweepStaleJobs(*connection_);
    } catch (const EVornError&) {
    }
}

void TDatabaseSession::SetReadOnlyLimits(server::ReadOnlyLimits limits) {
    limits_ = std::move(limits);
    if (connection_)
        connection_->setReadOnlyLimits(limits_);
}

void TDatabaseSession::uninstall() {
    if (!connection_)
        return;
    services_.reset();
    broker_.reset();
    connection_.reset();
}

} // namespace vorn
