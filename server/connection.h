#pragma once

#include "sqltext.h"
#include "values.h"

#include "host/data/fielddef.h"
#include "host/data/params.h"
#include "host/data/table.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vorn::server {

using BindList = std::vector<BindValue>;

/// What bounds the client's read-only statements (queryReadOnly and its batches): a time limit, and
/// a question asked now and then while one runs, whose answer true stops it. `running` hears when
/// such a statement starts (true) and ends (false), so that a client can offer to stop it.
struct ReadOnlyLimits {
    int timeoutSeconds = 60; // 0: no limit
    std::function<bool()> stopRequested;
    std::function<void(bool)> running;
    /// SQLite: the memory a statement may take for itself (sorts, temporary tables), in MB; 0: no limit.
    int memoryMegabytes = 1024;
    /// Where a user changes the limits, for the messages of a stopped statement.
    QString whereSet =
        QStringLiteral("in het instellingenbestand (sectie \"Databank\", \"TijdslimietQuery\" in "
                       "seconden, \"GeheugenlimietRapport\" in MB; 0 is geen grens)");
};

/// The message of a read-only statement stopped at the user's request.
QString StoppedMessage();
/// The message of a read-only statement stopped by the time limit, saying where the limit is set.
QString TimedOutMessage(const ReadOnlyLimits& limits);
/// The message of a read-only statement stopped by the memory limit, saying where the limit is set.
QString OutOfReportMemoryMessage(const ReadOnlyLimits& limits);

/// One connection to the school-administration database, SQLite or PostgreSQL. Statements use
/// named parameters (:NAME) whose values are always bound, never pasted into the text.
class Connection {
public:
    virtual ~Connection() = default;
    void setReadOnlyLimits(ReadOnlyLimits limits) { readOnlyLimits_ = std::move(limits); }
    const ReadOnlyLimits& readOnlyLimits() const { return readOnlyLimits_; }
    virtual Dialect dialect() const = 0;
    /// What the connection points at, for messages (never a password).
    virtual QString describe() const = 0;

    /// Runs a query with the parameters of the same names; `fields` type the columns by position.
    /// Without fields, the columns are typed as the database describes them.
    virtual Table query(const QString& sql, const TParams& params, const std::vector<FieldDef>& fields) = 0;
    /// As query(), but hands the rows to `batch` a few thousand at a time (each batch a table of
    /// `fields`), so that a result of any size needs the memory of one batch.
    using RowBatches = std::function<void(const Table& rows)>;
    virtual void queryInBatches(const QString& sql, const TParams& params,
                                const std::vector<FieldDef>& fields, const RowBatches& batch) = 0;
    /// As query() for a statement whose rows the result column `splitKey` (a non-null integer, e.g.
    /// a primary key) divides into two halves that may be read at once on two cores: the rows of
    /// even blocks of 4096 keys first, then those of odd blocks, each in the statement's order. Both
    /// halves see the same state of the database, or the statement is run whole.
    virtual Table queryInHalves(const QString& sql, const QString& splitKey, const TParams& params,
                                const std::vector<FieldDef>& fields) {
        Q_UNUSED(splitKey);
        return query(sql, params, fields);
    }
    /// As query(), but one statement only, in a read-only transaction that the database enforces.
    virtual Table queryReadOnly(const QString& sql, const TParams& params) = 0;
    /// As queryReadOnly(), but hands the rows over a few thousand at a time, each batch typed as its
    /// rows show; the first batch comes even without rows, so that the columns are known.
    virtual void queryReadOnlyInBatches(const QString& sql, const TParams& params,
                                        const RowBatches& batch) = 0;
    /// Runs one statement with numbered binds (:1 style names are not used here: binds go in order
    /// of the statement's named parameters); answers the number of rows changed.
    virtual std::int64_t execute(const QString& sql, const BindList& binds = {}) = 0;
    /// Runs statements without parameters, separated by ';' (schema scripts).
    virtual void executeScript(const QString& sql) = 0;
    /// The first column of the first row as an integer, if there is a row and it is not null.
    virtual std::optional<std::int64_t> queryInteger(const QString& sql, const BindList& binds = {}) = 0;
    /// Inserts many rows at once (demo data); values in column order.
    virtual void insertRows(const QString& table, const QStringList& columns,
                            const std::vector<BindList>& rows) = 0;
    /// Inserts rows (values in the order of `columns`) into `table` with one statement prepared
    /// once, inside the open transaction, and answers the value of the serial column `idColumn`
    /// (the table's integer primary key) that each row got, in row order. A failing row raises,
    /// after `failedRow` was set to it.
    virtual std::vector<std::int64_t> insertRowsWithIds(const QString& table, const QString& idColumn,
                                                        const QStringList& columns,
                                                        const std::vector<BindList>& rows,
                                                        std::size_t& failedRow) = 0;
    /// The next value of the job-id sequence; unique across every client of the database.
    virtual std::int64_t nextJobId() = 0;
    /// Where provider reads and reports go: a hot standby when the connection names one and it
    /// answers, else this connection. Writes, job rows and reads inside a transaction stay here.
    virtual Connection& reader() { return *this; }
    /// Why the last reader() answered this connection although a standby is named; empty otherwise.
    virtual QString readerProblem() const { return {}; }

    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    /// Whether a transaction begun with begin() is open, so that a step can join it.
    virtual bool inTransaction() const = 0;

protected:
    /// Tells `running` of the limits that a read-only statement runs, for as long as it lives.
    class ReadOnlyRun {
    public:
        explicit ReadOnlyRun(const ReadOnlyLimits& limits) : limits_(limits) {
            if (limits_.running)
                limits_.running(true);
        }
        ~ReadOnlyRun() {
            if (limits_.running)
                limits_.running(false);
        }
        ReadOnlyRun(const ReadOnlyRun&) = delete;
        ReadOnlyRun& operator=(const ReadOnlyRun&) = delete;

