#pragma once

#include "discovery/DiscoveryFinding.h"
#include "discovery/DreamweaverInfo.h"

#include <QList>

// What one look for Dreamweaver found: the installations, newest first
// (selector entry i is element i), and every place looked at with what came
// of it, for the diagnosis. Its owner rebuilds it when the environment changes.
struct DreamweaverList
{
    QList<DreamweaverInfo> installations;
    QList<DiscoveryFinding> findings;
};
