#include "dbfixture.h"

#include "server/schema.h"

#include "host/data/errors.h"

#include <QElapsedTimer>
#include <QFile>
#include <gmock/gmock.h>
#include <set>

using namespace vorn;
using vorn::testing::DatabaseTest;

namespace {

void DeclareJobFields(TVornClientDataSet& print) {
    print.AddField(FieldDef::integer("J_ID").req().flags(pfInUpdate | pfInKey));
    for (const char* name : {"J_INTEGER1", "J_INTEGER2"})
        print.AddField(FieldDef::integer(name).flags(pfInUpdate));
    print.AddField(FieldDef::integer("J_JOBID").req().flags(pfInUpdate));
    print.AddField(FieldDef::integer("J_JOBTYPE").req().flags(pfInUpdate));
    print.AddField(FieldDef::wideString("J_LONGTEXT1", 80).flags(pfInUpdate));
    print.AddField(FieldDef::wideString("J_SHORTTEXT1", 10).flags(pfInUpdate));
    print.AddField(FieldDef::integer("J_TYPERECORD").req().flags(pfInUpdate));
}

void AppendStatistic(TVornClientDataSet& print, int category, int count, const QString& code) {
    print.Append();
    print.FieldByName("J_INTEGER1").SetAsInteger(category);
    print.FieldByName("J_TYPERECORD").SetAsInteger(0);
    print.FieldByName("J_JOBTYPE").SetAsInteger(-1);
    print.FieldByName("J_SHORTTEXT1").SetAsString(code);
    print.FieldByName("J_LONGTEXT1").SetAsString(code + " omschrijving");
    print.FieldByName("J_INTEGER2").SetAsInteger(count);
    print.Post();
}

/// The print table of the OSP screens, opened on the rows of one job.
void OpenJobRows(TVornClientDataSet& print, int job) {
    print.SetProviderName("DSPOSPPrintStats");
    print.IDField = "J_ID";
    print.ParamToFields = "J_JOBID=JobID";
    print.Params().CreateParam(TFieldType::Integer, "JobID").SetAsInteger(job);
    DeclareJobFields(print);
    print.Open();
}

/// The first cell of a report's answer, or the message it was refused with.
QString ReportAnswer(server::SqlBroker& broker, const QString& sql) {
    TVornClientDataSet cube("CubeData", &broker);
    cube.SetProviderName("DSPReports");
    cube.SetCommandText(sql);
    try {
        cube.Open();
    } catch (const EDatabaseError& error) {
        return error.message();
    }
    return cube.RecordCount() > 0 ? cube.Fields(0).AsString() : QString();
}

} // namespace

using JobTest = DatabaseTest;

TEST_P(JobTest, PrintRowsAreWrittenUnderTheJobIdReadBackAndCleaned) {
    const int job = broker_->newJobId();
    TVornClientDataSet print("CDSPrint", broker_.get());
    OpenJobRows(print, job);
    EXPECT_EQ(print.RecordCount(), 0);
    AppendStatistic(print, 121, 2, "NT2A");
    AppendStatistic(print, 122, 1, "ICT1");
    EXPECT_EQ(print.ApplyUpdates(0), 0);
    EXPECT_GT(print.FieldByName("J_ID").AsInteger(), 0) << "the server numbered the row";

    print.Close();
    print.Open();
    ASSERT_EQ(print.RecordCount(), 2);
    EXPECT_EQ(print.FieldByName("J_SHORTTEXT1").AsString(), "NT2A");
    EXPECT_EQ(print.FieldByName("J_JOBID").AsInteger(), job);
    EXPECT_EQ(Rows("DSPVWOPrintStats", {{"JobID", job + 1}}).size(), 0) << "another job sees nothing";

    broker_->cleanJob(241, job, QVariant());
    print.Close();
    print.Open();
    EXPECT_EQ(print.RecordCount(), 0);
}

