#include "telmod/pupils/frmStatLLPerInst.h"

#include "data/demo/demodata.h"
#include "server/schema.h"
#include "server/sqlbroker.h"

#include "host/data/errors.h"
#include "host/data/jobs.h"
#include "host/data/schoolyear.h"
#include "host/forms/hostservices.h"
#include "tests/common/qtprint.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vorn;
using telmod::TStatLLPerInstellingForm;

namespace {

void Idle() {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

/// A host for one screen: a fixed work date, and school-year ids counted on their way to the server.
class TestHost : public IHostServices, public ISchoolYearDirectory {
public:
    explicit TestHost(ISchoolYearDirectory& server) : server_(server) {}
    TDateTime WerkDatum() const override { return EncodeDate(2025, 12, 1); }
    void PushStatus(const QString&) override {}
    void PopStatus() override {}
    void PushCursor(Qt::CursorShape) override {}
    void PopCursor() override {}
    int GetJobID() override { return 1; }
    QString CleanJob(int, int, const QVariant&) override { return {}; }
    int schoolYearId(int number) override {
        ++lookups;
        return server_.schoolYearId(number);
    }
    int lookups = 0;

private:
    ISchoolYearDirectory& server_;
};

class PupilScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection_ = server::OpenSqlite(dir_.filePath("demo.db"), true);
        server::CreateSchema(*connection_);
        demo::GenerateDemoData(*connection_, {3, 2023, 300});
        broker_ = std::make_unique<server::SqlBroker>(*connection_);
        host_ = std::make_unique<TestHost>(*broker_);
        SetDefaultProviderBroker(broker_.get());
        SetSchoolYearDirectory(host_.get());
        SetHost(host_.get());
        SetErrorReporter([this](const QString& message) { errors_ << message; });
        institutions_.SetProviderName("DSPBrowseInstellingen");
        institutions_.Open();
        source_.SetDataSet(&institutions_);
        form_ = std::make_unique<TStatLLPerInstellingForm>();
        form_->RaiseCreate();
        form_->RaiseSetMasterBrowser(&source_);
        form_->resize(form_->DesignSize);
    }
    void TearDown() override {
        form_.reset();
        SetErrorReporter(nullptr);
        SetHost(nullptr);
        SetSchoolYearDirectory(nullptr);
        SetDefaultProviderBroker(nullptr);
    }
    void Fetch(int institution) {
        form_->LEinstelling->SetLookupID(institution);
        Idle();
        ASSERT_TRUE(form_->BFetch->isEnabled());
        form_->BFetch->click();
    }

    QTemporaryDir dir_;
    std::unique_ptr<server::Connection> connection_;
    std::unique_ptr<server::SqlBroker> broker_;
    std::unique_ptr<TestHost> host_;
    TVornClientDataSet institutions_{"CDSBrowseInstelling"};
    TVornDatasource source_;
    std::unique_ptr<TStatLLPerInstellingForm> form_;
    QStringList errors_;
};

} // namespace

TEST_F(PupilScreenTest, FetchIsEnabledOnlyWithAnInstitutionAndADate) {
    EXPECT_EQ(form_->FDate, EncodeDate(2025, 12, 1)) << "the work date from the start";
    EXPECT_EQ(form_->FISID, -1);
    Idle();
    EXPECT_FALSE(form_->BFetch->isEnabled());
    form_->LEinstelling->SetLookupID(1);
    Idle();
    EXPECT_EQ(form_->FISID, 1);
    EXPECT_TRUE(form_->BFetch->isEnabled());
    form_->DEDate->SetDate(NoDate);
    Idle();
    EXPECT_FALSE(form_->BFetch->isEnabled());
}

