#pragma once

#include <QJsonObject>
#include <QString>

struct DreamweaverList;

// Why each Dreamweaver was listed or not: every folder and database row a
// list build looked at, for `moravel-cli doctor` and the window's
// "Why is my Dreamweaver missing?".
class Diagnosis
{
public:
    static QString text(const DreamweaverList& list);
    static QJsonObject json(const DreamweaverList& list);
};
