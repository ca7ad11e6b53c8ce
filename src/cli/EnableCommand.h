#pragma once

#include "cli/Command.h"

// Puts a disabled extension back as its install left it.
class EnableCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;
};
