#include "data/demo/demodata.h"
#include "server/schema.h"

#include "host/data/cell.h"
#include "server/sqlbroker.h"

#include "host/cube/cube.h"
#include "host/cube/cubedefinition.h"
#include "host/cube/pivot.h"
#include "host/data/clientdataset.h"
#include "host/data/schoolyear.h"
#include "tests/common/qtprint.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace vorn;

namespace {

constexpr int FirstYear = 2023;

std::unique_ptr<server::Connection> DemoDatabase(const QString& path, std::uint64_t seed,
                                                 int enrolments = 600) {
    auto connection = server::OpenSqlite(path, true);
    server::CreateSchema(*connection);
    demo::GenerateDemoData(*connection, {seed, FirstYear, enrolments});
    return connection;
}

QByteArray Digest(server::Connection& connection, const QStringList& tables) {
    server::SqlBroker broker(connection);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& table : tables) {
        TVornClientDataSet dataSet("D", &broker);
        dataSet.SetProviderName("DSPReports");
        dataSet.SetCommandText(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table));
        dataSet.Open();
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
            for (int f = 0; f < dataSet.FieldCount(); ++f)
                hash.addData(dataSet.Fields(f).AsString().toUtf8() + '|');
    }
    return hash.result();
}

int RowCount(server::SqlBroker& broker, const QString& provider,
             const std::vector<std::pair<QString, QVariant>>& params) {
    TVornClientDataSet dataSet(provider, &broker);
    dataSet.SetProviderName(provider);
    for (const auto& [name, value] : params) {
        TParam& param = dataSet.Params().CreateParam(TFieldType::Integer, name);
        if (value.typeId() == QMetaType::QDate)
            param.SetAsDateTime(DateToDateTime(value.toDate()));
        else
            param.SetAsInteger(value.toLongLong());
    }
    dataSet.Open();
    return dataSet.RecordCount();
}

} // namespace

TEST(DemoData, TheSameSeedGivesTheSameDataAndAnotherSeedOtherData) {
    QTemporaryDir dir;
    const QStringList tables{"LEERLING", "LOOPBAAN", "OPDRACHT", "CURRICULUM", "VWOINSCHRIJVING", "OLAP"};
    auto first = DemoDatabase(dir.filePath("a.db"), 7);
    auto second = DemoDatabase(dir.filePath("b.db"), 7);
    auto other = DemoDatabase(dir.filePath("c.db"), 8);
    EXPECT_EQ(Digest(*first, tables), Digest(*second, tables));
    EXPECT_NE(Digest(*first, tables), Digest(*other, tables));
}

TEST(DemoData, IsConsistentAndEveryScreenFindsRowsInTheLastSchoolYear) {
    QTemporaryDir dir;
    auto connection = DemoDatabase(dir.filePath("demo.db"), 2024, 900);
    server::SqlBroker broker(*connection);
    // Checked on the connection itself: the report path refuses every PRAGMA.
    EXPECT_EQ(connection->queryInteger("SELECT COUNT(*) FROM pragma_foreign_key_check").value_or(-1), 0);
    const QDate date(FirstYear + 2, 12, 1);
    const QDate begin(FirstYear + 2, 9, 1);
    const QDate end(FirstYear + 3, 6, 30);
    EXPECT_GT(RowCount(broker, "DSPStatLLPerKlas", {{"SJ_ID", 3}, {"WerkDatum", date}, {"IS_ID", 1}}), 20);
    EXPECT_GT(RowCount(broker, "DSPStatUrenInAmbt6en7", {{"IS_ID", 2}, {"WerkDatum", date}}), 5);
    EXPECT_GT(RowCount(broker, "DSPStatPSPopulatie", {{"IS_ID", 3}, {"WerkDatum", date}}), 30);
    EXPECT_EQ(
        RowCount(broker, "DSPOSPCursistStats", {{"IS_ID", 5}, {"EindDatum", end}, {"BeginDatum", begin}}),
        900)
        << "the largest centre has the requested number of enrolments per school year";
    EXPECT_EQ(
        RowCount(broker, "DSPOSPCursistStats", {{"IS_ID", 6}, {"EindDatum", end}, {"BeginDatum", begin}}),
        450);
    EXPECT_GT(
        RowCount(broker, "DSPVWOCursistStats", {{"IS_ID", 7}, {"EindDatum", end}, {"BeginDatum", begin}}),
        100);
    EXPECT_EQ(RowCount(broker, "DSPSelectVWORefertePeriode", {}), 9);
    // Empty descriptions exist, as they do in real schools.
    EXPECT_GT(broker.open("DSPReports", {}, "SELECT 1 FROM VESTIGINGSPLAATS WHERE VP_NAAM = ''").rowCount(),
              0U);
}

