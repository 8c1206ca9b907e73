#include "connection.h"

#include "host/data/errors.h"
#include "host/data/scopeguards.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <chrono>
#include <exception>
#include <fcntl.h>
#include <limits>
#include <sqlite3.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace vorn::server {

namespace {

/// Rows handed over at once when a result is read in batches.
constexpr std::size_t BatchRows = 10000;

/// What the report authorizer last refused on this thread, for the message of the failed statement.
thread_local QString refusedByAuthorizer;

QString errorText(sqlite3* db, int code) {
    switch (code & 0xff) {
    case SQLITE_AUTH:
        return QStringLiteral("Een rapport mag alleen gegevens lezen: %1 is niet toegestaan")
            .arg(refusedByAuthorizer);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral(
            "De databank is vergrendeld door een andere gebruiker; probeer het later opnieuw");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return QStringLiteral("Het databankbestand is beschadigd of is geen SQLite-databank");
    case SQLITE_READONLY:
        return QStringLiteral("De databank laat hier alleen lezen toe");
    case SQLITE_CANTOPEN:
        return QStringLiteral("Het databankbestand kan niet geopend worden");
    case SQLITE_NOMEM:
        return OutOfMemoryMessage();
    default:
        // A refused function is reported as an ordinary error that says so.
        if (QByteArray(sqlite3_errmsg(db)).startsWith("not authorized"))
            return QStringLiteral("Een rapport mag alleen gegevens lezen: %1 is niet toegestaan")
                .arg(refusedByAuthorizer);
        return QStringLiteral("Fout van de databank: %1").arg(QString::fromUtf8(sqlite3_errmsg(db)));
    }
}

/// Functions a report may call: they only compute from their arguments.
bool isPureFunction(const char* name) {
    static const QSet<QByteArray> allowed{
        "abs",        "avg",       "ceil",         "ceiling",      "char",     "coalesce",   "concat",
        "concat_ws",  "count",     "cume_dist",    "date",         "datetime", "dense_rank", "first_value",
        "floor",      "format",    "glob",         "group_concat", "hex",      "ifnull",     "iif",
        "instr",      "julianday", "lag",          "last_value",   "lead",     "length",     "like",
        "likelihood", "likely",    "lower",        "ltrim",        "max",      "min",        "nth_value",
        "ntile",      "nullif",    "octet_length", "percent_rank", "printf",   "quote",      "rank",
        "replace",    "round",     "row_number",   "rtrim",        "sign",     "strftime",   "string_agg",
        "substr",     "substring", "sum",          "time",         "timediff", "total",      "trim",
        "trunc",      "typeof",    "unicode",      "unixepoch",    "unlikely", "upper"};
    return name != nullptr && allowed.contains(QByteArray(name).toLower());
}

void refusal(const QString& what) {
    refusedByAuthorizer = what;
}

/// The read-only statement path may read and compute, nothing else: no writes, no schema changes, no
/// transactions or savepoints, no ATTACH, no PRAGMA, no function outside the pure ones. The handle is
/// read-only as well; this keeps even a harmless-looking statement from changing the session.
int reportAuthorizer(void*, int action, const char* third, const char* fourth, const char*, const char*) {
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_FUNCTION:
        if (isPureFunction(fourth))
            return SQLITE_OK;
        refusal(QStringLiteral("de functie %1").arg(QString::fromUtf8(fourth)));
        return SQLITE_DENY;
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
        refusal(QStringLiteral("een andere databank koppelen"));
        return SQLITE_DENY;
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
        refusal(QStringLiteral("een transactie"));
        return SQLITE_DENY;
    case SQLITE_PRAGMA:
        refusal(QStringLiteral("PRAGMA %1").arg(QString::fromUtf8(third)));
        return SQLITE_DENY;
    default:
        refusal(QStringLiteral("schrijven of de structuur wijzigen"));
        return SQLITE_DENY;
    }
}

