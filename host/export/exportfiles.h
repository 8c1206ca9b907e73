#pragma once

#include <QIODevice>
#include <QString>
#include <functional>

namespace vorn {

/// A file name from a caption: the accelerator mark goes, path separators become dashes.
QString FileNameOf(const QString& caption);

/// Where a file written to `path` goes: the path itself, or the file a symbolic link points at
/// (written through; the link stays). Raises when that is a folder, a device or a pipe: such a
/// target is never replaced.
QString OutputTarget(const QString& path);

/// A name beside `target` to write it under before it is renamed over it (".NAME.PID-RANDOM.part").
/// Such files of the same target that a process left when it was killed are removed first; those of
/// a process that still runs are not.
QString TemporaryBeside(const QString& target);

/// Writes a file whole or not at all: into a temporary file beside it, every write and the close
/// checked, then renamed over `path`. Raises naming the file when any step fails; the old file, if
/// any, is then left as it was.
void WriteFileWhole(const QString& path, const std::function<void(QIODevice& device)>& write);

/// As WriteFileWhole for a PDF: with SOURCE_DATE_EPOCH set, the PDF's creation date is that moment
/// instead of now, so that the same input gives the same file.
void WritePdfWhole(const QString& path, const std::function<void(QIODevice& device)>& write);

/// Renames a finished temporary file over `path` (an output target) in one step; raises naming `path`
/// when it fails.
void ReplaceFile(const QString& temporary, const QString& path);

} // namespace vorn
