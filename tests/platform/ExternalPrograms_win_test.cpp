#include "WindowsTestMain.h"
#include "platform/ChildProcess.h"
#include "platform/ExternalPrograms.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QString kKey = u"HKLM\\SOFTWARE\\Tesseract-OCR"_q;

// The system's own reg.exe writes the key, as the engine's installer does.
bool reg(const QStringList& arguments) {
    return ChildProcess::run(u"reg.exe"_q, arguments).exitedWith(0);
}

void setInstallDir(const QString& view, const QString& dir) {
    ASSERT_TRUE(reg({u"add"_q, kKey, u"/v"_q, u"InstallDir"_q, u"/t"_q, u"REG_SZ"_q, u"/d"_q,
                     QDir::toNativeSeparators(dir), u"/f"_q, view}))
        << "reg add " << view.toStdString() << " failed (no administrator rights?)";
}

// A folder holding a file named like the engine.
QString engineFolder(QTemporaryDir& dir) {
    QFile engine(dir.filePath(OcrEngineFileName()));
    engine.open(QIODevice::WriteOnly);
    return dir.path();
}

}  // namespace

TEST(OcrEngineWindows, FoundThroughTheRegistryThe64BitViewFirst) {
    reg({u"delete"_q, kKey, u"/f"_q, u"/reg:64"_q});
    reg({u"delete"_q, kKey, u"/f"_q, u"/reg:32"_q});
    QTemporaryDir dir32, dir64;
    setInstallDir(u"/reg:32"_q, engineFolder(dir32));
    EXPECT_EQ(QFileInfo(FindOcrEngine()), QFileInfo(dir32.filePath(u"tesseract.exe"_q)));
    setInstallDir(u"/reg:64"_q, engineFolder(dir64));
    EXPECT_EQ(QFileInfo(FindOcrEngine()), QFileInfo(dir64.filePath(u"tesseract.exe"_q)));
    // A key naming a folder without the engine is passed over.
    setInstallDir(u"/reg:64"_q, dir64.filePath(u"gone"_q));
    EXPECT_EQ(QFileInfo(FindOcrEngine()), QFileInfo(dir32.filePath(u"tesseract.exe"_q)));
    reg({u"delete"_q, kKey, u"/f"_q, u"/reg:64"_q});
    reg({u"delete"_q, kKey, u"/f"_q, u"/reg:32"_q});
}

TEST(ConverterPathWindows, ThePopplerProgramsBesideTheProgram) {
    EXPECT_EQ(ConverterPath(u"C:/data/"_q, u"pdftotext"_q),
              QCoreApplication::applicationDirPath() + u"/poppler/pdftotext.exe"_q);
}
