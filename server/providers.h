#pragma once

#include "sqltext.h"

#include "host/data/fielddef.h"

#include <QString>
#include <vector>

namespace vorn::server {

struct ParamDefinition {
    QString name;
    TFieldType type;
};

/// A named provider of the application server: the parameters it takes, the fields it answers
/// (in this order and with these types) and the statement that produces them.
struct ProviderDef {
    enum class Kind {
        Query,       // runs `sql`
        JobTable,    // runs `sql`; applied rows go to JOBDATA
        CommandText, // runs the client's command text read-only
    };
    QString name;
    Kind kind = Kind::Query;
    std::vector<ParamDefinition> params;
    std::vector<FieldDef> fields;
    QString sql;
    QString sqliteSql; // when SQLite needs other words for the same answer
    QString description;
    /// Set for large statistics queries: see Connection::queryInHalves.
    QString splitKey = {};

    const QString& sqlFor(Dialect dialect) const {
        return dialect == Dialect::SQLite && !sqliteSql.isEmpty() ? sqliteSql : sql;
    }
};

/// Every provider, in the order `vorn-query --list` shows them.
const std::vector<ProviderDef>& Providers();
/// The provider of that name (letter case ignored), or null.
const ProviderDef* FindProvider(const QString& name);

} // namespace vorn::server
