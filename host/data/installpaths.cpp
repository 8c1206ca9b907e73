#include "installpaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

// The relative paths from the installed bin folder come from the build system, so that any prefix
// (/usr, /usr/local, a temporary root) keeps the layout it was configured with.
#ifndef VORN_RELATIVE_MODULE_DIR
#error "VORN_RELATIVE_MODULE_DIR must be defined by the build"
#endif
#ifndef VORN_RELATIVE_DATA_DIR
#error "VORN_RELATIVE_DATA_DIR must be defined by the build"
#endif

namespace vorn {

QString ProgramVersion() {
    return QStringLiteral(VORN_VERSION);
}

namespace {

/// The first of the paths, relative to the program's folder, that is a folder; empty when none is.
QString FirstExistingBesideProgram(const QStringList& relativePaths) {
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (programFolder.isEmpty())
        return {};
    const QDir dir(programFolder);
    for (const QString& relative : relativePaths) {
        const QString path = QDir::cleanPath(dir.absoluteFilePath(relative));
        if (QFileInfo(path).isDir())
            return path;
    }
    return {};
}

} // namespace

QString DefaultModuleFolder() {
    const QString configured = qEnvironmentVariable("VORN_MODULE_PATH");
    if (!configured.isEmpty())
        return configured;
    const QString found =
        FirstExistingBesideProgram({QStringLiteral(VORN_RELATIVE_MODULE_DIR), QStringLiteral("../modules")});
    if (!found.isEmpty())
        return found;
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../modules"));
}

QString ProgramDataFolder() {
    return FirstExistingBesideProgram({QStringLiteral(VORN_RELATIVE_DATA_DIR)});
}

} // namespace vorn