TEST(DemoData, AGrownSchoolHasItsPupilsAndStaff) {
    QTemporaryDir dir;
    demo::DemoOptions grown{2024, FirstYear, 600};
    grown.largestSchoolPupils = 3000; // 500 a year: more parallel classes than letters
    grown.largestStaff = 400;
    auto connection = server::OpenSqlite(dir.filePath("grown.db"), true);
    server::CreateSchema(*connection);
    demo::GenerateDemoData(*connection, grown);
    auto plain = DemoDatabase(dir.filePath("plain.db"), 2024);
    server::SqlBroker grownBroker(*connection), plainBroker(*plain);
    const QDate date(FirstYear + 2, 12, 1);
    const auto classesOf = [&](server::SqlBroker& broker, int institution) {
        return RowCount(broker, "DSPStatLLPerKlas",
                        {{"SJ_ID", 3}, {"WerkDatum", date}, {"IS_ID", institution}});
    };
    EXPECT_GT(classesOf(grownBroker, 1), 4 * classesOf(plainBroker, 1));
    EXPECT_EQ(
        grownBroker
            .open("DSPReports", {},
                  "SELECT DISTINCT KL_CODE, KL_SCHOOLJAAR_FK FROM KLAS WHERE "
                  "KL_INSTELLING_FK = 1")
            .rowCount(),
        grownBroker.open("DSPReports", {}, "SELECT KL_ID FROM KLAS WHERE KL_INSTELLING_FK = 1").rowCount())
        << "every class of a year has its own code";
    EXPECT_EQ(grownBroker
                  .open("DSPReports", {},
                        "SELECT DISTINCT OP_PERSONEEL_FK FROM OPDRACHT WHERE "
                        "OP_INSTELLING_FK = 1")
                  .rowCount(),
              400U);
}

TEST(DemoData, MoreSchoolYearsEachHaveTheirPupilsStaffAndParticipants) {
    QTemporaryDir dir;
    demo::DemoOptions longer{2024, FirstYear, 300};
    longer.schoolYears = 5;
    auto connection = server::OpenSqlite(dir.filePath("longer.db"), true);
    server::CreateSchema(*connection);
    demo::GenerateDemoData(*connection, longer);
    server::SqlBroker broker(*connection);
    const auto count = [&](const QString& sql) {
        return static_cast<int>(broker.open("DSPReports", {}, sql).rowCount());
    };
    EXPECT_EQ(count("SELECT SJ_ID FROM SCHOOLJAAR"), 5);
    for (int year = FirstYear; year < FirstYear + 5; ++year) {
        const QString start = QStringLiteral("'%1-10-01'").arg(year);
        EXPECT_GT(count("SELECT LB_ID FROM LOOPBAAN WHERE LB_BEGINDATUM <= " + start +
                        " AND (LB_EINDDATUM IS NULL OR LB_EINDDATUM >= " + start + ")"),
                  100)
            << year;
        EXPECT_GT(count(QStringLiteral("SELECT KL_ID FROM KLAS WHERE KL_SCHOOLJAAR_FK = %1")
                            .arg(year - FirstYear + 1)),
                  10)
            << year;
    }
    EXPECT_EQ(count("SELECT KL_ID FROM KLAS WHERE KL_SCHOOLJAAR_FK > 5"), 0);
    demo::DemoOptions tooMany = longer;
    tooMany.schoolYears = 11;
    auto other = server::OpenSqlite(dir.filePath("other.db"), true);
    server::CreateSchema(*other);
    EXPECT_THROW(demo::GenerateDemoData(*other, tooMany), EVornError);
}

