#pragma once

#include <QString>
#include <QStringView>

// The text without the characters of codes 0 to 32 at both ends. Unlike
// QString::trimmed() it keeps Unicode spaces such as U+00A0, which the
// portal's values and the program's lists may hold on purpose.
QString TrimControls(QStringView text);
