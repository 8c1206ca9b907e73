#include "host/data/inifile.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vorn;

TEST(Settings, ValuesSurviveANewInstanceAndMissingOrBadValuesGiveTheDefault) {
    QTemporaryDir dir;
    const QString file = dir.filePath("vorn.ini");
    {
        TVornIniFile settings(file, "TStatCursistenPerInstellingForm.");
        EXPECT_TRUE(settings.ReadBool("Settings", "Graphical", true));
        EXPECT_EQ(settings.ReadInteger("Settings", "StatType", -1), -1);
        settings.WriteBool("Settings", "Graphical", false);
        settings.WriteInteger("Settings", "StatType", 2);
        settings.WriteString("Settings", "Broken", "twee");
        settings.UpdateFile();
    }
    TVornIniFile settings(file, "TStatCursistenPerInstellingForm.");
    EXPECT_FALSE(settings.ReadBool("Settings", "Graphical", true));
    EXPECT_EQ(settings.ReadInteger("Settings", "StatType", -1), 2);
    EXPECT_EQ(settings.ReadInteger("Settings", "Broken", 5), 5);
    EXPECT_TRUE(settings.ReadBool("Settings", "Broken", true));
    settings.WriteInteger("Settings", "Graphical", 7);
    EXPECT_TRUE(settings.ReadBool("Settings", "Graphical", false)) << "any non-zero number is true";

    TVornIniFile other(file, "TStatVWOCursistenPerInstellingForm.");
    EXPECT_EQ(other.ReadInteger("Settings", "StatType", -1), -1) << "each screen class has its own section";
}
