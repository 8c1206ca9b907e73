#pragma once

#include "connection.h"

namespace vorn::server {

/// The schema script for the connection's database, with the dialect's words filled in.
QString SchemaScript(Dialect dialect);
/// A schema script written with the words between at-signs, filled in for the database.
QString FillSchemaWords(QString script, Dialect dialect);
/// Creates every table, index and sequence, and on PostgreSQL the access rules, in one transaction.
void CreateSchema(Connection& connection);
/// The names of the tables a database of the dialect has (on PostgreSQL those of the access rules
/// last), in the order they are made.
QStringList SchemaTables(Dialect dialect);
/// Whether the connection's schema (SQLite: the main database) has a table of that name.
bool HasTable(Connection& connection, const QString& table);
/// True when the database already holds the school-administration tables.
bool HasSchema(Connection& connection);

/// Whether a database is there and whole: made to the end, or cut off half-way.
enum class DatabaseState { Absent, Incomplete, Complete };
/// Complete when its making was marked finished. A database made before the mark existed counts
/// as complete when it holds institutions.
DatabaseState StateOf(Connection& connection);
/// Marks the database as made to the end; the last step of making one, inside its transaction.
void MarkComplete(Connection& connection);

} // namespace vorn::server
