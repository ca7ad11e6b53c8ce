#pragma once

#include "discovery/DiscoveryFinding.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

// Adobe's shared extension database (ExMan.db), read and never written.

// Registers the read-only connection "CCDB" and returns the database path.
// Neither checks that the file exists nor opens it.
QString openExtensionDatabase();

// The connection "CCDB", opened on the way when it is not open yet.
QSqlDatabase extensionDatabase();

class DreamweaverInfo;

// One installation per Dreamweaver product of the database whose
// configuration key names a folder; findings receives why the file or a
// product row gave none.
QList<DreamweaverInfo> readExtensionDatabase(const QString& exManDbPath, QList<DiscoveryFinding>* findings);
