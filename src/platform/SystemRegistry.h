#pragma once

#include "platform/Registry.h"

class SystemRegistry : public Registry
{
public:
protected:
    QString lookUp(const QString& keyPath, const QString& valueName, View view) const override;
};
