#pragma once

#include <QString>
#include <QStringList>

namespace vorn::server {

enum class Dialect { SQLite, PostgreSQL };

/// A statement whose named parameters (:NAME) were replaced by numbered placeholders
/// (?N for SQLite, $N for PostgreSQL). A name used twice gets one number.
struct NumberedSql {
    QString text;
    QStringList names; // placeholder N is names[N-1]
};

NumberedSql NumberPlaceholders(const QString& sql, Dialect dialect);

/// True when the text holds more than one statement (a ';' followed by anything but blanks
/// and comments, outside quotes and comments).
bool HasSeveralStatements(const QString& sql);

} // namespace vorn::server
