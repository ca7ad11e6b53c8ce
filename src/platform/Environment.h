#pragma once

#include <QString>

// The Windows environment as the program reads it, plus the one rule for paths
// that Windows spells with backslashes. A Wine prefix in use takes the place
// of the Windows folder variables and of the registry.
namespace Environment {

QString variable(const char* name);

// Joins with the platform's own separator: "\" on Windows, "/" elsewhere, so
// that the rules that build such paths can be exercised on Linux.
QString joinNative(const QString& folder, const QString& name);

// From now on, reads the Windows folders and the registry from the Wine
// prefix at folder (see WinePrefix) and maps the Windows paths read from
// them; an empty folder goes back to the process's own. False, with the
// reason in error and nothing changed, when folder is not a prefix.
bool useWinePrefix(const QString& folder, QString* error = nullptr);
// The prefix in use, or empty.
QString winePrefix();

// A path as Windows programs store it (in the registry, in Adobe's database)
// as this program opens it: mapped through the prefix's drives, unchanged
// when no prefix is in use.
QString localPath(const QString& windowsPath);

} // namespace Environment