/// An INSERT of one row into the columns, with numbered placeholders.
QString InsertText(const QString& table, const QStringList& columns) {
    QStringList placeholders;
    for (qsizetype i = 0; i < columns.size(); ++i)
        placeholders << QStringLiteral("?%1").arg(i + 1);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, columns.join(u','), placeholders.join(u','));
}

/// Owns a prepared statement.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql, bool singleOnly) : db_(db) {
        const QByteArray text = sql.toUtf8();
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &stmt_, &tail);
        if (rc != SQLITE_OK)
            throw EDatabaseError(errorText(db, rc));
        if (stmt_ == nullptr)
            RaiseDatabaseError(QStringLiteral("Lege opdracht voor de databank"));
        if (singleOnly && tail != nullptr && !QByteArray(tail).trimmed().isEmpty() &&
            QByteArray(tail).trimmed() != ";")
            RaiseDatabaseError(QStringLiteral("Een rapport mag maar één opdracht bevatten"));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }

    void bind(const BindList& binds) {
        sqlite3_reset(stmt_);
        for (std::size_t i = 0; i < binds.size(); ++i) {
            const int index = static_cast<int>(i) + 1;
            const BindValue& value = binds[i];
            int rc = SQLITE_OK;
            if (value.kind == BindValue::Kind::Integer)
                rc = sqlite3_bind_int64(stmt_, index, value.integer);
            else if (value.kind == BindValue::Kind::Text)
                rc = sqlite3_bind_text(stmt_, index, value.text.data(), static_cast<int>(value.text.size()),
                                       SQLITE_TRANSIENT);
            else
                rc = sqlite3_bind_null(stmt_, index);
            if (rc != SQLITE_OK && rc != SQLITE_RANGE)
                throw EDatabaseError(errorText(db_, rc));
        }
    }

    /// True while there is a row.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw EDatabaseError(errorText(db_, rc));
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

FieldDef fieldFromDeclaredType(const QString& name, const QString& declared) {
    const QString type = declared.toUpper();
    const auto size = [&type] {
        const qsizetype open = type.indexOf(u'(');
        return open < 0 ? 0 : type.mid(open + 1).section(u',', 0, 0).remove(u')').trimmed().toInt();
    };
    if (type.startsWith(QStringLiteral("BIGINT")))
        return FieldDef::largeint(name);
    if (type.startsWith(QStringLiteral("INT")) || type.startsWith(QStringLiteral("SMALLINT")))
        return FieldDef::integer(name);
    if (type.startsWith(QStringLiteral("NUMERIC")) || type.startsWith(QStringLiteral("DECIMAL"))) {
        const qsizetype open = type.indexOf(u'(');
        const int scale =
            open < 0 ? 0 : type.mid(open + 1).section(u',', 1, 1).remove(u')').trimmed().toInt();
        return FieldDef::decimal(name, size(), scale);
    }
    if (type.startsWith(QStringLiteral("VARCHAR")) || type.startsWith(QStringLiteral("CHAR")))
        return FieldDef::wideString(name, size());
    if (type == QStringLiteral("DATE"))
        return FieldDef::date(name);
    if (type.startsWith(QStringLiteral("TIMESTAMP")))
        return FieldDef::dateTime(name);
    if (type == QStringLiteral("TEXT"))
        return FieldDef::memo(name);
    if (type == QStringLiteral("BLOB"))
        return FieldDef::blob(name);
    if (type.startsWith(QStringLiteral("REAL")) || type.startsWith(QStringLiteral("DOUBLE")) ||
        type.startsWith(QStringLiteral("FLOAT")))
        return FieldDef::floating(name);
    return FieldDef::wideString(name, 0);
}

