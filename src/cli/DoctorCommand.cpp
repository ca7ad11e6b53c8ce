#include "cli/DoctorCommand.h"

#include "cli/Console.h"
#include "commands/Diagnosis.h"

int DoctorCommand::execute(const QString&)
{
    if (m_options.json)
        Console::json(Diagnosis::json(*m_options.dreamweavers));
    else
        Console::out(Diagnosis::text(*m_options.dreamweavers));
    return Success;
}
