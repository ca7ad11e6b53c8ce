#pragma once

#include "discovery/DiscoveryFinding.h"

#include <QList>

class DreamweaverInfo;

// The installations found below the per-user "Macromedia" and "Adobe" folders
// whose program folder exists. findings receives every folder looked at.
QList<DreamweaverInfo> scanProgramFolders(QList<DiscoveryFinding>* findings);
