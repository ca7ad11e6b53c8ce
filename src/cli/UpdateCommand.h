#pragma once

#include "cli/Command.h"

// Installs each catalogue entry (or each one named) whose version is newer
// than the one installed in the target.
class UpdateCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;
};