TEST(DemoData, RowsReachTheDatabaseAfterTheRowsTheyReferToWhateverTheBatchSize) {
    // Small batches send a table's rows while the rows they refer to may still be buffered: the
    // order that large centres meet at 20,000 rows shows here with a few hundred.
    QTemporaryDir dir;
    for (const int batch : {1, 3, 7}) {
        auto connection = server::OpenSqlite(dir.filePath(QStringLiteral("batch%1.db").arg(batch)), true);
        server::CreateSchema(*connection);
        demo::DemoOptions options{11, FirstYear, 400};
        options.batchRows = batch;
        ASSERT_NO_THROW(demo::GenerateDemoData(*connection, options)) << "batches of " << batch;
        EXPECT_EQ(connection->queryInteger("SELECT COUNT(*) FROM pragma_foreign_key_check").value_or(-1), 0);
    }
    const QStringList tables{"VWOINGMODULEVAR", "CURRICULUM"};
    auto usual = DemoDatabase(dir.filePath("usual.db"), 11, 400);
    auto small = server::OpenSqlite(dir.filePath("batch3.db"), false);
    EXPECT_EQ(Digest(*usual, tables), Digest(*small, tables))
        << "the batch size changes when rows are sent, not which";
}

TEST(DemoData, RowsReadInBatchesAreTheRowsReadAtOnce) {
    // 12,000 enrolments a year in the largest centre: more than one batch of 10,000.
    QTemporaryDir dir;
    auto connection = DemoDatabase(dir.filePath("demo.db"), 3, 12000);
    server::SqlBroker broker(*connection);
    TParams params;
    params.CreateParam(TFieldType::Integer, "IS_ID").SetAsInteger(5); // the largest adult-education centre
    params.CreateParam(TFieldType::DateTime, "BeginDatum").SetAsDateTime(EncodeDate(FirstYear, 9, 1));
    params.CreateParam(TFieldType::DateTime, "EindDatum").SetAsDateTime(EncodeDate(FirstYear + 1, 6, 30));
    const auto linesOf = [](const Table& rows, QStringList& lines) {
        for (std::size_t row = 0; row < rows.rowCount(); ++row) {
            QStringList cells;
            for (std::size_t c = 0; c < rows.fields.size(); ++c)
                cells << CellText(rows.fields[c], CellAt(rows.columns[c], row));
            lines << cells.join(u'|');
        }
    };
    QStringList atOnce;
    linesOf(broker.open("DSPOSPCursistStats", params, {}), atOnce);
    QStringList inBatches;
    int batches = 0;
    broker.stream("DSPOSPCursistStats", params, [&](const Table& rows) {
        ++batches;
        linesOf(rows, inBatches);
    });
    ASSERT_GT(atOnce.size(), 10000);
    EXPECT_GT(batches, 1);
    atOnce.sort();
    inBatches.sort();
    EXPECT_EQ(inBatches, atOnce);
}

TEST(DemoData, StoredCubeQueriesRunWithTheParametersTheCubeScreenFills) {
    QTemporaryDir dir;
    auto connection = DemoDatabase(dir.filePath("demo.db"), 2024);
    server::SqlBroker broker(*connection);
    TVornClientDataSet stored("CDSOLAP", &broker);
    stored.SetProviderName("DSPSelectOLAP");
    stored.Open();
    ASSERT_GE(stored.RecordCount(), 8);
    // The centre or school each statistic is about: CVO's (5), VWO-centra (7), schools (1); an
    // institution's school has its number.
    const auto institutionOf = [](const QString& code) {
        return code == "CURSSTG" || code == "TRAAG" ? 5 : code == "VWOMOD" ? 7 : 1;
    };
    const TDateTime workDate = EncodeDate(FirstYear + 2, 12, 1);
    for (stored.First(); !stored.Eof(); stored.Next()) {
        TVornClientDataSet cube("CubeData", &broker);
        cube.SetProviderName("DSPReports");
        cube.SetCommandText(stored.FieldByName("Q_SQL").AsString());
        for (int i = 0; i < cube.Params().Count(); ++i) {
            TParam& param = cube.Params().Items(i);
            const QString name = param.Name().toLower();
            if (name == "werkdatum")
                param.SetAsDateTime(workDate);
            else if (name == "begindatum")
                param.SetAsDateTime(GetSchooljaarStartFrom(workDate));
            else if (name == "einddatum")
                param.SetAsDateTime(GetSchooljaarEndFrom(workDate));
            else if (name == "is_id" || name == "sc_id")
                param.SetAsInteger(institutionOf(stored.FieldByName("L_CODE").AsString()));
            else if (name == "sj_id" || name == "u_id" || name == "uid" || name == "userid")
                param.SetAsInteger(3);
            else if (name == "jaar" || name == "sj_code")
                param.SetAsInteger(FirstYear + 2);
            else
                FAIL() << "unsupported parameter " << name.toStdString();
        }
        cube.Open();
        const std::string code = stored.FieldByName("L_CODE").AsString().toStdString();
        EXPECT_GT(cube.RecordCount(), 0) << code;
        // The definition fits the rows its query returns, and its layout the cube.
        try {
            const auto built =
                TCube::Build(TOLAPDefinition::LoadFromBlobField(stored.FieldByName("L_DEFINITIE")), cube);
            const TPivot pivot(built);
            EXPECT_GT(pivot.LineCount(TPivotAxis::Rows), 0) << code;
        } catch (const EVornError& error) {
            ADD_FAILURE() << code << ": " << error.message().toStdString();
        }
    }
}