TEST_P(JobTest, ARowTheServerRefusesRollsBackTheWholeApply) {
    TVornClientDataSet print("CDSPrint", broker_.get());
    print.SetProviderName("DSPOSPPrintStats");
    print.IDField = "J_ID";
    print.Params().CreateParam(TFieldType::Integer, "JobID").SetAsInteger(7);
    print.ParamToFields = "J_JOBID=JobID";
    DeclareJobFields(print);
    print.FieldByName("J_JOBTYPE").SetRequired(false); // let the client post what the server must refuse
    print.Open();
    AppendStatistic(print, 1, 1, "A");
    print.Append();
    print.FieldByName("J_TYPERECORD").SetAsInteger(0);
    print.Post();
    EXPECT_THROW(print.ApplyUpdates(0), EDatabaseError);
    EXPECT_EQ(print.ChangeCount(), 2);
    EXPECT_TRUE(Rows("DSPOSPPrintStats", {{"JobID", 7}}).isEmpty());
    EXPECT_THROW(broker_->applyUpdates("DSPSelectIS", {}, Delta{}, 0), EDatabaseError) << "not a job table";
}

TEST_P(JobTest, ManyRowsAreWrittenInOrderWithTheirOwnIdsAndNullsKept) {
    TVornClientDataSet print("CDSPrint", broker_.get());
    OpenJobRows(print, 11);
    constexpr int Rows = 1234; // more than one statement's worth on PostgreSQL
    for (int i = 1; i <= Rows; ++i) {
        AppendStatistic(print, i, i * 3, QStringLiteral("C%1").arg(i));
        if (i % 100 == 0) {
            print.Edit();
            print.FieldByName("J_LONGTEXT1").Clear();
            print.Post();
        }
    }
    ASSERT_EQ(print.ApplyUpdates(0), 0);
    std::set<qint64> ids;
    for (print.First(); !print.Eof(); print.Next())
        ids.insert(print.FieldByName("J_ID").AsInteger());
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(Rows)) << "every row has an id of its own";

    const QStringList stored = this->Rows("DSPOSPPrintStats", {{"JobID", 11}});
    ASSERT_EQ(stored.size(), Rows);
    int row = 0;
    for (const QString& line : stored) {
        ++row;
        const QStringList fields = line.split('|');
        EXPECT_EQ(fields.at(1), QString::number(row)) << "J_INTEGER1 in the order written";
        EXPECT_EQ(fields.at(2), QString::number(row * 3));
        EXPECT_EQ(fields.at(13), QStringLiteral("C%1").arg(row)) << "J_SHORTTEXT1";
        EXPECT_EQ(fields.at(12).isEmpty(), row % 100 == 0) << "J_LONGTEXT1 null where cleared";
        EXPECT_TRUE(ids.count(fields.at(0).toLongLong()) == 1) << "the id the client was told";
    }
}

TEST_P(JobTest, TextsWithQuotesBackslashesBracesOrTheWordNullAreStoredAsTyped) {
    TVornClientDataSet print("CDSPrint", broker_.get());
    OpenJobRows(print, 17);
    const QStringList texts{"a\"b", "c\\d", "{e,f}", "NULL", "", "Ünïcode ✓", "x'y", " spatie "};
    for (int i = 0; i < texts.size(); ++i)
        AppendStatistic(print, i + 1, i, texts[i]);
    print.Append(); // a row whose texts are null
    print.FieldByName("J_TYPERECORD").SetAsInteger(0);
    print.FieldByName("J_JOBTYPE").SetAsInteger(-1);
    print.FieldByName("J_INTEGER1").SetAsInteger(99);
    print.Post();
    ASSERT_EQ(print.ApplyUpdates(0), 0);
    print.Close();
    print.Open();
    ASSERT_EQ(print.RecordCount(), texts.size() + 1);
    for (print.First(); !print.Eof(); print.Next()) {
        const int row = print.FieldByName("J_INTEGER1").AsInteger() - 1;
        if (row == 98) {
            EXPECT_TRUE(print.FieldByName("J_SHORTTEXT1").IsNull());
            EXPECT_TRUE(print.FieldByName("J_INTEGER2").IsNull());
            continue;
        }
        EXPECT_EQ(print.FieldByName("J_SHORTTEXT1").AsString(), texts.value(row)) << row;
        EXPECT_FALSE(print.FieldByName("J_SHORTTEXT1").IsNull() && !texts.value(row).isEmpty()) << row;
        EXPECT_EQ(print.FieldByName("J_LONGTEXT1").AsString(), texts.value(row) + " omschrijving") << row;
    }
}

