#pragma once

#include <QString>
#include <QStringList>

// The Windows command line for a program and its arguments, each quoted so
// that the C runtime's parser (and CommandLineToArgvW) gives back exactly
// the same vector: quotes around anything empty or holding blanks or quotes,
// a backslash before each quote, and backslashes doubled where a quote follows.
QString WindowsCommandLine(const QString& program, const QStringList& arguments);
