// Printing a participant statistic through the host's print sequence, checked on the server: the
// job rows while the report runs, nothing left afterwards, on SQLite and on PostgreSQL; the keyword
// rule and the selection dialog; the faults on every way out.
#include "host/forms/processservices.h"
#include "telmod/participants/dlgSelectOSPStat.h"
#include "telmod/participants/dlgSelectVWOStat.h"
#include "telmod/participants/frmStatCursPerInst.h"
#include "telmod/participants/frmStatVWOCursPerInst.h"

#include "screenfixture.h"

#include "server/schema.h"

#include "host/data/errors.h"
#include "host/reports/printsequence.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QRadioButton>
#include <QTimer>
#include <optional>
#include <set>

using namespace vorn;
using telmod::TStatCursistenPerInstellingForm;
using telmod::TStatVWOCursistenPerInstellingForm;
using vorn::testing::Idle;

namespace {

constexpr int Cvo = 20;
constexpr int Vwo = 30;

QString ReadScript(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return QString::fromUtf8(file.readAll());
}

/// A host whose job ids come from the server and whose CleanJob calls are recorded; the status
/// and cursor stacks are counted so that every push can be seen popped.
class PrintHost : public IHostServices {
public:
    explicit PrintHost(server::SqlBroker& broker) : broker_(broker) {}
    TDateTime WerkDatum() const override { return EncodeDate(2025, 12, 1); }
    void PushStatus(const QString& text) override {
        statuses << text, ++statusDepth;
        if (onStatus)
            onStatus(text);
    }
    void PopStatus() override { --statusDepth; }
    void PushCursor(Qt::CursorShape) override { ++cursorDepth; }
    void PopCursor() override { --cursorDepth; }
    int GetJobID() override {
        ++jobIdsDrawn;
        const int id = broker_.newJobId();
        if (onJobId)
            onJobId();
        return id;
    }
    QString CleanJob(int kind, int job, const QVariant& extra) override {
        cleaned << QStringLiteral("%1/%2/%3").arg(kind).arg(job).arg(extra.isNull() ? "null" : "value");
        return broker_.cleanJob(kind, job, extra);
    }
    QStringList statuses, cleaned;
    int statusDepth = 0, cursorDepth = 0, jobIdsDrawn = 0;
    std::function<void(const QString&)> onStatus; // a test's fault, as a status text is shown
    std::function<void()> onJobId;                // a test's fault, as a job id was drawn

private:
    server::SqlBroker& broker_;
};

/// An output that runs a check while the report is "printed" and answers whether it printed.
class CheckingOutput : public IReportOutput {
public:
    std::function<bool(const TReportFile&, const TReportData&)> onSend;
    bool Send(const TReportFile& file, const TReportData& data) override {
        ++sends;
        return onSend ? onSend(file, data) : true;
    }
    int sends = 0;
};

/// The known participant database on SQLite, or in a schema of its own on the test PostgreSQL server.
/// A database with the known participants, served to the screens, and the helpers of a print test.
class PrintFixture : public ::testing::Test {
protected:
    /// Fills the database and serves it to the screens.
    void Serve(std::unique_ptr<server::Connection> connection) {
        connection_ = std::move(connection);
        server::CreateSchema(*connection_);
        connection_->executeScript(ReadScript(QStringLiteral(VORN_TEST_DATA "/server/fixture.sql")));
        connection_->executeScript(
            ReadScript(QStringLiteral(VORN_TEST_DATA "/participants/participants.sql")));
        broker_ = std::make_unique<server::SqlBroker>(*connection_);
        host_ = std::make_unique<PrintHost>(*broker_);
        services_.emplace(TProcessServices{broker_.get(), broker_.get(), host_.get(),
                                           [this](const QString& message) { errors_ << message; }});
    }
    void TearDown() override {
        osp_.reset();
        vwo_.reset();
        services_.reset();
        if (connection_ && !schema_.isEmpty())
            connection_->executeScript(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema_));
    }

