#pragma once

#include "platform/Registry.h"

#include <QHash>

// A registry held in memory: what tests and non-Windows demos install.
class MapRegistry : public Registry
{
public:
    void setValue(const QString& keyPath, const QString& valueName, const QString& value, View view = View::Bits32);

protected:
    QString lookUp(const QString& keyPath, const QString& valueName, View view) const override;

private:
    QHash<QString, QString> m_values;
};
