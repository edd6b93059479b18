#include "comm/com_portnames.h"

QString COM_PortNames::devicePath(const QString& name)
{
#ifdef Q_OS_WIN
    return devicePathFor(name, true);
#else
    return devicePathFor(name, false);
#endif
}

QString COM_PortNames::devicePathFor(const QString& name, bool windows)
{
    if (windows) {
        const QString prefix = QStringLiteral("\\\\.\\");
        return name.startsWith(prefix) ? name : prefix + name;
    }
    return name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
}

bool COM_PortNames::naturalLess(const QString& a, const QString& b)
{
    int i = 0;
    int j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            // Compare the two digit runs by value: skip leading zeros, then a
            // longer run is the larger number, equal lengths compare as text.
            int ei = i, ej = j;
            while (ei < a.size() && a.at(ei).isDigit()) ++ei;
            while (ej < b.size() && b.at(ej).isDigit()) ++ej;
            int si = i, sj = j;
            while (si < ei - 1 && a.at(si) == QLatin1Char('0')) ++si;
            while (sj < ej - 1 && b.at(sj) == QLatin1Char('0')) ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            const int cmp = QStringView(a).mid(si, ei - si).compare(QStringView(b).mid(sj, ej - sj));
            if (cmp != 0)
                return cmp < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j);
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j;
    return a < b; // equal by value ("x01", "x1"): keep the order strict
}
