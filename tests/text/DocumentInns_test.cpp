// The document conversion with the real converters (poppler-utils,
// tesseract-ocr with its Russian data) on the committed fixtures, plus
// stand-in converter scripts for time-outs and command lines.
#include "text/DocumentInns.h"
#include "platform/GeneralError.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

QString converter(const char* name) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    EXPECT_FALSE(path.isEmpty()) << name << " is not installed (scripts/install-deps.sh)";
    return path;
}

QStringList inns(std::initializer_list<const char*> values) {
    QStringList list;
    for (const char* value : values)
        list.append(QString::fromLatin1(value));
    return list;
}

// A folder holding one copy of a fixture, where the conversion leaves its files.
class DocumentFolder {
public:
    explicit DocumentFolder(const QString& fixture) {
        m_document = m_dir.filePath(fixture);
        QFile::copy(TestSupport::dataPath(QStringLiteral("documents/") + fixture), m_document);
    }
    const QString& document() const { return m_document; }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QStringList entries() const {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
    QStringList documentOnly() const { return {QFileInfo(m_document).fileName()}; }

private:
    QTemporaryDir m_dir;
    QString m_document;
};

// A shell script standing in for a converter.
QString writeScript(const QTemporaryDir& dir, const QString& name, const QByteArray& body) {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n" + body + "\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

DocumentInnsResult convert(const DocumentFolder& folder, const QString& ocrEngine,
                           const ConversionTimeouts& timeouts = {}) {
    return FindDocumentInnsDetailed(folder.document(), converter("pdftotext"),
                                    converter("pdftoppm"), ocrEngine, timeouts);
}

DocumentInnsResult convert(const DocumentFolder& folder) {
    return convert(folder, converter("tesseract"));
}

// A PDF of `pages` pages of `side` points square sharing one compressed
// content stream: a few kilobytes that convert into as much as asked.
void writePdf(const QString& path, int side, int pages, const QByteArray& content) {
    const QByteArray stream = qCompress(content, 9).mid(4);  // zlib data after Qt's length
    QByteArray kids;
    for (int page = 0; page < pages; ++page)
        kids += QByteArray::number(10 + page) + " 0 R ";
    QByteArray pdf =
        "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
        "2 0 obj << /Type /Pages /Kids [" +
        kids + "] /Count " + QByteArray::number(pages) + " >> endobj\n";
    for (int page = 0; page < pages; ++page) {
        pdf += QByteArray::number(10 + page) +
               " 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(side) +
               ' ' + QByteArray::number(side) +
               "] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >> endobj\n";
    }
    pdf += "4 0 obj << /Length " + QByteArray::number(stream.size()) +
           " /Filter /FlateDecode >> stream\n" + stream +
           "\nendstream endobj\n5 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> "
           "endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pdf);
}

// Width and height of a PNG image, from its header.
QPair<quint32, quint32> pngSize(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = file.read(24);
    if (head.size() < 24) return {};
    const auto* b = reinterpret_cast<const unsigned char*>(head.constData());
    const auto at = [b](int i) {
        return (quint32(b[i]) << 24) | (quint32(b[i + 1]) << 16) | (quint32(b[i + 2]) << 8) |
               quint32(b[i + 3]);
    };
    return {at(16), at(20)};
}

}  // namespace

TEST(FindDocumentInns, TextLayerGivesTheLabelledInns) {
    DocumentFolder folder(QStringLiteral("protocol_text_labelled.pdf"));
    const DocumentInnsResult result = convert(folder);
    EXPECT_EQ(result.inns, inns({"7701234567", "500100732259"}));  // not the telephone number
    EXPECT_EQ(result.source, DocumentInnsResult::TextLayer);
    EXPECT_EQ(folder.entries(), folder.documentOnly());
}

TEST(FindDocumentInns, TextLayerWithoutLabelGivesTheBareNumbers) {
    DocumentFolder folder(QStringLiteral("protocol_text_free_standing.pdf"));
    const DocumentInnsResult result = convert(folder);
    EXPECT_EQ(result.inns, inns({"7705123456", "502900112233"}));
    EXPECT_EQ(result.source, DocumentInnsResult::TextLayer);
}

TEST(FindDocumentInns, ReadsEveryPageOfTheTextLayer) {
    DocumentFolder folder(QStringLiteral("protocol_multipage.pdf"));
    EXPECT_EQ(FindDocumentInns(folder.document(), converter("pdftotext"), converter("pdftoppm"),
                               converter("tesseract")),
              inns({"7701234567", "500100732259"}));
    EXPECT_EQ(folder.entries(), folder.documentOnly());
}

// The one run of the real OCR engine: a page at 300 dpi takes a second or two.
TEST(FindDocumentInns, ScannedDocumentIsReadByOcr) {
    DocumentFolder folder(QStringLiteral("protocol_scanned.pdf"));
    const DocumentInnsResult result = convert(folder);
    EXPECT_EQ(result.inns, inns({"7705123456", "502900112233"}));
    EXPECT_EQ(result.source, DocumentInnsResult::Ocr);
    EXPECT_EQ(folder.entries(), folder.documentOnly());
}

TEST(FindDocumentInns, DamagedOrMissingDocumentGivesNothing) {
    DocumentFolder damaged(QStringLiteral("protocol_damaged.pdf"));
    const DocumentInnsResult result = convert(damaged);
    EXPECT_TRUE(result.inns.isEmpty());
    EXPECT_EQ(result.source, DocumentInnsResult::None);
    EXPECT_EQ(damaged.entries(), damaged.documentOnly());

    DocumentFolder missing(QStringLiteral("no_such_fixture.pdf"));
    EXPECT_TRUE(convert(missing).inns.isEmpty());
    EXPECT_TRUE(missing.entries().isEmpty());
}

TEST(FindDocumentInns, MissingConvertersContributeNothing) {
    DocumentFolder folder(QStringLiteral("protocol_scanned.pdf"));
    const DocumentInnsResult result = convert(folder, QString());  // no OCR engine found
    EXPECT_TRUE(result.inns.isEmpty());
    EXPECT_EQ(folder.entries(), folder.documentOnly());  // the page images are gone too
    EXPECT_TRUE(FindDocumentInns(folder.document(), QStringLiteral("/nonexistent/pdftotext"),
                                 QString(), QString())
                    .isEmpty());
}

// "No INN" must mean the document names none: a converter that could not do its work is named.
TEST(FindDocumentInns, ConvertersThatFailAreNamedWhenNoInnIsFound) {
    DocumentFolder folder(QStringLiteral("protocol_text_labelled.pdf"));
    const DocumentInnsResult missing = FindDocumentInnsDetailed(
        folder.document(), QStringLiteral("/nonexistent/pdftotext"), converter("pdftoppm"), {});
    EXPECT_TRUE(missing.inns.isEmpty());
    EXPECT_TRUE(
        missing.failure.startsWith(u"не удалось запустить программу /nonexistent/pdftotext ("_q))
        << missing.failure.toStdString();
    EXPECT_TRUE(
        missing.failure.endsWith(u"; программа распознавания текста (tesseract) не найдена"_q))
        << missing.failure.toStdString();

    DocumentFolder damaged(QStringLiteral("protocol_damaged.pdf"));
    const DocumentInnsResult unreadable = convert(damaged);
    EXPECT_TRUE(unreadable.failure.startsWith(u"pdftotext завершилась с ошибкой (код "_q))
        << unreadable.failure.toStdString();

    // Converters that did their work: no failure, whatever they found.
    EXPECT_TRUE(convert(folder).failure.isEmpty());
}

TEST(FindDocumentInns, OcrGetsEachPageImageWithOneThread) {
    // The stand-in engine records its arguments and thread limit, and "reads" an INN.
    QTemporaryDir scripts;
    const QString engine = writeScript(scripts, QStringLiteral("ocr.sh"),
                                       "echo \"$# $3 $4 $5 $OMP_THREAD_LIMIT\" >> \"" +
                                           QFile::encodeName(scripts.path()) +
                                           "/calls\"\n"
                                           "printf 'ИНН\\n7701234567\\n' > \"$2.txt\"\n"
                                           "case \"$1\" in *-1.png) ;; *) exit 1 ;; esac");
    DocumentFolder folder(QStringLiteral("protocol_scanned.pdf"));
    const DocumentInnsResult result = convert(folder, engine);
    EXPECT_EQ(result.inns, inns({"7701234567"}));
    EXPECT_EQ(result.source, DocumentInnsResult::Ocr);
    QFile calls(scripts.filePath(QStringLiteral("calls")));
    ASSERT_TRUE(calls.open(QIODevice::ReadOnly));
    EXPECT_EQ(calls.readAll(), "5 -l rus txt 1\n");
    EXPECT_EQ(folder.entries(), folder.documentOnly());
}

TEST(FindDocumentInns, ReadsTheFirstFiftyOfSixtyPages) {
    // The stand-in renderer names pages as pdftoppm does from ten pages on
    // ("-01"); the stand-in engine "reads" the page number as a ten-digit INN.
    QTemporaryDir scripts;
    const QString renderer = writeScript(scripts, QStringLiteral("render.sh"),
                                         "for root; do :; done\n"
                                         "for n in $(seq -w 1 60); do : > \"$root-$n.png\"; done");
    const QString engine = writeScript(scripts, QStringLiteral("ocr.sh"),
                                       "printf 'ИНН %010d\\n' \"${2##*_p}\" > \"$2.txt\"");
    DocumentFolder folder(QStringLiteral("protocol_scanned.pdf"));
    const DocumentInnsResult result =
        FindDocumentInnsDetailed(folder.document(), converter("pdftotext"), renderer, engine);
    ASSERT_EQ(result.inns.size(), 50);
    EXPECT_EQ(result.inns.first(), QStringLiteral("0000000001"));
    EXPECT_EQ(result.inns.last(), QStringLiteral("0000000050"));
    EXPECT_EQ(folder.entries(), folder.documentOnly());
}

TEST(FindDocumentInns, TextLayerInnsSkipOcr) {
    QTemporaryDir scripts;
    const QString marker = scripts.filePath(QStringLiteral("ran"));
    const QString engine = writeScript(scripts, QStringLiteral("ocr.sh"),
                                       "touch \"" + QFile::encodeName(marker) + "\"");
    DocumentFolder folder(QStringLiteral("protocol_text_labelled.pdf"));
    EXPECT_EQ(convert(folder, engine).source, DocumentInnsResult::TextLayer);
    EXPECT_FALSE(QFile::exists(marker));
}

TEST(FindDocumentInns, ConverterPastItsTimeOutIsKilled) {
    // The stand-in notes its process id, then hangs; it would write its output if it woke.
    QTemporaryDir scripts;
    const QByteArray dir = QFile::encodeName(scripts.path());
    const QString hang = writeScript(scripts, QStringLiteral("hang.sh"),
                                     "echo $$ >> \"" + dir + "/pids\"\nsleep 30\ntouch \"$5\"");
    DocumentFolder folder(QStringLiteral("protocol_text_labelled.pdf"));
    const ConversionTimeouts timeouts{200ms, 200ms, 200ms};
    const auto started = std::chrono::steady_clock::now();
    const DocumentInnsResult result =
        FindDocumentInnsDetailed(folder.document(), hang, hang, hang, timeouts);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(result.inns.isEmpty());
    EXPECT_EQ(result.failure, u"hang.sh не уложилась в 0.2 с и была остановлена"_q);
    QFile pids(scripts.filePath(QStringLiteral("pids")));
    ASSERT_TRUE(pids.open(QIODevice::ReadOnly));
    const QList<QByteArray> runs = pids.readAll().trimmed().split('\n');
    EXPECT_EQ(runs.size(), 2);  // the extractor and the renderer; no page image, no OCR
    for (const QByteArray& pid : runs) {
        // Our own child, killed and reaped: no such process remains.
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid)));
    }
    EXPECT_EQ(folder.entries(), folder.documentOnly());
}