TEST_F(PupilScreenTest, AFetchFillsEveryGridAndBlueChartFromTheServersCounts) {
    Fetch(1);
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    TVornClientDataSet& perKlas = *form_->FDatasets[0];
    ASSERT_GT(perKlas.RecordCount(), 11);
    const TBarChart& chart = *form_->FBarCharts[0];
    ASSERT_EQ(chart.BarCount(), perKlas.RecordCount());
    perKlas.First();
    EXPECT_EQ(chart.Bars(0).label, perKlas.FieldByName("KL_CODE").AsString())
        << "bars in the dataset's order";
    EXPECT_EQ(chart.Bars(0).value, perKlas.FieldByName("THECOUNT").AsInteger());
    EXPECT_EQ(chart.Bars(0).color, clBlue);
    EXPECT_EQ(chart.Height(), 36 * chart.BarCount()) << "36 pixels a bar once they outgrow the design";
    EXPECT_EQ(form_->FBarCharts[2]->Bars(0).label.count(' '), 1) << "two label fields joined by a blank";
    EXPECT_EQ(form_->Grids[0]->GetActiveDBView()->rowCount(), perKlas.RecordCount());

    TVornClientDataSet& perForm = *form_->FDatasets[6];
    EXPECT_EQ(perForm.Params().Items(0).AsDateTime(), EncodeDate(2025, 12, 1));
    EXPECT_TRUE(perForm.Params().Items(2).IsNull()) << "only the first WerkDatum gets the date";

    QStringList params;
    form_->OnGetPrintParams(form_.get(), "Statistieken leerlingen", params);
    EXPECT_EQ(params,
              (QStringList{"Werkdatum=" + QLocale().toString(QDate(2025, 12, 1), QLocale::ShortFormat),
                           "IS_ID=1", "SJ_ID=3"}));
}

TEST_F(PupilScreenTest, TheSchoolYearIdIsAskedOncePerSchoolYearAndAgainAfterAFailure) {
    Fetch(1);
    form_->BFetch->click();
    EXPECT_EQ(host_->lookups, 1);
    form_->DEDate->SetDate(EncodeDate(2040, 1, 1));
    form_->BFetch->click();
    EXPECT_EQ(errors_, QStringList{"Kon de id van schooljaar 2039 niet bepalen"});
    EXPECT_FALSE(form_->FDatasets[0]->Active()) << "the datasets stay closed";
    EXPECT_GT(form_->FBarCharts[0]->BarCount(), 0) << "the charts keep the previous bars";
    form_->BFetch->click();
    EXPECT_EQ(host_->lookups, 3) << "a failed lookup is asked again";
}

TEST_F(PupilScreenTest, ChartsNeverShrinkAndTheViewSwitchKeepsTheChosenTabs) {
    Fetch(1);
    const int tall = form_->FBarCharts[0]->Height();
    form_->LEinstelling->SetLookupID(5); // an adult-education centre: no pupils
    form_->BFetch->click();
    EXPECT_EQ(form_->FBarCharts[0]->BarCount(), 0);
    EXPECT_EQ(form_->FBarCharts[0]->Height(), tall);
    QStringList printParams;
    EXPECT_EQ(form_->PCViews->ActivePageIndex(), 1);
    form_->PCGrids->SetActivePageIndex(3);
    form_->CBView->click();
    EXPECT_EQ(form_->PCViews->ActivePageIndex(), 0);
    EXPECT_EQ(form_->PCGrids->ActivePageIndex(), 3);
    form_->CBView->click();
    EXPECT_EQ(form_->PCViews->ActivePageIndex(), 1);
}

TEST(PupilScreen, PrintParametersBeforeAnyFetchCarryOnlyTheDate) {
    TStatLLPerInstellingForm form;
    form.FDate = EncodeDate(2025, 3, 4);
    QStringList params;
    form.VornDBFormGetPrintParams(&form, {}, params);
    EXPECT_EQ(params, (QStringList{"Werkdatum=" + QLocale().toString(QDate(2025, 3, 4), QLocale::ShortFormat),
                                   "IS_ID=", "SJ_ID="}));
}
