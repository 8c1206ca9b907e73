#pragma once

#include <QIODevice>
#include <QString>
#include <functional>

namespace vorn {

/// A file name from a caption: the accelerator mark goes, path separators become dashes.
QString FileNameOf(const QString& caption);

/// Writes a file whole or not at all: into a temporary file beside it, every write and the close
/// checked, then renamed over `path`. Raises naming the file when any step fails; the old file, if
/// any, is then left as it was.
void WriteFileWhole(const QString& path, const std::function<void(QIODevice& device)>& write);

/// Renames a finished temporary file over `path` in one step; raises naming `path` when it fails.
void ReplaceFile(const QString& temporary, const QString& path);

} // namespace vorn
