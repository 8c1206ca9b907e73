#pragma once

#include "connection.h"

namespace vorn::server {

/// Print jobs under way. A job's rows live in JOBDATA from the moment its first rows are saved until
/// its screen cleans it; VORN_JOB says whose it is and which process writes it, so that the rows of
/// a process that was stopped can be told from those of one still printing.

/// Registers job `jobId` as this process's, in the caller's transaction, unless it already is. On
/// PostgreSQL the connection holds an advisory lock on the job until ForgetJob, which is how others
/// know its writer lives.
void RegisterJob(Connection& connection, int jobId);
/// Removes the job's rows and its registration, and lets its lock go.
std::int64_t ForgetJob(Connection& connection, int jobId);

/// Removes the jobs whose writer is gone: on PostgreSQL those whose lock nobody holds, on SQLite
/// those of a process of this machine that no longer runs, and any older than a day. A job being
/// written by a live client is never touched. Answers how many jobs were removed.
int SweepStaleJobs(Connection& connection);

/// From now on SIGINT, SIGTERM and SIGHUP first remove the rows of this process's unfinished jobs,
/// through a connection of their own to `settings`, and then end the process as the signal would.
/// Called again, it only changes the database.
void RemoveJobsOnTerminationSignals(const ConnectionSettings& settings);

} // namespace vorn::server
