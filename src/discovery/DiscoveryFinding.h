#pragma once

#include <QString>

// One place the installation list build looked at, and what came of it: the
// answer to "why is my Dreamweaver missing?".
struct DiscoveryFinding
{
    enum class Source { Folder, Database };

    Source source = Source::Folder;
    // The folder looked at, or the database (and the product row in it).
    QString place;
    // The name under which it is listed; empty when it is not.
    QString installation;
    // Why it is not listed, or where its program folder was found.
    QString reason;
};
