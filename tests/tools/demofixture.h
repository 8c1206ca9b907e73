#pragma once

#include "data/demo/demodata.h"
#include "server/schema.h"

#include <QString>
#include <cstdint>

namespace vorn::testing {

/// A small demo database (300 adult enrolments a year, school years from 2023) at `path`, the same
/// for the same seed; answers the path.
inline QString MakeDemoDatabase(const QString& path, std::uint64_t seed = 5) {
    auto connection = server::OpenSqlite(path, true);
    server::CreateSchema(*connection);
    demo::GenerateDemoData(*connection, {seed, 2023, 300});
    return path;
}

} // namespace vorn::testing