TEST(FindDocumentInns, UnreadableOutputFailsTheAttemptAndStillCleansUp) {
    // An output "file" that cannot be read: the extractor makes a folder of that name.
    QTemporaryDir scripts;
    const QString extractor =
        writeScript(scripts, QStringLiteral("extract.sh"), "mkdir \"$5\"\ntouch \"$5-x\"");
    DocumentFolder folder(QStringLiteral("protocol_text_labelled.pdf"));
    EXPECT_THROW(FindDocumentInnsDetailed(folder.document(), extractor, QString(), QString()),
                 EGeneralError);
    QStringList left = folder.entries();
    EXPECT_EQ(left.size(), 2);  // the document and the folder, which is not a converter file
    EXPECT_FALSE(left.filter(QStringLiteral("-x")).size());
}

TEST(FindDocumentInns, ThreadsConvertTheSameDocumentApart) {
    DocumentFolder folder(QStringLiteral("protocol_text_labelled.pdf"));
    QStringList results[3];
    std::thread threads[3];
    for (int i = 0; i < 3; ++i) {
        threads[i] = std::thread([&, i] { results[i] = convert(folder).inns; });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (const QStringList& result : results) {
        EXPECT_EQ(result, inns({"7701234567", "500100732259"}));
    }
    EXPECT_EQ(folder.entries(), folder.documentOnly());
}

TEST(FindDocumentInns, RendersOnlyThePagesItReads) {
    QTemporaryDir scripts;
    const QString renderer =
        writeScript(scripts, QStringLiteral("render.sh"),
                    "echo \"$@\" > \"" + QFile::encodeName(scripts.path()) + "/calls\"");
    DocumentFolder folder(QStringLiteral("protocol_scanned.pdf"));
    FindDocumentInnsDetailed(folder.document(), converter("pdftotext"), renderer,
                             converter("tesseract"));
    QFile calls(scripts.filePath(QStringLiteral("calls")));
    ASSERT_TRUE(calls.open(QIODevice::ReadOnly));
    EXPECT_TRUE(calls.readAll().startsWith("-png -gray -scale-to 3508 -l 50 "));
}

TEST(FindDocumentInns, StopEndsTheConversionInProgress) {
    // The stand-in renderer notes its process id and hangs; no OCR may follow the stop.
    QTemporaryDir scripts;
    const QByteArray dir = QFile::encodeName(scripts.path());
    const QString hang = writeScript(scripts, QStringLiteral("hang.sh"),
                                     "echo $$ > \"" + dir + "/renderer\"\nsleep 60");
    const QString engine =
        writeScript(scripts, QStringLiteral("ocr.sh"), "touch \"" + dir + "/ocr\"");
    DocumentFolder folder(QStringLiteral("protocol_scanned.pdf"));
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        while (!QFile::exists(scripts.filePath(QStringLiteral("renderer"))))
            std::this_thread::sleep_for(10ms);
        stop = true;
    });
    const DocumentInnsResult result = FindDocumentInnsDetailed(
        folder.document(), converter("pdftotext"), hang, engine, {}, &stop);
    stopper.join();
    EXPECT_TRUE(result.inns.isEmpty());
    QFile renderer(scripts.filePath(QStringLiteral("renderer")));
    ASSERT_TRUE(renderer.open(QIODevice::ReadOnly));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/") +
                                   QString::fromLatin1(renderer.readAll().trimmed())));
    EXPECT_FALSE(QFile::exists(scripts.filePath(QStringLiteral("ocr"))));
    EXPECT_EQ(folder.entries(), folder.documentOnly());
}

