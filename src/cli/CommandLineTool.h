#pragma once

#include <QStringList>

// moravel-cli's entry: reads the command and its options, finds the
// installations as the window does, and runs the command. Returns the exit status.
class CommandLineTool
{
public:
    int run(const QStringList& arguments);
};
