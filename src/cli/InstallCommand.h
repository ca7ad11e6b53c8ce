#pragma once

#include "cli/Command.h"

// Installs a package file, or with --store a catalogue entry, into the target.
class InstallCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;
};