    template <typename Form>
    std::unique_ptr<Form> Fetched(int institution, const QString& overview, TDateTime from, TDateTime to) {
        auto form = std::make_unique<Form>();
        // Each screen gets an overview of its own, as the host's browse screens are.
        auto& institutions =
            overviews_.emplace_back(std::make_unique<TVornClientDataSet>("CDSBrowseInstelling"));
        institutions->SetProviderName(overview);
        institutions->Open();
        auto& source = sources_.emplace_back(std::make_unique<TVornDatasource>());
        source->SetDataSet(institutions.get());
        StartScreen(*form, source.get(), nullptr);
        form->LEinstelling->SetLookupID(institution);
        form->EVanafDatum->SetDate(from);
        form->ETotDatum->SetDate(to);
        Idle();
        form->BFetch->click();
        EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
        return form;
    }
    void FetchOsp(TDateTime from = EncodeDate(2024, 9, 1), TDateTime to = EncodeDate(2025, 6, 30)) {
        osp_ = Fetched<TStatCursistenPerInstellingForm>(Cvo, "DSPBrowseOSPInstellingen", from, to);
    }
    void FetchVwo() {
        vwo_ = Fetched<TStatVWOCursistenPerInstellingForm>(Vwo, "DSPBrowseVWOInstellingen",
                                                           EncodeDate(2024, 9, 1), EncodeDate(2025, 6, 30));
    }

    /// The job's rows on the server, every field of the row table joined by '|', in id order.
    QStringList JobRows(int job, const QString& provider = "DSPOSPPrintStats") {
        TVornClientDataSet rows("rows", broker_.get());
        rows.SetProviderName(provider);
        rows.Params().CreateParam(TFieldType::Integer, "JobID").SetAsInteger(job);
        rows.Open();
        QStringList result;
        for (rows.First(); !rows.Eof(); rows.Next()) {
            QStringList values;
            for (const char* field :
                 {"J_INTEGER1", "J_TYPERECORD", "J_JOBTYPE", "J_SHORTTEXT1", "J_LONGTEXT1", "J_INTEGER2",
                  "J_INTEGER3", "J_INTEGER4", "J_INTEGER5", "J_INTEGER6", "J_INTEGER7", "J_INTEGER8",
                  "J_INTEGER9", "J_INTEGER10", "J_JOBID"})
                values << rows.FieldByName(field).AsString();
            result << values.join('|');
        }
        return result;
    }
    std::int64_t AllJobRows() {
        return connection_->queryInteger("SELECT COUNT(*) FROM JOBDATA", {}).value_or(-1);
    }

    /// What the job table must hold for a list: one row per statistic in id order.
    static QStringList ExpectedRows(const TIDList& list, int job, bool creditHours) {
        QStringList rows;
        for (int i = 0; i < list.Count(); ++i) {
            const auto* stat = list.GetObjectAs<telmod::TParticipantStatistic>(i);
            const int credit =
                creditHours ? static_cast<const telmod::osp::TStatistic*>(stat)->KredietUrenCount() : 0;
            rows << QStringList{QString::number(list.GetID(i)),
                                "0",
                                "-1",
                                stat->Code(),
                                stat->Omschrijving(),
                                QString::number(stat->Count()),
                                QString::number(stat->FinCount()),
                                QString::number(stat->NotFinNount()),
                                QString::number(stat->ManCount()),
                                QString::number(stat->GetVrouwCount()),
                                QString::number(stat->GetPersoonCount()),
                                QString::number(credit),
                                QString::number(stat->C98Count()),
                                QString::number(stat->LesurenCursist()),
                                QString::number(job)}
                        .join('|');
        }
        return rows;
    }

    QTemporaryDir dir_;
    QString schema_;
    std::unique_ptr<server::Connection> connection_;
    std::unique_ptr<server::SqlBroker> broker_;
    std::unique_ptr<PrintHost> host_;
    std::vector<std::unique_ptr<TVornClientDataSet>> overviews_;
    std::vector<std::unique_ptr<TVornDatasource>> sources_;
    QStringList errors_;
    std::optional<TServicesScope> services_;
    std::unique_ptr<TStatCursistenPerInstellingForm> osp_;
    std::unique_ptr<TStatVWOCursistenPerInstellingForm> vwo_;
};

