#include "sqltext.h"

#include <QHash>

namespace vorn::server {

namespace {

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

/// The tag of a dollar quote starting at `i` ("$$" or "$tag$", PostgreSQL), or an empty string
/// when there is none there. A '$' after a name character belongs to the name, and "$1" is a
/// parameter, not a quote.
QString dollarTag(const QString& sql, qsizetype i) {
    if (sql[i] != u'$' || (i > 0 && isNameChar(sql[i - 1])))
        return {};
    qsizetype j = i + 1;
    if (j < sql.size() && sql[j].isDigit())
        return {};
    while (j < sql.size() && isNameChar(sql[j]))
        ++j;
    if (j >= sql.size() || sql[j] != u'$')
        return {};
    return sql.mid(i, j - i + 1);
}

/// Whether the quote at `i` opens a string with backslash escapes (E'...', PostgreSQL).
bool isEscapeString(const QString& sql, qsizetype i) {
    return sql[i] == u'\'' && i > 0 && (sql[i - 1] == u'E' || sql[i - 1] == u'e') &&
           !(i > 1 && isNameChar(sql[i - 2]));
}

/// Index just past a quoted literal, a comment or a single character starting at `i`.
qsizetype skipToken(const QString& sql, qsizetype i, Dialect dialect) {
    const qsizetype n = sql.size();
    const QChar c = sql[i];
    if (dialect == Dialect::PostgreSQL) {
        if (const QString tag = dollarTag(sql, i); !tag.isEmpty()) {
            const qsizetype end = sql.indexOf(tag, i + tag.size());
            return end < 0 ? n : end + tag.size();
        }
        if (isEscapeString(sql, i)) {
            qsizetype j = i + 1;
            while (j < n && sql[j] != u'\'')
                j += sql[j] == u'\\' ? 2 : 1;
            return std::min(j + 1, n);
        }
    }
    if (c == u'\'' || c == u'"') {
        qsizetype j = i + 1;
        while (j < n && sql[j] != c)
            ++j;
        return std::min(j + 1, n);
    }
    if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
        qsizetype j = i;
        while (j < n && sql[j] != u'\n')
            ++j;
        return j;
    }
    if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
        const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
        return end < 0 ? n : end + 2;
    }
    return i + 1;
}

bool isCommentOrQuote(const QString& sql, qsizetype i, Dialect dialect) {
    const QChar c = sql[i];
    const QChar next = i + 1 < sql.size() ? sql[i + 1] : QChar();
    return c == u'\'' || c == u'"' || (c == u'-' && next == u'-') || (c == u'/' && next == u'*') ||
           (dialect == Dialect::PostgreSQL && !dollarTag(sql, i).isEmpty());
}

} // namespace

NumberedSql NumberPlaceholders(const QString& sql, Dialect dialect) {
    NumberedSql result;
    result.text.reserve(sql.size());
    QHash<QString, qsizetype> numbers; // by the name in capitals
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        if (isCommentOrQuote(sql, i, dialect)) {
            const qsizetype end = skipToken(sql, i, dialect);
            result.text += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        const QChar c = sql[i];
        if (c == u':' && i + 1 < n && sql[i + 1] == u':') {
            result.text += QStringLiteral("::");
            i += 2;
            continue;
        }
        if (c == u':' && i + 1 < n && isNameChar(sql[i + 1]) && !(i > 0 && isNameChar(sql[i - 1]))) {
            qsizetype end = i + 1;
            while (end < n && isNameChar(sql[end]))
                ++end;
            const QString name = sql.mid(i + 1, end - i - 1);
            // A statement of many rows has thousands of names: look them up, do not scan for them.
            qsizetype& number = numbers[name.toUpper()];
            if (number == 0) {
                result.names << name;
                number = result.names.size();
            }
            result.text += (dialect == Dialect::SQLite ? u'?' : u'$') + QString::number(number);
            i = end;
            continue;
        }
        result.text += c;
        ++i;
    }
    return result;
}

bool HasSeveralStatements(const QString& sql, Dialect dialect) {
    const qsizetype n = sql.size();
    bool afterSemicolon = false;
    qsizetype i = 0;
    while (i < n) {
        if (isCommentOrQuote(sql, i, dialect)) {
            const bool isQuote = sql[i] == u'\'' || sql[i] == u'"' || sql[i] == u'$';
            if (isQuote && afterSemicolon)
                return true;
            i = skipToken(sql, i, dialect);
            continue;
        }
        const QChar c = sql[i];
        if (c == u';')
            afterSemicolon = true;
        else if (!c.isSpace() && afterSemicolon)
            return true;
        ++i;
    }
    return false;
}

} // namespace vorn::server
