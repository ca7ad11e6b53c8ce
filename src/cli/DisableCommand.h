#pragma once

#include "cli/Command.h"

// Takes an installed extension out of Dreamweaver, keeping it to be enabled again.
class DisableCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;
};
