#include "files_ods.h"

#include "files_support.h"

#include <QTemporaryDir>
#include <QXmlStreamReader>

bool parseOdsContent(const QByteArray& xml, QList<OdsSheet>& sheets, QString* error)
{
    sheets.clear();
    QXmlStreamReader reader(xml);
    OdsCell* cell = nullptr;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const QStringView name = reader.qualifiedName();
        const QXmlStreamAttributes a = reader.attributes();
        if (name == u"table:table") {
            sheets.append(OdsSheet{a.value(QLatin1String("table:name")).toString(), {}});
        } else if (name == u"table:table-row" && !sheets.isEmpty()) {
            sheets.last().rows.append(QVector<OdsCell>());
        } else if (name == u"table:table-cell" && !sheets.isEmpty() && !sheets.last().rows.isEmpty()) {
            OdsCell c;
            c.valueType = a.value(QLatin1String("office:value-type")).toString();
            c.value = a.value(QLatin1String("office:value")).toString();
            c.dateValue = a.value(QLatin1String("office:date-value")).toString();
            c.style = a.value(QLatin1String("table:style-name")).toString();
            const QStringView repeated = a.value(QLatin1String("table:number-columns-repeated"));
            c.repeated = repeated.isEmpty() ? 1 : repeated.toInt();
            sheets.last().rows.last().append(c);
            cell = &sheets.last().rows.last().last();
        } else if (name == u"text:p" && cell) {
            cell->text = reader.readElementText(QXmlStreamReader::IncludeChildElements);
            cell = nullptr;
        }
    }
    if (reader.hasError()) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
        return false;
    }
    return true;
}

namespace {

QByteArray withoutMandatedConstructs(QByteArray xml)
{
    xml.replace("<table:table-row table:style-name='ro1' />", "");
    xml.replace(" office:value='NOLIM'", "");
    xml.replace(" office:value='SWOFF'", "");
    return xml;
}

} // namespace

QByteArray odsNeutralizedFor11(const QByteArray& xml)
{
    QByteArray result = withoutMandatedConstructs(xml);
    const QByteArray id("draw:id='id0'");
    const int first = result.indexOf(id);
    for (int at = result.indexOf(id, first + 1), n = 1; first >= 0 && at >= 0;
         at = result.indexOf(id, at + 1), ++n)
        result.replace(at, id.size(), "draw:id='id" + QByteArray::number(n) + "'");
    return result;
}

QByteArray odsDeclaredVersion12(const QByteArray& xml)
{
    QByteArray result = xml;
    result.replace("office:version=\"1.1\"", "office:version=\"1.2\"");
    if (result.contains("office:version="))
        return result;
    int root = result.indexOf("<office:document-");
    if (root < 0)
        root = result.indexOf("<manifest:manifest");
    const int space = root < 0 ? -1 : result.indexOf(' ', root);
    if (space >= 0)
        result.insert(space, result.mid(root).startsWith("<manifest:") ? " manifest:version='1.2'"
                                                                       : " office:version='1.2'");
    return result;
}

QByteArray odsNeutralizedFor12(const QByteArray& xml)
{
    QByteArray result = withoutMandatedConstructs(xml);
    result.replace(" draw:id='id0'", "");
    return odsDeclaredVersion12(result);
}

QString odsXmllint(const QByteArray& data, const QString& schema)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("member.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return QStringLiteral("cannot write the temporary file");
    file.close();
    QStringList arguments{QStringLiteral("--noout")};
    if (!schema.isEmpty())
        arguments << QStringLiteral("--relaxng") << schema;
    arguments << path;
    QByteArray output;
    int exitCode = -1;
    if (!filesRun(QStringLiteral("xmllint"), arguments, 120000, &output, &exitCode))
        return QStringLiteral("xmllint did not run");
    return exitCode == 0 ? QString() : QString::fromUtf8(output).left(2000);
}
