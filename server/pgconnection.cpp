#include "connection.h"
#include "rights.h"

#include "host/data/errors.h"

#include <QRegularExpression>
#include <charconv>
#include <chrono>
#include <libpq-fe.h>
#include <poll.h>

namespace vorn::server {

namespace {

// Type oids of the PostgreSQL catalogue that results are typed by.
constexpr Oid BoolOid = 16, ByteaOid = 17, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, TextOid = 25,
              Float4Oid = 700, Float8Oid = 701, BpcharOid = 1042, VarcharOid = 1043, DateOid = 1082,
              TimestampOid = 1114, TimestamptzOid = 1184, NumericOid = 1700;
constexpr int FetchBatch = 10000;

/// Owns a result.
class Result {
public:
    explicit Result(PGresult* result) : result_(result) {}
    ~Result() { PQclear(result_); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    PGresult* get() const { return result_; }

private:
    PGresult* result_;
};

void AppendInteger(std::string& text, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
}

/// An array literal of integers: {1,2,3}.
std::string IntegerArray(const std::vector<std::int64_t>& values) {
    std::string text = "{";
    text.reserve(values.size() * 8 + 2);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += ',';
        AppendInteger(text, values[i]);
    }
    return text + '}';
}

/// What a column of rows holds: integers, texts, or only nulls.
BindValue::Kind ColumnKind(const std::vector<BindList>& rows, std::size_t column) {
    for (const BindList& row : rows)
        if (row.at(column).kind != BindValue::Kind::Null)
            return row[column].kind;
    return BindValue::Kind::Null;
}

/// An array literal of one column's values: every text quoted, with its quotes and backslashes
/// escaped, so that no value can end the literal or read as NULL.
std::string ColumnArray(const std::vector<BindList>& rows, std::size_t column) {
    std::string text = "{";
    text.reserve(rows.size() * 8 + 2);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r > 0)
            text += ',';
        const BindValue& value = rows[r].at(column);
        if (value.kind == BindValue::Kind::Null) {
            text += "NULL";
        } else if (value.kind == BindValue::Kind::Integer) {
            AppendInteger(text, value.integer);
        } else {
            text += '"';
            for (const char c : value.text) {
                if (c == '"' || c == '\\')
                    text += '\\';
                text += c;
            }
            text += '"';
        }
    }
    return text + '}';
}

QString serverMessage(PGconn* conn, PGresult* result) {
    if (PQstatus(conn) == CONNECTION_BAD)
        return QStringLiteral(
            "De verbinding met de databank is verbroken; wat bezig was, is niet bewaard. Probeer "
            "het opnieuw: de client verbindt dan opnieuw.");
    const char* primary = result != nullptr ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    QString text = QString::fromUtf8(primary != nullptr ? primary : PQerrorMessage(conn)).trimmed();
    const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    if (state != nullptr && (QByteArray(state) == "25006" || QByteArray(state) == "42501"))
        return QStringLiteral("Een rapport mag alleen gegevens lezen (%1)").arg(text);
    if (state != nullptr && QByteArray(state) == "57014")
        return QStringLiteral("De opdracht duurde te lang en is afgebroken (%1)").arg(text);
    if (state != nullptr && (QByteArray(state) == "55P03" || QByteArray(state) == "40P01"))
        return QStringLiteral(
            "De databank is vergrendeld door een andere gebruiker; probeer het later opnieuw");
    return QStringLiteral("Fout van de databank: %1").arg(text);
}

std::string decodeBytea(std::string_view text) {
    if (text.size() < 2 || text[0] != '\\' || text[1] != 'x')
        return std::string(text);
    const auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    std::string bytes;
    bytes.reserve((text.size() - 2) / 2);
    for (std::size_t i = 2; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<char>(nibble(text[i]) * 16 + nibble(text[i + 1])));
    return bytes;
}

