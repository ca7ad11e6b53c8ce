#include "cli/DoctorCommand.h"

#include "cli/Console.h"
#include "commands/Diagnosis.h"

int DoctorCommand::execute(const QString&)
{
    if (m_options.json)
        Console::json(Diagnosis::json());
    else
        Console::out(Diagnosis::text());
    return Success;
}
