#pragma once

#include "cli/Command.h"

// What every install, removal and update did, from the log in Moravel's data folder.
class LogCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;
};
