#include "app/mainwindow.h"
#include "host/forms/processservices.h"

#include "host/controls/dbgrid.h"
#include "host/controls/editors.h"
#include "host/data/clientdataset.h"
#include "host/data/errors.h"
#include "host/data/provider.h"
#include "host/forms/browseform.h"
#include "host/forms/formmanager.h"
#include "host/forms/moduleloader.h"
#include "host/forms/screenresults.h"
#include "tests/common/qtprint.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <optional>

using namespace vorn;

namespace {

Table Institutions(const std::vector<QVariantList>& rows) {
    Table table({FieldDef::wideString("IS_CODE", 5), FieldDef::wideString("SC_INSTELLINGSNUMMER", 6),
                 FieldDef::wideString("IS_NAAMGEBRUIKER", 80), FieldDef::wideString("SC_NAAM", 120),
                 FieldDef::wideString("GM_POSTNUMMER", 10), FieldDef::wideString("GM_DEELGEMEENTE", 80),
                 FieldDef::integer("IS_ID"), FieldDef::integer("SC_GEMEENTE_FK"), FieldDef::integer("SC_ID"),
                 FieldDef::integer("IS_FLAGS")});
    for (const QVariantList& row : rows)
        for (int c = 0; c < row.size(); ++c)
            AppendValue(table, c, row[c]);
    return table;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        FormManager().Clear();
        QString error;
        ASSERT_TRUE(loader_.Load(TELMOD_PATH, error)) << error.toStdString();
        broker_.addTable(
            "DSPBrowseInstellingen",
            Institutions(
                {{"SJCAA", "035667", "Sint-Jozefscollege Aalst", "SJC", "9300", "Aalst", 1, 1, 1, 0},
                 {"KAGNT", "030312", "Koninklijk Atheneum Gent", "KA", "9000", "Gent", 2, 2, 2, 0}}));
        broker_.addTable("DSPBrowseOSPInstellingen",
                         Institutions({{"CVOBR", "126581", "CVO Leerstroom Brugge", "CVO", "8000", "Brugge",
                                        5, 5, 5, 0}}));
        broker_.addTable("DSPBrowseVWOInstellingen", Institutions({}));
        // Lists that screens open as soon as they are created.
        Table schools(
            {FieldDef::integer("IS_ID"), FieldDef::wideString("IS_CODE", 5),
             FieldDef::wideString("IS_NAAMGEBRUIKER", 80), FieldDef::wideString("SC_INSTELLINGSNUMMER", 6),
             FieldDef::wideString("SC_HOOFDSTRUCTUUR", 10), FieldDef::integer("SC_INRICHTENDEMACHT_FK")});
        broker_.addTable("DSPSelectIS", schools);
        broker_.addTable("ParmDropDown", Table({FieldDef::integer("P_ID"), FieldDef::wideString("P_CODE", 10),
                                                FieldDef::wideString("P_OMSCHRIJVING", 1024),
                                                FieldDef::wideString("P_EXTRA", 10)}));
        broker_.addTable(
            "DSPSelectOSPVrijstellingIG",
            Table({FieldDef::fixedChar("OVI_CODE", 2), FieldDef::wideString("OVI_OMSCHRIJVING", 80),
                   FieldDef::decimal("OVI_BEDRAGCURSIST", 18, 2), FieldDef::decimal("OVI_BEDRAGFONDS", 18, 2),
                   FieldDef::integer("OVI_ID")}));
        broker_.addTable("DSPSelectVWOVrijstellingIG",
                         Table({FieldDef::wideString("VTA_CODE", 50), FieldDef::wideString("VTA_NAAM", 1000),
                                FieldDef::decimal("VTA_BEDRAGVOORCURSISTEN", 9, 3),
                                FieldDef::decimal("VTA_BEDRAGUITFONDS", 9, 3), FieldDef::integer("VTA_ID")}));
        broker_.addTable("DSPSelectVWORefertePeriode",
                         Table({FieldDef::integer("OR_ID"), FieldDef::wideString("OR_OMSCHRIJVING", 50),
                                FieldDef::date("OR_TOT"), FieldDef::date("OR_VAN")}));
        broker_.addTable(
            "DSPSelectVWOIngModuleVarPeriode",
            Table({FieldDef::wideString("VWK_CODE", 25), FieldDef::integer("VWK_ID"),
                   FieldDef::wideString("VWK_OMSCHRIJVING", 150), FieldDef::integer("IMV_ID"),
                   FieldDef::fixedChar("VOM_CODE", 8), FieldDef::integer("VOM_ID"),
                   FieldDef::wideString("VOM_OMSCHRIJVING", 150), FieldDef::wideString("VWA_CODE", 50),
                   FieldDef::wideString("VWA_OMSCHRIJVING", 1000)}));
        services_.emplace(TProcessServices{.broker = &broker_});
        window_ = std::make_unique<MainWindow>(nullptr, dir_.filePath("vorn.ini"));
        window_->BuildMenus();
    }
    void TearDown() override {
        window_.reset();
        services_.reset();
        FormManager().Clear();
    }

