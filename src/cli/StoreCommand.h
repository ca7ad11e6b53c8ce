#pragma once

#include "cli/Command.h"

class StoreClient;

// The Store's catalogue, each entry with where it stands in the target.
class StoreCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;

private:
    static void writeText(const DreamweaverInfo& target, StoreClient& store);
    static void writeJson(const DreamweaverInfo& target, StoreClient& store);
};