FieldDef fieldFromOid(const QString& name, Oid type, int modifier) {
    switch (type) {
    case BoolOid:
    case Int2Oid:
        return FieldDef::smallint(name);
    case Int4Oid:
        return FieldDef::integer(name);
    case Int8Oid:
        return FieldDef::largeint(name);
    case NumericOid:
        if (modifier >= 4)
            return FieldDef::decimal(name, ((modifier - 4) >> 16) & 0xffff, (modifier - 4) & 0xffff);
        return FieldDef::floating(name);
    case Float4Oid:
    case Float8Oid:
        return FieldDef::floating(name);
    case VarcharOid:
    case BpcharOid:
        return FieldDef::wideString(name, modifier >= 4 ? modifier - 4 : 0);
    case TextOid:
        return FieldDef::memo(name);
    case DateOid:
        return FieldDef::date(name);
    case TimestampOid:
    case TimestamptzOid:
        return FieldDef::dateTime(name);
    case ByteaOid:
        return FieldDef::blob(name);
    default:
        return FieldDef::wideString(name, 0);
    }
}

/// Unquoted names come back in lower case; shown in upper case like the rest of the system.
QString columnName(const char* name) {
    const QString text = QString::fromUtf8(name);
    return text == text.toLower() ? text.toUpper() : text;
}

/// What a user can do about libpq's reason for a failed connection, in Dutch; empty when the
/// reason is not one of the usual ones.
QString ConnectionFailureHintFor(const QString& reason) {
    const auto has = [&reason](const char* text) {
        return reason.contains(QLatin1String(text), Qt::CaseInsensitive);
    };
    if (has("could not translate host name") || has("Name or service not known"))
        return QStringLiteral("De server werd niet gevonden: kijk de naam van de server na.");
    if (has("Connection refused"))
        return QStringLiteral("De server weigert de verbinding: kijk de servernaam en de poort na, en of "
                              "PostgreSQL daar draait en de firewall de poort doorlaat.");
    if (has("timeout expired") || has("timed out"))
        return QStringLiteral("De server antwoordt niet: kijk de servernaam en de poort na.");
    if (has("no password supplied"))
        return QStringLiteral("De server vraagt een wachtwoord: vul het in, of zet het in ~/.pgpass.");
    if (has("password authentication failed"))
        return QStringLiteral("De gebruikersnaam of het wachtwoord is fout.");
    if (has("role") && has("does not exist"))
        return QStringLiteral(
            "Deze gebruiker bestaat niet op de server: vraag de beheerder hem aan te maken.");
    if (has("database") && has("does not exist"))
        return QStringLiteral(
            "Deze databank bestaat niet op de server: kijk de naam na of vraag de beheerder "
            "ze aan te maken.");
    if (has("root certificate file") && has("does not exist"))
        return QStringLiteral("Het CA-bestand ontbreekt: kies het bestand met het certificaat van de "
                              "certificaatautoriteit.");
    if (has("certificate") || has("SSL error") || has("server common name") ||
        has("does not match host name"))
        return QStringLiteral(
            "Het certificaat van de server kon niet gecontroleerd worden: kijk het CA-bestand "
            "en de servernaam na (die moet overeenkomen met het certificaat).");
    if (has("server does not support SSL"))
        return QStringLiteral("De server kent geen versleutelde verbindingen: kies een andere TLS-modus of "
                              "vraag de beheerder TLS aan te zetten.");
    if (has("no pg_hba.conf entry"))
        return QStringLiteral(
            "De server laat deze gebruiker of deze machine niet toe (pg_hba.conf): vraag de "
            "beheerder.");
    if (has("definition of service") || has("service file"))
        return QStringLiteral("Deze dienst staat niet in het dienstenbestand (pg_service.conf).");
    if (has("No such file or directory") && has("socket"))
        return QStringLiteral(
            "Er draait geen PostgreSQL-server op deze machine: geef de naam van de server.");
    return {};
}

/// How long the reads stay on the primary after the standby failed, before it is tried again.
constexpr std::chrono::seconds StandbyRetry{30};

