#include "text/DocumentInns.h"

#include "platform/ChildProcess.h"
#include "platform/GeneralError.h"
#include "platform/ProcessAlive.h"
#include "platform/TextFile.h"
#include "platform/ThreadId.h"
#include "text/InnRecognition.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <utility>

namespace {

constexpr int kMaxOcrPages = 50;
// The longer side of a rendered page in pixels: an A4 page at 300 dpi. A
// larger page is rendered smaller, so no page size (a PDF may declare pages of
// five metres) makes an image of gigabytes in the program's folder.
constexpr int kMaxPagePixels = 3508;
// A page rendered below this resolution was more than twice an A4 page's
// length: its small print may be lost, and the status says so.
constexpr double kMinDetailDpi = 150.0;
// The bytes of one converter output read: a text layer of hundreds of pages
// is a few megabytes, and a larger one is read only this far.
constexpr qint64 kMaxOutputBytes = 8 * 1024 * 1024;
// pdftoppm pads page numbers to the width of the page count ("-01" from ten
// pages on); the unpadded name is looked up first.
constexpr int kMaxPageNumberWidth = 6;

// The document's folder and name without extension, "_" and the id of the
// system thread converting it: conversions on different threads never share
// a file.
QString conversionRoot(const QString& document) {
    const QFileInfo info(document);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('_') +
           QString::number(SystemThreadId());
}

// Deletes the files of one conversion: the root followed by "_" or "-". The
// separator keeps thread 12 from deleting the files of thread 123.
void deleteConversionFiles(const QString& root) noexcept {
    try {
        const QFileInfo info(root);
        QDir dir(info.path());
        const QString prefix = info.fileName();
        const auto entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : entries) {
            if (name.size() <= prefix.size() || !name.startsWith(prefix)) continue;
            const QChar next = name.at(prefix.size());
            if (next == QLatin1Char('_') || next == QLatin1Char('-')) dir.remove(name);
        }
    } catch (...) {
        // Cleaning up must not turn a result or a failure into another failure.
    }
}

// Owns the conversion's temporary files from first to last. Files a crashed
// run left under the same root are deleted first, so they are never read.
class ConversionFiles {
public:
    explicit ConversionFiles(QString root) : m_root(std::move(root)) {
        deleteConversionFiles(m_root);
    }
    ~ConversionFiles() { deleteConversionFiles(m_root); }
    ConversionFiles(const ConversionFiles&) = delete;
    ConversionFiles& operator=(const ConversionFiles&) = delete;

    const QString& root() const { return m_root; }

private:
    QString m_root;
};

// One conversion's time-outs and the run's stop flag: a stop ends the
// converter running and skips the rest.
struct Conversion {
    const ConversionTimeouts& timeouts;
    const std::atomic<bool>* stop;
    bool stopped() const { return stop && stop->load(); }
};

// The output files tell what a converter achieved; its outcome only explains a
// document that yields no INN (see converterFailure). The child is killed at
// its time-out: left running, it would keep a core busy and could still write
// files a later conversion reads.
ChildResult runConverter(const Conversion& conversion, const QString& program,
                         const QStringList& arguments, std::chrono::milliseconds timeout,
                         const QStringList& environment = {}) {
    if (conversion.stopped()) {
        ChildResult result;
        result.status = ChildStatus::Stopped;
        return result;
    }
    ChildProcessOptions options;
    options.timeout = timeout;
    options.extraEnvironment = environment;
    options.stop = conversion.stop;
    return ChildProcess::run(program, arguments, options);
}

// Why a converter gave nothing to read, in Russian; empty when it ran to its end.
QString converterFailure(const QString& program, const ChildResult& outcome,
                         std::chrono::milliseconds timeout) {
    const QString name = QFileInfo(program).fileName();
    switch (outcome.status) {
        case ChildStatus::Exited:
            if (outcome.exitCode == 0) return {};
            return QStringLiteral("%1 завершилась с ошибкой (код %2)")
                .arg(name)
                .arg(outcome.exitCode);
        case ChildStatus::Signalled:
            return QStringLiteral("%1 завершилась аварийно (сигнал %2)")
                .arg(name)
                .arg(outcome.exitCode);
        case ChildStatus::TimedOut:
            return QStringLiteral("%1 не уложилась в %2 с и была остановлена")
                .arg(name)
                .arg(static_cast<double>(timeout.count()) / 1000.0);
        case ChildStatus::Stopped:
            return QStringLiteral("%1 остановлена").arg(name);
        case ChildStatus::FailedToStart:
            break;
    }
    return QStringLiteral("не удалось запустить программу %1 (%2)").arg(program, outcome.error);
}