namespace {

QProcess* StartDemo(const QStringList& arguments) {
    auto* process = new QProcess;
    process->start(VORN_DEMO_BINARY, arguments);
    process->waitForStarted();
    return process;
}

/// Waits until a file matching the pattern is in the folder (a run has got that far).
bool AppearsIn(const QString& folder, const QString& pattern) {
    for (int tries = 0; tries < 600; ++tries) {
        if (!QDir(folder).entryList({pattern}, QDir::Files).isEmpty())
            return true;
        QThread::msleep(50);
    }
    return false;
}

int Count(const QString& database, const QString& table) {
    auto connection = server::OpenSqlite(database, false);
    return static_cast<int>(connection->queryInteger("SELECT COUNT(*) FROM " + table).value_or(-1));
}

} // namespace

TEST(DemoReplacement, AStoppedReplacementLeavesTheOldDatabaseWholeAndNothingBeside) {
    QTemporaryDir dir;
    const QString database = dir.filePath("school.db");
    std::unique_ptr<QProcess> first(
        StartDemo({"--database", database, "--seed", "1", "--enrolments", "300"}));
    ASSERT_TRUE(first->waitForFinished(60000));
    ASSERT_EQ(first->exitCode(), 0);
    const int before = Count(database, "CURRICULUM");
    std::unique_ptr<QProcess> stopped(
        StartDemo({"--database", database, "--replace", "--seed", "2", "--enrolments", "400000"}));
    ASSERT_TRUE(AppearsIn(dir.path(), "school.db.nieuw*")) << "the replacement got under way";
    QThread::msleep(300);
    stopped->kill();
    stopped->waitForFinished();
    EXPECT_EQ(Count(database, "CURRICULUM"), before) << "the old database is untouched";
    std::unique_ptr<QProcess> again(
        StartDemo({"--database", database, "--replace", "--seed", "3", "--enrolments", "300"}));
    ASSERT_TRUE(again->waitForFinished(60000));
    EXPECT_EQ(again->exitCode(), 0) << again->readAllStandardError().toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"school.db"}))
        << "the next run removed what the stopped one left";
}

TEST(DemoReplacement, TwoReplacementsAtOnceDoNotMix) {
    QTemporaryDir dir;
    const QString database = dir.filePath("school.db");
    std::unique_ptr<QProcess> slow(
        StartDemo({"--database", database, "--replace", "--seed", "4", "--enrolments", "60000"}));
    ASSERT_TRUE(AppearsIn(dir.path(), "school.db.nieuw*")) << "the first replacement holds the lock";
    std::unique_ptr<QProcess> second(
        StartDemo({"--database", database, "--replace", "--seed", "5", "--enrolments", "300"}));
    ASSERT_TRUE(second->waitForFinished(60000));
    ASSERT_TRUE(slow->waitForFinished(120000));
    EXPECT_EQ(slow->exitCode(), 0) << slow->readAllStandardError().toStdString();
    EXPECT_EQ(second->exitCode(), 1) << "refused while the first one builds";
    EXPECT_TRUE(QString::fromUtf8(second->readAllStandardError()).contains("al aan"));
    auto connection = server::OpenSqlite(database, false);
    EXPECT_EQ(connection->queryInteger("SELECT COUNT(*) FROM pragma_foreign_key_check").value_or(-1), 0);
    EXPECT_GT(Count(database, "CURRICULUM"), 60000) << "the first run's data, whole";
}

