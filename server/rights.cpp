#include "rights.h"

#include "schema.h"

#include "host/data/errors.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace vorn::server {

namespace {

BindValue Text(const QString& text) {
    return BindValue{BindValue::Kind::Text, 0, text.toStdString()};
}

/// The rows of a statement whose columns are all text, each row's cells in order.
std::vector<QStringList> TextRows(Connection& connection, const QString& sql, int columns,
                                  const std::vector<std::pair<QString, QString>>& params = {}) {
    TParams bound;
    for (const auto& [name, value] : params)
        bound.CreateParam(TFieldType::WideString, name).SetAsString(value);
    std::vector<FieldDef> fields;
    for (int c = 0; c < columns; ++c)
        fields.push_back(FieldDef::wideString(QStringLiteral("C%1").arg(c), 0));
    const Table table = connection.query(sql, bound, fields);
    std::vector<QStringList> rows(table.rowCount());
    for (std::size_t r = 0; r < table.rowCount(); ++r)
        for (const Column& column : table.columns) {
            const std::string_view cell = column.isNull(r) ? std::string_view() : column.bytesAt(r);
            rows[r] << QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
        }
    return rows;
}

QString TextOf(Connection& connection, const QString& sql,
               const std::vector<std::pair<QString, QString>>& params = {}) {
    const auto rows = TextRows(connection, sql, 1, params);
    return rows.empty() ? QString() : rows.front().front();
}

/// A role name in a statement. Names are checked by IsAcceptableUserName (or made by us) first,
/// so quoting them is enough.
QString Quoted(const QString& role) {
    return u'"' + role + u'"';
}

} // namespace

QString AccessRulesScript() {
    QFile file(QStringLiteral(":/vorn/rights.sql"));
    if (!file.open(QIODevice::ReadOnly))
        RaiseDatabaseError(QStringLiteral("De toegangsregels ontbreken in het programma"));
    return QString::fromUtf8(file.readAll());
}

namespace {

bool MayMakeRoles(Connection& connection) {
    return connection
               .queryInteger(QStringLiteral("SELECT (rolsuper OR rolcreaterole)::int FROM pg_roles "
                                            "WHERE rolname = current_user"))
               .value_or(0) == 1;
}

bool RoleExists(Connection& connection, const QString& role) {
    return connection
               .queryInteger(QStringLiteral("SELECT count(*) FROM pg_roles WHERE rolname = :R"), {Text(role)})
               .value_or(0) > 0;
}

QString CurrentUser(Connection& connection) {
    return TextOf(connection, QStringLiteral("SELECT CAST(current_user AS text)"));
}

/// One reading login per user and database: a cluster holds several databases (a test copy beside
/// the real one), each with its own passwords.
QString ReadingLoginName(Connection& connection, const QString& user) {
    const QString place =
        TextOf(connection, QStringLiteral("SELECT current_database() || '.' || current_schema()"));
    const QByteArray hash = QCryptographicHash::hash(place.toUtf8(), QCryptographicHash::Md5).toHex();
    return QStringLiteral("vl_%1_%2").arg(QString::fromLatin1(hash.left(8)), user);
}

QString NewPassword() {
    quint32 words[6];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex());
}

void RequireRegisteredUser(Connection& connection, const QString& user) {
    if (connection
            .queryInteger(QStringLiteral("SELECT count(*) FROM VORN_GEBRUIKER WHERE VU_GEBRUIKER = :U"),
                          {Text(user)})
            .value_or(0) == 0)
        RaiseDatabaseError(QStringLiteral("'%s' is geen gebruiker van Vorn in deze databank; voeg hem "
                                          "eerst toe met \"vorn-admin gebruiker-toevoegen %s\""),
                           {user, user});
}

/// The institution ids of `codes`; every code must name one.
std::vector<std::int64_t> InstitutionIds(Connection& connection, const QStringList& codes) {
    std::vector<std::int64_t> ids;
    for (const QString& code : codes) {
        const auto id = connection.queryInteger(
            QStringLiteral("SELECT min(IS_ID) FROM INSTELLING WHERE upper(IS_CODE) = upper(:C)"),
            {Text(code)});
        if (!id)
            RaiseDatabaseError(QStringLiteral("Er is geen instelling met code '%s'"), {code});
        ids.push_back(*id);
    }
    return ids;
}

