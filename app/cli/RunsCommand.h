#pragma once

#include <QStringList>

// "contract-finder-cli runs": the last runs of a folder from its history, newest first.
// Returns the process exit code.
int RunsCommand(const QStringList& arguments);
