#include "support/MarkupFixtures.h"

#include "TestData.h"

#include <QDir>

QStringList markupFixturePaths()
{
    QStringList paths;
    for (const char* folder : { MORAVEL_TEST_DATA_DIR "/markup", MORAVEL_FUZZ_CORPUS_DIR "/markup" }) {
        const QDir dir(QString::fromUtf8(folder));
        // Seeds copied from the fixtures would only repeat them.
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            if (!name.startsWith(QLatin1String("seed-")))
                paths << dir.filePath(name);
    }
    return paths;
}