// Files of a process no longer running (and this process's own, between runs) go; those of a
// copy still running and every file not named like a conversion stay.
TEST(DeleteLeftoverConversionFiles, DeletesOnlyTheFilesOfProcessesGone) {
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const QString gone = QStringLiteral("cfdoc%1").arg(dead);
    const QString own = ConversionTag();
    const QString alive = QStringLiteral("cfdoc%1").arg(::getppid());
    QTemporaryDir dir;
    const QStringList leftovers = {
        u"A1-"_q + gone + u"-77.pdf"_q,        u"A1-"_q + gone + u"-77_78_direct.txt"_q,
        u"A1-"_q + gone + u"-77_78-001.png"_q, u"document-"_q + gone + u"-7_7_p12.txt"_q,
        u"B_2-"_q + own + u"-5.pdf"_q,
    };
    const QStringList kept = {
        u"A1-"_q + alive + u"-77.pdf"_q,    u"report-2023.pdf"_q,       u"log123.txt"_q,
        u"A1-"_q + gone + u"-77.pdf.bak"_q, u"x-"_q + gone + u".pdf"_q,
    };
    for (const QString& name : leftovers + kept) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(DeleteLeftoverConversionFiles(dir.path()), leftovers.size());
    QStringList left = QDir(dir.path()).entryList(QDir::Files);
    left.sort();
    QStringList expected = kept;
    expected.sort();
    EXPECT_EQ(left, expected);
}

