#include "app/cli/InspectCommand.h"

#include "app/PageInspection.h"
#include "platform/GeneralError.h"

#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>
#include <cstdio>

int InspectCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption url(QStringLiteral("url"), QString(), QStringLiteral("задание"));
    const QCommandLineOption json(QStringLiteral("json"));
    parser.addOptions({url, json});
    if (!parser.parse(arguments) || !parser.isSet(url) ||
        parser.positionalArguments().size() != 1) {
        QTextStream(stderr) << QStringLiteral(
            "Использование: contract-finder-cli inspect --url <адрес[|||адрес карточки]> <файл> "
            "[--json]\n");
        return 2;
    }
    const QString path = parser.positionalArguments().first();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QTextStream(stderr) << QStringLiteral("Не удалось открыть файл ") << path << ": "
                            << RussianSystemReason(file.errorString()) << '\n';
        return 1;
    }
    const PageInspection inspection = InspectPage(parser.value(url), file.readAll(), path);
    const QByteArray output =
        parser.isSet(json) ? InspectionToJson(inspection) : InspectionToText(inspection).toUtf8();
    std::fwrite(output.constData(), 1, static_cast<std::size_t>(output.size()), stdout);
    return 0;
}