/// Appends the value of column `c` of the current row to a column typed by `def`.
void appendStepped(Column& column, const FieldDef& def, sqlite3_stmt* stmt, int c) {
    switch (sqlite3_column_type(stmt, c)) {
    case SQLITE_INTEGER:
        if (column.kind() == StorageKind::Int32 ||
            (column.kind() == StorageKind::Int64 && def.type != TFieldType::Decimal))
            column.appendInt(sqlite3_column_int64(stmt, c));
        else
            AppendInteger(column, def, sqlite3_column_int64(stmt, c));
        return;
    case SQLITE_FLOAT:
        AppendReal(column, def, sqlite3_column_double(stmt, c));
        return;
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const auto* text = static_cast<const char*>(sqlite3_column_blob(stmt, c));
        AppendText(column, def,
                   std::string_view(text == nullptr ? "" : text,
                                    static_cast<std::size_t>(sqlite3_column_bytes(stmt, c))));
        return;
    }
    default:
        column.appendNull();
    }
}

/// One column of a statement read without field definitions, filled as the rows are stepped. A
/// column with a declared type keeps it. An expression has none: its type follows the values it
/// holds, from integers to reals to texts, and the rows before are converted when a wider value
/// comes (at most twice per column), so that no row is ever held in a second, untyped form.
class ResultColumn {
public:
    ResultColumn(sqlite3_stmt* stmt, int c) {
        const QString name = QString::fromUtf8(sqlite3_column_name(stmt, c));
        const char* declared = sqlite3_column_decltype(stmt, c);
        typedByValues_ = declared == nullptr;
        def_ = typedByValues_ ? FieldDef::largeint(name)
                              : fieldFromDeclaredType(name, QString::fromUtf8(declared));
        column_ = Column(StorageOf(def_.type));
    }

    void append(sqlite3_stmt* stmt, int c) {
        if (typedByValues_)
            widenFor(sqlite3_column_type(stmt, c));
        appendStepped(column_, def_, stmt, c);
    }
    const FieldDef& field() const { return def_; }
    /// The rows so far; the column starts again empty, of the type it started with.
    Column takeRows() {
        Column rows = std::move(column_);
        if (typedByValues_)
            def_ = FieldDef::largeint(def_.name);
        column_ = Column(StorageOf(def_.type));
        return rows;
    }

private:
    void widenFor(int storageClass) {
        if (storageClass == SQLITE_FLOAT && column_.kind() != StorageKind::Double &&
            column_.kind() != StorageKind::Bytes)
            widenTo(FieldDef::floating(def_.name));
        else if ((storageClass == SQLITE_TEXT || storageClass == SQLITE_BLOB) &&
                 column_.kind() != StorageKind::Bytes)
            widenTo(FieldDef::wideString(def_.name, 0));
    }

    void widenTo(const FieldDef& wider) {
        Column converted(StorageOf(wider.type));
        converted.reserve(column_.size());
        for (std::size_t row = 0; row < column_.size(); ++row) {
            if (column_.isNull(row))
                converted.appendNull();
            else if (column_.kind() == StorageKind::Double)
                AppendReal(converted, wider, column_.doubleAt(row));
            else
                AppendInteger(converted, wider, column_.intAt(row));
        }
        def_ = wider;
        column_ = std::move(converted);
    }

    FieldDef def_;
    Column column_;
    bool typedByValues_ = false;
};