    private:
        const ReadOnlyLimits& limits_;
    };

private:
    ReadOnlyLimits readOnlyLimits_;
};

/// A transaction of its own while it lives: begun at once, rolled back on the way out unless it was
/// committed or rolled back (an error of that rollback is dropped: the first one is the one to
/// report).
class Transaction {
public:
    explicit Transaction(Connection& connection) : connection_(connection) { connection_.begin(); }
    ~Transaction() {
        if (open_)
            try {
                connection_.rollback();
            } catch (...) {
            }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit() {
        open_ = false;
        connection_.commit();
    }
    void rollback() {
        open_ = false;
        connection_.rollback();
    }

private:
    Connection& connection_;
    bool open_ = true;
};

/// Where the database is: a SQLite file, or a PostgreSQL connection string (URI or key=value).
struct ConnectionSettings {
    Dialect dialect = Dialect::SQLite;
    QString target; // file path or libpq connection string
    /// PostgreSQL: a hot standby of `target` that the reports read from; empty: none.
    QString reportTarget = {};

    /// "sqlite:PATH", a path, "postgresql://..." or "host=... dbname=...".
    static ConnectionSettings parse(const QString& text);
    /// From VORN_DATABASE when set, else the embedded default file.
    static ConnectionSettings fromEnvironment();
    /// The embedded default: vorn/vorn.db in the user's data folder.
    static QString defaultSqliteFile();
    /// Raises when a report server is named for a database that cannot have one (SQLite).
    void requireReportTargetFits() const;
};

/// Opens a connection; `create` allows a new SQLite file. Raises a clear error when the database
/// cannot be reached, does not exist, is locked or is not a database.
std::unique_ptr<Connection> OpenConnection(const ConnectionSettings& settings, bool create = false);

/// The client libraries of the databases, with version and licence, for "Over Vorn".
QStringList DatabaseLibraries();

/// `busyTimeoutMs`: how long to wait for another user's lock before giving up.
std::unique_ptr<Connection> OpenSqlite(const QString& path, bool create, int busyTimeoutMs = 5000);
/// `standby`: the connection string of a hot standby for the reads (Connection::reader); empty: none.
std::unique_ptr<Connection> OpenPostgres(const QString& connectionString, const QString& standby = {});

/// Statement binds for the named parameters of `sql`, in the order the numbered text expects.
BindList BindsFor(const NumberedSql& sql, const TParams& params);

} // namespace vorn::server
