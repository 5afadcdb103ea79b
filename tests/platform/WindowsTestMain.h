#pragma once

#include <QString>
#include <QStringList>

// The test executable doubles as the child processes the Windows tests
// start: run with "--child" and a role it plays that role instead of the tests.
namespace WindowsTestChild {

// This executable's own path.
QString selfPath();

// The arguments that make this executable play `role`.
QStringList roleArguments(const QString& role, const QStringList& arguments = {});

}  // namespace WindowsTestChild