QString StandbyLostMessage(const QString& standby, const QString& reason) {
    return QStringLiteral(
               "De rapportserver (%1) viel weg tijdens het lezen: %2\nDe volgende ophalingen lezen "
               "van de hoofdserver; de rapportserver wordt na %3 s opnieuw geprobeerd.")
        .arg(standby, reason)
        .arg(StandbyRetry.count());
}

class PgConnection : public Connection {
public:
    explicit PgConnection(const QString& connectionString, const std::optional<ReadingLogin>& login = {})
        : connectionString_(connectionString), description_(safeDescription(connectionString)) {
        conn_ =
            login ? connectAs(connectionString, *login) : PQconnectdb(connectionString.toUtf8().constData());
        if (PQstatus(conn_) != CONNECTION_OK) {
            const QString reason = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
            PQfinish(conn_);
            const QString hint = ConnectionFailureHintFor(reason);
            throw EDatabaseError(
                hint.isEmpty()
                    ? QStringLiteral("Geen verbinding met PostgreSQL (%1): %2").arg(description_, reason)
                    : QStringLiteral("Geen verbinding met PostgreSQL (%1): %2\n(%3)")
                          .arg(description_, hint, reason));
        }
        applySessionSettings();
    }
    ~PgConnection() override { PQfinish(conn_); }
    void setStandby(const QString& connectionString) { standbyString_ = connectionString; }

    Dialect dialect() const override { return Dialect::PostgreSQL; }
    QString describe() const override { return description_; }

    Table query(const QString& sql, const TParams& params, const std::vector<FieldDef>& fields) override {
        return standbyGuarded([&] { return runCursor(sql, params, fields); });
    }

    /// A report runs on a connection of its own, as the report role that may only read, in a
    /// read-only transaction that is rolled back, with a time limit; afterwards the session is reset,
    /// so that nothing a statement set or took (settings, advisory locks) outlives it.
    void queryInBatches(const QString& sql, const TParams& params, const std::vector<FieldDef>& fields,
                        const RowBatches& batch) override {
        if (fields.empty())
            RaiseDatabaseError(QStringLiteral("Rijen in delen lezen vraagt getypeerde velden"));
        standbyGuarded([&] { runCursor(sql, params, fields, &batch); });
    }

    Table queryReadOnly(const QString& sql, const TParams& params) override {
        return standbyGuarded([&] {
            PgConnection& reports = reportConnection(sql);
            const ReadOnlyRun announced(readOnlyLimits());
            return reports.runReport(sql, params, currentSearchPath(), readOnlyLimits());
        });
    }

    void queryReadOnlyInBatches(const QString& sql, const TParams& params, const RowBatches& batch) override {
        standbyGuarded([&] {
            PgConnection& reports = reportConnection(sql);
            const ReadOnlyRun announced(readOnlyLimits());
            reports.runReport(sql, params, currentSearchPath(), readOnlyLimits(), &batch);
        });
    }

    /// The standby while it answers; after it failed, this server until it is tried again.
    Connection& reader() override {
        if (standbyString_.isEmpty() || inTransaction_ || std::chrono::steady_clock::now() < standbyRetryAt_)
            return *this;
        try {
            PgConnection& standby = openedStandby();
            standby.setReadOnlyLimits(readOnlyLimits());
            standbyProblem_.clear();
            return standby;
        } catch (const EDatabaseError& error) {
            standbyRetryAt_ = std::chrono::steady_clock::now() + StandbyRetry;
            standbyProblem_ =
                QStringLiteral("De rapportserver wordt niet gebruikt; statistieken en rapporten "
                               "lezen van de hoofdserver. %1")
                    .arg(error.message());
            return *this;
        }
    }

    QString readerProblem() const override { return standbyProblem_; }

    std::int64_t execute(const QString& sql, const BindList& binds) override {
        Result result(run(NumberPlaceholders(sql, Dialect::PostgreSQL).text, binds));
        const char* count = PQcmdTuples(result.get());
        return count != nullptr && *count != 0 ? std::atoll(count) : 0;
    }

    void executeScript(const QString& sql) override {
        reconnectIfLost();
        Result result(PQexec(conn_, sql.toUtf8().constData()));
        check(result.get());
    }

