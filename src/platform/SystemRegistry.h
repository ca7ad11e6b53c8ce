#pragma once

#include "platform/Registry.h"

class SystemRegistry : public Registry
{
public:
    QString localMachineValue(const QString& keyPath, const QString& valueName) const override;
};
