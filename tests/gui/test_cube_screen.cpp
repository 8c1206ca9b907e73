#include "telmod/cube/frmCubeStats.h"

#include "screenfixture.h"

#include "host/controls/actions.h"
#include "host/controls/editors.h"
#include "host/controls/lookupedit.h"
#include "host/cube/pivot.h"
#include "host/cubeviewer/olapframe.h"
#include "host/data/errors.h"
#include "host/reports/printsequence.h"

#include <QApplication>
#include <QLabel>
#include <QtTest/QTest>

using namespace vorn;
using telmod::TOLAPStatsForm;
using vorn::testing::Idle;

namespace {

class CubeScreenTest : public vorn::testing::DemoScreenTest {
protected:
    void SetUp() override {
        DemoScreenTest::SetUp();
        form_ = std::make_unique<TOLAPStatsForm>();
        Attach(*form_);
    }
    void TearDown() override {
        form_.reset();
        DemoScreenTest::TearDown();
    }
    /// Chooses the institution and the stored statistic with this code.
    void Choose(int institution, const QString& code) {
        form_->LEInstelling->SetLookupID(institution);
        ASSERT_TRUE(form_->CDSOLAP.Active());
        qint64 id = -1;
        for (form_->CDSOLAP.First(); !form_->CDSOLAP.Eof(); form_->CDSOLAP.Next())
            if (form_->CDSOLAP.FieldByName("L_CODE").AsString() == code)
                id = form_->CDSOLAP.FieldByName("L_ID").AsLargeInt();
        ASSERT_NE(id, -1) << code.toStdString();
        form_->LEOlap->SetLookupID(id);
        Idle();
    }
    /// Replaces the chosen statistic's query and definition on the client only, as a changed stored
    /// statistic would read; the definition pivots the query's column `dimension`.
    void UseQuery(const QString& sql, const QString& dimension) {
        form_->CDSOLAP.Edit();
        form_->CDSOLAP.FieldByName("Q_SQL").SetAsString(sql);
        form_->CDSOLAP.FieldByName("L_DEFINITIE")
            .SetAsString(
                QStringLiteral(R"({"rows": ["%1"], "values": [{"aggregate": "count", "caption": "Rijen"}]})")
                    .arg(dimension));
        form_->CDSOLAP.Post();
    }
    /// Presses the show button and answers the message shown, if any.
    QString Show() {
        errors_.clear();
        Idle();
        form_->BShow->click();
        Idle();
        return errors_.join('\n');
    }

    std::unique_ptr<TOLAPStatsForm> form_;
};

} // namespace

TEST_F(CubeScreenTest, StartsWithNothingChosenAndTheStatisticLookupEnabledByAnInstitution) {
    EXPECT_EQ(form_->FOID, 0);
    EXPECT_EQ(form_->FSCID, 0);
    EXPECT_FALSE(form_->LEOlap->isEnabled());
    EXPECT_FALSE(form_->LLEOlap->isEnabled());
    EXPECT_FALSE(form_->Muitleg->isVisible());
    EXPECT_FALSE(form_->FOLAP->CubeShown());
    Idle();
    EXPECT_FALSE(form_->AShow->isEnabled());
    EXPECT_EQ(form_->BShow->text(), "&Tonen");

    form_->LEInstelling->SetLookupID(5);
    EXPECT_EQ(form_->FISID, 5);
    EXPECT_EQ(form_->FSCID, 5) << "the school of the master browse list's row";
    EXPECT_TRUE(form_->LEOlap->isEnabled());
    EXPECT_TRUE(form_->LLEOlap->isEnabled());
    Choose(5, "CURSSTG");
    EXPECT_GT(form_->FOID, 0);
    EXPECT_TRUE(form_->AShow->isEnabled());

    // Emptying the institution disables the statistic lookup again but keeps the statistic.
    form_->LEInstelling->SetLookupID(-1);
    Idle();
    EXPECT_EQ(form_->FISID, -1);
    EXPECT_FALSE(form_->LEOlap->isEnabled());
    EXPECT_GT(form_->FOID, 0);
    EXPECT_TRUE(form_->AShow->isEnabled());
}

TEST_F(CubeScreenTest, TheExplanationFollowsTheStatisticAndItsButtonTogglesIt) {
    Choose(1, "LLKLAS");
    EXPECT_TRUE(form_->Muitleg->toPlainText().startsWith("Telt de leerlingen"));
    EXPECT_TRUE(form_->Muitleg->isReadOnly());
    EXPECT_EQ(form_->Muitleg->lineWrapMode(), QPlainTextEdit::WidgetWidth)
        << "an explanation wraps between words";
    form_->show();
    form_->BDescr->click();
    EXPECT_TRUE(form_->Muitleg->isVisible());
    EXPECT_EQ(form_->BDescr->text(), "Uitleg <<<");
    form_->BDescr->click();
    EXPECT_FALSE(form_->Muitleg->isVisible());
    EXPECT_EQ(form_->BDescr->text(), "Uitleg >>>");
}

