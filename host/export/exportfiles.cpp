#include "exportfiles.h"

#include "host/data/errors.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vorn {

QString FileNameOf(const QString& caption) {
    QString name = caption;
    name.remove(u'&');
    name.replace(u'/', u'-');
    name.replace(u'\\', u'-');
    return name.trimmed();
}

void WriteFileWhole(const QString& path, const std::function<void(QIODevice& device)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        RaiseClientError("Kon %s niet schrijven: %s", path, file.errorString());
    try {
        write(file);
    } catch (...) {
        file.cancelWriting();
        throw;
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