/// Runs `change` in a transaction of its own, so that a user is made or removed whole, after the
/// other changes of rights in this database (the same lock as the rules script takes).
template <typename Change> void InTransaction(Connection& connection, Change change) {
    Transaction transaction(connection);
    connection.queryInteger(QStringLiteral("SELECT 1 FROM pg_advisory_xact_lock(1987011182, 1)"));
    change();
    transaction.commit();
}

void MakeReadingLogin(Connection& connection, const QString& user) {
    const QString login = ReadingLoginName(connection, user);
    const QString password = NewPassword();
    // A reading login may sign in and read; it inherits nothing and belongs to no role, so there is
    // no role its statements could take instead.
    const QString attributes =
        QStringLiteral("LOGIN NOINHERIT NOSUPERUSER NOCREATEDB NOCREATEROLE NOREPLICATION NOBYPASSRLS "
                       "PASSWORD '%1'")
            .arg(password);
    connection.executeScript(RoleExists(connection, login)
                                 ? QStringLiteral("ALTER ROLE %1 %2").arg(Quoted(login), attributes)
                                 : QStringLiteral("CREATE ROLE %1 %2").arg(Quoted(login), attributes));
    connection.execute(QStringLiteral("DELETE FROM VORN_GEBRUIKER WHERE VU_GEBRUIKER = :U"), {Text(user)});
    connection.execute(QStringLiteral("INSERT INTO VORN_GEBRUIKER (VU_GEBRUIKER, VU_LEESLOGIN, "
                                      "VU_LEESWACHTWOORD) VALUES (:U, :L, :W)"),
                       {Text(user), Text(login), Text(password)});
    connection.executeScript(
        QStringLiteral(
            "DO $grant$ BEGIN\n"
            "  EXECUTE format('GRANT USAGE ON SCHEMA %I TO %1', current_schema());\n"
            "  EXECUTE format('GRANT SELECT ON ALL TABLES IN SCHEMA %I TO %1', current_schema());\n"
            "END $grant$;\n"
            "REVOKE ALL ON VORN_GEBRUIKER, VORN_TOEGANG FROM %1;\n"
            "REVOKE ALL ON FUNCTION vorn_leesaccount() FROM %1")
            .arg(Quoted(login)));
}

/// The person who set the database up sees every institution in its reports too, when it may make
/// the reading login that takes; others are added by vorn-admin.
void RegisterOwner(Connection& connection) {
    const QString owner = CurrentUser(connection);
    if (!MayMakeRoles(connection) || !IsAcceptableUserName(owner))
        return;
    if (connection
            .queryInteger(QStringLiteral("SELECT count(*) FROM VORN_GEBRUIKER WHERE VU_GEBRUIKER = :U"),
                          {Text(owner)})
            .value_or(0) > 0)
        return;
    MakeReadingLogin(connection, owner);
    connection.execute(
        QStringLiteral("INSERT INTO VORN_TOEGANG (VT_GEBRUIKER, VT_INSTELLING_FK) VALUES (:U, NULL)"),
        {Text(owner)});
}

} // namespace

void InstallAccessRules(Connection& connection) {
    if (connection.dialect() != Dialect::PostgreSQL)
        return;
    connection.executeScript(AccessRulesScript());
    RegisterOwner(connection);
}

std::optional<ReadingLogin> ReadingLoginOfSessionUser(Connection& connection) {
    const auto rows = TextRows(connection,
                               QStringLiteral("SELECT CAST(leeslogin AS text), CAST(wachtwoord AS text) "
                                              "FROM vorn_leesaccount()"),
                               2);
    if (rows.empty())
        return std::nullopt;
    return ReadingLogin{rows.front()[0], rows.front()[1]};
}

QString MissingReadingLoginMessage(const QString& user) {
    return QStringLiteral("Rapporten lopen onder een leesaccount van de gebruiker, en '%1' heeft er in deze "
                          "databank nog geen. Vraag de beheerder van de server:\n"
                          "  vorn-admin --database '<verbinding>' gebruiker-toevoegen %1\n"
                          "  vorn-admin --database '<verbinding>' toegang-geven %1 <instellingscode>...")
        .arg(user);
}

