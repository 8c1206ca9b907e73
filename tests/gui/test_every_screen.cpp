// Every statistics screen on generated databases of several shapes: for every institution it lists
// and several dates and periods, the fetch runs, every grid and chart is drawn, every cell of every
// grid answers every role, and the participant grids equal a plain row-by-row recount.
#include "app/mainwindow.h"
#include "host/cubeviewer/olapframe.h"
#include "host/forms/processservices.h"

#include "data/demo/demodata.h"
#include "server/connection.h"
#include "server/schema.h"
#include "server/sqlbroker.h"

#include "host/controls/barchart.h"
#include "host/controls/editors.h"
#include "host/controls/lookupedit.h"
#include "host/data/clientdataset.h"
#include "host/data/errors.h"
#include "host/data/schoolyear.h"
#include "host/forms/formmanager.h"
#include "host/forms/hostservices.h"
#include "host/forms/moduleloader.h"
#include "host/forms/screenresults.h"
#include "host/forms/vornform.h"
#include "telmod/participants/participantscreen.h"
#include "tests/common/qtprint.h"

#include <QAbstractItemModelTester>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <optional>

using namespace vorn;

namespace {

/// How a generated database is bent away from the demo generator's habits.
enum class Shape {
    AsGenerated,
    /// Every third OSP class and VWO set-up module has no teaching location, and neither do those of
    /// the lowest person of every centre, who then comes first in person order.
    MissingLocations,
};

struct Database {
    std::uint64_t seed;
    Shape shape;
};

void PrintTo(const Database& database, std::ostream* out) {
    *out << "seed " << database.seed
         << (database.shape == Shape::MissingLocations ? ", missing locations" : "");
}

void bend(server::Connection& connection, Shape shape) {
    if (shape != Shape::MissingLocations)
        return;
    connection.executeScript(
        QStringLiteral("UPDATE KLAS SET KL_MATRIXLESPLAATS = NULL WHERE KL_ID % 3 = 0 OR KL_ID IN "
                       "(SELECT CU_KLAS_FK FROM CURRICULUM WHERE CU_LEERLING_FK IN "
                       "(SELECT MIN(CU_LEERLING_FK) FROM CURRICULUM GROUP BY CU_INSTELLING_FK));"
                       "UPDATE VWOINGMODULEVAR SET IMV_LESPLAATS_FK = NULL WHERE IMV_ID % 3 = 0 OR IMV_ID IN "
                       "(SELECT VL_INGMODULEVAR_FK FROM VWOINSCHRIJVING WHERE VL_LEERLING_FK IN "
                       "(SELECT MIN(VL_LEERLING_FK) FROM VWOINSCHRIJVING GROUP BY VL_INSTELLING_FK));"));
}

struct Period {
    const char* from;
    const char* to;
};

/// School years, a single day, and a period long before any data.
const Period Periods[] = {{"2023-09-01", "2024-06-30"},
                          {"2025-09-01", "2026-06-30"},
                          {"2024-10-15", "2024-10-15"},
                          {"1990-01-01", "1990-12-31"}};

TDateTime day(const char* text) {
    return DateToDateTime(QDate::fromString(QString::fromLatin1(text), Qt::ISODate));
}

/// The screens a user reaches: those with a menu entry, and the OSP participant screen, which is
/// reached through the CVO overview.
QStringList statisticsScreens() {
    QStringList screens;
    for (const TFormRegistration& registration : FormManager().Registrations())
        if (!registration.MenuPath.isEmpty())
            screens << registration.ClassName;
    screens << QStringLiteral("TStatCursistenPerInstellingForm");
    return screens;
}

class EveryScreenTest : public ::testing::TestWithParam<Database> {
protected:
    void SetUp() override {
        FormManager().Clear();
        QString error;
        ASSERT_TRUE(loader_.Load(TELMOD_PATH, error)) << error.toStdString();
        connection_ = server::OpenSqlite(dir_.filePath("shape.db"), true);
        server::CreateSchema(*connection_);
        demo::GenerateDemoData(*connection_, {GetParam().seed, 2023, 400});
        bend(*connection_, GetParam().shape);
        broker_ = std::make_unique<server::SqlBroker>(*connection_);
        services_.emplace(TProcessServices{broker_.get(), broker_.get(), std::nullopt, std::nullopt});
        window_ = std::make_unique<MainWindow>(broker_.get(), dir_.filePath("vorn.ini"));
        window_->resize(1100, 760);
        window_->show();
        reporter_.emplace(
            TProcessServices{.errorReporter = [this](const QString& message) { errors_ << message; }});
    }
    void TearDown() override {
        reporter_.reset();
        window_.reset();
        services_.reset();
        FormManager().Clear();
    }

