// A database given on the command line and a statement given to the read-only path: the connection
// string and the placeholder scanner read text from outside.
#include "server/connection.h"
#include "server/sqltext.h"

#include "host/data/errors.h"

#include <cstddef>
#include <cstdint>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const server::ConnectionSettings settings = server::ConnectionSettings::parse(text);
        if (settings.target.isEmpty())
            __builtin_trap(); // parse answers a target or refuses
    } catch (const EVornError&) {
    }
    for (const server::Dialect dialect : {server::Dialect::SQLite, server::Dialect::PostgreSQL}) {
        const server::NumberedSql numbered = server::NumberPlaceholders(text, dialect);
        for (const QString& name : numbered.names)
            if (name.isEmpty())
                __builtin_trap(); // every placeholder has a name
    }
    server::HasSeveralStatements(text, server::Dialect::SQLite);
    server::HasSeveralStatements(text, server::Dialect::PostgreSQL);
    return 0;
}
