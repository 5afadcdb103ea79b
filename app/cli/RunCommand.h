#pragma once

#include <QStringList>

// "contract-finder-cli run": one crawl with the program's core, the log on
// standard output. Returns the process exit code.
int RunCommand(const QStringList& arguments);
