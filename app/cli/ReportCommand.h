#pragma once

#include <QStringList>

// "contract-finder-cli report": the report stage alone over what is stored
// (after a stop, or after a run was killed), its files marked partial in
// their names. Returns the process exit code.
int ReportCommand(const QStringList& arguments);
