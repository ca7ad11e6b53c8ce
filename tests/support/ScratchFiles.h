#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The one way tests write and read the files they work on.
namespace ScratchFiles {

// Writes bytes to path, creating the missing folders; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
// The file's bytes; empty when it cannot be read.
QByteArray readFile(const QString& path);
// Every file and folder below folder, relative to it, folders ending in "/", sorted.
QStringList entriesBelow(const QString& folder);

} // namespace ScratchFiles
