#pragma once

#include "cli/Command.h"

// Checks that every installed extension of the target is whole.
class VerifyCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;

private:
    using Healths = QList<ExtensionCommands::Health>;
    static void writeText(const DreamweaverInfo& target, const Healths& healths);
    static void writeJson(const DreamweaverInfo& target, const Healths& healths);
};
