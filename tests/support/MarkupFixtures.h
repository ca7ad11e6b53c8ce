#pragma once

#include "TestData.h"

#include <QDir>

// The markup fixtures of tests/data/markup and the seed corpus of the markup
// fuzz target, and on request the real manifests and configuration files, as
// paths. Seeds copied from the fixtures would only repeat them.
inline QStringList markupFixturePaths(bool realWorld = false)
{
    QStringList folders { MORAVEL_TEST_DATA_DIR "/markup", MORAVEL_FUZZ_CORPUS_DIR "/markup" };
    if (realWorld && !QDir(QStringLiteral(MORAVEL_REALWORLD_DIR)).exists())
        qInfo("%s is absent: real manifests and configuration files are not tried", MORAVEL_REALWORLD_DIR);
    else if (realWorld)
        folders << MORAVEL_REALWORLD_DIR "/config" << MORAVEL_REALWORLD_DIR "/mxi";
    QStringList paths;
    for (const QString& folder : folders)
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
            if (!file.fileName().startsWith(QLatin1String("seed-")))
                paths << file.filePath();
    return paths;
}
