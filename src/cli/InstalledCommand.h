#pragma once

#include "cli/Command.h"

// Lists the extensions installed into the target.
class InstalledCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;

private:
    static void writeText(const DreamweaverInfo& target);
    static void writeJson(const DreamweaverInfo& target);
};
