#pragma once

#include <QByteArray>
#include <QString>

// The system's 8-bit code page, which the program's text files use when they
// carry no byte-order mark: Windows-1251 on Linux, where the files come from
// Russian Windows desktops; the system's own ANSI code page (CP_ACP) on
// Windows, which is Windows-1251 there too on a Russian desktop.

QString DecodeCodePage(const QByteArray& bytes);

// A character the code page lacks becomes "?", as the system's own
// conversion writes it.
QByteArray EncodeCodePage(const QString& text);
