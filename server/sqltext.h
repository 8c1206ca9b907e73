#pragma once

#include <QString>
#include <QStringList>

namespace vorn::server {

enum class Dialect { SQLite, PostgreSQL };

/// A statement whose named parameters (:NAME) were replaced by numbered placeholders
/// (?N for SQLite, $N for PostgreSQL). A name used twice gets one number. Nothing inside quotes,
/// comments and (PostgreSQL) dollar quotes is a parameter.
struct NumberedSql {
    QString text;
    QStringList names; // placeholder N is names[N-1]
};

NumberedSql NumberPlaceholders(const QString& sql, Dialect dialect);

/// True when the text holds more than one statement (a ';' followed by anything but blanks
/// and comments, outside quotes and comments; on PostgreSQL also outside dollar quotes and
/// E'...' strings with their backslash escapes).
bool HasSeveralStatements(const QString& sql, Dialect dialect);

} // namespace vorn::server
