#pragma once

#include <QString>

// Profiles for the tests that start the whole program.
namespace GuiTestSupport {

// Points APPDATA, ALLUSERSPROFILE and ProgramW6432 at AppData, ProgramData and
// "Program Files" below root, so that start-up never reads the machine's own.
void usePretendProfile(const QString& root);
// A Dreamweaver the folder scan finds in that profile: its en_US version.xml
// and its program folder. Returns the configuration folder, empty on failure.
QString writeInstallation(const QString& root, const QString& name, const QString& versionNumber);

} // namespace GuiTestSupport
