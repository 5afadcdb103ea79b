#pragma once

#include <QString>

// Where the program finds the external programs it runs, as each system
// installs them.

// The OCR engine's program: on Windows from the install folder its installer
// records in the registry (HKLM\SOFTWARE\Tesseract-OCR, InstallDir; the
// 64-bit view first, then the 32-bit one), elsewhere and otherwise from the
// PATH. Empty when none is found.
QString FindOcrEngine();

// The OCR engine's program file in its folder: "tesseract" ("tesseract.exe" on Windows).
QString OcrEngineFileName();

// Where to get the OCR engine, for the message shown when it is missing.
QString OcrEngineInstallHint();

// A Poppler converter ("pdftotext", "pdftoppm"). On Windows always
// "poppler/<program>.exe" in the program file's folder, where the installer
// puts them. Elsewhere the program's own poppler/ folder (`programDir`) when
// it holds it, otherwise the name, found on the PATH.
QString ConverterPath(const QString& programDir, const QString& program);