    QTemporaryDir dir_;
    TModuleLoader loader_;
    InMemoryBroker broker_;
    std::unique_ptr<MainWindow> window_;
    std::optional<TServicesScope> services_;
};

QStringList MenuTitles(QMenuBar* bar) {
    QStringList titles;
    for (QAction* action : bar->actions())
        titles << action->text();
    return titles;
}

} // namespace

TEST_F(MainWindowTest, MenusComeFromTheRegisteredMenuPaths) {
    EXPECT_EQ(MenuTitles(window_->menuBar()), (QStringList{"&Bestand", "Be&werken", "&Statistieken",
                                                           "&Hulpschermen", "Over&zichten", "Hel&p"}));
    QStringList items;
    for (QAction* action : window_->menuBar()->actions()[2]->menu()->actions())
        items << action->text();
    EXPECT_EQ(items, (QStringList{"Ingeschreven Leerlingen", "Ingerichte uren voor ambt 6/7",
                                  "Samenstelling Personeel", "Ingeschreven cursisten"}));
    QStringList overviews;
    for (QAction* action : window_->menuBar()->actions()[4]->menu()->actions())
        overviews << action->text();
    EXPECT_EQ(overviews, (QStringList{"Stat Overzicht Instellingen", "Stat Overzicht CVO instellingen",
                                      "VWO Statistieken: Overzicht VWO instellingen"}))
        << "every overview is reachable, so a CVO reaches its participant screen";
}

TEST_F(MainWindowTest, AMenuScreenOpensWithItsDefaultBrowseScreenAsMasterWhichIsReused) {
    TVornDBForm* pupils = window_->OpenFromMenu("TStatLLPerInstellingForm");
    ASSERT_EQ(window_->OpenForms().size(), 2);
    auto* browse = qobject_cast<TBrowseInstellingenForm*>(window_->OpenForms().first());
    ASSERT_NE(browse, nullptr);
    EXPECT_EQ(browse->Caption, "Stat Overzicht Instellingen");
    EXPECT_EQ(browse->CDSBrowseInstelling.RecordCount(), 2) << "the host opened the list";
    EXPECT_EQ(pupils->property("vornClass").toString(), "TStatLLPerInstellingForm");
    EXPECT_EQ(window_->CurrentForm(), pupils);
    window_->OpenFromMenu("TStatsPSUrenForm");
    EXPECT_EQ(window_->OpenForms().size(), 3) << "the browse screen is reused";
}

TEST_F(MainWindowTest, TheFirstOverviewTakesTheKeysAtOnce) {
    window_->show();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    TVornDBForm* browse = window_->OpenFirstScreen({});
    auto* list = qobject_cast<TBrowseInstellingenForm*>(browse);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), list->GBrowseInstelling);
    const int before = list->CDSBrowseInstelling.RecNo();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(list->CDSBrowseInstelling.RecNo(), before + 1) << "Down moves to the next institution";
}

