#pragma once

#include "cli/Command.h"

// Removes an installed extension, named by its id or its manifest file name.
class RemoveCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;
};
