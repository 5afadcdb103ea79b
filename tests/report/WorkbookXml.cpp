#include "tests/report/WorkbookXml.h"

#include <QProcess>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

QString attribute(const QXmlStreamReader& xml, const char* name) {
    return xml.attributes().value(QLatin1String(name)).toString();
}

QStringList sharedStrings(const QString& workbookPath) {
    QStringList strings;
    QXmlStreamReader xml(UnzipMember(workbookPath, QStringLiteral("xl/sharedStrings.xml")));
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"si") strings.append(QString());
        if (xml.name() == u"t" && !strings.isEmpty()) strings.back() += xml.readElementText();
    }
    return strings;
}

SheetCell readCell(QXmlStreamReader& xml, const QStringList& strings) {
    SheetCell cell{attribute(xml, "t"), QString(), attribute(xml, "s").toInt()};
    while (!(xml.isEndElement() && xml.name() == u"c") && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && (xml.name() == u"v" || xml.name() == u"t"))
            cell.value = xml.readElementText();
    }
    if (cell.type == u"s") cell.value = strings.value(cell.value.toInt());
    return cell;
}

}  // namespace

QByteArray UnzipMember(const QString& workbookPath, const QString& member) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), workbookPath, member});
    if (!unzip.waitForFinished(30000)) return {};
    return unzip.readAllStandardOutput();
}

SheetXml ReadSheet(const QString& workbookPath) {
    const QStringList strings = sharedStrings(workbookPath);
    SheetXml sheet;
    QXmlStreamReader xml(UnzipMember(workbookPath, QStringLiteral("xl/worksheets/sheet1.xml")));
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"col") {
            sheet.columns.push_back({attribute(xml, "min").toInt(), attribute(xml, "max").toInt(),
                                     attribute(xml, "width").toDouble(),
                                     attribute(xml, "style").toInt()});
        } else if (xml.name() == u"pane") {
            sheet.paneTopLeft = attribute(xml, "topLeftCell");
            sheet.paneState = attribute(xml, "state");
            sheet.paneYSplit = attribute(xml, "ySplit");
        } else if (xml.name() == u"autoFilter") {
            sheet.autoFilter = attribute(xml, "ref");
        } else if (xml.name() == u"row") {
            ++sheet.rows;
        } else if (xml.name() == u"c") {
            const QString reference = attribute(xml, "r");
            sheet.cells[reference] = readCell(xml, strings);
        }
    }
    return sheet;
}

QString NumberFormatOfStyle(const QString& workbookPath, int style) {
    QXmlStreamReader xml(UnzipMember(workbookPath, QStringLiteral("xl/styles.xml")));
    std::map<int, QString> formats{{3, QStringLiteral("#,##0")}};  // built-in id 3
    int xf = -1;
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"cellXfs") inCellXfs = false;
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"numFmt")
            formats[attribute(xml, "numFmtId").toInt()] = attribute(xml, "formatCode");
        if (xml.name() == u"cellXfs") inCellXfs = true;
        if (inCellXfs && xml.name() == u"xf" && ++xf == style)
            return formats.count(attribute(xml, "numFmtId").toInt())
                       ? formats[attribute(xml, "numFmtId").toInt()]
                       : attribute(xml, "numFmtId");
    }
    return {};
}