TEST_F(MainWindowTest, FollowingALinkOpensTheDetailScreenWithTheBrowseListAsMaster) {
    TVornDBForm* browse = window_->OpenForm("TStatBrowseOSPInstellingenForm", nullptr);
    auto* list = qobject_cast<TBrowseInstellingenForm*>(browse);
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->CDSBrowseInstelling.FieldByName("SC_ID").Visible());
    QObject* master = nullptr;
    TVornDBForm* detail = window_->FollowLink(*browse, "Statistieken cursisten");
    EXPECT_EQ(detail->property("vornClass").toString(), "TStatCursistenPerInstellingForm");
    detail->OnSetMasterBrowser = [&master](QObject*, QObject* source) { master = source; };
    detail->RaiseSetMasterBrowser(list->DSBrowseInstelling);
    EXPECT_EQ(master, list->DSBrowseInstelling);
    EXPECT_FALSE(detail->CanEdit(nullptr)) << "participant screens refuse edits";

    // Enter in the grid follows the default link.
    list->GBrowseInstelling->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(list->GBrowseInstelling, &enter);
    EXPECT_EQ(window_->OpenForms().size(), 3);
}

TEST_F(MainWindowTest, ALinkChoosesTheOverviewsInstitutionAndTheListOutlivesTheClosedOverview) {
    TVornDBForm* browse = window_->OpenFromMenu("TStatBrowseOSPInstellingenForm");
    TVornDBForm* detail = window_->FollowLink(*browse, "Statistieken cursisten");
    IScreenResults* results = detail->Results();
    ASSERT_NE(results, nullptr);
    EXPECT_EQ(results->Heading().institution, "CVOBR CVO Leerstroom Brugge") << "chosen from the overview";

    window_->CloseForm(browse);
    ASSERT_EQ(window_->OpenForms().size(), 1);
    EXPECT_EQ(results->InstitutionCodes(), QStringList{"CVOBR"}) << "the screen still lists the institutions";
    TScreenRequest request;
    request.institutionCode = "CVOBR";
    EXPECT_NO_THROW(results->SetRequest(request));
    window_->CloseForm(detail);
    EXPECT_TRUE(window_->OpenForms().isEmpty());
}

TEST_F(MainWindowTest, EditCommandsAreDisabledWhereTheScreenRefusesThem) {
    QAction* editAction = window_->menuBar()->actions()[1]->menu()->actions().first();
    window_->OpenForm("TStatBrowseOSPInstellingenForm", nullptr);
    const bool browseAllows = window_->CurrentForm()->CanEdit(nullptr);
    EXPECT_EQ(editAction->isEnabled(), browseAllows);
    TVornDBForm* detail = window_->FollowLink(*window_->CurrentForm(), "Statistieken cursisten");
    EXPECT_EQ(window_->CurrentForm(), detail);
    EXPECT_FALSE(editAction->isEnabled()) << "participant screens refuse edits";
    EXPECT_NE(detail->InitialFocus, nullptr) << "the institution lookup takes the focus";
}

