// Reading back what the ODS export wrote: the sheets and cells of
// content.xml, and the steps that take out the constructs the format
// demands but the OpenDocument schemas reject, so the rest can be validated.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

struct OdsCell {
    QString valueType;
    QString value;      // office:value
    QString dateValue;  // office:date-value
    QString style;
    QString text;       // the text:p content
    int repeated = 1;
};

struct OdsSheet {
    QString name;
    QVector<QVector<OdsCell>> rows;
};

// Parses content.xml; false with the parser's message when it is not
// well-formed.
bool parseOdsContent(const QByteArray& xml, QList<OdsSheet>& sheets, QString* error);

// Takes out the empty row elements, office:value on word cells and, for the
// 1.1 schema, renames the repeated frame id; for 1.2 drops the frame ids
// (1.2 wants an xml:id beside draw:id) and declares version 1.2.
QByteArray odsNeutralizedFor11(const QByteArray& xml);
QByteArray odsNeutralizedFor12(const QByteArray& xml);
// Declares version 1.2 on the root element (1.2 requires it; a manifest
// gets manifest:version).
QByteArray odsDeclaredVersion12(const QByteArray& xml);

// Runs xmllint on data (written to a temporary file); empty string when it
// passed, else xmllint's output. schema empty: well-formedness only.
QString odsXmllint(const QByteArray& data, const QString& schema);
