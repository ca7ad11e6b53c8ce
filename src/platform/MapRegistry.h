#pragma once

#include "platform/Registry.h"

#include <QHash>

// A registry held in memory: what tests and non-Windows demos install.
class MapRegistry : public Registry
{
public:
    void setValue(const QString& keyPath, const QString& valueName, const QString& value);
    QString localMachineValue(const QString& keyPath, const QString& valueName) const override;

private:
    QHash<QString, QString> m_values;
};
