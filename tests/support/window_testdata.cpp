#include "window_testdata.h"

#include "frame/texttable.h"

#include <QFile>
#include <QTextStream>

#include <cstdlib>
#include <cstring>

QString numberedText(int n, int language)
{
    return QStringLiteral("L%1T%2").arg(language).arg(n);
}

QString writeNumberedTextTable(const QString& dir)
{
    const QString path = dir + QStringLiteral("/qm7.loc");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    QTextStream out(&file);
    out << "key;English;Deutsch;Français;Italiano;中文;Español\n";
    for (int n = 1; n < textTableEntries; ++n) {
        out << "k" << n;
        for (int language = 0; language < 6; ++language)
            out << ';' << numberedText(n, language);
        out << '\n';
    }
    out.flush();
    file.close();
    // The heading line is a 7-field line too and takes number 0.
    return path;
}

KelmoraFillingData* makeRecords(int count, int firstNumber)
{
    auto* records = static_cast<KelmoraFillingData*>(std::calloc(size_t(qMax(count, 1)), sizeof(KelmoraFillingData)));
    for (int i = 0; i < count; ++i) {
        KelmoraFillingData& r = records[i];
        const int n = firstNumber + i;
        r.number = n;
        r.timestamp = quint32(1700000000 + 3600 * n);
        r.levelCode = quint16(n % 20);
        r.fillings = quint16(1000 + n);
        r.ratePercent = 80.0 + (n % 40) * 0.5;
        r.linePercent = 90.0 + (n % 7);
        r.temperature = 40.0 - n * 0.125;
        r.integerPercent = quint16(95 + n % 10);
        r.auxValue = n * 0.01;
        r.fuelFlow = 30.0 + (n % 13) * 0.75;
        r.optionalFirst = n * 2.0;
        r.optionalSecond = n * 3.0;
        r.limit = (n % 3 == 0) ? 0 : (n % 3 == 1 ? -1 : 5000 + n);
        r.separator = (n % 2) ? '.' : ':';
    }
    return records;
}

void installRecords(char side, int count, int firstNumber)
{
    installSideRecords(side, makeRecords(count, firstNumber), quint16(count));
}
