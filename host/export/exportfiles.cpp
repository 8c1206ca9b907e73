#include "exportfiles.h"

#include "host/data/errors.h"
#include "host/data/scopeguards.h"

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
    {
        const TOnFailure cancel([&file] { file.cancelWriting(); });
        write(file);
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

namespace {

/// Passes a PDF through to `target` with the moment in its /CreationDate replaced by `moment`
/// (yyyyMMddHHmmss, UTC), so that SOURCE_DATE_EPOCH gives the same file every time. The stamp keeps
/// its length, so the offsets the PDF records stay right; a stamp cut between two writes is caught
/// by holding the last bytes back.
class CreationDateFilter : public QIODevice {
public:
    CreationDateFilter(QIODevice& target, QByteArray moment) : target_(target), moment_(std::move(moment)) {
        open(QIODevice::WriteOnly);
    }
    /// Writes what was held back.
    void finish() {
        fixStamps();
        pass(pending_.size());
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        pending_.append(data, length);
        fixStamps();
        if (pending_.size() > HeldBack)
            pass(pending_.size() - HeldBack);
        return length;
    }

private:
    static constexpr qsizetype HeldBack = 64; // more than a whole stamp
    void fixStamps() {
        static const QByteArray marker("/CreationDate (D:");
        for (qsizetype at = pending_.indexOf(marker); at >= 0; at = pending_.indexOf(marker, at + 1)) {
            const qsizetype digits = at + marker.size();
            if (digits + 14 + 7 > pending_.size())
                return; // the rest comes with the next write
            pending_.replace(digits, 14, moment_);
            const qsizetype zone = digits + 14;
            if (pending_[zone] == '+' || pending_[zone] == '-')
                pending_.replace(zone, 7, "+00'00'");
        }
    }
    void pass(qsizetype count) {
        target_.write(pending_.constData(), count);
        pending_.remove(0, count);
    }

    QIODevice& target_;
    QByteArray moment_;
    QByteArray pending_;
};

} // namespace

void WritePdfWhole(const QString& path, const std::function<void(QIODevice& device)>& write) {
    bool set = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&set);
    if (!set || epoch < 0) {
        WriteFileWhole(path, write);
        return;
    }
    const QByteArray moment =
        QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC).toString("yyyyMMddHHmmss").toLatin1();
    WriteFileWhole(path, [&](QIODevice& file) {
        CreationDateFilter filter(file, moment);
        write(filter);
        filter.finish();
    });
}

void ReplaceFile(const QString& temporary, const QString& path) {
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        RaiseClientError("Kon %s niet schrijven: %s", path, reason);
    }
}

} // namespace vorn