TEST(DemoReplacement, OnPostgresqlAReplacementThatCannotFinishLeavesTheOldDatabaseWhole) {
    const QString server = qEnvironmentVariable("VORN_TEST_PG");
    if (server.isEmpty()) {
        if (!qEnvironmentVariable("CI").isEmpty())
            FAIL() << "VORN_TEST_PG is not set: the test command must start PostgreSQL";
        GTEST_SKIP() << "no PostgreSQL test server (run ./test.sh)";
    }
    const QString schema = QStringLiteral("vorn_demo_%1").arg(QCoreApplication::applicationPid());
    auto admin = server::OpenPostgres(server);
    admin->executeScript(QStringLiteral("CREATE SCHEMA %1").arg(schema));
    const QString target = server + QStringLiteral(" options='-c search_path=%1'").arg(schema);
    const auto demo = [&](const QStringList& extra) {
        std::unique_ptr<QProcess> process(StartDemo(QStringList{"--database", target} + extra));
        process->waitForFinished(120000);
        return process->exitCode();
    };
    ASSERT_EQ(demo({"--seed", "1", "--enrolments", "300"}), 0);
    const auto contents = [&] { // changes with the seed
        return admin
            ->queryInteger(
                QStringLiteral("SELECT SUM(cu_leerling_fk * cu_klas_fk) FROM %1.curriculum").arg(schema))
            .value_or(-1);
    };
    const qint64 before = contents();

    // A reader holds a lock on one table: the replacement waits, gives up, and changes nothing.
    auto reader = server::OpenPostgres(server);
    reader->begin();
    reader->queryInteger(QStringLiteral("SELECT COUNT(*) FROM %1.klas").arg(schema));
    EXPECT_EQ(demo({"--replace", "--seed", "2", "--enrolments", "300"}), 1);
    reader->rollback();
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(admin
                  ->queryInteger(QStringLiteral("SELECT COUNT(*) FROM information_schema.tables "
                                                "WHERE table_schema = '%1'")
                                     .arg(schema))
                  .value_or(-1),
              static_cast<qint64>(server::SchemaTables(server::Dialect::PostgreSQL).size()))
        << "no table was dropped";

    EXPECT_EQ(demo({"--replace", "--seed", "2", "--enrolments", "300"}), 0);
    EXPECT_NE(contents(), before) << "without the lock the replacement goes through";
    admin->executeScript(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));
}

TEST(DemoReplacement, IfAbsentTakesOnlyAWholeDatabaseForOne) {
    QTemporaryDir dir;
    const QString database = dir.filePath("school.db");
    const auto demo = [&](const QStringList& extra, QString* errors = nullptr) {
        std::unique_ptr<QProcess> process(StartDemo(QStringList{"--database", database} + extra));
        process->waitForFinished(60000);
        if (errors != nullptr)
            *errors = QString::fromUtf8(process->readAllStandardError());
        return process->exitCode();
    };
    ASSERT_EQ(demo({"--if-absent", "--seed", "1", "--enrolments", "300"}), 0) << "absent: made";
    {
        auto connection = server::OpenSqlite(database, false);
        EXPECT_EQ(server::StateOf(*connection), server::DatabaseState::Complete);
    }
    const int before = Count(database, "CURRICULUM");
    EXPECT_EQ(demo({"--if-absent", "--seed", "2"}), 0);
    EXPECT_EQ(Count(database, "CURRICULUM"), before) << "a whole database is left alone";

    // Cut off before the end: the mark that is written last is missing.
    server::OpenSqlite(database, false)->execute("DELETE FROM VORN_STATUS");
    QString errors;
    EXPECT_EQ(demo({"--if-absent"}, &errors), 1);
    EXPECT_TRUE(errors.contains("onvolledig") && errors.contains("--replace")) << errors.toStdString();
    EXPECT_EQ(Count(database, "CURRICULUM"), before) << "nothing is overwritten without --replace";
    EXPECT_EQ(demo({"--if-absent", "--replace", "--seed", "3", "--enrolments", "300"}), 0);
    EXPECT_EQ(server::StateOf(*server::OpenSqlite(database, false)), server::DatabaseState::Complete);

    // Made before the mark existed: whole when it holds institutions.
    server::OpenSqlite(database, false)->execute("DROP TABLE VORN_STATUS");
    EXPECT_EQ(server::StateOf(*server::OpenSqlite(database, false)), server::DatabaseState::Complete);
    auto bare = server::OpenSqlite(dir.filePath("kaal.db"), true);
    server::CreateSchema(*bare);
    bare->execute("DROP TABLE VORN_STATUS");
    EXPECT_EQ(server::StateOf(*bare), server::DatabaseState::Incomplete) << "tables without institutions";

    // An empty file is no database, and not one to overwrite unasked.
    const QString empty = dir.filePath("leeg.db");
    QFile(empty).open(QIODevice::WriteOnly);
    std::unique_ptr<QProcess> process(StartDemo({"--database", empty, "--if-absent"}));
    process->waitForFinished(60000);
    EXPECT_EQ(process->exitCode(), 1);
}