TEST_F(CubeScreenTest, EveryStoredStatisticShowsACubeAndClearsAgain) {
    const std::vector<std::pair<int, QString>> statistics{{1, "LLKLAS"}, {1, "LLGRAAD"}, {1, "KLASSJ"},
                                                          {1, "PSUREN"}, {1, "PSLEEFT"}, {5, "CURSSTG"},
                                                          {7, "VWOMOD"}, {1, "PARAMS"}};
    for (const auto& [institution, code] : statistics) {
        SCOPED_TRACE(code.toStdString());
        Choose(institution, code);
        ASSERT_EQ(Show(), "");
        ASSERT_TRUE(form_->FOLAP->CubeShown());
        EXPECT_TRUE(form_->CubeData.Active());
        EXPECT_GT(form_->CubeData.RecordCount(), 0);
        EXPECT_EQ(form_->BShow->text(), "&Leegmaken");
        const TPivot& pivot = *form_->FOLAP->Pivot();
        EXPECT_TRUE(
            pivot.Value(pivot.LineCount(TPivotAxis::Rows) - 1, pivot.LineCount(TPivotAxis::Columns) - 1, 0))
            << "a grand total";
        form_->BShow->click();
        Idle();
        EXPECT_FALSE(form_->FOLAP->CubeShown());
        EXPECT_FALSE(form_->CubeData.Active());
        EXPECT_EQ(form_->BShow->text(), "&Tonen");
    }
}

TEST_F(CubeScreenTest, ParametersMatchInAnyLetterCaseAndGetTheWorkDatesSchoolYear) {
    Choose(1, "LLKLAS");
    UseQuery("SELECT :IS_ID AS A, :Is_Id AS B, :is_id AS C, :SC_ID AS D, CAST(:sj_id AS INTEGER) AS E, "
             ":SJ_CODE AS F, :Jaar AS G, CAST(:U_ID AS INTEGER) AS H, CAST(:uid AS INTEGER) AS I, "
             "CAST(:UserID AS INTEGER) AS J, :WerkDatum AS K, :BeginDatum AS L, :EINDDATUM AS M",
             "A");
    ASSERT_EQ(Show(), "");
    const TVornClientDataSet& row = form_->CubeData;
    for (const char* field : {"A", "B", "C", "D"})
        EXPECT_EQ(row.FieldByName(field).AsInteger(), 1) << field;
    const int schoolYearId = GetSchooljaarIDFrom(EncodeDate(2025, 12, 1));
    EXPECT_EQ(row.FieldByName("E").AsInteger(), schoolYearId);
    EXPECT_EQ(row.FieldByName("F").AsInteger(), 2025) << "sj_code is the school year's number";
    EXPECT_EQ(row.FieldByName("G").AsInteger(), 2025);
    for (const char* field : {"H", "I", "J"})
        EXPECT_EQ(row.FieldByName(field).AsInteger(), schoolYearId) << field;
    EXPECT_TRUE(row.FieldByName("K").AsString().startsWith("2025-12-01"))
        << row.FieldByName("K").AsString().toStdString();
    EXPECT_TRUE(row.FieldByName("L").AsString().startsWith("2025-09-01"))
        << row.FieldByName("L").AsString().toStdString();
    EXPECT_TRUE(row.FieldByName("M").AsString().startsWith("2026-06-30"))
        << row.FieldByName("M").AsString().toStdString();
}

TEST_F(CubeScreenTest, AnUnknownParameterStopsTheShowWithItsNameInLowerCase) {
    Choose(1, "LLKLAS");
    UseQuery("SELECT LB_ID FROM LOOPBAAN WHERE LB_INSTELLING_FK = :IS_ID AND LB_KLAS_FK = :Klas_Id", "LB_ID");
    EXPECT_EQ(Show(), "Parameter naam \"klas_id\" niet ondersteund");
    EXPECT_FALSE(form_->CubeData.Active());
    EXPECT_FALSE(form_->FOLAP->CubeShown());
    EXPECT_EQ(form_->BShow->text(), "&Tonen");
    EXPECT_EQ(form_->CubeData.ParamByName("IS_ID").AsInteger(), 1)
        << "the parameters before it keep their values";

    UseQuery("SELECT KL_CODE AS KLAS FROM KLAS", "KLAS");
    EXPECT_EQ(Show(), "") << "a query without parameters opens at once";
    EXPECT_TRUE(form_->FOLAP->CubeShown());
}

TEST_F(CubeScreenTest, AServerErrorLeavesTheScreenAsBeforeTheShow) {
    Choose(1, "LLKLAS");
    UseQuery("SELECT * FROM GEEN_TABEL", "KLAS");
    EXPECT_FALSE(Show().isEmpty());
    EXPECT_FALSE(form_->CubeData.Active());
    EXPECT_FALSE(form_->FOLAP->CubeShown());
    EXPECT_EQ(form_->BShow->text(), "&Tonen");
}

