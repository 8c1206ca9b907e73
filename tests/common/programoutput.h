#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <optional>

namespace vorn::testing {

/// What a helper program (unzip, pdftotext, ...) writes on standard output, or nothing when it is
/// not installed: a test that reads an output back skips instead of failing on a bare machine.
inline std::optional<QString> OutputOf(const QString& program, const QStringList& arguments) {
    if (QStandardPaths::findExecutable(program).isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace vorn::testing