class SqliteConnection : public Connection {
public:
    SqliteConnection(QString path, bool create, int busyTimeoutMs)
        : path_(std::move(path)), busyTimeoutMs_(busyTimeoutMs) {
        if (!create && !QFileInfo::exists(path_))
            RaiseDatabaseError(QStringLiteral("De databank '%s' bestaat niet"), {path_});
        if (create)
            createPrivately(path_);
        db_ = openHandle(SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0));
        const TOnFailure close([this] { sqlite3_close_v2(db_); });
        executeScript(QStringLiteral("PRAGMA foreign_keys = ON"));
        // Reading the schema tells a database from another file at once.
        queryInteger(QStringLiteral("SELECT count(*) FROM sqlite_master"), {});
    }

    /// A new database file is readable by its owner only (pupil and staff data): made empty with
    /// mode 0600 before SQLite opens it, so it is never readable by others for a moment either.
    static void createPrivately(const QString& path) {
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
    }

    ~SqliteConnection() override {
        for (sqlite3* half : halves_)
            sqlite3_close_v2(half);
        sqlite3_close_v2(readOnly_);
        sqlite3_close_v2(db_);
    }

    Dialect dialect() const override { return Dialect::SQLite; }
    QString describe() const override { return QStringLiteral("SQLite %1").arg(path_); }

    Table query(const QString& sql, const TParams& params, const std::vector<FieldDef>& fields) override {
        return run(db_, sql, params, fields, false);
    }

    void queryInBatches(const QString& sql, const TParams& params, const std::vector<FieldDef>& fields,
                        const RowBatches& batch) override {
        if (fields.empty())
            RaiseDatabaseError(QStringLiteral("Rijen in delen lezen vraagt getypeerde velden"));
        run(db_, sql, params, fields, false, &batch);
    }

    Table queryInHalves(const QString& sql, const QString& splitKey, const TParams& params,
                        const std::vector<FieldDef>& fields) override {
        if (!halvesSeeWhatQuerySees() || !beginHalfReads())
            return query(sql, params, fields);
        const HalfReadsEnder end{*this};
        Table odd;
        std::exception_ptr oddFailure;
        std::thread oddReader;
        try {
            oddReader = std::thread([&] {
                try {
                    odd = run(halves_[1], halfSql(sql, splitKey, 1), params, fields, false);
                } catch (...) {
                    oddFailure = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: the first reader reads everything in its own transaction.
            return run(halves_[0], sql, params, fields, false);
        }
        Table even;
        std::exception_ptr evenFailure;
        try {
            even = run(halves_[0], halfSql(sql, splitKey, 0), params, fields, false);
        } catch (...) {
            evenFailure = std::current_exception();
        }
        oddReader.join();
        for (const std::exception_ptr& failure : {evenFailure, oddFailure})
            if (failure)
                std::rethrow_exception(failure);
        even.appendRows(std::move(odd));
        return even;
    }

    Table queryReadOnly(const QString& sql, const TParams& params) override {
        sqlite3* handle = reportHandle(sql);
        return withinLimits(handle, [&] { return run(handle, sql, params, {}, true); });
    }

    void queryReadOnlyInBatches(const QString& sql, const TParams& params, const RowBatches& batch) override {
        sqlite3* handle = reportHandle(sql);
        withinLimits(handle, [&] { return run(handle, sql, params, {}, true, &batch); });
    }

    std::int64_t execute(const QString& sql, const BindList& binds) override {
        Statement statement(db_, NumberPlaceholders(sql, Dialect::SQLite).text, false);
        statement.bind(binds);
        while (statement.step()) {
        }
        return sqlite3_changes64(db_);
    }

    void executeScript(const QString& sql) override {
        char* message = nullptr;
        const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message);
        if (rc != SQLITE_OK) {
            const QString text = message != nullptr ? QString::fromUtf8(message) : errorText(db_, rc);
            sqlite3_free(message);
            if ((rc & 0xff) == SQLITE_NOTADB || (rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_BUSY)
                throw EDatabaseError(errorText(db_, rc));
            throw EDatabaseError(QStringLiteral("Fout van de databank: %1").arg(text));
        }
    }

    std::optional<std::int64_t> queryInteger(const QString& sql, const BindList& binds) override {
        Statement statement(db_, NumberPlaceholders(sql, Dialect::SQLite).text, false);
        statement.bind(binds);
        if (!statement.step() || sqlite3_column_type(statement.get(), 0) == SQLITE_NULL)
            return std::nullopt;
        return sqlite3_column_int64(statement.get(), 0);
    }

    void insertRows(const QString& table, const QStringList& columns,
                    const std::vector<BindList>& rows) override {
        Statement statement(db_, InsertText(table, columns), false);
        for (const BindList& row : rows) {
            statement.bind(row);
            statement.step();
        }
    }

    /// The id column is the table's integer primary key, so each row's id is its row id: no
    /// RETURNING, which costs SQLite a second pass per row.
    std::vector<std::int64_t> insertRowsWithIds(const QString& table, const QString& /*idColumn*/,
                                                const QStringList& columns, const std::vector<BindList>& rows,
                                                std::size_t& failedRow) override {
        Statement statement(db_, InsertText(table, columns), false);
        std::vector<std::int64_t> ids;
        ids.reserve(rows.size());
        for (failedRow = 0; failedRow < rows.size(); ++failedRow) {
            statement.bind(rows[failedRow]);
            while (statement.step()) {
            }
            ids.push_back(sqlite3_last_insert_rowid(db_));
        }
        return ids;
    }

    std::int64_t nextJobId() override {
        const auto id = queryInteger(QStringLiteral("UPDATE VORN_SEQUENCE SET SEQ_VALUE = SEQ_VALUE + 1 "
                                                    "WHERE SEQ_NAME = 'JOB' RETURNING SEQ_VALUE"),
                                     {});
        if (!id)
            RaiseDatabaseError(QStringLiteral("De reeks voor job-id's ontbreekt in de databank"));
        return *id;
    }

    void begin() override { executeScript(QStringLiteral("BEGIN IMMEDIATE")); }
    bool inTransaction() const override { return sqlite3_get_autocommit(db_) == 0; }
    void commit() override { executeScript(QStringLiteral("COMMIT")); }
    void rollback() override { sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); }

private:
    /// Other connections see neither this connection's open transaction nor an in-memory database,
    /// and in WAL mode a writer may commit between the starts of two readers.
    bool halvesSeeWhatQuerySees() {
        const char* file = sqlite3_db_filename(db_, "main");
        if (sqlite3_get_autocommit(db_) == 0 || file == nullptr || *file == '\0')
            return false;
        Statement mode(db_, QStringLiteral("PRAGMA journal_mode"), false);
        return mode.step() &&
               QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(mode.get(), 0)))
                       .compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0;
    }

    /// Starts a read transaction on both half readers. While the first holds its shared lock no
    /// writer can commit, so the second sees the same rows; the second does not wait for a lock, as
    /// a writer waiting for the first would never get it.
    bool beginHalfReads() {
        try {
            for (int half = 0; half < 2; ++half) {
                if (halves_[half] == nullptr) {
                    halves_[half] = openHandle(SQLITE_OPEN_READONLY);
                    sqlite3_busy_timeout(halves_[half], half == 0 ? busyTimeoutMs_ : 0);
                    // A half is read once, front to back: through a small cache and without mapping
                    // the file, so that two readers do not each hold the pages they passed (as fast,
                    // and a million rows need 300 MB instead of 470 MB).
                    sqlite3_exec(halves_[half], "PRAGMA mmap_size = 0; PRAGMA cache_size = -8192", nullptr,
                                 nullptr, nullptr);
                }
                if (sqlite3_exec(halves_[half], "BEGIN; SELECT count(*) FROM sqlite_schema", nullptr, nullptr,
                                 nullptr) != SQLITE_OK) {
                    endHalfReads();
                    return false;
                }
            }
        } catch (const EDatabaseError&) {
            endHalfReads();
            return false;
        }
        return true;
    }

    void endHalfReads() {
        for (sqlite3* half : halves_)
            if (half != nullptr && sqlite3_get_autocommit(half) == 0)
                sqlite3_exec(half, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    struct HalfReadsEnder {
        SqliteConnection& connection;
        ~HalfReadsEnder() { connection.endHalfReads(); }
    };

    /// The rows whose key lies in an even (half 0) or odd (half 1) block of 4096 keys: rows entered
    /// together stay together, so each reader touches only its own part of the tables' pages. The
    /// database flattens the outer condition into the statement, testing it before any join.
    static QString halfSql(const QString& sql, const QString& splitKey, int half) {
        return QStringLiteral("SELECT * FROM (") + sql + QStringLiteral(") WHERE ((") + splitKey +
               QStringLiteral(" >> 12) & 1) = ") + QString::number(half);
    }

    sqlite3* openHandle(int flags) {
        sqlite3* handle = nullptr;
        // A connection is used by one thread at a time: without the per-call mutex, reading a
        // million rows of twenty columns does not take and release sixty million locks.
        const int rc =
            sqlite3_open_v2(path_.toUtf8().constData(), &handle, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            const QString text = errorText(handle, rc);
            sqlite3_close_v2(handle);
            throw EDatabaseError(QStringLiteral("%1 (%2)").arg(text, path_));
        }
        sqlite3_busy_timeout(handle, busyTimeoutMs_);
        sqlite3_extended_result_codes(handle, 1);
        // A large page cache and memory-mapped reads: a statistics query joins a million rows.
        sqlite3_exec(handle,
                     "PRAGMA cache_size = -262144; PRAGMA mmap_size = 1073741824; PRAGMA temp_store = MEMORY",
                     nullptr, nullptr, nullptr);
        return handle;
    }

    /// The rows as one table, or, with `batch`, handed over a batch at a time (the answer is then empty).
    /// The read-only handle reports run on, for one statement.
    /// Why the progress handler stopped the statement under way.
    enum class Stop { None, Requested, TimedOut, OutOfMemory };

    /// Runs a read-only statement under the limits: the progress handler looks at the clock every
    /// few thousand steps of the statement and asks whether to stop at most every 50 ms.
    Table withinLimits(sqlite3* handle, const std::function<Table()>& statement) {
        const ReadOnlyRun announced(readOnlyLimits());
        const auto start = std::chrono::steady_clock::now();
        deadline_ = readOnlyLimits().timeoutSeconds > 0
                        ? start + std::chrono::seconds(readOnlyLimits().timeoutSeconds)
                        : std::chrono::steady_clock::time_point::max();
        nextQuestion_ = start + QuestionInterval;
        stop_ = Stop::None;
        // What the statement takes on top of what the connection holds already (its page caches).
        memoryCeiling_ =
            readOnlyLimits().memoryMegabytes > 0
                ? sqlite3_memory_used() + std::int64_t{readOnlyLimits().memoryMegabytes} * 1024 * 1024
                : std::numeric_limits<std::int64_t>::max();
        sqlite3_progress_handler(handle, 4000, &SqliteConnection::progress, this);
        try {
            Table table = statement();
            sqlite3_progress_handler(handle, 0, nullptr, nullptr);
            return table;
        } catch (const EDatabaseError&) {
            sqlite3_progress_handler(handle, 0, nullptr, nullptr);
            if (stop_ == Stop::Requested)
                throw EDatabaseError(StoppedMessage());
            if (stop_ == Stop::TimedOut)
                throw EDatabaseError(TimedOutMessage(readOnlyLimits()));
            if (stop_ == Stop::OutOfMemory)
                throw EDatabaseError(OutOfReportMemoryMessage(readOnlyLimits()));
            throw;
        } catch (...) {
            sqlite3_progress_handler(handle, 0, nullptr, nullptr);
            throw;
        }
    }

    static int progress(void* self) {
        auto& connection = *static_cast<SqliteConnection*>(self);
        const auto now = std::chrono::steady_clock::now();
        if (now >= connection.deadline_) {
            connection.stop_ = Stop::TimedOut;
            return 1;
        }
        if (sqlite3_memory_used() > connection.memoryCeiling_) {
            connection.stop_ = Stop::OutOfMemory;
            return 1;
        }
        if (now < connection.nextQuestion_ || !connection.readOnlyLimits().stopRequested)
            return 0;
        connection.nextQuestion_ = now + QuestionInterval;
        if (!connection.readOnlyLimits().stopRequested())
            return 0;
        connection.stop_ = Stop::Requested;
        return 1;
    }

    sqlite3* reportHandle(const QString& sql) {
        if (HasSeveralStatements(sql, Dialect::SQLite))
            RaiseDatabaseError(QStringLiteral("Een rapport mag maar één opdracht bevatten"));
        if (readOnly_ == nullptr) {
            readOnly_ = openHandle(SQLITE_OPEN_READONLY);
            sqlite3_exec(readOnly_, "PRAGMA query_only = ON", nullptr, nullptr, nullptr);
            sqlite3_set_authorizer(readOnly_, reportAuthorizer, nullptr);
        }
        return readOnly_;
    }

    Table run(sqlite3* db, const QString& sql, const TParams& params, const std::vector<FieldDef>& fields,
              bool readOnly, const RowBatches* batch = nullptr) {
        const NumberedSql numbered = NumberPlaceholders(sql, Dialect::SQLite);
        Statement statement(db, numbered.text, readOnly);
        if (readOnly && sqlite3_stmt_readonly(statement.get()) == 0)
            RaiseDatabaseError(QStringLiteral("Een rapport mag alleen gegevens lezen"));
        statement.bind(BindsFor(numbered, params));
        const int columnCount = sqlite3_column_count(statement.get());
        if (fields.empty())
            return runUntyped(statement, columnCount, batch);
        if (static_cast<std::size_t>(columnCount) != fields.size())
            RaiseDatabaseError(QStringLiteral("De opdracht levert %d kolommen in plaats van %d"),
                               {columnCount, static_cast<int>(fields.size())});
        Table table(fields);
        sqlite3_stmt* stmt = statement.get();
        while (statement.step()) {
            for (int c = 0; c < columnCount; ++c)
                appendStepped(table.columns[static_cast<std::size_t>(c)],
                              table.fields[static_cast<std::size_t>(c)], stmt, c);
            if (batch != nullptr && table.rowCount() >= BatchRows) {
                (*batch)(table);
                table = Table(fields);
            }
        }
        if (batch == nullptr)
            return table;
        if (table.rowCount() > 0)
            (*batch)(table);
        return Table(fields);
    }

    /// Rows of a statement whose columns are typed by their declared types or, for expressions, by
    /// the values they hold. With `batch`, the rows go out 10,000 at a time (each batch typed by its
    /// own values; the first even without rows) and nothing is kept.
    Table runUntyped(Statement& statement, int columnCount, const RowBatches* batch) {
        sqlite3_stmt* stmt = statement.get();
        std::vector<ResultColumn> columns;
        columns.reserve(static_cast<std::size_t>(columnCount));
        for (int c = 0; c < columnCount; ++c)
            columns.emplace_back(stmt, c);
        std::size_t rows = 0;
        bool sent = false;
        const auto typed = [&columns, &rows] {
            Table table;
            for (ResultColumn& column : columns) {
                table.fields.push_back(column.field());
                table.columns.push_back(column.takeRows());
            }
            rows = 0;
            return table;
        };
        while (statement.step()) {
            for (int c = 0; c < columnCount; ++c)
                columns[static_cast<std::size_t>(c)].append(stmt, c);
            if (batch != nullptr && ++rows == BatchRows) {
                (*batch)(typed());
                sent = true;
            }
        }
        if (batch == nullptr)
            return typed();
        if (rows > 0 || !sent)
            (*batch)(typed());
        return Table();
    }

    QString path_;
    int busyTimeoutMs_;
    sqlite3* db_ = nullptr;
    sqlite3* readOnly_ = nullptr;
    static constexpr std::chrono::milliseconds QuestionInterval{50};
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::steady_clock::time_point nextQuestion_;
    Stop stop_ = Stop::None;
    std::int64_t memoryCeiling_ = std::numeric_limits<std::int64_t>::max();
    sqlite3* halves_[2] = {nullptr, nullptr}; // readers of the even and the odd half
};

} // namespace

std::unique_ptr<Connection> OpenSqlite(const QString& path, bool create, int busyTimeoutMs) {
    return std::make_unique<SqliteConnection>(path, create, busyTimeoutMs);
}

} // namespace vorn::server