/// The print tests on SQLite and on the test PostgreSQL server (a schema of their own).
class PrintTest : public PrintFixture, public ::testing::WithParamInterface<server::Dialect> {
protected:
    void SetUp() override {
        if (GetParam() == server::Dialect::SQLite) {
            Serve(server::OpenSqlite(dir_.filePath("known.db"), true));
            return;
        }
        const QString target = qEnvironmentVariable("VORN_TEST_PG");
        if (target.isEmpty()) {
            if (!qEnvironmentVariable("CI").isEmpty())
                FAIL() << "VORN_TEST_PG is not set: the test command must start PostgreSQL";
            GTEST_SKIP() << "no PostgreSQL test server (run ./test.sh)";
        }
        auto connection = server::OpenPostgres(target);
        static int counter = 0;
        schema_ = QStringLiteral("vorn_print_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
        connection->executeScript(QStringLiteral("CREATE SCHEMA %1; SET search_path TO %1").arg(schema_));
        Serve(std::move(connection));
    }
};

TEST_P(PrintTest, TheReportReadsExactlyTheChosenListAndNothingStaysBehind) {
    FetchOsp();
    ASSERT_GT(osp_->FKlasStats->Count(), 2);
    CheckingOutput output;
    QStringList during;
    output.onSend = [&](const TReportFile& file, const TReportData& data) {
        during = JobRows(osp_->FJobID);
        EXPECT_EQ(file.name, "ospstatklas.arf");
        EXPECT_EQ(data.sections.at(0).rowCount, osp_->FKlasStats->Count());
        EXPECT_EQ(host_->statusDepth, 0) << "the status pushed while saving is popped before the report";
        return true;
    };
    EXPECT_TRUE(RunPrint(*osp_, "Statistiek per klas", output));
    const int job = osp_->FJobID;
    EXPECT_NE(job, -1);
    EXPECT_EQ(during, ExpectedRows(*osp_->FKlasStats, job, true));
    EXPECT_TRUE(during.filter("|TRAJ-ICT-GEVORD ICTGEVORD1|").size() == 1)
        << "a 26-character class code is kept whole:\n"
        << during.join('\n').toStdString();
    EXPECT_EQ(host_->statuses.mid(host_->statuses.size() - 2),
              (QStringList{"Bewaren statistiek in tijdelijke tabel",
                           "Rapport \"Statistiek per klas\" wordt opgemaakt"}));
    EXPECT_EQ(host_->cursorDepth, 0);
    EXPECT_EQ(host_->cleaned, QStringList{QStringLiteral("241/%1/null").arg(job)});
    EXPECT_EQ(AllJobRows(), 0);

    // A second print reuses the job id, and writes another list.
    output.onSend = [&](const TReportFile&, const TReportData&) {
        during = JobRows(osp_->FJobID);
        return true;
    };
    EXPECT_TRUE(RunPrint(*osp_, "Statistiek per vestigingsplaats", output));
    EXPECT_EQ(osp_->FJobID, job);
    EXPECT_EQ(host_->jobIdsDrawn, 1);
    EXPECT_EQ(during, ExpectedRows(*osp_->FVestigingStats, job, true));
    EXPECT_EQ(AllJobRows(), 0);
    EXPECT_EQ(host_->cleaned.size(), 2);
}

TEST_P(PrintTest, VwoRowsCarryNoCreditHoursAndAreCleanedAsTheirOwnKind) {
    FetchVwo();
    CheckingOutput output;
    QStringList during;
    QStringList params;
    vwo_->OnGetPrintParams = [&, original = vwo_->OnGetPrintParams](QObject* sender, const QString& report,
                                                                    QStringList& list) {
        original(sender, report, list);
        params = list;
    };
    output.onSend = [&](const TReportFile&, const TReportData&) {
        during = JobRows(vwo_->FJobID, "DSPVWOPrintStats");
        return true;
    };
    ASSERT_TRUE(RunPrint(*vwo_, "Statistiek per ingerichte modulevariant", output));
    ASSERT_FALSE(during.isEmpty());
    EXPECT_EQ(during, ExpectedRows(*vwo_->FIngModulevariantStats, vwo_->FJobID, false));
    for (const QString& row : during)
        EXPECT_EQ(row.split('|').at(11), "0") << "J_INTEGER8";
    EXPECT_EQ(host_->cleaned, QStringList{QStringLiteral("327/%1/null").arg(vwo_->FJobID)});
    EXPECT_EQ(AllJobRows(), 0);
    QStringList names;
    for (const QString& entry : params)
        names << entry.section('=', 0, 0);
    EXPECT_EQ(names,
              (QStringList{"IS_ID", "SC_ID", "IsSchoolJaar", "WerkDatum", "Werkjaar", "TotDatum", "JobID"}));
}

TEST_P(PrintTest, AnEmptyListWritesNoRowsAndTheReportStillRuns) {
    FetchOsp(EncodeDate(1990, 1, 1), EncodeDate(1990, 12, 31));
    ASSERT_EQ(osp_->FKlasStats->Count(), 0);
    CheckingOutput output;
    std::int64_t rowsDuring = -1;
    output.onSend = [&](const TReportFile&, const TReportData& data) {
        rowsDuring = AllJobRows();
        EXPECT_EQ(data.sections.at(0).rowCount, 0);
        return true;
    };
    EXPECT_TRUE(RunPrint(*osp_, "Statistiek per klas", output));
    EXPECT_EQ(rowsDuring, 0);
    EXPECT_EQ(output.sends, 1);
}

TEST_P(PrintTest, AFailedApplyLeavesNoRowOfTheJobAndRestoresStatusAndCursor) {
    FetchOsp();
    ASSERT_GE(osp_->FKlasStats->Count(), 3);
    // The server refuses the row of the second class, after the first was written.
    const int refused = osp_->FKlasStats->GetID(1);
    if (GetParam() == server::Dialect::SQLite)
        connection_->executeScript(
            QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON JOBDATA WHEN "
                           "NEW.J_INTEGER1 = %1 BEGIN SELECT RAISE(ABORT, 'geweigerd'); END")
                .arg(refused));
    else
        connection_->executeScript(
            QStringLiteral("ALTER TABLE JOBDATA ADD CONSTRAINT refuse CHECK (J_INTEGER1 <> %1)")
                .arg(refused));
    CheckingOutput output;
    EXPECT_THROW(RunPrint(*osp_, "Statistiek per klas", output), EVornError);
    EXPECT_EQ(output.sends, 0);
    EXPECT_EQ(AllJobRows(), 0);
    EXPECT_EQ(host_->statusDepth, 0);
    EXPECT_EQ(host_->cursorDepth, 0);
    EXPECT_TRUE(host_->cleaned.isEmpty()) << "the screen's BeforePrint failed: there is no print to end";

