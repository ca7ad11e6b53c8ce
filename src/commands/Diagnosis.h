#pragma once

#include <QJsonObject>
#include <QString>

// Why each Dreamweaver was listed or not: every folder and database row the
// last list build looked at, for `moravel-cli doctor` and the window's
// "Why is my Dreamweaver missing?".
class Diagnosis
{
public:
    static QString text();
    static QJsonObject json();
};
