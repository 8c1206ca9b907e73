#pragma once

#include "connection.h"

#include <optional>
#include <vector>

namespace vorn::server {

/// PostgreSQL: the grant tables, the row-level security that keys every institution's rows on them,
/// the group role of the users and the rights of the reading logins; again after an upgrade. The
/// person running it (the owner of the tables) is registered with every institution when it may
/// make roles. Nothing on SQLite.
void InstallAccessRules(Connection& connection);
/// The script of the access rules (PostgreSQL), as InstallAccessRules runs it.
QString AccessRulesScript();

/// The login a person's reports run as, and its password.
struct ReadingLogin {
    QString role;
    QString password;
};
/// The reading login of the person signed in on the connection, if an administrator made one.
std::optional<ReadingLogin> ReadingLoginOfSessionUser(Connection& connection);
/// What a report says when the person has no reading login: the command that makes one.
QString MissingReadingLoginMessage(const QString& user);

/// Refuses, with what is missing, unless the connection's user may make roles and owns the tables.
void RequireAdministrator(Connection& connection);
/// Whether `name` can be a user's login name here: letters, digits, "_", ".", "@", "-"; at most 50.
bool IsAcceptableUserName(const QString& name);

/// Makes `user` a user of the program: its login role when absent (with `password` when given,
/// else without one, for other ways of signing in), membership of the group role, and a reading
/// login of its own. Grants no institution.
void AddUser(Connection& connection, const QString& user, const QString& password = {});
/// Takes away everything AddUser gave, and the user's grants; the login role itself is dropped
/// only with `dropLogin` (and stays when it owns anything).
void RemoveUser(Connection& connection, const QString& user, bool dropLogin);
/// Grants the institutions with these codes; no codes: every institution, present and future.
void GrantInstitutions(Connection& connection, const QString& user, const QStringList& codes);
/// Takes the grants of these codes back; no codes: every grant of the user.
void RevokeInstitutions(Connection& connection, const QString& user, const QStringList& codes);

struct UserAccess {
    QString user;
    QString readingLogin;
    bool everyInstitution = false;
    QStringList institutions; // codes with names: "SJC (Sint-Jozefscollege)"
};
/// Every user with what it may see, by name.
std::vector<UserAccess> ListAccess(Connection& connection);

} // namespace vorn::server
