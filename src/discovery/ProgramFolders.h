#pragma once

// Appends the installations found below the per-user "Macromedia" and "Adobe"
// folders whose version is at most 12 or at least 20 and whose program folder exists.
void addFromProgramFolders();
