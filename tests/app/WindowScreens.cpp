// Takes the documentation's pictures of the window in a real X server: before
// a run, during one and after it with its account, against the portal replica.
// Not a test: scripts/screenshot.sh runs it under Xvfb.
//
//   window_screens OUTPUT_DIR SUFFIX
//
// writes OUTPUT_DIR/window-before-run SUFFIX .png, -during-run and -after-run.
#include "app/RunSummaryPanel.h"
#include "app/TMainForm.h"
#include "crawl/PortalSearch.h"
#include "platform/TextFile.h"
#include "replica/PortalReplica.h"
#include "replica/SyntheticPortal.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <set>

namespace {

void shoot(TMainForm& form, const QString& path) {
    QTest::qWait(600);
    const QRect frame = form.geometry();
    const QPixmap pixmap =
        form.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (!pixmap.save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

std::set<const SyntheticContract*> contractsOf(const SyntheticPortal& portal,
                                               const std::string& inn) {
    std::set<const SyntheticContract*> found;
    for (const SyntheticContract& c : portal.contracts()) {
        if (std::count(c.expectedInns.begin(), c.expectedInns.end(), inn)) found.insert(&c);
    }
    return found;
}

// Two INNs of the portal with no contract in common, the busiest first.
std::pair<std::string, std::string> twoSuppliers(const SyntheticPortal& portal) {
    std::set<std::string> all;
    for (const SyntheticContract& c : portal.contracts())
        all.insert(c.expectedInns.begin(), c.expectedInns.end());
    std::vector<std::string> inns(all.begin(), all.end());
    std::stable_sort(inns.begin(), inns.end(), [&portal](const auto& a, const auto& b) {
        return contractsOf(portal, a).size() > contractsOf(portal, b).size();
    });
    const auto first = contractsOf(portal, inns.at(0));
    for (const std::string& inn : inns) {
        const auto own = contractsOf(portal, inn);
        if (std::none_of(own.begin(), own.end(), [&first](auto* c) { return first.count(c); }))
            return {inns.at(0), inn};
    }
    return {inns.at(0), inns.at(1)};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_screens OUTPUT_DIR [SUFFIX]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    PortalReplica replica;
    SyntheticPortalConfig config;
    config.lastDay = QDate::currentDate();
    config.firstDay = config.lastDay.addDays(-4);
    config.contracts44 = 80;
    config.contracts223 = 30;
    config.contractsCapital = 10;
    SyntheticPortal portal(replica, config);
    replica.start();
    replica.setSlowBodyDelay(std::chrono::milliseconds(4));
    replica.setFaultRate(PortalReplica::Fault::SlowBody, 0.5, 7);
    SetPortalBase(QString::fromStdString(replica.baseUrl()));

    // One INN with contracts, a group whose contracts an earlier run reported (shown.txt
    // lists them), and an INN the portal has no contract of.
    const auto [reportedInn, shownInn] = twoSuppliers(portal);
    const QString reported = QString::fromStdString(reportedInn);
    const QString shownBefore = QString::fromStdString(shownInn);
    const QString absent = QStringLiteral("7707083893");
    QTemporaryDir dir;
    const QString programDir = dir.path() + QLatin1Char('/');
    WriteTextFile(programDir + QStringLiteral("INNs.txt"),
                  reported + QStringLiteral("\r\nГруппа 1\t") + shownBefore +
                      QStringLiteral("\r\n") + absent + QStringLiteral("\r\n"),
                  TextEncoding::Utf8Bom);
    QStringList shown;
    for (const SyntheticContract* c : contractsOf(portal, shownInn))
        shown << QString::fromStdString(replica.baseUrl() + c->cardPath);
    WriteTextFile(programDir + QStringLiteral("shown.txt"), shown.join(QStringLiteral("\r\n")),
                  TextEncoding::Utf8Bom);
    WriteTextFile(programDir + QStringLiteral("settings.ini"),
                  QStringLiteral("[Settings]\r\nThreads=4\r\nDateFrom=") +
                      config.firstDay.toString(QStringLiteral("dd.MM.yyyy")) +
                      QStringLiteral("\r\nDateTo=\r\n"),
                  TextEncoding::Utf8);

    MainFormOptions options;
    options.programDir = programDir;
    options.checkPlacement = false;
    TMainForm form(options);
    form.move(0, 0);
    form.show();
    QTest::qWait(1500);
    // The INN list widened as a user drags it, so that the group's line shows whole.
    const QFontMetrics metrics = form.InnsMemo->fontMetrics();
    const int tab = qRound(form.InnsMemo->tabStopDistance());
    const int groupLine = tab * (1 + metrics.horizontalAdvance(QStringLiteral("Группа 1")) / tab) +
                          metrics.horizontalAdvance(shownBefore);
    const int innsWidth = groupLine + form.InnsMemo->verticalScrollBar()->width() + 24;
    const int both =
        form.InnsLogSplitter->sizes().value(0) + form.InnsLogSplitter->sizes().value(1);
    form.InnsLogSplitter->setSizes({innsWidth, both - innsWidth});
    shoot(form, out + QStringLiteral("/window-before-run") + suffix + QStringLiteral(".png"));

    QTest::mouseClick(form.StartButton, Qt::LeftButton);
    if (!QTest::qWaitFor([&form] { return form.ProgressBar->value() > 20; }, 60000))
        std::fprintf(stderr, "the run did not get far within a minute\n");
    shoot(form, out + QStringLiteral("/window-during-run") + suffix + QStringLiteral(".png"));

    form.runControl().WaitForRunEnd(600000);
    // The account the run itself sends at its end.
    if (!QTest::qWaitFor([&form] { return form.SummaryPanel->isVisible(); }, 5000))
        std::fprintf(stderr, "the run ended without its account\n");
    shoot(form, out + QStringLiteral("/window-after-run") + suffix + QStringLiteral(".png"));
    form.close();
    return 0;
}
