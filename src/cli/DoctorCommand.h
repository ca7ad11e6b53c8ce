#pragma once

#include "cli/Command.h"

// Says where the program looked for Dreamweaver and why each place gave an
// installation or none.
class DoctorCommand : public Command
{
public:
    using Command::Command;
    int execute(const QString& argument) override;
    QString help() const override;
};