    // The next print, with the refusal gone, writes the whole list again.
    connection_->executeScript(GetParam() == server::Dialect::SQLite
                                   ? QStringLiteral("DROP TRIGGER refuse")
                                   : QStringLiteral("ALTER TABLE JOBDATA DROP CONSTRAINT refuse"));
    QStringList during;
    output.onSend = [&](const TReportFile&, const TReportData&) {
        during = JobRows(osp_->FJobID);
        return true;
    };
    EXPECT_TRUE(RunPrint(*osp_, "Statistiek per klas", output));
    EXPECT_EQ(during, ExpectedRows(*osp_->FKlasStats, osp_->FJobID, true))
        << "the failed rows are not sent again";
    EXPECT_EQ(AllJobRows(), 0);
}

TEST_P(PrintTest, AMissingOrBrokenReportFileStopsBeforeAnythingIsWritten) {
    FetchOsp();
    CheckingOutput output;
    osp_->ReportDefs[0].FileName = "bestaat-niet.arf";
    try {
        RunPrint(*osp_, "Statistiek per klas", output);
        ADD_FAILURE() << "a missing report file must be refused";
    } catch (const EReportError& error) {
        EXPECT_TRUE(error.message().contains("bestaat-niet.arf")) << error.message().toStdString();
    }
    QTemporaryDir reports;
    QFile broken(reports.filePath("kapot.arf"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{\n  \"format\": \"vorn-report\",\n  \"version\": 1\n  \"title\": \"x\"\n}\n");
    broken.close();
    qputenv("VORN_REPORT_PATH", reports.path().toUtf8());
    osp_->ReportDefs[0].FileName = "kapot.arf";
    try {
        RunPrint(*osp_, "Statistiek per klas", output);
        ADD_FAILURE() << "a broken report file must be refused";
    } catch (const EReportError& error) {
        EXPECT_TRUE(error.message().contains("kapot.arf") && error.message().contains("regel 4"))
            << error.message().toStdString();
    }
    qunsetenv("VORN_REPORT_PATH");
    EXPECT_EQ(host_->jobIdsDrawn, 0);
    EXPECT_EQ(osp_->FJobID, -1);
    EXPECT_TRUE(host_->cleaned.isEmpty()) << "the screen's print events never ran";
    EXPECT_EQ(output.sends, 0);
}

TEST_P(PrintTest, AReportThatFailsOrACancelledPrinterStillRemovesTheRows) {
    FetchOsp();
    CheckingOutput output;
    output.onSend = [&](const TReportFile&, const TReportData&) -> bool {
        EXPECT_GT(AllJobRows(), 0);
        throw EReportError("printer weg");
    };
    EXPECT_THROW(RunPrint(*osp_, "Statistiek per adm. groep", output), EReportError);
    EXPECT_EQ(AllJobRows(), 0);
    EXPECT_EQ(host_->cleaned.size(), 1);

    output.onSend = [&](const TReportFile&, const TReportData&) { return false; }; // the user cancelled
    EXPECT_FALSE(RunPrint(*osp_, "Statistiek per eenheid", output));
    EXPECT_EQ(AllJobRows(), 0);
    EXPECT_EQ(host_->cleaned.size(), 2);

    // A report file naming a field the job table lacks fails while the report is read.
    QTemporaryDir reports;
    QFile wrongField(reports.filePath("verkeerd.arf"));
    ASSERT_TRUE(wrongField.open(QIODevice::WriteOnly));
    wrongField.write(R"({"format": "vorn-report", "version": 1, "title": "x",
        "sections": [{"jobTable": "DSPOSPPrintStats", "columns": [{"field": "J_BESTAATNIET"}]}]})");
    wrongField.close();
    qputenv("VORN_REPORT_PATH", reports.path().toUtf8());
    osp_->ReportDefs[0].FileName = "verkeerd.arf";
    try {
        RunPrint(*osp_, "Statistiek per klas", output);
        ADD_FAILURE() << "an unknown field must be refused";
    } catch (const EReportError& error) {
        EXPECT_TRUE(error.message().contains("J_BESTAATNIET")) << error.message().toStdString();
    }
    qunsetenv("VORN_REPORT_PATH");
    EXPECT_EQ(AllJobRows(), 0);
    EXPECT_EQ(host_->cleaned.size(), 3);
}

TEST_P(PrintTest, PrintParametersFollowThePeriod) {
    const auto paramsFor = [&](TDateTime from, TDateTime to) {
        FetchOsp(from, to);
        QStringList params;
        osp_->OnGetPrintParams(osp_.get(), "Statistiek per klas", params);
        return params;
    };
    // A school year runs from 1 September to 30 June.
    QStringList params = paramsFor(EncodeDate(2024, 9, 1), EncodeDate(2025, 6, 30));
    QStringList names;
    for (const QString& entry : params)
        names << entry.section('=', 0, 0);
    EXPECT_EQ(names, (QStringList{"IS_ID", "SC_ID", "SJ_ID", "IsSchoolJaar", "WerkDatum", "Werkjaar",
                                  "TotDatum", "JobID"}));
    EXPECT_EQ(PrintParam(params, "IS_ID"), "20");
    EXPECT_EQ(PrintParam(params, "SC_ID"), "2");
    EXPECT_EQ(PrintParam(params, "SJ_ID"), QString::number(broker_->schoolYearId(2024)));
    EXPECT_EQ(PrintParam(params, "IsSchoolJaar"), "1");
    EXPECT_EQ(PrintParam(params, "WerkDatum"), QLocale().toString(QDate(2024, 9, 1), QLocale::ShortFormat));
    EXPECT_EQ(PrintParam(params, "TotDatum"), QLocale().toString(QDate(2025, 6, 30), QLocale::ShortFormat));
    EXPECT_EQ(PrintParam(params, "Werkjaar"), "2024");
    EXPECT_EQ(PrintParam(params, "JobID"), "-1") << "no print yet";
    EXPECT_EQ(PrintParam(paramsFor(EncodeDate(2024, 9, 2), EncodeDate(2025, 6, 30)), "IsSchoolJaar"), "2");
    EXPECT_EQ(PrintParam(paramsFor(EncodeDate(2024, 9, 1), EncodeDate(2025, 6, 29)), "IsSchoolJaar"), "2");
    EXPECT_EQ(PrintParam(paramsFor(EncodeDate(2024, 9, 1), EncodeDate(2025, 8, 31)), "IsSchoolJaar"), "1")
        << "July and August belong to the school year that ended on 30 June";
}

INSTANTIATE_TEST_SUITE_P(Databases, PrintTest,
                         ::testing::Values(server::Dialect::SQLite, server::Dialect::PostgreSQL),
                         [](const ::testing::TestParamInfo<server::Dialect>& info) {
                             return info.param == server::Dialect::SQLite ? "SQLite" : "PostgreSQL";
                         });

/// A PostgreSQL server of the test's own, halted (as in a crash) while the client works, and
/// started again.
class ServerFaultTest : public PrintFixture {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("VORN_TEST_PG").isEmpty()) {
            if (!qEnvironmentVariable("CI").isEmpty())
                FAIL() << "VORN_TEST_PG is not set: the test command must start PostgreSQL";
            GTEST_SKIP() << "no PostgreSQL test server (run ./test.sh)";
        }
        folder_ = serverDir_.filePath("pg");
        // The server runs as its own user, which must reach the folder.
        QFile::setPermissions(serverDir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                     QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                                     QFile::ExeGroup);
        QProcess start;
        start.start("bash", {Script, "start", folder_});
        ASSERT_TRUE(start.waitForFinished(120000));
        ASSERT_EQ(start.exitCode(), 0) << start.readAllStandardError().toStdString();
        Serve(server::OpenPostgres(QString::fromUtf8(start.readAllStandardOutput()).trimmed()));
        // The throwaway server does not wait for the disk; a crash must not take the fixture with it.
        connection_->executeScript("CHECKPOINT");
    }
    void TearDown() override {
        PrintFixture::TearDown();
        osp_.reset();
        broker_.reset();
        connection_.reset();
        QProcess::execute("bash", {Script, "stop", folder_});
    }
    void Server(const char* action) { ASSERT_EQ(QProcess::execute("bash", {Script, action, folder_}), 0); }
    bool ToldConnectionLost() const {
        return errors_.join('\n').contains("verbroken") || errors_.join('\n').contains("Geen verbinding");
    }

    static constexpr const char* Script = VORN_SOURCE_DIR "/scripts/pg-test-server.sh";
    QTemporaryDir serverDir_;
    QString folder_;
};

