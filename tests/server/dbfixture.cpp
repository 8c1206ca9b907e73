#include "dbfixture.h"

#include "server/providers.h"
#include "server/schema.h"

#include "host/data/cell.h"

#include <QCoreApplication>
#include <QFile>

namespace vorn::testing {

QString PostgresConnectionString() {
    return qEnvironmentVariable("VORN_TEST_PG");
}

std::string DialectName(const ::testing::TestParamInfo<server::Dialect>& info) {
    return info.param == server::Dialect::SQLite ? "SQLite" : "PostgreSQL";
}

void DatabaseTest::SetUp() {
    if (GetParam() == server::Dialect::SQLite) {
        sqliteFile_ = dir_.filePath("fixture.db");
        connection_ = server::OpenSqlite(sqliteFile_, true);
    } else {
        const QString target = PostgresConnectionString();
        if (target.isEmpty()) {
            if (!qEnvironmentVariable("CI").isEmpty())
                FAIL() << "VORN_TEST_PG is not set: the test command must start PostgreSQL";
            GTEST_SKIP() << "no PostgreSQL test server (run ./test.sh)";
        }
        connection_ = server::OpenPostgres(target);
        static int counter = 0;
        pgSchema_ = QStringLiteral("vorn_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
        connection_->executeScript(QStringLiteral("CREATE SCHEMA %1; SET search_path TO %1").arg(pgSchema_));
    }
    server::CreateSchema(*connection_);
    QFile fixture(QStringLiteral(VORN_TEST_DATA "/fixture.sql"));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    connection_->executeScript(QString::fromUtf8(fixture.readAll()));
    broker_ = std::make_unique<server::SqlBroker>(*connection_);
}

void DatabaseTest::TearDown() {
    if (connection_ && !pgSchema_.isEmpty())
        connection_->executeScript(
            QStringLiteral("SET client_min_messages = warning; DROP SCHEMA %1 CASCADE").arg(pgSchema_));
}

void DatabaseTest::SetParams(TVornClientDataSet& dataSet, const std::vector<ParamValue>& params) {
    for (const auto& [name, value] : params) {
        if (value.typeId() == QMetaType::QDate) {
            dataSet.Params()
                .CreateParam(TFieldType::DateTime, name)
                .SetAsDateTime(DateToDateTime(value.toDate()));
        } else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong) {
            dataSet.Params().CreateParam(TFieldType::Integer, name).SetAsInteger(value.toLongLong());
        } else if (value.isNull()) {
            dataSet.Params().CreateParam(TFieldType::Integer, name);
        } else {
            dataSet.Params().CreateParam(TFieldType::WideString, name).SetAsString(value.toString());
        }
    }
}

QStringList DatabaseTest::Rows(const QString& provider, const std::vector<ParamValue>& params) {
    TVornClientDataSet dataSet(provider, broker_.get());
    dataSet.SetProviderName(provider);
    SetParams(dataSet, params);
    return OpenedRows(dataSet);
}

QStringList OpenedRows(TVornClientDataSet& dataSet) {
    dataSet.Open();
    QStringList rows;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        QStringList values;
        for (int i = 0; i < dataSet.FieldCount(); ++i)
            values << dataSet.Fields(i).AsString();
        rows << values.join(u'|');
    }
    return rows;
}

QString CellText(const Table& table, std::size_t column, std::size_t row) {
    const Column& values = table.columns[column];
    if (values.isNull(row))
        return QStringLiteral("<null>");
    switch (values.kind()) {
    case StorageKind::Int32:
    case StorageKind::Int64:
        return QString::number(values.intAt(row));
    case StorageKind::Double:
        return QString::number(values.doubleAt(row), 'g', 17);
    case StorageKind::Bytes:
        return QString::fromUtf8(values.bytesAt(row).data(),
                                 static_cast<qsizetype>(values.bytesAt(row).size()));
    }
    return {};
}

QStringList TableRows(const Table& table) {
    QStringList rows;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (std::size_t column = 0; column < table.columns.size(); ++column)
            cells << CellText(table, column, row);
        rows << cells.join(u'|');
    }
    return rows;
}

void FillParams(const server::ProviderDef& def, const Request& request, TParams& params) {
    for (const server::ParamDefinition& parameter : def.params) {
        TParam& param = params.CreateParam(parameter.type, parameter.name);
        const QString name = parameter.name.toLower();
        if (name == u"is_id")
            param.SetAsInteger(request.institution);
        else if (name == u"sc_id")
            param.SetAsInteger(request.school);
        else if (name == u"sj_id")
            param.SetAsInteger(2);
        else if (name == u"jobid")
            param.SetAsInteger(1);
        else if (name == u"p_type")
            param.SetAsString(request.parameterType);
        else if (name == u"begindatum")
            param.SetAsDateTime(DateToDateTime(QDate(2024, 9, 1)));
        else if (name == u"einddatum")
            param.SetAsDateTime(DateToDateTime(QDate(2025, 6, 30)));
        else
            param.SetAsDateTime(DateToDateTime(QDate(2024, 10, 1)));
    }
}

} // namespace vorn::testing
