#include "frame/texttable.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <atomic>
#include <cstring>

namespace {

char table[textTableLanguages][textTableEntries][textTableSlotBytes];
std::atomic<quint8> language{0};

void storeSlot(int entry, int lang, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    const int length = qMin(int(utf8.size()), textTableSlotBytes - 1);
    std::memcpy(table[lang][entry], utf8.constData(), size_t(length));
    table[lang][entry][length] = '\0';
}

} // namespace

quint8 currentLanguage()
{
    return language.load();
}

void setCurrentLanguage(quint8 lang)
{
    if (lang < textTableLanguages)
        language.store(lang);
}

void clearTextTable()
{
    std::memset(table, 0, sizeof(table));
}

bool loadTextTableFrom(const QString& path)
{
    clearTextTable();
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    int entry = 0;
    QString line;
    while (in.readLineInto(&line)) {
        const QStringList fields = line.split(QLatin1Char(';'), Qt::KeepEmptyParts);
        if (fields.size() != 7 || entry >= textTableEntries)
            continue;
        for (int lang = 0; lang < textTableLanguages; ++lang)
            storeSlot(entry, lang, fields.at(lang + 1));
        ++entry;
    }
    return true;
}

bool loadTextTable()
{
    return loadTextTableFrom(QCoreApplication::applicationDirPath() + QStringLiteral("/qm7.loc"));
}

QString textIn(int n, int lang)
{
    if (n < 0 || n >= textTableEntries || lang < 0 || lang >= textTableLanguages)
        return QString();
    return QString::fromUtf8(table[lang][n]);
}

QString text(int n)
{
    return textIn(n, currentLanguage());
}

QString wrapText(const QString& text, int width)
{
    const QStringList words = text.split(QLatin1Char(' '), Qt::KeepEmptyParts);
    if (words.size() < 2)
        return text;
    QString result;
    int lineStart = 0;
    for (int i = 0; i < words.size(); ++i) {
        const QString& word = words.at(i);
        if (width < (result.size() - lineStart) + word.size()) {
            if (i == 0) {
                result += QLatin1Char(' ') + word;
            } else {
                lineStart = result.size() + 2;
                result += QStringLiteral("\r\n") + word;
            }
        } else {
            result += QLatin1Char(' ') + word;
        }
    }
    return result.trimmed();
}
