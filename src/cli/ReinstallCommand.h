#pragma once

#include "cli/Command.h"

// Installs an extension's kept package again over what is there.
class ReinstallCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;
};
