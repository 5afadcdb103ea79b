#pragma once

#include <QStringList>

// "contract-finder-cli contracts": the stored contracts of the INN list (or
// of one INN or group), with a totals line; as text, tab-separated, or a
// workbook. Reads the database only. Returns the process exit code.
int ContractsCommand(const QStringList& arguments);