TEST_F(ServerFaultTest, AServerStoppedDuringAFetchIsToldAndTheScreenFetchesOnceItIsBack) {
    FetchOsp();
    const int classes = osp_->FKlasStats->Count();
    ASSERT_GT(classes, 0);
    host_->onStatus = [&](const QString& text) {
        if (text.startsWith("Ophalen"))
            Server("halt");
    };
    Idle();
    osp_->BFetch->click();
    host_->onStatus = nullptr;
    EXPECT_TRUE(ToldConnectionLost()) << errors_.join('\n').toStdString();
    EXPECT_EQ(host_->statusDepth, 0);
    EXPECT_EQ(host_->cursorDepth, 0);
    errors_.clear();
    Idle();
    osp_->BFetch->click();
    EXPECT_TRUE(ToldConnectionLost()) << "still down: told again, nothing else";

    Server("resume");
    errors_.clear();
    Idle();
    osp_->BFetch->click();
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_EQ(osp_->FKlasStats->Count(), classes) << "the client connected again by itself";
}

TEST_F(ServerFaultTest, AServerStoppedDuringTheJobTableWriteLeavesNoRowsAndTheNextPrintWorks) {
    FetchOsp();
    host_->onJobId = [&] { Server("halt"); };
    CheckingOutput output;
    try {
        RunPrint(*osp_, "Statistiek per klas", output);
        ADD_FAILURE() << "the write must fail";
    } catch (const EVornError& error) {
        EXPECT_TRUE(error.message().contains("verbroken") || error.message().contains("Geen verbinding"))
            << error.message().toStdString();
    }
    host_->onJobId = nullptr;
    EXPECT_EQ(output.sends, 0);
    EXPECT_EQ(host_->statusDepth, 0);
    EXPECT_EQ(host_->cursorDepth, 0);

    Server("resume");
    EXPECT_EQ(AllJobRows(), 0) << "nothing of the interrupted print reached the table";
    QStringList during;
    output.onSend = [&](const TReportFile&, const TReportData&) {
        during = JobRows(osp_->FJobID);
        return true;
    };
    EXPECT_TRUE(RunPrint(*osp_, "Statistiek per klas", output));
    EXPECT_EQ(during, ExpectedRows(*osp_->FKlasStats, osp_->FJobID, true));
    EXPECT_EQ(AllJobRows(), 0);
}

