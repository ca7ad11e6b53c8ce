#pragma once

#include <QByteArray>
#include <QString>

namespace ManifestFixtures {

// A manifest shaped like the ones extension builders write: XML declaration,
// comments, CDATA description and licence, products, files for "win" and
// "mac", menu entries and Insert-bar buttons.
QByteArray tableSorter();

// The same shape with the header fields given (for listing tests).
QByteArray manifest(const QString& id, const QString& name, const QString& version, const QString& author);

// Writes manifest(...) into folder/fileName; false on failure.
bool store(const QString& folder, const QString& fileName, const QString& id, const QString& name,
    const QString& author = QStringLiteral("Velkor"));

} // namespace ManifestFixtures
