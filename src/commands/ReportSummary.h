#pragma once

#include <QString>

class InstallReport;

// The one rule for which outcomes of an install or a removal count as
// failures, and how they are put to the user.
class ReportSummary
{
public:
    // What an install had to leave out (files not written, configuration
    // files not edited, entries whose markup was refused), as sections for a
    // message; empty when nothing was.
    static QString installProblems(const InstallReport& report);
    // The menu entries and Insert-bar buttons the install found no menu or
    // category for, as a section for a message; empty when every one had one.
    // Not a failure: Dreamweaver's menus are the user's to change.
    static QString missingTargets(const InstallReport& report);
    // What a removal could not take away. An entry the install itself
    // refused or never found is not a removal's failure.
    static QString removalProblems(const InstallReport& report);
};
