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
    const QString portal = ProgramSettings::load(programDir).portal;
    if (!portal.isEmpty()) SetPortalBase(portal);

    MainFormOptions options;
    options.programDir = programDir;
    options.placementPath = QCoreApplication::applicationDirPath();
    TMainForm form(options);
    form.show();
    return QApplication::exec();
}
