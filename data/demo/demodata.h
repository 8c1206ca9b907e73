#pragma once

#include "server/connection.h"

#include <cstdint>
#include <optional>

namespace vorn::demo {

struct DemoOptions {
    /// The same seed and first school year give the same data, row for row.
    std::uint64_t seed = 2024;
    /// The first of the school years; the last one is usually the current one.
    int firstSchoolYear = 2024;
    /// Enrolment rows per school year of the largest adult-education centre; the other centres get
    /// half as many. Large values (up to 2,000,000) make databases for benchmarks.
    int adultEnrolments = 3000;
    /// Pupils of the first secondary school per school year (spread over its six years); unset
    /// leaves it to chance (about 550), 0 gives none. Large values make databases for benchmarks.
    std::optional<int> largestSchoolPupils = std::nullopt;
    /// Staff members of the first institution; unset leaves it to chance (45 to 70), 0 gives none.
    std::optional<int> largestStaff = std::nullopt;
    /// Rows sent to the database at once; a small number tests the order in which tables are sent.
    int batchRows = 20000;
    /// How many school years (3 to 10); more make databases for trends over many years.
    int schoolYears = 3;
};

struct DemoSummary {
    int institutions = 0;
    int pupilEnrolments = 0;
    int staffMembers = 0;
    int ospEnrolments = 0;
    int vwoEnrolments = 0;
    int largestInstitutionId = 0; // the adult-education centre with the most enrolments
};

/// Fills an empty database (schema already created) with believable Flemish school data:
/// secondary schools, adult-education centres of both regimes, three school years, staff,
/// and stored cube statistics. Everything is written in one transaction.
DemoSummary GenerateDemoData(server::Connection& connection, const DemoOptions& options);

} // namespace vorn::demo
