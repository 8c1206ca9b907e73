#pragma once

#include "server/migrations.h"
#include "server/sqlbroker.h"

#include "host/forms/processservices.h"

#include <QString>
#include <memory>
#include <optional>

namespace vorn {

/// The database the client works on: its connection and broker, installed as the host's providers
/// and school years. Another database replaces it whole, in two steps: `Prepare` opens and checks
/// the new one (upgrading an older schema) while the current one stays in use, and `Install` swaps
/// it in once the caller has closed what used the old one. A database that cannot be opened
/// therefore never costs the one that is open.
class TDatabaseSession {
public:
    TDatabaseSession() = default;
    ~TDatabaseSession();
    TDatabaseSession(const TDatabaseSession&) = delete;
    TDatabaseSession& operator=(const TDatabaseSession&) = delete;

    /// Opens and checks a database; raises with a message the user can act on.
    static server::OpenedDatabase Prepare(const server::ConnectionSettings& settings);
    /// Makes the prepared database the current one; `title` names it in the window.
    void Install(server::OpenedDatabase opened, const QString& title);
    /// Limits for read-only statements, for this connection and every later one.
    void SetReadOnlyLimits(server::ReadOnlyLimits limits);

    bool IsOpen() const { return connection_ != nullptr; }
    server::SqlBroker* Broker() const { return broker_.get(); }
    server::Connection* Connection() const { return connection_.get(); }
    const QString& Title() const { return title_; }
    /// Who works on it: the database's session user, or the account on this machine for SQLite.
    const QString& UserName() const { return userName_; }
    const server::UpgradeReport& Upgrade() const { return upgrade_; }
    /// What the user must know about their access before working: on a shared server, that they see
    /// no institution and whom to ask, or that the report server named is not used and why. Empty
    /// when there is nothing to say.
    const QString& AccessMessage() const { return accessMessage_; }

private:
    void uninstall();
    void sweepStaleJobs();

    std::unique_ptr<server::Connection> connection_;
    std::unique_ptr<server::SqlBroker> broker_;
    /// The broker and school years installed for the screens while a database is open.
    std::optional<TServicesScope> services_;
    server::ReadOnlyLimits limits_;
    QString title_;
    QString userName_;
    server::UpgradeReport upgrade_;
    QString accessMessage_;
};

} // namespace vorn