/// Runs `act` while the selection dialog is open: the dialog is found as the active modal window.
template <typename Act> void WhileDialogOpen(Act act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<telmod::TSelectStatForm*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "the selection dialog is not shown";
        act(*dialog);
    });
}

class SelectionTest : public vorn::testing::KnownScreenTest {
protected:
    void SetUp() override {
        KnownScreenTest::SetUp();
        osp_ = std::make_unique<TStatCursistenPerInstellingForm>();
        Attach(*osp_, "DSPBrowseOSPInstellingen");
        vwo_ = std::make_unique<TStatVWOCursistenPerInstellingForm>();
        Attach(*vwo_, "DSPBrowseVWOInstellingen");
    }
    void TearDown() override {
        osp_.reset();
        vwo_.reset();
        KnownScreenTest::TearDown();
    }
    std::unique_ptr<TStatCursistenPerInstellingForm> osp_;
    std::unique_ptr<TStatVWOCursistenPerInstellingForm> vwo_;
};

/// A regime table describes each category once: its own list, its own page and keyword rank, and a
/// key column the enrolment rows have, of the kind the counting pass reads.
template <class Form, class Stat>
void ExpectEveryCategoryOnce(const Form& form, const telmod::TRegime<Form, Stat>& regime) {
    std::set<std::size_t> pages;
    std::set<int> ranks;
    std::set<const TIDList*> lists;
    for (const telmod::TRegimeCategory<Form, Stat>& category : regime) {
        SCOPED_TRACE(category.dialogItem);
        pages.insert(category.page);
        ranks.insert(category.keywordRank);
        lists.insert((form.*category.list).get());
        const TField* key = form.CDSAllStats.FindField(QString::fromLatin1(category.keyColumn));
        ASSERT_NE(key, nullptr) << category.keyColumn;
        EXPECT_EQ(IsTextType(key->DataType()), category.byText) << category.keyColumn;
    }
    EXPECT_EQ(pages.size(), regime.size());
    EXPECT_EQ(*pages.rbegin(), regime.size() - 1);
    EXPECT_EQ(ranks.size(), regime.size());
    EXPECT_EQ(lists.size(), regime.size());
    EXPECT_EQ(lists.count(nullptr), 0U);
}