// A page of 200 inches square (the largest a PDF declares) would be 60 000
// pixels square at 300 dpi: it is rendered within an A4 page's pixels, and
// the result says the page was read shrunk.
TEST(FindDocumentInns, HugePageIsRenderedWithinTheLimit) {
    QTemporaryDir scripts;
    const QString kept = scripts.filePath(QStringLiteral("page.png"));
    const QString engine = writeScript(scripts, QStringLiteral("ocr.sh"),
                                       "cp \"$1\" \"" + QFile::encodeName(kept) + "\"");
    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("huge.pdf"));
    writePdf(document, 14400, 1, "0 0 7200 7200 re f");
    const DocumentInnsResult result =
        FindDocumentInnsDetailed(document, converter("pdftotext"), converter("pdftoppm"), engine);
    const auto [width, height] = pngSize(kept);
    EXPECT_GT(width, 0u);
    EXPECT_LE(width, 3508u);
    EXPECT_LE(height, 3508u);
    EXPECT_TRUE(result.failure.isEmpty()) << result.failure.toStdString();
    EXPECT_TRUE(result.cut.startsWith(u"страница 1 больше допустимого размера"_q))
        << result.cut.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("huge.pdf")});
}

// A text layer of more than the bytes read (four pages of about 2.5 MB of
// text each) is read only that far, and the result says the output was cut.
// An A4 page's text stays whole.
TEST(FindDocumentInns, HugeTextLayerIsReadOnlyToTheLimit) {
    QTemporaryDir scripts;
    const QString idle = writeScript(scripts, QStringLiteral("idle.sh"), "exit 0");
    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("text.pdf"));
    QByteArray content = "BT /F1 10 Tf 0 14390 Td ";
    const QByteArray line = "(" + QByteArray("abcdefghij ").repeated(236) + ") Tj 0 -12 Td ";
    content += line.repeated(1195) + "ET";
    writePdf(document, 14400, 4, content);
    QFile::copy(TestSupport::dataPath(QStringLiteral("documents/protocol_text_labelled.pdf")),
                dir.filePath(QStringLiteral("small.pdf")));

    const DocumentInnsResult huge =
        FindDocumentInnsDetailed(document, converter("pdftotext"), idle, idle);
    EXPECT_TRUE(huge.inns.isEmpty());
    EXPECT_EQ(huge.cut, u"вывод pdftotext длиннее 8 МБ, прочитано начало"_q);
    const DocumentInnsResult small = FindDocumentInnsDetailed(
        dir.filePath(QStringLiteral("small.pdf")), converter("pdftotext"), idle, idle);
    EXPECT_EQ(small.inns.size(), 2);
    EXPECT_TRUE(small.cut.isEmpty());
}
