#pragma once

#include "cli/Command.h"

// Takes over an extension another program installed, so that it is one of
// this program's from then on.
class AdoptCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& name) override;
    QString help() const override;
};
