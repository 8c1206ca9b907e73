#pragma once

#include "server/connection.h"
#include "server/providers.h"
#include "server/sqlbroker.h"

#include "host/data/clientdataset.h"

#include "tests/common/qtprint.h"

#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

namespace vorn::testing {

/// A provider parameter for a test: an integer, a date, a text, or a null QVariant for "declared, unset".
using ParamValue = std::pair<QString, QVariant>;

/// A fresh database with the schema and the hand-built fixture, on SQLite or on the throwaway
/// PostgreSQL server that the test command starts (VORN_TEST_PG).
class DatabaseTest : public ::testing::TestWithParam<server::Dialect> {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Opens the provider through a client dataset and answers its rows, fields joined by '|'.
    QStringList Rows(const QString& provider, const std::vector<ParamValue>& params = {});
    /// Declares the parameters on a client dataset, typed by their values.
    static void SetParams(TVornClientDataSet& dataSet, const std::vector<ParamValue>& params);

    QTemporaryDir dir_;
    QString sqliteFile_;
    QString pgSchema_;
    std::unique_ptr<server::Connection> connection_;
    std::unique_ptr<server::SqlBroker> broker_;
};

/// The connection string of the test PostgreSQL server; skips (or fails under CI) when there is none.
QString PostgresConnectionString();

/// Values for a provider's parameters by name: each institution with its school, the school year
/// and the dates the fixture's answers are known for.
struct Request {
    int institution;
    int school;
    QString parameterType;
};

/// Fills a provider's parameters for `request`.
void FillParams(const server::ProviderDef& def, const Request& request, TParams& params);
/// A cell as text, "<null>" for a null.
QString CellText(const Table& table, std::size_t column, std::size_t row);
/// Opens the dataset and answers its rows, fields joined by '|'.
QStringList OpenedRows(TVornClientDataSet& dataSet);
/// The rows of a table, cells joined by '|'.
QStringList TableRows(const Table& table);

std::string DialectName(const ::testing::TestParamInfo<server::Dialect>& info);

} // namespace vorn::testing
