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

QString DoctorCommand::help() const
{
    return QStringLiteral(
               "Says where Dreamweaver was looked for (environment folders, program folders, the registry) and why\n"
               "each place gave an installation or none.\n\n")
        + exitStatusHelp(QStringLiteral("the places were written"), QString(), false);
}