TEST_P(JobTest, AFieldNullInEveryRowIsStoredAsNull) {
    TVornClientDataSet print("CDSPrint", broker_.get());
    OpenJobRows(print, 19);
    for (int i = 1; i <= 3; ++i) {
        AppendStatistic(print, i, i, QStringLiteral("K%1").arg(i));
        print.Edit();
        print.FieldByName("J_LONGTEXT1").Clear();
        print.FieldByName("J_INTEGER2").Clear();
        print.Post();
    }
    ASSERT_EQ(print.ApplyUpdates(0), 0);
    print.Close();
    print.Open();
    ASSERT_EQ(print.RecordCount(), 3);
    for (print.First(); !print.Eof(); print.Next()) {
        EXPECT_TRUE(print.FieldByName("J_LONGTEXT1").IsNull());
        EXPECT_TRUE(print.FieldByName("J_INTEGER2").IsNull());
        EXPECT_FALSE(print.FieldByName("J_SHORTTEXT1").IsNull());
    }
}

TEST_P(JobTest, ARowTheDatabaseRefusesMidwayRollsBackAllAndTheConnectionGoesOn) {
    // A trigger refuses one row far into the apply, past the first rows the server has answered.
    if (GetParam() == server::Dialect::SQLite) {
        connection_->executeScript("CREATE TRIGGER weiger BEFORE INSERT ON JOBDATA WHEN NEW.J_SHORTTEXT1 = "
                                   "'WEIGER' BEGIN SELECT RAISE(ABORT, 'rij geweigerd'); END");
    } else {
        connection_->executeScript(
            "CREATE FUNCTION weiger() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW.J_SHORTTEXT1 = "
            "'WEIGER' THEN RAISE EXCEPTION 'rij geweigerd'; END IF; RETURN NEW; END $$; "
            "CREATE TRIGGER weiger BEFORE INSERT ON JOBDATA FOR EACH ROW EXECUTE FUNCTION weiger()");
    }
    TVornClientDataSet print("CDSPrint", broker_.get());
    OpenJobRows(print, 13);
    constexpr int RowCount = 5000;
    constexpr int Refused = 3500;
    for (int i = 1; i <= RowCount; ++i)
        AppendStatistic(print, i, i, i == Refused ? QStringLiteral("WEIGER") : QStringLiteral("C%1").arg(i));
    try {
        print.ApplyUpdates(0);
        ADD_FAILURE() << "the refused row did not stop the apply";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.message().contains("rij geweigerd")) << error.message().toStdString();
    }
    EXPECT_EQ(print.ChangeCount(), RowCount) << "nothing was taken as saved";
    EXPECT_TRUE(Rows("DSPOSPPrintStats", {{"JobID", 13}}).isEmpty()) << "no row of the job stays";

    // The same connection writes the next job whole.
    print.CancelUpdates();
    for (int i = 1; i <= 3; ++i)
        AppendStatistic(print, i, i, QStringLiteral("C%1").arg(i));
    EXPECT_EQ(print.ApplyUpdates(0), 0);
    EXPECT_EQ(Rows("DSPOSPPrintStats", {{"JobID", 13}}).size(), 3);
}

using ReportTest = DatabaseTest;

