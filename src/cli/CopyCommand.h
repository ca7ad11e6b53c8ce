#pragma once

#include "cli/Command.h"

// Installs into one installation the extensions installed in another, from their kept packages.
class CopyCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;
};