    std::optional<std::int64_t> queryInteger(const QString& sql, const BindList& binds) override {
        Result result(run(NumberPlaceholders(sql, Dialect::PostgreSQL).text, binds));
        if (PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 0))
            return std::nullopt;
        return std::atoll(PQgetvalue(result.get(), 0, 0));
    }

    void insertRows(const QString& table, const QStringList& columns,
                    const std::vector<BindList>& rows) override {
        {
            Result start(PQexec(conn_, QStringLiteral("COPY %1 (%2) FROM STDIN")
                                           .arg(table, columns.join(u','))
                                           .toUtf8()
                                           .constData()));
            if (PQresultStatus(start.get()) != PGRES_COPY_IN)
                throw EDatabaseError(serverMessage(conn_, start.get()));
        }
        std::string buffer;
        for (const BindList& row : rows) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                if (i > 0)
                    buffer += '\t';
                appendCopyValue(buffer, row[i]);
            }
            buffer += '\n';
            if (buffer.size() > (1 << 20))
                flushCopy(buffer);
        }
        flushCopy(buffer);
        if (PQputCopyEnd(conn_, nullptr) != 1)
            throw EDatabaseError(serverMessage(conn_, nullptr));
        Result end(PQgetResult(conn_));
        check(end.get());
        while (PGresult* extra = PQgetResult(conn_))
            PQclear(extra);
    }

    /// The ids come from the column's sequence in one query; the rows then go as one statement
    /// with a parameter per column holding that column's values as an array, so that the server
    /// parses and plans once (COPY would be a little faster still, but it refuses tables under
    /// row-level security, as the job table is). A failing row is not told apart: `failedRow` is 0.
    std::vector<std::int64_t> insertRowsWithIds(const QString& table, const QString& idColumn,
                                                const QStringList& columns, const std::vector<BindList>& rows,
                                                std::size_t& failedRow) override {
        failedRow = 0;
        std::vector<std::int64_t> ids = idsFromSequence(table, idColumn, rows.size());
        if (rows.empty())
            return ids;
        BindList arrays{BindValue{BindValue::Kind::Text, 0, IntegerArray(ids)}};
        QStringList unnested{QStringLiteral("$1::int8[]")};
        QStringList selected{QStringLiteral("u.c0")};
        QStringList names{QStringLiteral("c0")};
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const BindValue::Kind kind = ColumnKind(rows, static_cast<std::size_t>(c));
            if (kind == BindValue::Kind::Null) {
                selected << QStringLiteral("NULL"); // takes the column's type
                continue;
            }
            arrays.push_back(
                BindValue{BindValue::Kind::Text, 0, ColumnArray(rows, static_cast<std::size_t>(c))});
            unnested << QStringLiteral("$%1::%2[]")
                            .arg(arrays.size())
                            .arg(kind == BindValue::Kind::Integer ? QStringLiteral("int8")
                                                                  : QStringLiteral("text"));
            names << QStringLiteral("c%1").arg(c + 1);
            selected << QStringLiteral("u.c%1").arg(c + 1);
        }
        Result inserted(run(QStringLiteral("INSERT INTO %1 (%2,%3) SELECT %4 FROM unnest(%5) AS u(%6)")
                                .arg(table, idColumn, columns.join(u','), selected.join(u','),
                                     unnested.join(u','), names.join(u',')),
                            arrays));
        return ids;
    }

    std::int64_t nextJobId() override {
        return queryInteger(QStringLiteral("SELECT nextval('job_seq')"), {}).value_or(0);
    }

    void begin() override {
        executeScript(QStringLiteral("BEGIN"));
        inTransaction_ = true;
    }
    bool inTransaction() const override { return inTransaction_; }
    void commit() override {
        inTransaction_ = false;
        executeScript(QStringLiteral("COMMIT"));
    }
    void rollback() override {
        inTransaction_ = false;
        PQclear(PQexec(conn_, "ROLLBACK"));
    }