TEST_P(ReportTest, StoredStatisticsAndTheirQueryRunWithBoundParameters) {
    const QStringList stored = Rows("DSPSelectOLAP");
    ASSERT_EQ(stored.size(), 1);
    EXPECT_TRUE(stored.first().startsWith("KLASSEN||0|1|Klassen per code|Telt de klassen"));

    TVornClientDataSet cube("CubeData", broker_.get());
    cube.SetProviderName("DSPReports");
    cube.SetCommandText("SELECT KL_CODE, COUNT(*) AS AANTAL FROM KLAS WHERE KL_INSTELLING_FK = :IS_ID "
                        "AND KL_CODE <> ':IS_ID' GROUP BY KL_CODE ORDER BY KL_CODE");
    ASSERT_EQ(cube.Params().Count(), 1);
    cube.ParamByName("is_id").SetAsInteger(10);
    cube.Open();
    ASSERT_EQ(cube.RecordCount(), 2);
    EXPECT_EQ(cube.FieldByName("KL_CODE").AsString(), "1A");
    EXPECT_EQ(cube.FieldByName("aantal").AsInteger(), 2);

    // A value is bound, never pasted into the statement: it matches nothing (SQLite) or is refused as
    // no integer (PostgreSQL), and the classes are all still there.
    cube.Close();
    cube.ParamByName("IS_ID").SetAsString("10 OR 1=1; DELETE FROM KLAS");
    try {
        cube.Open();
        EXPECT_EQ(cube.RecordCount(), 0);
    } catch (const EDatabaseError&) {
    }
    EXPECT_EQ(Rows("DSPBrowseOSPKlas",
                   {{"SC_ID", 2}, {"EindDatum", QDate(2030, 1, 1)}, {"BeginDatum", QDate(2000, 1, 1)}})
                  .size(),
              3);
}

TEST_P(ReportTest, AStatementPastItsTimeLimitOrAskedToStopEndsWithItsOwnMessage) {
    // Long on both databases: a recursive count to a hundred million.
    const QString endless = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                            "100000000) SELECT COUNT(*) FROM n";
    const QString classes = "SELECT COUNT(*) FROM KLAS WHERE KL_INSTELLING_FK = 10";
    const QString classCount = ReportAnswer(*broker_, classes);
    int started = 0, ended = 0, asked = 0;
    server::ReadOnlyLimits limits;
    limits.timeoutSeconds = 1;
    limits.running = [&](bool running) { ++(running ? started : ended); };
    connection_->setReadOnlyLimits(limits);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(ReportAnswer(*broker_, endless), server::TimedOutMessage(limits));
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(ended, 1);

    limits.timeoutSeconds = 0;
    limits.stopRequested = [&] { return ++asked == 3; };
    connection_->setReadOnlyLimits(limits);
    timer.restart();
    EXPECT_EQ(ReportAnswer(*broker_, endless), server::StoppedMessage());
    EXPECT_EQ(asked, 3) << "asked every 50 ms until the answer was yes";
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(ended, 2) << "told of the end also when stopped";

    // The connection reads on as before.
    EXPECT_EQ(ReportAnswer(*broker_, classes), classCount);
    asked = 0;
    limits.stopRequested = [&] { return ++asked > 1000; };
    connection_->setReadOnlyLimits(limits);
    EXPECT_EQ(ReportAnswer(*broker_, classes), classCount) << "a statement that ends before a yes is whole";
}

TEST_P(ReportTest, WritingOrSeveralStatementsAreRefusedAndChangeNothing) {
    const auto refused = [this](const QString& sql) { return ReportAnswer(*broker_, sql); };
    EXPECT_FALSE(refused("DELETE FROM KLAS").isEmpty());
    EXPECT_TRUE(refused("SELECT 1; DELETE FROM KLAS").contains(QString::fromUtf8("één opdracht")));
    EXPECT_FALSE(refused("UPDATE LEERLING SET LL_NAAM = 'x'").isEmpty());
    EXPECT_FALSE(refused("CREATE TABLE X (A INTEGER)").isEmpty());
    EXPECT_EQ(Rows("DSPBrowseOSPKlas",
                   {{"SC_ID", 2}, {"EindDatum", QDate(2030, 1, 1)}, {"BeginDatum", QDate(2000, 1, 1)}})
                  .size(),
              3);
    EXPECT_EQ(Rows("DSPStatPSPopulatie", {{"IS_ID", 10}, {"WerkDatum", QDate(2024, 10, 1)}}).first(),
              "1970-05-01|M|71");
    EXPECT_FALSE(refused("   ").isEmpty()) << "an empty command text";
    try {
        broker_->open("DSPReports", {}, "SELECT * FROM KLAS WHERE KL_ID = :GEEN");
        ADD_FAILURE() << "a placeholder without a parameter must not be taken for empty";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.message().contains(":GEEN")) << error.message().toStdString();
    }
}

