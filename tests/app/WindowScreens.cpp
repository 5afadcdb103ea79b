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
#include <QTemporaryDir>
#include <QTest>
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

int contractsOf(const SyntheticPortal& portal, const std::string& inn) {
    int count = 0;
    for (const SyntheticContract& c : portal.contracts()) {
        const auto& inns = c.expectedInns;
        if (std::find(inns.begin(), inns.end(), inn) != inns.end()) ++count;
    }
    return count;
}

// The INNs the portal has contracts of, most contracts first.
std::vector<std::string> busiestInns(const SyntheticPortal& portal) {
    std::set<std::string> all;
    for (const SyntheticContract& c : portal.contracts())
        all.insert(c.expectedInns.begin(), c.expectedInns.end());
    std::vector<std::string> inns(all.begin(), all.end());
    std::stable_sort(inns.begin(), inns.end(), [&portal](const auto& a, const auto& b) {
        return contractsOf(portal, a) > contractsOf(portal, b);
    });
    return inns;
}

QString firstFile(const QString& dir, const QString& pattern) {
    const QStringList files = QDir(dir).entryList({pattern}, QDir::Files, QDir::Name);
    return files.isEmpty() ? QString() : files.first();
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

    // One INN with contracts, a group whose contracts were all reported before, and
    // an INN the portal has no contract of.
    const std::vector<std::string> inns = busiestInns(portal);
    const QString reported = QString::fromStdString(inns.at(0));
    const QString shownBefore = QString::fromStdString(inns.at(1));
    const QString absent = QStringLiteral("7712345674");
    QTemporaryDir dir;
    const QString programDir = dir.path() + QLatin1Char('/');
    WriteTextFile(programDir + QStringLiteral("INNs.txt"),
                  reported + QStringLiteral("\r\nГруппа 1\tПоставщик\t") + shownBefore +
                      QStringLiteral("\r\n") + absent + QStringLiteral("\r\n"),
                  TextEncoding::Utf8Bom);
    QStringList shown;
    for (const SyntheticContract& c : portal.contracts()) {
        const auto& cInns = c.expectedInns;
        if (std::find(cInns.begin(), cInns.end(), inns.at(1)) != cInns.end())
            shown << QString::fromStdString(replica.baseUrl() + c.cardPath);
    }
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
    form.resize(965, 747);
    QTest::qWait(1500);
    shoot(form, out + QStringLiteral("/window-before-run") + suffix + QStringLiteral(".png"));

    QTest::mouseClick(form.StartButton, Qt::LeftButton);
    if (!QTest::qWaitFor([&form] { return form.ProgressBar->value() > 20; }, 60000))
        std::fprintf(stderr, "the run did not get far within a minute\n");
    shoot(form, out + QStringLiteral("/window-during-run") + suffix + QStringLiteral(".png"));

    form.runControl().WaitForRunEnd(600000);
    QTest::qWait(500);
    if (!form.SummaryPanel->isVisible()) {
        // A controller that does not send its account yet: the account the replica's
        // own contracts make.
        RunSummary summary;
        summary.programDir = programDir;
        summary.registries[0].cardsRead = config.contracts44;
        summary.registries[1].cardsRead = config.contracts223;
        summary.registries[2].cardsRead = config.contractsCapital;
        for (RegistryFigures& r : summary.registries)
            r.cardsStored = r.cardsRead;
        summary.reports = {
            {reported, contractsOf(portal, inns.at(0)), 0, firstFile(programDir, "*.tab"),
             firstFile(programDir, "*.xlsx")},
            {QStringLiteral("Группа 1"), 0, contractsOf(portal, inns.at(1)), QString(), QString()},
            {absent, 0, 0, QString(), QString()},
        };
        form.showRunSummary(summary);
    }
    shoot(form, out + QStringLiteral("/window-after-run") + suffix + QStringLiteral(".png"));
    form.close();
    return 0;
}
