// The user's settings file: whatever it holds, reading a screen's settings gives a value or the
// default, never a crash.
#include "host/data/inifile.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vorn.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const TVornIniFile settings(path, QStringLiteral("TStatCursistenPerInstellingForm."));
    settings.ReadBool(QStringLiteral("Settings"), QStringLiteral("Graphical"), true);
    const int figure = settings.ReadInteger(QStringLiteral("Settings"), QStringLiteral("StatType"), -1);
    settings.ReadString(QStringLiteral("Settings"), QStringLiteral("Naam"), QString());
    (void)figure;
    return 0;
}
