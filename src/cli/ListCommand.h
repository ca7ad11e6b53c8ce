#pragma once

#include "cli/Command.h"

// Lists the Dreamweaver installations, in the window's order.
class ListCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;

private:
    void writeText() const;
    void writeJson() const;
};