TEST_F(CubeScreenTest, WhileShownANewChoiceWaitsForTheNextClearAndShow) {
    Choose(1, "LLKLAS");
    ASSERT_EQ(Show(), "");
    const int lines = form_->FOLAP->Pivot()->LineCount(TPivotAxis::Rows);
    const int rows = form_->CubeData.RecordCount();
    Choose(1, "PSUREN");
    EXPECT_EQ(form_->CubeData.RecordCount(), rows);
    EXPECT_EQ(form_->FOLAP->Pivot()->LineCount(TPivotAxis::Rows), lines);
}

TEST_F(CubeScreenTest, AfdrukRoosterIsPrintedByTheViewerEvenWithoutACube) {
    bool goOn = true;
    form_->VornDBFormBeforePrint(form_.get(), "Iets anders", goOn);
    EXPECT_TRUE(goOn) << "another report is the host's";
    goOn = true;
    EXPECT_THROW(form_->VornDBFormBeforePrint(form_.get(), "Afdruk rooster", goOn), EVornError)
        << "the viewer is asked, and says there is nothing to print";
    EXPECT_FALSE(goOn);
}

TEST_F(CubeScreenTest, TheResultsContractChoosesByCodeAndGivesThePivotAsATable) {
    IScreenResults& results = *form_->Results();
    EXPECT_TRUE(results.Inputs().statistic);
    TScreenRequest request;
    request.institutionCode = "CVOBR";
    request.statistic = "cursstg";
    results.SetRequest(request);
    results.Fetch();
    const std::vector<TResultTable> tables = results.Tables();
    ASSERT_EQ(tables.size(), 1U);
    TVornClientDataSet& table = *tables.front().dataSet;
    EXPECT_GT(table.RecordCount(), 1);
    EXPECT_EQ(table.Fields(0).FieldName(), "Studiegebied");
    request.statistic = "GEEN";
    try {
        results.SetRequest(request);
        ADD_FAILURE();
    } catch (const EVornError& error) {
        EXPECT_TRUE(error.message().contains("CURSSTG")) << "the message lists the statistics";
    }
    request.statistic = "LLKLAS";
    request.date = EncodeDate(2025, 1, 1);
    EXPECT_THROW(results.SetRequest(request), EVornError) << "the date is the work date's, not the request's";
}

TEST_F(CubeScreenTest, AltTShowsTheChosenStatistic) {
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    Choose(1, "LLKLAS");
    form_->LEOlap->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::AltModifier);
    // A button pressed by its mnemonic clicks a moment later, as a mouse click would look.
    for (int wait = 0; wait < 40 && !form_->FOLAP->CubeShown(); ++wait)
        QTest::qWait(25);
    EXPECT_TRUE(form_->FOLAP->CubeShown()) << errors_.join('\n').toStdString();
    EXPECT_EQ(form_->LLEOlap->text(), QStringLiteral("Statistiek"));
}

TEST_F(CubeScreenTest, AStatisticWithoutRowsSaysSoOverTheEmptyPivot) {
    Choose(1, "LLKLAS");
    UseQuery("SELECT KL_CODE AS KLAS FROM KLAS WHERE 1 = 0", "KLAS");
    EXPECT_EQ(Show(), "");
    ASSERT_TRUE(form_->FOLAP->CubeShown());
    const QLabel* note = form_->FOLAP->FilterNote();
    EXPECT_FALSE(note->isHidden());
    EXPECT_TRUE(note->text().startsWith("Geen gegevens voor ")) << note->text().toStdString();
    EXPECT_TRUE(note->text().contains(" in schooljaar 2025-2026")) << note->text().toStdString();

    RunFetchAction(*form_->AClear);
    UseQuery("SELECT KL_CODE AS KLAS FROM KLAS", "KLAS");
    EXPECT_EQ(Show(), "");
    EXPECT_TRUE(note->isHidden()) << "a pivot with rows needs no note";
}

TEST_F(CubeScreenTest, TheStatisticListSaysWhichKindOfInstitutionEachStatisticIsFor) {
    EXPECT_EQ(telmod::StatisticKindText(0), "alle instellingen");
    EXPECT_EQ(telmod::StatisticKindText(0x10), "alle instellingen") << "other bits are no kind";
    EXPECT_EQ(telmod::StatisticKindText(telmod::StatisticForSecondary | telmod::StatisticForVwo),
              "secundair onderwijs, VWO");
    form_->LEInstelling->SetLookupID(5);
    ASSERT_TRUE(form_->CDSOLAP.Active());
    QMap<QString, QString> kinds;
    for (form_->CDSOLAP.First(); !form_->CDSOLAP.Eof(); form_->CDSOLAP.Next())
        kinds[form_->CDSOLAP.FieldByName("L_CODE").AsString()] =
            form_->CDSOLAP.FieldByName("L_SOORT").AsString();
    EXPECT_EQ(kinds.value("LLKLAS"), "secundair onderwijs");
    EXPECT_EQ(kinds.value("CURSSTG"), "CVO");
    EXPECT_EQ(kinds.value("VWOMOD"), "VWO");
    EXPECT_EQ(kinds.value("PARAMS"), "alle instellingen");
    EXPECT_TRUE(form_->LEOlap->ListColumns().contains("L_SOORT"));
}