TEST_F(MainWindowTest, AWindowSmallerThanTheScreenScrollsItInsteadOfSqueezingIt) {
    window_->show();
    TVornDBForm* browse = window_->OpenForm("TStatBrowseOSPInstellingenForm", nullptr);
    TVornDBForm* screen = window_->FollowLink(*browse, "Statistieken cursisten");
    window_->resize(400, 300);
    QApplication::processEvents();
    EXPECT_GE(screen->width(), screen->DesignSize.width()) << "the controls keep their places";
    QScrollArea* scroll = nullptr;
    for (QWidget* parent = screen->parentWidget(); parent != nullptr && scroll == nullptr;
         parent = parent->parentWidget())
        scroll = qobject_cast<QScrollArea*>(parent);
    ASSERT_NE(scroll, nullptr);
    EXPECT_GT(scroll->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
}

TEST(QtTexts, StandardButtonsReadInDutch) {
    ASSERT_TRUE(LoadQtTranslations()) << "Debian's Qt translations are installed";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Annuleren");
}

TEST_F(MainWindowTest, StatusAndCursorStacksComeBackToWhereTheyWere) {
    window_->PushStatus("Eén");
    window_->PushCursor(Qt::WaitCursor);
    window_->PushStatus("Twee");
    window_->PopStatus();
    window_->PopCursor();
    window_->PopStatus();
    window_->PopStatus(); // unbalanced: ignored
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_THROW(window_->GetJobID(), EClientError) << "no database, no job ids";
}

namespace {

/// Runs `steps` on the modal dialog that `open` shows, once it is there.
void WithModalDialog(const std::function<void()>& open, const std::function<void(QDialog&)>& steps) {
    QTimer::singleShot(0, [steps] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no dialog";
            return;
        }
        QApplication::setActiveWindow(dialog);
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        steps(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    open();
}

QAction* MenuAction(QMenuBar* bar, const QString& text) {
    for (QAction* menu : bar->actions())
        for (QAction* action : menu->menu()->actions())
            if (action->text() == text)
                return action;
    return nullptr;
}

} // namespace

TEST_F(MainWindowTest, TheWorkDateIsTypedAsOnTheScreensShowsItsSchoolYearAndRefusesWhatIsNoDate) {
    window_->SetWerkDatum(EncodeDate(2026, 12, 15));
    QAction* choose = MenuAction(window_->menuBar(), "&Werkdatum...");
    ASSERT_NE(choose, nullptr);
    const auto okButton = [](QDialog& dialog) {
        return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    };
    WithModalDialog([choose] { choose->trigger(); },
                    [&](QDialog& dialog) {
                        auto* schoolYear = dialog.findChild<QLabel*>("Schooljaar");
                        auto* edit = dialog.findChild<TVornDateEdit*>("Werkdatum");
                        ASSERT_TRUE(schoolYear != nullptr && edit != nullptr);
                        EXPECT_EQ(schoolYear->text(), "Schooljaar 2026-2027");
                        EXPECT_EQ(QApplication::focusWidget(), edit->Editor());
                        QTest::keyClicks(edit->Editor(), "15/09/2025");
                        QTest::keyClick(edit->Editor(), Qt::Key_Tab);
                        EXPECT_EQ(schoolYear->text(), "Schooljaar 2025-2026");
                        QTest::mouseClick(okButton(dialog), Qt::LeftButton);
                        EXPECT_FALSE(dialog.isVisible());
                    });
    EXPECT_EQ(window_->WerkDatum(), EncodeDate(2025, 9, 15)) << "the date as typed, not 15/12/2026";

    WithModalDialog([choose] { choose->trigger(); },
                    [&](QDialog& dialog) {
                        auto* edit = dialog.findChild<TVornDateEdit*>("Werkdatum");
                        // Typed and left for the OK button with the mouse: refused, the dialog stays.
                        QTest::mouseClick(edit->Editor()->findChild<QLineEdit*>(), Qt::LeftButton,
                                          Qt::NoModifier, QPoint(4, 5));
                        QTest::keyClicks(edit->Editor(), "31/02/2025");
                        okButton(dialog)->setFocus(Qt::MouseFocusReason);
                        QTest::mouseClick(okButton(dialog), Qt::LeftButton);
                        EXPECT_TRUE(dialog.isVisible()) << "a date that is none keeps the dialog open";
                        auto* note = edit->findChild<QLabel*>("DatumMelding");
                        ASSERT_NE(note, nullptr);
                        EXPECT_TRUE(note->isVisible());
                    });
    EXPECT_EQ(window_->WerkDatum(), EncodeDate(2025, 9, 15)) << "a refused date changes nothing";
}
