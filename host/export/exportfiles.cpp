#include "exportfiles.h"

#include "host/data/errors.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/types.h>

namespace vorn {

namespace {

/// Whether the process that wrote a temporary file of ours still runs: its id is the name's
/// second-last part (".NAME.PID-RANDOM.part"). A name without one (made before ids were put in)
/// counts as running until it is a day old, so that a slow export of another kind is left alone.
bool WriterRuns(const QFileInfo& temporary) {
    const QString middle = temporary.fileName().section(u'.', -2, -2);
    bool numbered = false;
    const qint64 pid = middle.section(u'-', 0, 0).toLongLong(&numbered);
    if (!numbered || !middle.contains(u'-'))
        return temporary.lastModified().secsTo(QDateTime::currentDateTime()) < 24 * 3600;
    if (pid == QCoreApplication::applicationPid())
        return true;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

QString FileNameOf(const QString& caption) {
    QString name = caption;
    name.remove(u'&');
    name.replace(u'/', u'-');
    name.replace(u'\\', u'-');
    return name.trimmed();
}

QString OutputTarget(const QString& path) {
    QFileInfo info(path);
    QString target = info.absoluteFilePath();
    if (info.isSymLink()) {
        // Written through: the file the link points at gets the contents, the link stays a link.
        const QString resolved = info.canonicalFilePath();
        target = resolved.isEmpty() ? info.symLinkTarget() : resolved;
        info = QFileInfo(target);
        if (info.isSymLink())
            RaiseClientError(
                "Kon %s niet schrijven: de koppeling wijst naar een koppeling die nergens heen leidt", path);
    }
    if (info.exists() && !info.isFile())
        RaiseClientError(
            "Kon %s niet schrijven: het is geen gewoon bestand (maar een map, apparaat of pipe) en "
            "wordt niet vervangen",
            path);
    return target;
}

QString TemporaryBeside(const QString& target) {
    const QFileInfo file(target);
    const QDir folder = file.absoluteDir();
    const QString prefix = QStringLiteral(".%1.").arg(file.fileName());
    for (const QFileInfo& left : folder.entryInfoList({prefix + QStringLiteral("*.part")},
                                                      QDir::Files | QDir::Hidden | QDir::NoSymLinks))
        if (!WriterRuns(left))
            QFile::remove(left.absoluteFilePath());
    return folder.filePath(
        QStringLiteral("%1%2-%3.part")
            .arg(prefix)
            .arg(QCoreApplication::applicationPid())
            .arg(static_cast<qulonglong>(QRandomGenerator::global()->generate()), 8, 16, QChar(u'0')));
}

void WriteFileWhole(const QString& path, const std::function<void(QIODevice& device)>& write) {
    QSaveFile file(OutputTarget(path));
    if (!file.open(QIODevice::WriteOnly))
        RaiseClientError("Kon %s niet schrijven: %s", path, file.errorString());
    try {
        write(file);
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    // What is still in the buffer reaches the disk here: a full disk shows itself now, and
    // QSaveFile would not notice it when it closes.
    if (!file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        RaiseClientError("Kon %s niet schrijven: %s", path, reason);
    }
    // QSaveFile keeps the first failed write and then refuses to commit.
    if (!file.commit())
        RaiseClientError("Kon %s niet schrijven: %s", path, file.errorString());
}

void ReplaceFile(const QString& temporary, const QString& path) {
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        RaiseClientError("Kon %s niet schrijven: %s", path, reason);
    }
}

} // namespace vorn
