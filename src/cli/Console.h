#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <initializer_list>

// The tool's two streams: results on standard output, everything else
// (errors, questions, progress) on standard error.
class Console
{
public:
    static void out(const QString& text);
    // The parts one after another, as out() of the text they make together.
    static void out(std::initializer_list<QStringView> parts);
    static void error(const QString& text);
    static void json(const QJsonObject& object);
    static bool isTerminal(FILE* stream);
    // Rows as columns padded to their widest cell, two spaces apart.
    static QString table(const QList<QStringList>& rows);
};