TEST_P(ReportTest, OnSqliteAStatementPastItsMemoryLimitStopsAndTheNextOneRuns) {
    if (GetParam() != server::Dialect::SQLite)
        GTEST_SKIP() << "the PostgreSQL server bounds its own memory (work_mem)";
    // A sort of twenty million rows kept in memory: gigabytes, were it not stopped.
    const QString greedy =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000000) "
        "SELECT i, printf('%080d', i) AS t FROM n ORDER BY (i * 7919) % 1000003";
    server::ReadOnlyLimits limits;
    limits.memoryMegabytes = 64;
    connection_->setReadOnlyLimits(limits);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(ReportAnswer(*broker_, greedy), server::OutOfReportMemoryMessage(limits));
    EXPECT_LT(timer.elapsed(), 30000);
    EXPECT_THAT(server::OutOfReportMemoryMessage(limits).toStdString(),
                ::testing::HasSubstr("GeheugenlimietRapport"));
    EXPECT_EQ(ReportAnswer(*broker_, "SELECT COUNT(*) FROM KLAS WHERE KL_INSTELLING_FK = 10"),
              ReportAnswer(*broker_, "SELECT COUNT(*) FROM KLAS WHERE KL_INSTELLING_FK = 10"))
        << "the connection goes on";
    EXPECT_FALSE(ReportAnswer(*broker_, "SELECT COUNT(*) FROM KLAS").isEmpty());
}

TEST_P(ReportTest, OnSqliteAnExpressionColumnTakesTheWidestKindOfItsValuesWholeOrPerBatch) {
    if (GetParam() != server::Dialect::SQLite)
        GTEST_SKIP() << "PostgreSQL types every column itself";
    // Integers first, then a real far in (row 15,000), then a real and a text late (rows 23,000
    // and 24,000), nulls throughout; a declared column beside them.
    const QString sql =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25000) "
        "SELECT i AS whole, CASE WHEN i = 15000 THEN 2.5 WHEN i % 1000 = 0 THEN NULL ELSE i END AS widened, "
        "CASE WHEN i = 24000 THEN 'tekst' WHEN i = 23000 THEN 0.25 WHEN i % 7 = 0 THEN NULL ELSE i END AS "
        "mixed, NULL AS empty, k.KL_CODE FROM n JOIN KLAS k ON k.KL_ID = (SELECT MIN(KL_ID) FROM KLAS)";
    const auto expectedRow = [](int i) {
        const QString widened = i == 15000 ? "2.5" : i % 1000 == 0 ? "<null>" : QString::number(i);
        const QString mixed = i == 24000   ? "tekst"
                              : i == 23000 ? "0.25"
                              : i % 7 == 0 ? "<null>"
                                           : QString::number(i);
        return QStringList{QString::number(i), widened, mixed, "<null>"}.join(u'|');
    };
    const auto withoutDeclared = [](const Table& table) {
        QStringList rows;
        for (std::size_t row = 0; row < table.rowCount(); ++row)
            rows << QStringList{vorn::testing::CellText(table, 0, row),
                                vorn::testing::CellText(table, 1, row),
                                vorn::testing::CellText(table, 2, row),
                                vorn::testing::CellText(table, 3, row)}
                        .join(u'|');
        return rows;
    };
    QStringList expected;
    for (int i = 1; i <= 25000; ++i)
        expected << expectedRow(i);
    const auto kinds = [](const Table& table) {
        std::vector<TFieldType> types;
        for (const FieldDef& field : table.fields)
            types.push_back(field.type);
        return types;
    };
    using T = TFieldType;

    const Table whole = connection_->queryReadOnly(sql, {});
    EXPECT_EQ(withoutDeclared(whole), expected);
    EXPECT_EQ(kinds(whole), (std::vector{T::Largeint, T::Float, T::WideString, T::Largeint, T::WideString}));
    EXPECT_EQ(whole.columns[2].kind(), StorageKind::Bytes);

    QStringList batched;
    std::vector<std::vector<TFieldType>> batchKinds;
    connection_->queryReadOnlyInBatches(sql, {}, [&](const Table& batch) {
        batched << withoutDeclared(batch);
        batchKinds.push_back(kinds(batch));
    });
    EXPECT_EQ(batched, expected);
    ASSERT_EQ(batchKinds.size(), 3U);
    EXPECT_EQ(batchKinds[0],
              (std::vector{T::Largeint, T::Largeint, T::Largeint, T::Largeint, T::WideString}));
    EXPECT_EQ(batchKinds[1], (std::vector{T::Largeint, T::Float, T::Largeint, T::Largeint, T::WideString}))
        << "each batch is typed by its own values";
    EXPECT_EQ(batchKinds[2],
              (std::vector{T::Largeint, T::Largeint, T::WideString, T::Largeint, T::WideString}));
}

