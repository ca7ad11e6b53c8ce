#pragma once

#include <QSqlDatabase>
#include <QString>

// Adobe's shared extension database (ExMan.db), read and never written.

// Registers the read-only connection "CCDB" and returns the database path.
// Neither checks that the file exists nor opens it.
QString openExtensionDatabase();

// The connection "CCDB", opened on the way when it is not open yet.
QSqlDatabase extensionDatabase();

// Appends one installation per Dreamweaver product of the database.
void addFromExtensionDatabase(const QString& exManDbPath);
