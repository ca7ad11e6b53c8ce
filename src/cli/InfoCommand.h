#pragma once

#include "cli/Command.h"

// Shows a package's manifest and where its files would go, installing nothing.
class InfoCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;

private:
    using Files = QList<ExtensionCommands::PlannedFile>;
    static void writeText(const ExtensionInfo& package, const DreamweaverInfo* target, const Files& files);
    static void writeJson(const ExtensionInfo& package, const DreamweaverInfo* target, const Files& files);
};
