// Fields of the tool's CSV files. Fields are separated by ';'. A field that
// contains ';', '"' or a line break is written in double quotes with its
// quotes doubled (RFC 4180); every other field is written as it stands, as
// earlier versions wrote all of them.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

QString csvField(const QString& text);

// The fields of one record (which may span lines inside quotes). A field is
// read as quoted only when it starts with '"' and its closing quote ends the
// field; any other field is taken as it stands, so the unquoted files of
// earlier versions read exactly as before.
QStringList splitCsvRecord(const QString& record);

// True when the record ends inside a quoted field that has not closed: the
// next line of the file belongs to it.
bool csvRecordOpen(QStringView record);

// Number fields as the tool writes them (C locale) or as a spreadsheet in a
// locale with a decimal comma saves them again ("98,5"). Surrounding blanks
// are ignored. False when the field does not convert.
bool csvDecimal(const QString& field, double& value);
bool csvInteger(const QString& field, qint64& value);
// "NOLIM" (0), "SWOFF" (-1) or an unsigned number.
bool csvLimit(const QString& field, qint32& value);