TEST_P(ReportTest, ADollarQuotedLiteralIsOneStatementWithoutParameters) {
    if (GetParam() != server::Dialect::PostgreSQL)
        GTEST_SKIP() << "dollar quotes are PostgreSQL's";
    EXPECT_EQ(ReportAnswer(*broker_, "SELECT $$a;:IS_ID$$ AS x"), "a;:IS_ID");
    EXPECT_EQ(ReportAnswer(*broker_, "SELECT E'b\\';:c' AS x"), "b';:c");
}

TEST_P(ReportTest, OnSqliteAReportMayReadAndComputeButNotChangeTheSession) {
    if (GetParam() != server::Dialect::SQLite)
        GTEST_SKIP() << "PostgreSQL has its own test";
    const auto run = [this](const QString& sql) {
        const QString answer = ReportAnswer(*broker_, sql);
        return answer.startsWith("Een rapport") ? answer : QStringLiteral("gelezen");
    };
    for (const char* probe : {"ATTACH DATABASE ':memory:' AS extra", "BEGIN", "SAVEPOINT s",
                              "PRAGMA query_only = OFF", "PRAGMA writable_schema = ON",
                              "SELECT load_extension('libnietbestaand')", "SELECT randomblob(4)"}) {
        const QString answer = run(QString::fromLatin1(probe));
        EXPECT_TRUE(answer.startsWith("Een rapport mag alleen gegevens lezen"))
            << probe << ": " << answer.toStdString();
    }
    EXPECT_EQ(run("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3) "
                  "SELECT upper(KL_CODE), COUNT(*), round(avg(KL_ID), 1), coalesce(NULL, 'x') FROM KLAS, n "
                  "WHERE KL_CODE LIKE '%' GROUP BY KL_CODE"),
              "gelezen")
        << "reading, recursion and pure functions stay allowed";
}