TEST(DemoData, NoPupilsAndNoStaffMeanNoneNotTheUsualNumber) {
    QTemporaryDir dir;
    demo::DemoOptions none{2024, FirstYear, 300};
    none.largestSchoolPupils = 0;
    none.largestStaff = 0;
    auto connection = server::OpenSqlite(dir.filePath("leeg.db"), true);
    server::CreateSchema(*connection);
    demo::GenerateDemoData(*connection, none);
    EXPECT_EQ(connection->queryInteger("SELECT COUNT(*) FROM LOOPBAAN WHERE LB_INSTELLING_FK = 1"), 0);
    EXPECT_EQ(connection->queryInteger("SELECT COUNT(*) FROM OPDRACHT WHERE OP_INSTELLING_FK = 1"), 0);
    EXPECT_GT(
        connection->queryInteger("SELECT COUNT(*) FROM LOOPBAAN WHERE LB_INSTELLING_FK = 2").value_or(0), 100)
        << "the other schools keep their pupils";
}

TEST(VornDemo, AFileOfAnotherProgramIsNeverOfferedForReplacing) {
    QTemporaryDir dir;
    const QString other = dir.filePath("adressen.db");
    server::OpenSqlite(other, true)->executeScript("CREATE TABLE ADRES (ID INTEGER, STRAAT VARCHAR(40))");
    QFile file(other);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    for (const QStringList& options :
         {QStringList{"--if-absent"}, QStringList{"--replace"}, QStringList{"--if-absent", "--replace"}}) {
        QProcess process;
        process.start(VORN_DEMO_BINARY, QStringList{"--database", other} + options);
        ASSERT_TRUE(process.waitForFinished(60000));
        const QString errors = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), 1) << options.join(' ').toStdString();
        EXPECT_TRUE(errors.contains("geen databank van Vorn")) << errors.toStdString();
        EXPECT_FALSE(errors.contains("--replace")) << errors.toStdString();
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST(VornDemo, AnUncreatablePlaceIsNotTakenForAnotherRun) {
    QTemporaryDir dir;
    QFile plain(dir.filePath("gewoon-bestand"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    QProcess process;
    process.start(VORN_DEMO_BINARY, {"--database", dir.filePath("gewoon-bestand/demo.db")});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_FALSE(errors.contains("andere vorn-demo")) << errors.toStdString();
    EXPECT_TRUE(errors.contains("kan niet geschreven worden")) << errors.toStdString();
}

TEST(VornDemo, OutputIntoAFullDeviceIsAFailure) {
    QTemporaryDir dir;
    const auto exitCode = [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setStandardOutputFile("/dev/full");
        process.start(program, arguments);
        process.waitForFinished(60000);
        return process.exitCode();
    };
    EXPECT_EQ(exitCode(VORN_DEMO_BINARY, {"--help"}), 1);
    EXPECT_EQ(exitCode(VORN_DEMO_BINARY, {"--version"}), 1);
    EXPECT_EQ(exitCode(VORN_DEMO_BINARY, {"--database", dir.filePath("demo.db"), "--enrolments", "300"}), 1)
        << "the summary did not reach its reader";
    EXPECT_EQ(exitCode(VORN_QUERY_BINARY, {"--help"}), 1);
    EXPECT_EQ(exitCode(VORN_QUERY_BINARY, {"--list"}), 1);
    EXPECT_EQ(exitCode(VORN_BINARY, {"--help"}), 1);
}

TEST(VornDemo, ANewDatabaseFileIsReadableByItsOwnerOnly) {
    QTemporaryDir dir;
    const QString database = dir.filePath("eigen.db");
    QProcess process;
    process.start(VORN_DEMO_BINARY, {"--database", database, "--enrolments", "300"});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(QFileInfo(database).permissions() &
                  (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions{});
    EXPECT_TRUE(QFileInfo(database).permissions() & QFile::ReadOwner);
}
