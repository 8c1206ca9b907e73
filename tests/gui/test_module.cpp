#include "host/data/errors.h"
#include "host/forms/formmanager.h"
#include "host/forms/moduleloader.h"
#include "host/forms/vornform.h"
#include "tests/common/qtprint.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace vorn;

namespace {

QStringList Registrations() {
    QStringList lines;
    for (const TFormRegistration& entry : FormManager().Registrations())
        lines << QStringList{entry.ClassName, entry.Module, entry.Group, entry.MenuPath}.join(u'\t');
    return lines;
}

const QStringList Expected{
    "TStatBrowseInstellingenForm\ttelmod\t\t",
    "TStatBrowseOSPInstellingenForm\ttelmod\t\t",
    "TStatBrowseVWOInstellingenForm\ttelmod\t\t",
    "TStatLLPerInstellingForm\ttelmod\tLeerlingen\tStatistieken|Ingeschreven Leerlingen",
    "TStatsPSUrenForm\ttelmod\tPersoneel\tStatistieken|Ingerichte uren voor ambt 6/7",
    "TStatsPSPopulatieForm\ttelmod\tPersoneel\tStatistieken|Samenstelling Personeel",
    "TStatVWOCursistenPerInstellingForm\ttelmod\tVWO\tStatistieken|Ingeschreven cursisten",
    "TOLAPStatsForm\ttelmod\tSchoolstructuur\tHulpschermen|Statistieken"};

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override { FormManager().Clear(); }
    void TearDown() override { FormManager().Clear(); }
    TModuleLoader loader_;
};

} // namespace

TEST_F(ModuleTest, LoadingRegistersTheEightScreensInOrderOnce) {
    QString error;
    ASSERT_TRUE(loader_.Load(TELMOD_PATH, error)) << error.toStdString();
    EXPECT_EQ(Registrations(), Expected);
    EXPECT_EQ(loader_.LoadedModules(), QStringList{"telmod"});
}

TEST_F(ModuleTest, TheOspParticipantScreenIsFoundByNameButNeverRegistered) {
    QString error;
    ASSERT_TRUE(loader_.Load(TELMOD_PATH, error));
    EXPECT_FALSE(Registrations().join(u'\n').contains("TStatCursistenPerInstellingForm"));
    ASSERT_NE(FormManager().FindClass("TStatCursistenPerInstellingForm"), nullptr);
    std::unique_ptr<TVornDBForm> form(FormManager().CreateForm("tstatcursistenperinstellingform"));
    EXPECT_EQ(form->DefaultBrowserForm, "TStatBrowseOSPInstellingenForm");
    EXPECT_EQ(form->ReportDefs.size(), 7U);
}

TEST_F(ModuleTest, UnloadingKeepsTheRegistrationsAndLoadingAgainRegistersAgain) {
    QString error;
    ASSERT_TRUE(loader_.Load(TELMOD_PATH, error));
    loader_.Unload("telmod");
    EXPECT_EQ(Registrations(), Expected);
    EXPECT_EQ(FormManager().FindClass("TStatsPSUrenForm"), nullptr) << "no class of unloaded code";
    EXPECT_THROW(FormManager().CreateForm("TStatsPSUrenForm"), EClientError);
    ASSERT_TRUE(loader_.Load(TELMOD_PATH, error)) << error.toStdString();
    EXPECT_EQ(Registrations(), Expected + Expected);
}

TEST_F(ModuleTest, AFailingRegistrationStopsTheRestAndTheClientGoesOnWithoutTheModule) {
    const TFormClass other("TAndermansForm", [] { return new TVornDBForm; });
    FormManager().RegisterModuleForm(other, "andere", "Personeel", "Statistieken|Samenstelling Personeel");
    QString error;
    EXPECT_FALSE(loader_.Load(TELMOD_PATH, error));
    EXPECT_TRUE(error.contains("telmod") && error.contains("Samenstelling Personeel")) << error.toStdString();
    const QStringList made = Registrations();
    ASSERT_EQ(made.size(), 6) << "the foreign one and the first five of the module";
    EXPECT_TRUE(made[5].startsWith("TStatsPSUrenForm"));
    EXPECT_TRUE(loader_.LoadedModules().isEmpty());
    EXPECT_EQ(FormManager().FindClass("TStatLLPerInstellingForm"), nullptr);
}

TEST_F(ModuleTest, AFolderWithANonModuleLibraryReportsItAndLoadsTheRest) {
    QTemporaryDir dir;
    QFile::copy(TELMOD_PATH, dir.filePath("libtelmod.so"));
    QFile junk(dir.filePath("libkapot.so"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("geen bibliotheek");
    junk.close();
    const QStringList errors = loader_.LoadFolder(dir.path());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains("libkapot.so"));
    EXPECT_EQ(FormManager().Registrations().size(), 8U);
}
