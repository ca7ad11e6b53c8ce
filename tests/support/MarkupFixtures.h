#pragma once

#include "TestData.h"

#include <QDir>

// The markup fixtures of tests/data/markup and the seed corpus of the markup
// fuzz target, as paths. Seeds copied from the fixtures would only repeat them.
inline QStringList markupFixturePaths()
{
    QStringList paths;
    for (const char* folder : { MORAVEL_TEST_DATA_DIR "/markup", MORAVEL_FUZZ_CORPUS_DIR "/markup" })
        for (const QFileInfo& file : QDir(QString::fromUtf8(folder)).entryInfoList(QDir::Files, QDir::Name))
            if (!file.fileName().startsWith(QLatin1String("seed-")))
                paths << file.filePath();
    return paths;
}