// The failures of one conversion, each said once, and the limits that left
// part of the document unread.
class ConversionFailures {
public:
    void note(const QString& program, const ChildResult& outcome,
              std::chrono::milliseconds timeout) {
        add(converterFailure(program, outcome, timeout));
    }
    void add(const QString& failure) {
        if (!failure.isEmpty() && !m_texts.contains(failure)) m_texts << failure;
    }
    void cut(const QString& limit) {
        if (!m_cuts.contains(limit)) m_cuts << limit;
    }
    QString text() const { return m_texts.join(QStringLiteral("; ")); }
    QString cuts() const { return m_cuts.join(QStringLiteral("; ")); }

private:
    QStringList m_texts;
    QStringList m_cuts;
};

// The file's text (UTF-8) with every line ended by CR LF; empty when missing.
// Only its first kMaxOutputBytes are read.
QString readOutputFile(const QString& path, const QString& program, ConversionFailures& failures) {
    if (!QFileInfo::exists(path)) return {};
    QFile file(path);
    const QByteArray bytes =
        file.open(QIODevice::ReadOnly) ? file.read(kMaxOutputBytes) : QByteArray();
    if (file.error() == QFileDevice::NoError && file.size() > kMaxOutputBytes) {
        failures.cut(QStringLiteral("вывод %1 длиннее %2 МБ, прочитано начало")
                         .arg(QFileInfo(program).fileName())
                         .arg(kMaxOutputBytes / (1024 * 1024)));
    }
    if (file.error() != QFileDevice::NoError) {
        throw EGeneralError(QStringLiteral("Не удалось прочитать вывод программы преобразования "
                                           "документа %1: %2")
                                .arg(path, RussianSystemReason(file.errorString())));
    }
    QString text;
    for (const QString& line : SplitLines(QString::fromUtf8(bytes))) {
        text += line + QStringLiteral("\r\n");
    }
    return text;
}

// The resolution a page image was rendered at, from its PNG pHYs chunk (pixels
// per metre, which pdftoppm writes); 0 when the file does not say.
double renderedDpi(const QString& image) {
    QFile file(image);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const QByteArray head = file.read(4096);  // pHYs comes before the image data
    const qsizetype at = head.indexOf("pHYs");
    if (at < 0 || head.size() < at + 13 || head.at(at + 12) != 1) return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(head.constData() + at + 4);
    const quint32 perMetre = (quint32(bytes[0]) << 24) | (quint32(bytes[1]) << 16) |
                             (quint32(bytes[2]) << 8) | quint32(bytes[3]);
    return perMetre * 0.0254;
}

QString pageImage(const QString& root, int page) {
    for (int width = 1; width <= kMaxPageNumberWidth; ++width) {
        const QString path =
            QStringLiteral("%1-%2.png").arg(root).arg(page, width, 10, QLatin1Char('0'));
        if (QFileInfo::exists(path)) return path;
    }
    return {};
}

