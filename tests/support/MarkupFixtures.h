#pragma once

#include <QStringList>

// The markup fixtures of tests/data/markup and the seed corpus of the markup
// fuzz target, as paths.
QStringList markupFixturePaths();