bool IsAcceptableUserName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.@-]{0,49}$"));
    return pattern.match(name).hasMatch();
}

void RequireAdministrator(Connection& connection) {
    if (connection.dialect() != Dialect::PostgreSQL)
        RaiseDatabaseError(QStringLiteral(
            "Gebruikers en rechten bestaan alleen op een PostgreSQL-server; een SQLite-bestand is "
            "voor één gebruiker en wordt beschermd door de rechten op het bestand"));
    const QString user = CurrentUser(connection);
    QStringList missing;
    if (!MayMakeRoles(connection))
        missing << QStringLiteral("het recht om rollen te maken (CREATEROLE)");
    const auto owns = connection.queryInteger(
        QStringLiteral("SELECT (pg_has_role(current_user, tableowner, 'USAGE') OR "
                       "(SELECT rolsuper FROM pg_roles WHERE rolname = current_user))::int "
                       "FROM pg_tables WHERE schemaname = current_schema() AND tablename = 'instelling'"));
    if (!owns)
        RaiseDatabaseError(QStringLiteral("Deze databank heeft (nog) geen tabellen van Vorn; maak ze eerst "
                                          "met vorn-demo of open de databank een eerste keer met Vorn"));
    if (*owns == 0)
        missing << QStringLiteral("eigenaar zijn van de tabellen van Vorn");
    if (!missing.isEmpty())
        RaiseDatabaseError(QStringLiteral("vorn-admin mag dit niet als '%s': daarvoor is nodig: %s. Een "
                                          "superuser geeft het met \"ALTER ROLE %s CREATEROLE\" (en "
                                          "\"ALTER TABLE ... OWNER TO %s\"), of meld u aan als de "
                                          "eigenaar van de databank."),
                           {user, missing.join(QStringLiteral(" en ")), Quoted(user), Quoted(user)});
    if (!HasTable(connection, QStringLiteral("VORN_GEBRUIKER")))
        RaiseDatabaseError(
            QStringLiteral("De databank kent nog geen gebruikers: open ze eerst met deze versie van Vorn, "
                           "die ze bijwerkt"));
}

void AddUser(Connection& connection, const QString& user, const QString& password) {
    if (!IsAcceptableUserName(user))
        RaiseDatabaseError(QStringLiteral("'%s' kan geen gebruikersnaam zijn: gebruik letters, cijfers en "
                                          "_ . @ -, ten hoogste 50 tekens"),
                           {user});
    InTransaction(connection, [&] {
        if (!RoleExists(connection, user)) {
            connection.executeScript(
                password.isEmpty()
                    ? QStringLiteral("CREATE ROLE %1 LOGIN").arg(Quoted(user))
                    : QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD %2")
                          .arg(Quoted(user), TextOf(connection, QStringLiteral("SELECT quote_literal(:P)"),
                                                    {{QStringLiteral("P"), password}})));
        } else if (connection
                       .queryInteger(
                           QStringLiteral("SELECT rolcanlogin::int FROM pg_roles WHERE rolname = :R"),
                           {Text(user)})
                       .value_or(0) == 0) {
            RaiseDatabaseError(QStringLiteral("'%s' is een rol zonder aanmelding, geen gebruiker"), {user});
        }
        if (!RoleExists(connection, QStringLiteral("vorn_gebruiker")))
            connection.executeScript(AccessRulesScript()); // makes the group role now that we may
        connection.executeScript(
            QStringLiteral("SET LOCAL client_min_messages = warning; GRANT vorn_gebruiker TO %1")
                .arg(Quoted(user)));
        MakeReadingLogin(connection, user);
    });
}

