#pragma once

#include "connection.h"

namespace vorn::server {

/// The schema script for the connection's database, with the dialect's words filled in.
QString SchemaScript(Dialect dialect);
/// Creates every table, index and sequence in one transaction.
void CreateSchema(Connection& connection);
/// The names of the tables the schema script creates, in its order.
QStringList SchemaTables(Dialect dialect);
/// True when the database already holds the school-administration tables.
bool HasSchema(Connection& connection);

} // namespace vorn::server
