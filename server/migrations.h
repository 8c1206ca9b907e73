#pragma once

#include "connection.h"

#include <functional>
#include <memory>
#include <vector>

namespace vorn::server {

/// One numbered step of the schema, from version `to - 1` to `to`. It runs inside the upgrade's
/// transaction and raises when it fails, so that nothing of it stays.
struct MigrationStep {
    int to = 0;
    QString description;
    std::function<void(Connection&)> apply;
};

/// The program's steps, in order; the last one's version is the one this program makes and reads.
const std::vector<MigrationStep>& MigrationSteps();
/// The schema version this program makes and reads.
int CurrentSchemaVersion();

/// The version a database with our tables says it has: 1 when it carries no version mark (made
/// before versions were kept).
int SchemaVersionOf(Connection& connection);
/// The version of the database on the connection, 0 when it has no tables at all; raises for a
/// database of another program and for one of a program newer than `target`. Changes nothing.
int CheckedSchemaVersion(Connection& connection, const QString& name, int target = CurrentSchemaVersion());
/// Writes the version mark, in the caller's transaction.
void SetSchemaVersion(Connection& connection, int version);

/// What opening found and did: the version found and the one it has now, and for an upgraded
/// SQLite file where the old database was kept. `from` is 0 for a database without tables.
struct UpgradeReport {
    int from = 0;
    int to = 0;
    QString keptFile;
    bool upgraded() const { return from != 0 && from != to; }
};

/// The upgrade in words for the user, or empty when nothing was upgraded.
QString UpgradeMessage(const UpgradeReport& report);

struct OpenedDatabase {
    std::unique_ptr<Connection> connection;
    UpgradeReport upgrade;
    ConnectionSettings settings; // what was opened, for connections of its own
};

/// Opens the database and checks it before anything reads it. A database without tables is opened
/// as it is (the caller may fill it). One of another program, one made half-way and one of a newer
/// program are refused untouched. An older one is brought up to the last of `steps`: on PostgreSQL
/// every step and the new version in one transaction; on SQLite on a copy that is checked for
/// integrity and then renamed over the file, the old file kept as NAME.bak-<version>. Whatever
/// fails, the database stays as it was.
OpenedDatabase OpenAndUpgrade(const ConnectionSettings& settings,
                              const std::vector<MigrationStep>& steps = MigrationSteps());

} // namespace vorn::server