// The OCR engine is given one thread: its default threading makes a page
// about three times slower on two cores, and several workers may convert.
// Only the pages read are rendered: a document of ten thousand blank pages
// would otherwise keep the renderer busy until its time-out. A page is
// rendered to fit kMaxPagePixels (an A4 page at 300 dpi) in grey: the OCR
// engine reads grey as well as colour, from a third of the bytes.
QString ocrText(const QString& document, const QString& pageRenderer, const QString& ocrEngine,
                const QString& root, const Conversion& conversion, ConversionFailures& failures) {
    failures.note(
        pageRenderer,
        runConverter(conversion, pageRenderer,
                     {QStringLiteral("-png"), QStringLiteral("-gray"), QStringLiteral("-scale-to"),
                      QString::number(kMaxPagePixels), QStringLiteral("-l"),
                      QString::number(kMaxOcrPages), document, root},
                     conversion.timeouts.pageRendering),
        conversion.timeouts.pageRendering);
    QString text;
    bool shrinkSaid = false;  // the first page shrunk is named, not every one
    for (int page = 1; page <= kMaxOcrPages && !conversion.stopped(); ++page) {
        const QString image = pageImage(root, page);
        if (image.isEmpty()) break;
        if (ocrEngine.isEmpty()) {
            failures.add(QStringLiteral("программа распознавания текста (tesseract) не найдена"));
            break;
        }
        const double dpi = renderedDpi(image);
        if (dpi > 0 && dpi < kMinDetailDpi && !shrinkSaid) {
            shrinkSaid = true;
            failures.cut(QStringLiteral("страница %1 больше допустимого размера, распознана "
                                        "уменьшенной (%2 точек на дюйм)")
                             .arg(page)
                             .arg(qRound(dpi)));
        }
        const QString base = QStringLiteral("%1_p%2").arg(root).arg(page);
        failures.note(
            ocrEngine,
            runConverter(
                conversion, ocrEngine,
                {image, base, QStringLiteral("-l"), QStringLiteral("rus"), QStringLiteral("txt")},
                conversion.timeouts.pageOcr, {QStringLiteral("OMP_THREAD_LIMIT=1")}),
            conversion.timeouts.pageOcr);
        text += readOutputFile(base + QStringLiteral(".txt"), ocrEngine, failures);
    }
    return text;
}

}  // namespace

DocumentInnsResult FindDocumentInnsDetailed(const QString& document, const QString& textExtractor,
                                            const QString& pageRenderer, const QString& ocrEngine,
                                            const ConversionTimeouts& timeouts,
                                            const std::atomic<bool>* stop) {
    const Conversion conversion{timeouts, stop};
    const ConversionFiles files(conversionRoot(document));
    const QString extracted = files.root() + QStringLiteral("_direct.txt");
    ConversionFailures failures;
    failures.note(textExtractor,
                  runConverter(conversion, textExtractor,
                               {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                QStringLiteral("UTF-8"), document, extracted},
                               timeouts.textExtraction),
                  timeouts.textExtraction);
    QString text = readOutputFile(extracted, textExtractor, failures);
    QStringList inns = FindInns(text);
    if (!inns.isEmpty()) return {inns, DocumentInnsResult::TextLayer, {}, failures.cuts()};

    // OCR text follows the extracted text, page after page.
    text += ocrText(document, pageRenderer, ocrEngine, files.root(), conversion, failures);
    inns = FindInns(text);
    if (!inns.isEmpty()) return {inns, DocumentInnsResult::Ocr, {}, failures.cuts()};
    return {inns, DocumentInnsResult::None, failures.text(), failures.cuts()};
}

QStringList FindDocumentInns(const QString& document, const QString& textExtractor,
                             const QString& pageRenderer, const QString& ocrEngine,
                             const std::atomic<bool>* stop) {
    return FindDocumentInnsDetailed(document, textExtractor, pageRenderer, ocrEngine, {}, stop)
        .inns;
}

QString ConversionTag() {
    return QStringLiteral("cfdoc") + QString::number(::getpid());
}

int DeleteLeftoverConversionFiles(const QString& folder) {
    // The document "<name>-cfdoc<pid>-<thread>.pdf" and the converter files
    // "<name>-cfdoc<pid>-<thread>_<thread>…" beside it.
    static const QRegularExpression kName(
        QStringLiteral("^[A-Za-z0-9_-]*-cfdoc([0-9]+)-[0-9]+(\\.pdf|_[0-9]+(_direct\\.txt|-[0-9]+"
                       "\\.png|_p[0-9]+\\.txt))$"));
    QDir dir(folder);
    int deleted = 0;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch match = kName.match(name);
        if (!match.hasMatch()) continue;
        const qint64 pid = match.captured(1).toLongLong();
        // Another copy still running on this folder may be converting that file right now.
        const bool running = pid != ::getpid() && IsProcessRunning(pid);
        if (!running && dir.remove(name)) ++deleted;
    }
    return deleted;
}