private:
    // Statistics join large tables: room to hash them in memory, and plans for the whole result even
    // when it is read through a cursor.
    void applySessionSettings() {
        executeScript(QStringLiteral("SET client_encoding TO 'UTF8'; SET DateStyle TO ISO, YMD; "
                                     "SET lock_timeout TO '5s'; SET work_mem TO '64MB'; SET jit TO off; "
                                     "SET cursor_tuple_fraction TO 1.0"));
    }

    /// The report sees the tables the client sees.
    QString currentSearchPath() {
        Result result(run(QStringLiteral("SELECT current_setting('search_path')"), {}));
        return QString::fromUtf8(PQgetvalue(result.get(), 0, 0));
    }

    /// The connection of its own that reports run on, for one statement: signed in as the user's
    /// reading login, which may only read what the user may see and cannot become another role.
    PgConnection& reportConnection(const QString& sql) {
        if (HasSeveralStatements(sql, Dialect::PostgreSQL))
            RaiseDatabaseError(QStringLiteral("Een rapport mag maar één opdracht bevatten"));
        if (!reports_) {
            const bool hasLogins =
                queryInteger(
                    QStringLiteral("SELECT (to_regprocedure('vorn_leesaccount()') IS NOT NULL)::int"), {})
                    .value_or(0) == 1;
            const std::optional<ReadingLogin> login =
                hasLogins ? ReadingLoginOfSessionUser(*this) : std::nullopt;
            if (!login) {
                Result user(run(QStringLiteral("SELECT session_user"), {}));
                throw EDatabaseError(
                    MissingReadingLoginMessage(QString::fromUtf8(PQgetvalue(user.get(), 0, 0))));
            }
            reports_ = std::make_unique<PgConnection>(connectionString_, login);
        }
        return *reports_;
    }

    /// The connection string's server and database, signed in as `login` whatever user or password
    /// (file, service, environment) the string would take.
    static PGconn* connectAs(const QString& connectionString, const ReadingLogin& login) {
        const QByteArray target = connectionString.toUtf8();
        const QByteArray user = login.role.toUtf8();
        const QByteArray password = login.password.toUtf8();
        const char* keywords[] = {"dbname", "user", "password", nullptr};
        const char* values[] = {target.constData(), user.constData(), password.constData(), nullptr};
        return PQconnectdbParams(keywords, values, 1);
    }

    Table runReport(const QString& sql, const TParams& params, const QString& searchPath,
                    const ReadOnlyLimits& limits, const RowBatches* batch = nullptr) {
        const NumberedSql numbered = NumberPlaceholders(sql, Dialect::PostgreSQL);
        executeScript(QStringLiteral("BEGIN TRANSACTION READ ONLY"));
        stopRequested_ = limits.stopRequested;
        cancelSent_ = false;
        try {
            Result path(run(QStringLiteral("SELECT set_config('search_path', $1, true)"),
                            {BindValue{BindValue::Kind::Text, 0, searchPath.toStdString()}}));
            // The server stops the statement at the limit; 0 means no limit to it too.
            executeScript(QStringLiteral("SET LOCAL statement_timeout TO '%1s'").arg(limits.timeoutSeconds));
            Result declared(run(QStringLiteral("DECLARE vorn_rows NO SCROLL CURSOR FOR ") + numbered.text,
                                BindsFor(numbered, params)));
            Table table = fetchAll({}, batch);
            stopRequested_ = nullptr;
            endReport();
            return table;
        } catch (const EDatabaseError&) {
            stopRequested_ = nullptr;
            const QByteArray state = lastSqlState_; // ending the report runs statements of its own
            endReport();
            if (cancelSent_)
                throw EDatabaseError(StoppedMessage());
            if (state == "57014")
                throw EDatabaseError(TimedOutMessage(limits));
            throw;
        } catch (...) {
            stopRequested_ = nullptr;
            endReport();
            throw;
        }
    }

    /// Nothing a report did stays: its transaction is rolled back and the session reset.
    void endReport() {
        PQclear(PQexec(conn_, "ROLLBACK"));
        PQclear(PQexec(conn_, "DISCARD ALL"));
        applySessionSettings();
    }

    static QString safeDescription(const QString& connectionString) {
        QString text = connectionString;
        // A quoted password may hold blanks and escaped quotes; all of it goes.
        text.replace(QRegularExpression(QStringLiteral("password\\s*=\\s*('(?:[^'\\\\]|\\\\.)*'|\\S+)")),
                     QStringLiteral("password=***"));
        text.replace(QRegularExpression(QStringLiteral("(://[^:/@]*):[^@]*@")), QStringLiteral("\\1:***@"));
        return QStringLiteral("PostgreSQL %1").arg(text);
    }

    /// While a report's rows are awaited, the question whether to stop is asked every 50 ms; a yes
    /// asks the server to cancel the statement, which then ends with an error.
    void waitAskingWhetherToStop() {
        if (!stopRequested_)
            return;
        while (PQisBusy(conn_) != 0) {
            pollfd socket{PQsocket(conn_), POLLIN, 0};
            poll(&socket, 1, 50);
            if (PQconsumeInput(conn_) == 0)
                return; // the connection failed: PQgetResult says how
            if (!cancelSent_ && stopRequested_())
                sendCancel();
        }
    }

    void sendCancel() {
        cancelSent_ = true;
        if (PGcancel* cancel = PQgetCancel(conn_)) {
            char message[256];
            PQcancel(cancel, message, sizeof message);
            PQfreeCancel(cancel);
        }
    }

    void check(PGresult* result) {
        const ExecStatusType status = PQresultStatus(result);
        const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        lastSqlState_ = state != nullptr ? QByteArray(state) : QByteArray();
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_IN)
            return;
        throw EDatabaseError(serverMessage(conn_, result));
    }

    /// A connection the server dropped (a restart, a network fault) is made again before the next
    /// statement. Inside a transaction that statement fails instead: the transaction is gone.
    void reconnectIfLost() {
        if (inTransaction_)
            return;
        // libpq learns that the server went only when it reads: a closed socket reads as the end.
        PQconsumeInput(conn_);
        if (PQstatus(conn_) != CONNECTION_BAD)
            return;
        PQreset(conn_);
        if (PQstatus(conn_) != CONNECTION_OK)
            throw EDatabaseError(QStringLiteral("Geen verbinding met PostgreSQL (%1): %2")
                                     .arg(description_, QString::fromUtf8(PQerrorMessage(conn_)).trimmed()));
        applySessionSettings();
    }

    PGresult* run(const QString& text, const BindList& binds) {
        reconnectIfLost();
        std::vector<const char*> values;
        std::vector<std::string> texts;
        texts.reserve(binds.size());
        for (const BindValue& bind : binds) {
            if (bind.kind == BindValue::Kind::Null) {
                values.push_back(nullptr);
                continue;
            }
            texts.push_back(bind.kind == BindValue::Kind::Integer ? std::to_string(bind.integer) : bind.text);
            values.push_back(texts.back().c_str());
        }
        return checked(PQexecParams(conn_, text.toUtf8().constData(), static_cast<int>(values.size()),
                                    nullptr, values.data(), nullptr, nullptr, 0));
    }

    std::vector<std::int64_t> idsFromSequence(const QString& table, const QString& idColumn,
                                              std::size_t count) {
        // The sequence's name once, not for every id.
        Result result(
            run(QStringLiteral("SELECT nextval((SELECT pg_get_serial_sequence($1, $2))::regclass) FROM "
                               "generate_series(1, $3) ORDER BY 1"),
                {BindValue{BindValue::Kind::Text, 0, table.toLower().toStdString()},
                 BindValue{BindValue::Kind::Text, 0, idColumn.toLower().toStdString()},
                 BindValue{BindValue::Kind::Integer, static_cast<std::int64_t>(count), {}}}));
        if (static_cast<std::size_t>(PQntuples(result.get())) != count)
            RaiseDatabaseError(QStringLiteral("De server gaf te weinig id's voor de nieuwe rijen"));
        std::vector<std::int64_t> ids;
        ids.reserve(count);
        for (int row = 0; row < PQntuples(result.get()); ++row)
            ids.push_back(std::atoll(PQgetvalue(result.get(), row, 0)));
        return ids;
    }

    /// The result when it reports success; otherwise it is freed and its message raised.
    PGresult* checked(PGresult* result) {
        try {
            check(result);
        } catch (...) {
            PQclear(result);
            throw;
        }
        return result;
    }

    /// Streams the rows through a cursor, so a million rows never sit in the client library twice.
    Table runCursor(const QString& sql, const TParams& params, const std::vector<FieldDef>& fields,
                    const RowBatches* batch = nullptr) {
        const NumberedSql numbered = NumberPlaceholders(sql, Dialect::PostgreSQL);
        const bool ownTransaction = !inTransaction_;
        if (ownTransaction)
            executeScript(QStringLiteral("BEGIN"));
        try {
            Result declared(run(QStringLiteral("DECLARE vorn_rows NO SCROLL CURSOR FOR ") + numbered.text,
                                BindsFor(numbered, params)));
            Table table = fetchAll(fields, batch);
            executeScript(QStringLiteral("CLOSE vorn_rows"));
            if (ownTransaction)
                executeScript(QStringLiteral("COMMIT"));
            return table;
        } catch (...) {
            if (ownTransaction)
                PQclear(PQexec(conn_, "ROLLBACK"));
            throw;
        }
    }

    void sendFetch(const QByteArray& fetch) {
        if (PQsendQuery(conn_, fetch.constData()) != 1)
            throw EDatabaseError(serverMessage(conn_, nullptr));
    }

    /// The result of the query sent last; libpq needs every result read before the next query.
    PGresult* awaitResult() {
        waitAskingWhetherToStop();
        PGresult* result = PQgetResult(conn_);
        while (PGresult* extra = PQgetResult(conn_))
            PQclear(extra);
        return checked(result);
    }

    /// Asks for the next batch before reading the current one, so the server produces rows while
    /// the client converts them.
    Table fetchAll(const std::vector<FieldDef>& fields, const RowBatches* sink = nullptr) {
        const QByteArray fetch = QStringLiteral("FETCH FORWARD %1 FROM vorn_rows").arg(FetchBatch).toUtf8();
        Table table;
        std::vector<bool> bytea;
        sendFetch(fetch);
        for (bool first = true;; first = false) {
            Result batch(awaitResult());
            PGresult* r = batch.get();
            const int columns = PQnfields(r);
            if (first) {
                table = Table(fields.empty() ? describe(r) : fields);
                if (table.fields.size() != static_cast<std::size_t>(columns))
                    RaiseDatabaseError(QStringLiteral("De opdracht levert %d kolommen in plaats van %d"),
                                       {columns, static_cast<int>(table.fields.size())});
                for (int c = 0; c < columns; ++c)
                    bytea.push_back(PQftype(r, c) == ByteaOid);
            }
            const int rows = PQntuples(r);
            const bool more = rows == FetchBatch;
            if (more)
                sendFetch(fetch);
            appendRows(table, r, rows, bytea);
            if (sink != nullptr) {
                // Handed over per fetched batch: the rows never pile up here. The first comes
                // even when empty, with the columns.
                if (first || table.rowCount() > 0)
                    (*sink)(table);
                table = Table(table.fields);
            }
            if (!more)
                return table;
        }
    }

    static void appendRows(Table& table, PGresult* r, int rows, const std::vector<bool>& bytea) {
        const int columns = PQnfields(r);
        for (int row = 0; row < rows; ++row)
            for (int c = 0; c < columns; ++c) {
                Column& column = table.columns[static_cast<std::size_t>(c)];
                if (PQgetisnull(r, row, c)) {
                    column.appendNull();
                    continue;
                }
                const std::string_view text(PQgetvalue(r, row, c),
                                            static_cast<std::size_t>(PQgetlength(r, row, c)));
                if (bytea[static_cast<std::size_t>(c)])
                    column.appendBytes(decodeBytea(text));
                else
                    AppendText(column, table.fields[static_cast<std::size_t>(c)], text);
            }
    }

    static std::vector<FieldDef> describe(PGresult* result) {
        std::vector<FieldDef> defs;
        for (int c = 0; c < PQnfields(result); ++c)
            defs.push_back(
                fieldFromOid(columnName(PQfname(result, c)), PQftype(result, c), PQfmod(result, c)));
        return defs;
    }

    static void appendCopyValue(std::string& buffer, const BindValue& value) {
        if (value.kind == BindValue::Kind::Null) {
            buffer += "\\N";
        } else if (value.kind == BindValue::Kind::Integer) {
            buffer += std::to_string(value.integer);
        } else {
            for (const char c : value.text) {
                switch (c) {
                case '\\':
                    buffer += "\\\\";
                    break;
                case '\t':
                    buffer += "\\t";
                    break;
                case '\n':
                    buffer += "\\n";
                    break;
                case '\r':
                    buffer += "\\r";
                    break;
                default:
                    buffer += c;
                }
            }
        }
    }

    void flushCopy(std::string& buffer) {
        if (!buffer.empty() && PQputCopyData(conn_, buffer.data(), static_cast<int>(buffer.size())) != 1)
            throw EDatabaseError(serverMessage(conn_, nullptr));
        buffer.clear();
    }

    /// The standby, opened when first read from; it sees the tables this connection sees.
    PgConnection& openedStandby() {
        if (!standby_) {
            auto standby = std::make_unique<PgConnection>(standbyString_);
            // Another server's database of the same name would give other figures without a word.
            if (standby->clusterIdentity() != clusterIdentity())
                throw EDatabaseError(
                    QStringLiteral("%1 is geen standby van deze databank.").arg(standby->describe()));
            standby->primary_ = this;
            standby_ = std::move(standby);
        }
        Result path(standby_->run(QStringLiteral("SELECT set_config('search_path', $1, false)"),
                                  {BindValue{BindValue::Kind::Text, 0, currentSearchPath().toStdString()}}));
        return *standby_;
    }

    /// The cluster's system identifier, which a streaming standby shares with its primary, and the
    /// database's name.
    QString clusterIdentity() {
        Result result(run(QStringLiteral("SELECT system_identifier::text || '/' || current_database() FROM "
                                         "pg_control_system()"),
                          {}));
        return QString::fromUtf8(PQgetvalue(result.get(), 0, 0));
    }

    /// On a standby, a read that failed because the server went away says so, and sends the reads
    /// to the primary until the standby is tried again.
    template <typename Read> auto standbyGuarded(const Read& read) -> decltype(read()) {
        if (primary_ == nullptr)
            return read();
        try {
            return read();
        } catch (const EDatabaseError& error) {
            if (!lost())
                throw;
            primary_->standbyRetryAt_ = std::chrono::steady_clock::now() + StandbyRetry;
            throw EDatabaseError(StandbyLostMessage(description_, error.message()));
        }
    }

    bool lost() const {
        return PQstatus(conn_) == CONNECTION_BAD || (reports_ && PQstatus(reports_->conn_) == CONNECTION_BAD);
    }

    std::function<bool()> stopRequested_; // set while a report's rows are awaited
    bool cancelSent_ = false;
    QByteArray lastSqlState_;
    QString connectionString_;
    std::unique_ptr<PgConnection> reports_;
    QString standbyString_;                 // empty: no standby
    std::unique_ptr<PgConnection> standby_; // opened when first read from
    PgConnection* primary_ = nullptr;       // set on the standby's own connection
    std::chrono::steady_clock::time_point standbyRetryAt_;
    QString standbyProblem_; // why the reads last went to the primary although a standby is named
    PGconn* conn_ = nullptr;
    QString description_;
    bool inTransaction_ = false;
};

} // namespace

std::unique_ptr<Connection> OpenPostgres(const QString& connectionString, const QString& standby) {
    auto connection = std::make_unique<PgConnection>(connectionString);
    connection->setStandby(standby);
    return connection;
}

} // namespace vorn::server