TEST_F(SelectionTest, EachRegimeTableDescribesEveryCategoryOnce) {
    ExpectEveryCategoryOnce(*osp_, telmod::OspCategories());
    ExpectEveryCategoryOnce(*vwo_, telmod::VwoCategories());
    EXPECT_EQ(telmod::TSelectOSPStatForm::Items().size(),
              static_cast<qsizetype>(telmod::OspCategories().size()));
    EXPECT_EQ(telmod::TSelectVWOStatForm::Items().size(),
              static_cast<qsizetype>(telmod::VwoCategories().size()));
}

TEST_F(SelectionTest, EveryReportDescriptionSelectsItsListByKeyword) {
    const std::vector<std::pair<const char*, TIDList*>> osp{
        {"Statistiek per klas", osp_->FKlasStats.get()},
        {"Statistiek per adm. groep", osp_->FAdmGroepStats.get()},
        {"Statistiek per eenheid", osp_->FEenheidStats.get()},
        {"Statistiek per opleiding", osp_->FOpleidingStats.get()},
        {"Statistiek per type vrijstelling inschrijfgeld", osp_->FVrijstellingIGStats.get()},
        {"Statistiek per vestigingsplaats", osp_->FVestigingStats.get()},
        {"Statistiek per lesplaats", osp_->FLesplaatsStats.get()},
        {"STATISTIEK PER KLAS", osp_->FKlasStats.get()},
        {"klassen per adm. groep", osp_->FAdmGroepStats.get()},
        {"per studiegebied en opleiding", osp_->FStudiegebiedStats.get()},
        {"Overzicht", nullptr}};
    for (const auto& [description, list] : osp)
        EXPECT_EQ(osp_->ListByKeyword(description), list) << description;
    ASSERT_EQ(osp_->ReportDefs.size(), 7u);
    for (const TReportDef& def : osp_->ReportDefs)
        EXPECT_NE(osp_->ListByKeyword(def.DisplayName), nullptr) << def.DisplayName.toStdString();

    const std::vector<std::pair<const char*, TIDList*>> vwo{
        {"Statistiek per klas", vwo_->FKlasStats.get()},
        {"Statistiek per modulevariant", vwo_->FModulevariantStats.get()},
        {"Statistiek per module", vwo_->FModuleStats.get()},
        {"Statistiek per opleidingsvariant", vwo_->FOpleidingsvariantStats.get()},
        {"Statistiek per opleiding", vwo_->FOpleidingStats.get()},
        {"Statistiek per tarief", vwo_->FTarievenStats.get()},
        {"Statistiek per vestigingsplaats", vwo_->FVestigingStats.get()},
        {"Statistiek per lesplaats", vwo_->FLesplaatsStats.get()},
        {"Statistiek per Ingerichte Modulevariant", vwo_->FIngModulevariantStats.get()},
        {"module per klas", vwo_->FModuleStats.get()},
        {"Overzicht", nullptr}};
    for (const auto& [description, list] : vwo)
        EXPECT_EQ(vwo_->ListByKeyword(description), list) << description;
    ASSERT_EQ(vwo_->ReportDefs.size(), 9u);
    for (const TReportDef& def : vwo_->ReportDefs)
        EXPECT_NE(vwo_->ListByKeyword(def.DisplayName), nullptr) << def.DisplayName.toStdString();
}

