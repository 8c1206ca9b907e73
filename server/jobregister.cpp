#include "jobregister.h"

#include <QDateTime>
#include <QSysInfo>
#include <QtGlobal>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

namespace vorn::server {

namespace {

/// The first key of the advisory locks on jobs ("vorn"); the second is the job id.
constexpr int JobLockSpace = 0x766f726e;
constexpr qint64 StaleAfterSeconds = 24 * 3600;

BindValue Integer(std::int64_t value) {
    return BindValue{BindValue::Kind::Integer, value, {}};
}

BindValue Text(const QString& text) {
    return BindValue{BindValue::Kind::Text, 0, text.toStdString()};
}

/// What this process has under way, for the sweep (which leaves it alone) and the signals.
struct OwnJobs {
    std::mutex mutex;
    std::set<int> open;
    ConnectionSettings settings;
    bool watching = false;
    int pipe[2] = {-1, -1};
};

OwnJobs& Own() {
    static OwnJobs* jobs = new OwnJobs; // lives on while the signal thread may read it
    return *jobs;
}

bool IsOwnOpenJob(int jobId) {
    OwnJobs& own = Own();
    const std::lock_guard lock(own.mutex);
    return own.open.count(jobId) > 0;
}

bool ProcessRuns(qint64 pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

void DeleteJobRows(Connection& connection, int jobId) {
    connection.execute(QStringLiteral("DELETE FROM JOBDATA WHERE J_JOBID = :J"), {Integer(jobId)});
    connection.execute(QStringLiteral("DELETE FROM VORN_JOB WHERE VJ_JOBID = :J"), {Integer(jobId)});
}

/// PostgreSQL: a job is stale when its lock can be had; the lock ends with the transaction.
bool RemoveIfUnlocked(Connection& connection, int jobId) {
    Transaction transaction(connection);
    const bool free = connection
                          .queryInteger(QStringLiteral("SELECT pg_try_advisory_xact_lock(:K, :J)::int"),
                                        {Integer(JobLockSpace), Integer(jobId)})
                          .value_or(0) == 1;
    if (free)
        DeleteJobRows(connection, jobId);
    transaction.commit();
    return free;
}

bool IsStaleOnThisDatabase(const QString& machine, qint64 pid, const QString& started) {
    const QDateTime start = QDateTime::fromString(started, Qt::ISODate);
    if (!start.isValid() || start.secsTo(QDateTime::currentDateTimeUtc()) > StaleAfterSeconds)
        return true;
    return machine == QSysInfo::machineHostName() && !ProcessRuns(pid);
}

void RemoveOwnJobsAndEnd(int signal) {
    OwnJobs& own = Own();
    std::set<int> jobs;
    ConnectionSettings settings;
    {
        const std::lock_guard lock(own.mutex);
        jobs = own.open;
        settings = own.settings;
    }
    if (!jobs.empty()) {
        try {
            const auto connection = settings.dialect == Dialect::SQLite
                                        ? OpenSqlite(settings.target, false, 3000)
                                        : OpenPostgres(settings.target);
            for (const int job : jobs)
                DeleteJobRows(*connection, job);
        } catch (...) {
            // The sweep of the next start removes what could not be removed now.
        }
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

extern "C" void NoteTerminationSignal(int signal) {
    const unsigned char number = static_cast<unsigned char>(signal);
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = ::write(Own().pipe[1], &number, 1);
    errno = saved;
}

} // namespace

void RegisterJob(Connection& connection, int jobId) {
    const QString owner = connection.dialect() == Dialect::PostgreSQL
                              ? QStringLiteral("CAST(session_user AS text)")
                              : QStringLiteral(":O");
    BindList binds{Integer(jobId)};
    if (connection.dialect() == Dialect::SQLite)
        binds.push_back(Text(qEnvironmentVariable("USER")));
    binds.insert(binds.end(), {Text(QSysInfo::machineHostName()), Integer(::getpid()),
                               Text(QDateTime::currentDateTimeUtc().toString(Qt::ISODate)), Integer(jobId)});
    connection.execute(QStringLiteral("INSERT INTO VORN_JOB (VJ_JOBID, VJ_EIGENAAR, VJ_MACHINE, VJ_PROCES, "
                                      "VJ_GESTART) SELECT :J, %1, :M, :P, :T WHERE NOT EXISTS "
                                      "(SELECT 1 FROM VORN_JOB WHERE VJ_JOBID = :J2)")
                           .arg(owner),
                       binds);
    if (IsOwnOpenJob(jobId))
        return;
    if (connection.dialect() == Dialect::PostgreSQL)
        connection.queryInteger(QStringLiteral("SELECT 1 FROM pg_advisory_lock(:K, :J)"),
                                {Integer(JobLockSpace), Integer(jobId)});
    OwnJobs& own = Own();
    const std::lock_guard lock(own.mutex);
    own.open.insert(jobId);
}

std::int64_t ForgetJob(Connection& connection, int jobId) {
    const std::int64_t removed =
        connection.execute(QStringLiteral("DELETE FROM JOBDATA WHERE J_JOBID = :J"), {Integer(jobId)});
    connection.execute(QStringLiteral("DELETE FROM VORN_JOB WHERE VJ_JOBID = :J"), {Integer(jobId)});
    if (!IsOwnOpenJob(jobId))
        return removed;
    if (connection.dialect() == Dialect::PostgreSQL)
        connection.queryInteger(QStringLiteral("SELECT pg_advisory_unlock(:K, :J)::int"),
                                {Integer(JobLockSpace), Integer(jobId)});
    OwnJobs& own = Own();
    const std::lock_guard lock(own.mutex);
    own.open.erase(jobId);
    return removed;
}

int SweepStaleJobs(Connection& connection) {
    const Table jobs = connection.query(
        QStringLiteral("SELECT VJ_JOBID, VJ_MACHINE, VJ_PROCES, VJ_GESTART FROM VORN_JOB ORDER BY VJ_JOBID"),
        TParams(),
        {FieldDef::integer(QStringLiteral("VJ_JOBID")), FieldDef::wideString(QStringLiteral("VJ_MACHINE"), 0),
         FieldDef::largeint(QStringLiteral("VJ_PROCES")),
         FieldDef::wideString(QStringLiteral("VJ_GESTART"), 0)});
    const auto text = [&jobs](std::size_t column, std::size_t row) {
        const std::string_view cell = jobs.columns[column].bytesAt(row);
        return QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
    };
    int removed = 0;
    for (std::size_t row = 0; row < jobs.rowCount(); ++row) {
        const int jobId = static_cast<int>(jobs.columns[0].intAt(row));
        if (IsOwnOpenJob(jobId))
            continue;
        if (connection.dialect() == Dialect::PostgreSQL) {
            removed += RemoveIfUnlocked(connection, jobId) ? 1 : 0;
        } else if (IsStaleOnThisDatabase(text(1, row), jobs.columns[2].intAt(row), text(3, row))) {
            connection.begin();
            DeleteJobRows(connection, jobId);
            connection.commit();
            ++removed;
        }
    }
    // Rows of no registered job were left by a program from before the register.
    connection.execute(
        QStringLiteral("DELETE FROM JOBDATA WHERE J_JOBID NOT IN (SELECT VJ_JOBID FROM VORN_JOB)"));
    return removed;
}

void RemoveJobsOnTerminationSignals(const ConnectionSettings& settings) {
    OwnJobs& own = Own();
    const std::lock_guard lock(own.mutex);
    own.settings = settings;
    if (own.watching || ::pipe2(own.pipe, O_CLOEXEC) != 0)
        return;
    own.watching = true;
    std::thread([&own] {
        unsigned char signal = 0;
        for (;;) {
            const ssize_t got = ::read(own.pipe[0], &signal, 1);
            if (got == 1)
                RemoveOwnJobsAndEnd(signal);
            else if (got == 0 || errno != EINTR)
                return;
        }
    }).detach();
    struct sigaction action {};
    action.sa_handler = NoteTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace vorn::server
