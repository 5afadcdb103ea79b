#include "app/PortalAddress.h"
#include "app/ProgramSettings.h"
#include "app/TMainForm.h"
#include "crawl/PortalSearch.h"
#include "platform/GeneralError.h"
#include "platform/ProgramDir.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("contract-finder"));
    QString programDir;
    try {
        programDir = ResolveProgramDir();
    } catch (const EGeneralError& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), e.message());
        return 1;
    }
    MainFormOptions options;
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
    // A failed placement check ends the process at once, before any event loop.
    if (form.startupFailed()) return 0;
    return QApplication::exec();
}
