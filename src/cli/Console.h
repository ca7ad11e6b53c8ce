#pragma once

#include <QJsonObject>
#include <QString>

#include <cstdio>

// The tool's two streams: results on standard output, everything else
// (errors, questions, progress) on standard error.
class Console
{
public:
    static void out(const QString& text);
    static void error(const QString& text);
    static void json(const QJsonObject& object);
    static bool isTerminal(FILE* stream);
};
