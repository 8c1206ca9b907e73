#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace vorn::demo {

/// A stored cube statistic of the demo database: its query, which returns one row per enrolment or
/// assignment, and the cube definition that groups and counts the rows.
struct TDemoStatistic {
    const char* code;
    const char* name;
    const char* explanation;
    QString sql;
    QByteArray definition;
    /// Which kinds of institution it is for (L_FLAGS, docs/cube.md): 1 secondary schools, 2 centres
    /// of the OSP regime, 4 of the VWO regime; 0 every kind.
    int kinds = 0;
};

std::vector<TDemoStatistic> DemoStatistics();

} // namespace vorn::demo
