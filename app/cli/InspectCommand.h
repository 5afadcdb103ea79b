#pragma once

#include <QStringList>

// "contract-finder-cli inspect --url JOB FILE [--json]": what the program
// reads from a saved page. Returns the process exit code.
int InspectCommand(const QStringList& arguments);