void RemoveUser(Connection& connection, const QString& user, bool dropLogin) {
    RequireRegisteredUser(connection, user);
    InTransaction(connection, [&] {
        const QString login = TextOf(
            connection,
            QStringLiteral("SELECT CAST(VU_LEESLOGIN AS text) FROM VORN_GEBRUIKER WHERE VU_GEBRUIKER = :U"),
            {{QStringLiteral("U"), user}});
        connection.execute(QStringLiteral("DELETE FROM VORN_GEBRUIKER WHERE VU_GEBRUIKER = :U"),
                           {Text(user)});
        if (RoleExists(connection, login))
            connection.executeScript(
                QStringLiteral("SET LOCAL client_min_messages = warning; DROP OWNED BY %1; DROP ROLE %1")
                    .arg(Quoted(login)));
        if (RoleExists(connection, user))
            connection.executeScript(QStringLiteral("REVOKE vorn_gebruiker FROM %1").arg(Quoted(user)));
    });
    if (dropLogin && RoleExists(connection, user))
        connection.executeScript(QStringLiteral("DROP ROLE %1").arg(Quoted(user)));
}

void GrantInstitutions(Connection& connection, const QString& user, const QStringList& codes) {
    RequireRegisteredUser(connection, user);
    const std::vector<std::int64_t> ids = InstitutionIds(connection, codes);
    InTransaction(connection, [&] {
        if (ids.empty()) {
            connection.execute(QStringLiteral("DELETE FROM VORN_TOEGANG WHERE VT_GEBRUIKER = :U"),
                               {Text(user)});
            connection.execute(
                QStringLiteral("INSERT INTO VORN_TOEGANG (VT_GEBRUIKER, VT_INSTELLING_FK) VALUES (:U, NULL)"),
                {Text(user)});
            return;
        }
        for (const std::int64_t id : ids)
            connection.execute(QStringLiteral("INSERT INTO VORN_TOEGANG (VT_GEBRUIKER, VT_INSTELLING_FK) "
                                              "SELECT :U, :I WHERE NOT EXISTS (SELECT 1 FROM VORN_TOEGANG "
                                              "WHERE VT_GEBRUIKER = :U2 AND VT_INSTELLING_FK = :I2)"),
                               {Text(user), BindValue{BindValue::Kind::Integer, id, {}}, Text(user),
                                BindValue{BindValue::Kind::Integer, id, {}}});
    });
}

void RevokeInstitutions(Connection& connection, const QString& user, const QStringList& codes) {
    RequireRegisteredUser(connection, user);
    if (codes.isEmpty()) {
        connection.execute(QStringLiteral("DELETE FROM VORN_TOEGANG WHERE VT_GEBRUIKER = :U"), {Text(user)});
        return;
    }
    const std::vector<std::int64_t> ids = InstitutionIds(connection, codes);
    InTransaction(connection, [&] {
        for (const std::int64_t id : ids)
            connection.execute(
                QStringLiteral("DELETE FROM VORN_TOEGANG WHERE VT_GEBRUIKER = :U AND VT_INSTELLING_FK = :I"),
                {Text(user), BindValue{BindValue::Kind::Integer, id, {}}});
    });
}

std::vector<UserAccess> ListAccess(Connection& connection) {
    std::vector<UserAccess> users;
    for (const QStringList& row :
         TextRows(connection,
                  QStringLiteral("SELECT CAST(VU_GEBRUIKER AS text), CAST(VU_LEESLOGIN AS text) "
                                 "FROM VORN_GEBRUIKER ORDER BY VU_GEBRUIKER"),
                  2))
        users.push_back(UserAccess{row[0], row[1], false, {}});
    for (UserAccess& access : users) {
        access.everyInstitution =
            connection
                .queryInteger(QStringLiteral("SELECT count(*) FROM VORN_TOEGANG WHERE VT_GEBRUIKER = :U AND "
                                             "VT_INSTELLING_FK IS NULL"),
                              {Text(access.user)})
                .value_or(0) > 0;
        for (const QStringList& row : TextRows(
                 connection,
                 QStringLiteral("SELECT CAST(IS_CODE AS text), CAST(coalesce(IS_NAAMGEBRUIKER, '') AS text) "
                                "FROM VORN_TOEGANG JOIN INSTELLING ON IS_ID = VT_INSTELLING_FK "
                                "WHERE VT_GEBRUIKER = :U ORDER BY IS_CODE"),
                 2, {{QStringLiteral("U"), access.user}}))
            access.institutions << (row[1].isEmpty() ? row[0]
                                                     : QStringLiteral("%1 (%2)").arg(row[0], row[1]));
    }
    return users;
}

} // namespace vorn::server