TEST_P(ReportTest, OnPostgresqlAReportRunsAsTheReadingRoleAndLeavesNothingBehind) {
    if (GetParam() != server::Dialect::PostgreSQL)
        GTEST_SKIP() << "SQLite has its own test";
    const auto run = [this](const QString& sql) { return ReportAnswer(*broker_, sql); };
    const qint64 client = connection_->queryInteger("SELECT pg_backend_pid()").value_or(0);
    const qint64 largeObjects =
        connection_->queryInteger("SELECT COUNT(*) FROM pg_largeobject_metadata").value_or(-1);
    for (const QString& probe :
         {QStringLiteral("SELECT lo_from_bytea(0, 'abc')"), QStringLiteral("SELECT lo_create(0)"),
          QStringLiteral("SELECT lo_import('/etc/hostname')"),
          QStringLiteral("SELECT pg_terminate_backend(%1)").arg(client),
          QStringLiteral("SELECT nextval('job_seq')"),
          QStringLiteral("SELECT pg_read_file('/etc/hostname')")}) {
        const QString answer = run(probe);
        EXPECT_TRUE(answer.startsWith("Een rapport mag alleen gegevens lezen"))
            << probe.toStdString() << ": " << answer.toStdString();
    }
    EXPECT_EQ(connection_->queryInteger("SELECT COUNT(*) FROM pg_largeobject_metadata").value_or(-2),
              largeObjects);
    EXPECT_EQ(connection_->queryInteger("SELECT 1").value_or(0), 1) << "the client's session lives on";

    // What a statement may set or take ends with it.
    run("SELECT set_config('work_mem', '1MB', false)");
    EXPECT_EQ(run("SELECT current_setting('work_mem')"), "64MB");
    run("SELECT pg_advisory_lock(4242)");
    EXPECT_EQ(connection_->queryInteger("SELECT pg_try_advisory_lock(4242)::int").value_or(0), 1)
        << "the report's advisory lock was released";
    connection_->queryInteger("SELECT pg_advisory_unlock(4242)::int");
    const Table login = connection_->query(
        "SELECT VU_LEESLOGIN FROM VORN_GEBRUIKER WHERE VU_GEBRUIKER = CAST(current_user AS text)", TParams(),
        {});
    ASSERT_EQ(login.rowCount(), 1u) << "whoever makes the database gets a reading login";
    const std::string_view name = login.columns[0].bytesAt(0);
    EXPECT_EQ(run("SELECT current_user"),
              QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    EXPECT_EQ(run("SELECT COUNT(*) FROM KLAS"),
              QString::number(connection_->queryInteger("SELECT COUNT(*) FROM KLAS").value_or(-1)))
        << "the report reads the client's tables";
}

INSTANTIATE_TEST_SUITE_P(Databases, JobTest,
                         ::testing::Values(server::Dialect::SQLite, server::Dialect::PostgreSQL),
                         vorn::testing::DialectName);
INSTANTIATE_TEST_SUITE_P(Databases, ReportTest,
                         ::testing::Values(server::Dialect::SQLite, server::Dialect::PostgreSQL),
                         vorn::testing::DialectName);

TEST(Connections, AMissingCorruptOrLockedSqliteFileGivesAClearError) {
    QTemporaryDir dir;
    const auto messageOf = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const EVornError& error) {
            return error.message();
        }
        return QString();
    };
    const QString missing = dir.filePath("nergens.db");
    EXPECT_TRUE(messageOf([&] { server::OpenSqlite(missing, false); }).contains("bestaat niet"));
    EXPECT_FALSE(QFile::exists(missing)) << "nothing was created";

    const QString garbage = dir.filePath("kapot.db");
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    EXPECT_TRUE(messageOf([&] { server::OpenSqlite(garbage, false); }).contains("beschadigd"));

    const QString path = dir.filePath("vergrendeld.db");
    auto owner = server::OpenSqlite(path, true);
    server::CreateSchema(*owner);
    owner->executeScript(
        "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; INSERT INTO GEMEENTE VALUES (1,'1','a','a')");
    EXPECT_TRUE(messageOf([&] {
                    auto other = server::OpenSqlite(path, false, 100);
                    server::SqlBroker(*other).open("DSPSelectIS", {}, {});
                }).contains("vergrendeld"));
    owner->rollback();
}

TEST(Connections, AnUnreachablePostgresServerGivesAClearError) {
    try {
        server::OpenPostgres("host=127.0.0.1 port=1 dbname=vorn connect_timeout=2");
        FAIL() << "connected to nothing";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.message().contains("Geen verbinding met PostgreSQL"));
    }
}

TEST(Connections, SettingsTellSqliteFromPostgres) {
    EXPECT_EQ(server::ConnectionSettings::parse("/tmp/a.db").dialect, server::Dialect::SQLite);
    EXPECT_EQ(server::ConnectionSettings::parse("sqlite:/tmp/a.db").target, "/tmp/a.db");
    EXPECT_EQ(server::ConnectionSettings::parse("postgresql://vorn@localhost/vorn").dialect,
              server::Dialect::PostgreSQL);
    EXPECT_EQ(server::ConnectionSettings::parse("host=/tmp dbname=vorn").dialect,
              server::Dialect::PostgreSQL);
}
