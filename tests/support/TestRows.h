#pragma once

#include <QtTest>

// Adds a data row called name holding values in column order, so that a row fits on one line.
template <typename... Values> void addTestRow(const char* name, const Values&... values)
{
    (QTest::newRow(name) << ... << values);
}