    QTemporaryDir dir_;
    TModuleLoader loader_;
    std::unique_ptr<server::Connection> connection_;
    std::unique_ptr<server::SqlBroker> broker_;
    std::unique_ptr<MainWindow> window_;
    QStringList errors_;
    std::optional<TServicesScope> services_;
    std::optional<TServicesScope> reporter_;
};

/// Every role of every cell and header, as a view asks for them while it paints, sorts and copies.
void askEveryCell(const QAbstractItemModel& model) {
    const int roles[] = {Qt::DisplayRole,       Qt::EditRole,           Qt::ToolTipRole,
                         Qt::TextAlignmentRole, Qt::FontRole,           Qt::ForegroundRole,
                         Qt::BackgroundRole,    Qt::CheckStateRole,     Qt::DecorationRole,
                         Qt::SizeHintRole,      Qt::AccessibleTextRole, Qt::UserRole};
    for (int column = 0; column < model.columnCount(); ++column)
        for (const int role : roles)
            model.headerData(column, Qt::Horizontal, role);
    for (int row = 0; row < model.rowCount(); ++row) {
        for (const int role : roles)
            model.headerData(row, Qt::Vertical, role);
        for (int column = 0; column < model.columnCount(); ++column)
            for (const int role : roles)
                model.data(model.index(row, column), role);
    }
}

/// Draws every grid and every chart and asks every cell, as a user paging through the screen does.
void lookAtEverything(IScreenResults& results) {
    for (const TResultTable& table : results.Tables()) {
        ASSERT_NE(table.view, nullptr);
        const auto* grid = qobject_cast<const QAbstractItemView*>(table.view);
        ASSERT_NE(grid, nullptr);
        askEveryCell(*grid->model());
        table.view->resize(800, 400);
        EXPECT_FALSE(table.view->grab().isNull());
    }
    for (const TResultSeries& series : results.Series())
        EXPECT_FALSE(const_cast<TBarChart*>(series.chart)->grab().isNull());
}

/// Every stored statistic for every institution through the cube screen's results contract, every
/// cell of each pivot asked and its grid drawn; answers the number of cubes shown. The slow
/// statistic is left out.
int lookAtEveryCube(TVornDBForm& screen, IProviderBroker& broker, const QStringList& errors) {
    // The screen comes from the loaded module: it is reached through the results contract and the
    // host's viewer, as the host reaches it.
    IScreenResults& results = *screen.Results();
    const TOLAPFrame* frame = screen.findChild<TOLAPFrame*>();
    EXPECT_NE(frame, nullptr);
    if (frame == nullptr)
        return 0;
    TVornClientDataSet stored("CDSOLAP", &broker);
    stored.SetProviderName("DSPSelectOLAP");
    stored.Open();
    QStringList statistics;
    for (stored.First(); !stored.Eof(); stored.Next())
        if (stored.FieldByName("L_CODE").AsString() != QLatin1String("TRAAG"))
            statistics << stored.FieldByName("L_CODE").AsString();
    int shown = 0;
    for (const QString& code : results.InstitutionCodes())
        for (const QString& statistic : statistics) {
            const std::string context = (code + u' ' + statistic).toStdString();
            TScreenRequest request;
            request.institutionCode = code;
            request.statistic = statistic;
            results.SetRequest(request);
            results.Fetch();
            EXPECT_TRUE(errors.isEmpty()) << context << ": " << errors.join('\n').toStdString();
            EXPECT_TRUE(frame->CubeShown()) << context;
            askEveryCell(*frame->Model());
            for (const TResultTable& table : results.Tables()) {
                EXPECT_NE(table.view, nullptr) << context;
                if (table.view == nullptr)
                    continue;
                table.view->resize(800, 400);
                EXPECT_FALSE(table.view->grab().isNull()) << context;
                EXPECT_EQ(table.dataSet->RecordCount() + frame->Model()->HeaderRowCount(),
                          frame->Model()->rowCount())
                    << context << ": every line of the pivot in the table";
            }
            ++shown;
        }
    EXPECT_GE(statistics.size(), 8);
    EXPECT_EQ(shown, results.InstitutionCodes().size() * statistics.size());
    return shown;
}

/// A category's figures from the enrolment rows, one row at a time.
struct Recount {
    int enrolments = 0;
    QSet<qint64> persons;
};

/// The class and teaching-location grids of a participant screen against a plain walk over its
/// enrolment rows: enrolments and persons per class id and per location text (letter case ignored).
void expectRecountEquals(telmod::TParticipantStatsForm& screen, bool countsPersonZero, const char* classField,
                         const char* locationField, const QString& context) {
    std::map<qint64, Recount> perClass;
    std::map<QString, Recount> perLocation;
    TVornClientDataSet& rows = screen.CDSAllStats;
    for (int row = 1; row <= rows.RecordCount(); ++row) {
        rows.SetRecNo(row);
        const qint64 person = rows.FieldByName(QStringLiteral("LL_ID")).AsLargeInt();
        if (person == 0 && !countsPersonZero)
            continue;
        Recount& klas = perClass[rows.FieldByName(QString::fromLatin1(classField)).AsLargeInt()];
        ++klas.enrolments;
        klas.persons.insert(person);
        const QString location = rows.FieldByName(QString::fromLatin1(locationField)).AsString();
        if (location.isEmpty())
            continue;
        Recount& place = perLocation[location.toCaseFolded()];
        ++place.enrolments;
        place.persons.insert(person);
    }
    TVornClientDataSet& classes = screen.CategoryTable("CDSStatKlas");
    ASSERT_EQ(classes.RecordCount(), static_cast<int>(perClass.size())) << context.toStdString();
    for (int row = 1; row <= classes.RecordCount(); ++row) {
        classes.SetRecNo(row);
        const Recount& expected = perClass[classes.FieldByName(QStringLiteral("ID")).AsLargeInt()];
        ASSERT_EQ(classes.FieldByName(QStringLiteral("Count")).AsInteger(), expected.enrolments)
            << context.toStdString();
        ASSERT_EQ(classes.FieldByName(QStringLiteral("CountPersoon")).AsInteger(), expected.persons.size())
            << context.toStdString();
    }
    TVornClientDataSet& locations = screen.CategoryTable("CDSStatLesplaats");
    ASSERT_EQ(locations.RecordCount(), static_cast<int>(perLocation.size())) << context.toStdString();
    for (int row = 1; row <= locations.RecordCount(); ++row) {
        locations.SetRecNo(row);
        const Recount& expected =
            perLocation[locations.FieldByName(QStringLiteral("Code")).AsString().toCaseFolded()];
        ASSERT_EQ(locations.FieldByName(QStringLiteral("Count")).AsInteger(), expected.enrolments)
            << context.toStdString();
        ASSERT_EQ(locations.FieldByName(QStringLiteral("CountPersoon")).AsInteger(), expected.persons.size())
            << context.toStdString();
    }
}

/// A list's header reads as words; a database column name ("OR_OMSCHRIJVING") never shows.
void expectNoColumnNamesInLists(TVornDBForm& screen, const QString& className) {
    static const QRegularExpression columnName(QStringLiteral("^[A-Z0-9]+_[A-Z0-9_]+$"));
    for (const TVornLookupEdit* lookup : screen.findChildren<TVornLookupEdit*>())
        for (int c = 0; c < lookup->model()->columnCount(); ++c) {
            const QString header = lookup->model()->headerData(c, Qt::Horizontal).toString();
            EXPECT_FALSE(columnName.match(header).hasMatch())
                << className.toStdString() << " " << lookup->objectName().toStdString() << ": "
                << header.toStdString();
        }
}

void expectParticipantRecount(TVornDBForm& screen, const QString& className, const QString& context) {
    auto* participants = qobject_cast<telmod::TParticipantStatsForm*>(&screen);
    if (participants == nullptr)
        return;
    if (className == QLatin1String("TStatCursistenPerInstellingForm"))
        expectRecountEquals(*participants, true, "KL_ID", "KL_MATRIXLESPLAATS", context);
    else
        expectRecountEquals(*participants, false, "VWK_ID", "VLP_OMSCHRIJVING", context);
}

TEST_P(EveryScreenTest, EveryScreenFetchesForEveryInstitutionAndShowsEveryCell) {
    int fetches = 0;
    for (const QString& className : statisticsScreens()) {
        TVornDBForm* screen = window_->OpenFromMenu(className);
        IScreenResults* results = screen->Results();
        expectNoColumnNamesInLists(*screen, className);
        if (className == QLatin1String("TOLAPStatsForm")) {
            fetches += lookAtEveryCube(*screen, *broker_, errors_);
            window_->CloseForm(screen);
            continue;
        }
        ASSERT_NE(results, nullptr) << className.toStdString();
        for (const TVornDateEdit* date : screen->findChildren<TVornDateEdit*>())
            EXPECT_GE(date->Editor()->width(), date->Editor()->minimumSizeHint().width())
                << className.toStdString() << ": a whole date fits in the date edit";
        const TScreenInputs inputs = results->Inputs();
        const QStringList institutions = results->InstitutionCodes();
        EXPECT_FALSE(institutions.isEmpty()) << className.toStdString();
        for (const QString& code : institutions)
            for (const Period& period : Periods) {
                const QString context =
                    QStringLiteral("%1 %2 %3 %4").arg(className, code, period.from, period.to);
                TScreenRequest request;
                request.institutionCode = code;
                if (inputs.period) {
                    request.from = day(period.from);
                    request.to = day(period.to);
                } else {
                    request.date = day(period.to);
                }
                results->SetRequest(request);
                try {
                    results->Fetch();
                } catch (const EVornError& error) {
                    // Before any school year a screen may refuse with a message; within them, never.
                    ASSERT_EQ(period.from, Periods[3].from)
                        << context.toStdString() << ": " << error.message().toStdString();
                    continue;
                }
                ASSERT_TRUE(errors_.isEmpty())
                    << context.toStdString() << ": " << errors_.join('\n').toStdString();
                ++fetches;
                lookAtEverything(*results);
                expectParticipantRecount(*screen, className, context);
                // A change of figure redraws the charts from what was counted.
                for (int figure = 0; figure < inputs.figures; ++figure)
                    results->SetRequest({code, NoDate, request.from, request.to, figure, 0, {}});
            }
        window_->CloseForm(screen);
    }
    EXPECT_GT(fetches, 40);
}

INSTANTIATE_TEST_SUITE_P(Shapes, EveryScreenTest,
                         ::testing::Values(Database{1, Shape::MissingLocations},
                                           Database{7, Shape::AsGenerated},
                                           Database{2024, Shape::MissingLocations}));

TEST(GridModel, PassesQtsModelChecksThroughAFetchAndASort) {
    // The model tester checks every signal and answer of the grid model while its dataset changes.
    TVornClientDataSet rows{QStringLiteral("rows")};
    rows.AddField(FieldDef::integer("ID"));
    rows.AddField(FieldDef::wideString("NAAM", 20));
    rows.AddField(FieldDef::decimal("UREN", 18, 3));
    rows.CreateDataSet();
    TVornDatasource source;
    source.SetDataSet(&rows);
    TVornDBgrid grid;
    grid.GetActiveDBView()->SetDataSource(&source);
    grid.GetActiveDBView()->CreateAllItems(false);
    QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (int i = 0; i < 50; ++i) {
        rows.Append();
        rows.FieldByName("ID").SetAsInteger(50 - i);
        rows.FieldByName("NAAM").SetAsString(QStringLiteral("naam %1").arg(i % 7));
        rows.FieldByName("UREN").SetAsFloat(i * 1.5);
        rows.Post();
    }
    grid.sortByColumn(0, Qt::AscendingOrder);
    grid.sortByColumn(1, Qt::DescendingOrder);
    askEveryCell(*grid.model());
    rows.Close();
    askEveryCell(*grid.model());
}

} // namespace
