#pragma once

#include <QStringList>

// "contract-finder-cli watch": a search by INN of the folder's list over the days since the
// last successful watch, a desktop notification of what it reported; with --install, --remove
// or --status, the daily schedule of such watches. Returns the process exit code.
int WatchCommand(const QStringList& arguments);