TEST_F(SelectionTest, TheDialogStartsAtItemZeroEveryTimeAndOnlyOkChoosesAList) {
    // OK after choosing item 4 prints the study-area list.
    WhileDialogOpen([](telmod::TSelectStatForm& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Selecteer statistiek");
        EXPECT_EQ(dialog.size(), QSize(394, 302));
        EXPECT_EQ(dialog.RGStats->geometry(), QRect(39, 56, 281, 210));
        EXPECT_EQ(dialog.RGStats->title(), "Statistiek");
        EXPECT_EQ(dialog.BOK->text(), "&OK");
        EXPECT_EQ(dialog.BCancel->text(), "&Annuleren");
        EXPECT_EQ(dialog.BCancel->geometry(), QRect(232, 272, 75, 25));
        EXPECT_EQ(dialog.GetSel(), 0);
        EXPECT_EQ(dialog.RGStats->findChildren<QRadioButton*>().size(), 8);
        dialog.SetSel(4);
        dialog.BOK->click();
    });
    EXPECT_EQ(osp_->SelectStatistiek(), osp_->FStudiegebiedStats.get());

    // A fresh dialog: item 0 again; Enter is OK.
    WhileDialogOpen([](telmod::TSelectStatForm& dialog) {
        EXPECT_EQ(dialog.GetSel(), 0);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &enter);
    });
    EXPECT_EQ(osp_->SelectStatistiek(), osp_->FKlasStats.get());

    WhileDialogOpen([](telmod::TSelectStatForm& dialog) { dialog.BCancel->click(); });
    EXPECT_EQ(osp_->SelectStatistiek(), nullptr);
    WhileDialogOpen([](telmod::TSelectStatForm& dialog) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
    });
    EXPECT_EQ(osp_->SelectStatistiek(), nullptr);
    WhileDialogOpen([](telmod::TSelectStatForm& dialog) { dialog.close(); }); // the window's close button
    EXPECT_EQ(osp_->SelectStatistiek(), nullptr);

    WhileDialogOpen([](telmod::TSelectStatForm& dialog) {
        EXPECT_EQ(dialog.size(), QSize(394, 338));
        EXPECT_EQ(dialog.BOK->geometry(), QRect(312, 308, 75, 25));
        EXPECT_EQ(dialog.RGStats->findChildren<QRadioButton*>().size(), 9);
        dialog.SetSel(8);
        dialog.BOK->click();
    });
    EXPECT_EQ(vwo_->SelectStatistiek(), vwo_->FIngModulevariantStats.get());
}

TEST_F(SelectionTest, ACancelledDialogStopsThePrintWithoutWritingOrMessage) {
    bool permission = true;
    QString description = "Overzicht";
    WhileDialogOpen([](telmod::TSelectStatForm& dialog) { dialog.BCancel->click(); });
    osp_->VornDBFormBeforePrint(osp_.get(), description, permission);
    EXPECT_FALSE(permission);
    EXPECT_EQ(osp_->FJobID, -1);
    EXPECT_EQ(description, "Overzicht");
    EXPECT_TRUE(errors_.isEmpty());
}

TEST_F(SelectionTest, UnattendedTheDialogTakesThePresetChoiceOrRefuses) {
    osp_->Unattended = true;
    EXPECT_THROW(osp_->SelectStatistiek(), EClientError);
    osp_->PresetChoice = 6;
    EXPECT_EQ(osp_->SelectStatistiek(), osp_->FVestigingStats.get());
    osp_->PresetChoice = 8;
    EXPECT_THROW(osp_->SelectStatistiek(), EClientError);
}

} // namespace
