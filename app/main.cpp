#include "app/PortalAddress.h"
#include "app/ProgramSettings.h"
#include "app/QtTranslations.h"
#include "app/StartupChecks.h"
#include "app/TMainForm.h"
#include "crawl/PortalSearch.h"
#include "platform/GeneralError.h"
#include "platform/ProgramDir.h"
#include "platform/ProgramEnd.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <string_view>

namespace {

// Answered before the window toolkit starts, so they work without a display.
bool answeredOption(int argc, char* argv[]) {
    if (argc < 2) return false;
    const std::string_view option = argv[1];
    if (option == "--version") {
        std::fputs("contract-finder " CF_VERSION "\n", stdout);
        return true;
    }
    if (option == "--help" || option == "-h") {
        std::fputs(
            "Использование: contract-finder [--help | --version]\n"
            "Открывает окно программы поиска контрактов поставщиков по ИНН.\n"
            "Сбор из командной строки: contract-finder-cli --help\n",
            stdout);
        return true;
    }
    return false;
}

int runProgram(int argc, char* argv[]) {
    if (answeredOption(argc, argv)) return 0;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("contract-finder"));
    InstallQtTranslations();
    QString programDir;
    try {
        programDir = ResolveProgramDir();
    } catch (const EGeneralError& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), e.message());
        return 1;
    }
    MainFormOptions options;
    options.adoptedSettings =
        AdoptProgramFolderSettings(programDir, QCoreApplication::applicationDirPath());
    const QString portal = ProgramSettings::load(programDir).portal;
    if (!portal.isEmpty()) {
        const PortalAddressCheck address = CheckPortalAddress(portal);
        if (address.problem.isEmpty()) {
            SetPortalBase(address.base);
        } else {
            options.portalProblem = address.problem;
        }
    }

    options.programDir = programDir;
    options.placementPath = QCoreApplication::applicationDirPath();
    TMainForm form(options);
    form.show();
    // A failed placement check ends the process at once, before any event loop,
    // as a failure: a script or launcher that started it learns it did not run.
    if (form.startupFailed()) return 1;
    return QApplication::exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    return EndProgram(runProgram(argc, argv));
}
