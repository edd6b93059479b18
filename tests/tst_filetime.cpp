// The fast local-time conversions of the file formats give exactly what
// QDateTime gives, in several time zones and around their transitions
// (summer time, a half-hour shift, a skipped day).
#include "model/filetime.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QTest>

#include <ctime>

namespace {

void useZone(const QByteArray& zone)
{
    qputenv("TZ", zone);
    tzset();
}

// Local times to probe: every few minutes over a window around each
// transition, and random instants over the whole 32-bit range.
QVector<quint32> probes(const QList<QDateTime>& transitionsUtc)
{
    QVector<quint32> result;
    for (const QDateTime& t : transitionsUtc) {
        const qint64 centre = t.toSecsSinceEpoch();
        for (qint64 s = centre - 26 * 3600; s <= centre + 26 * 3600; s += 7 * 60 + 1)
            result.append(quint32(s));
    }
    QRandomGenerator random(1234);
    for (int i = 0; i < 20000; ++i)
        result.append(random.generate());
    result.append({0u, 1u, 86399u, 0xFFFFFFFEu, 0xFFFFFFFFu});
    return result;
}

// Equal, or two instants that show the same local time (a repeated hour).
bool sameLocalTime(quint32 a, quint32 b)
{
    if (a == b)
        return true;
    if (a == 0xFFFFFFFFu || b == 0xFFFFFFFFu || qAbs(qint64(a) - qint64(b)) > 3 * 3600)
        return false;
    return QDateTime::fromSecsSinceEpoch(a).toString(Qt::ISODate)
        == QDateTime::fromSecsSinceEpoch(b).toString(Qt::ISODate);
}

QDateTime utc(int y, int m, int d, int h)
{
    return QDateTime(QDate(y, m, d), QTime(h, 0), Qt::UTC);
}

} // namespace

class TestFileTime : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { qunsetenv("TZ"); tzset(); }

    void sameAsQDateTime_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QList<QDateTime>>("transitions");
        QTest::newRow("UTC") << QByteArray("UTC") << QList<QDateTime>{utc(2013, 3, 31, 1)};
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin")
                                << QList<QDateTime>{utc(2013, 3, 31, 1), utc(2013, 10, 27, 1)};
        QTest::newRow("New York") << QByteArray("America/New_York")
                                  << QList<QDateTime>{utc(2013, 3, 10, 7), utc(2013, 11, 3, 6)};
        QTest::newRow("Lord Howe") << QByteArray("Australia/Lord_Howe")
                                   << QList<QDateTime>{utc(2013, 4, 6, 15), utc(2013, 10, 5, 15)};
        QTest::newRow("Apia") << QByteArray("Pacific/Apia") << QList<QDateTime>{utc(2011, 12, 30, 10)};
    }
    void sameAsQDateTime()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QList<QDateTime>, transitions);
        useZone(zone);
        LocalTimeCache times;
        for (quint32 t : probes(transitions)) {
            const QDateTime local = QDateTime::fromSecsSinceEpoch(qint64(t));
            const QString expected = local.toString(Qt::ISODate);
            const QString text = times.isoText(t);
            QVERIFY2(text == expected, qPrintable(QString::number(t) + QLatin1Char(' ') + text));
            // Reading back gives what QDateTime gives; in the hour that a
            // clock change repeats, QDateTime's pick between the two
            // instants depends on the C library's state, so there either
            // instant of that local time is right.
            const QDateTime parsed = QDateTime::fromString(text, Qt::ISODate);
            const quint32 back = parsed.isValid() ? quint32(parsed.toSecsSinceEpoch()) : 0xFFFFFFFFu;
            QVERIFY2(sameLocalTime(times.fromIso(text), back), qPrintable(text));
            const QString date = local.toString(QStringLiteral("dd.MM.yyyy"));
            const QString time = local.toString(QStringLiteral("hh:mm:ss"));
            const QDateTime unit =
                QDateTime::fromString(date + QLatin1Char(' ') + time, QStringLiteral("dd.MM.yyyy hh:mm:ss"));
            QVERIFY2(sameLocalTime(times.fromUnitWords(date, time),
                                   unit.isValid() ? quint32(unit.toSecsSinceEpoch()) : 0xFFFFFFFFu),
                     qPrintable(date + QLatin1Char(' ') + time));
        }
    }

    // Local times a clock change makes ambiguous: one in a gap is the same
    // wall-clock time moved forward by the gap; one in a repeated hour has a
    // first and a second pass.
    void clockChanges_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("local");
        QTest::addColumn<QDateTime>("firstPass");
        QTest::addColumn<QDateTime>("secondPass");
        const auto at = [](int y, int mo, int d, int h, int mi) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC);
        };
        QTest::newRow("Berlin gap") << QByteArray("Europe/Berlin") << "2024-03-31T02:30:00"
                                    << at(2024, 3, 31, 1, 30) << at(2024, 3, 31, 1, 30);
        QTest::newRow("Berlin gap start") << QByteArray("Europe/Berlin") << "2024-03-31T02:00:00"
                                          << at(2024, 3, 31, 1, 0) << at(2024, 3, 31, 1, 0);
        QTest::newRow("Berlin before gap") << QByteArray("Europe/Berlin") << "2024-03-31T01:59:00"
                                           << at(2024, 3, 31, 0, 59) << at(2024, 3, 31, 0, 59);
        QTest::newRow("Berlin repeated") << QByteArray("Europe/Berlin") << "2024-10-27T02:30:00"
                                         << at(2024, 10, 27, 0, 30) << at(2024, 10, 27, 1, 30);
        QTest::newRow("Berlin after repeat") << QByteArray("Europe/Berlin") << "2024-10-27T03:00:00"
                                             << at(2024, 10, 27, 2, 0) << at(2024, 10, 27, 2, 0);
        QTest::newRow("New York gap") << QByteArray("America/New_York") << "2024-03-10T02:15:00"
                                      << at(2024, 3, 10, 7, 15) << at(2024, 3, 10, 7, 15);
        QTest::newRow("New York repeated") << QByteArray("America/New_York") << "2024-11-03T01:15:00"
                                           << at(2024, 11, 3, 5, 15) << at(2024, 11, 3, 6, 15);
        QTest::newRow("Lord Howe half hour") << QByteArray("Australia/Lord_Howe") << "2013-04-07T01:45:00"
                                             << QDateTime(QDate(2013, 4, 6), QTime(14, 45), Qt::UTC)
                                             << QDateTime(QDate(2013, 4, 6), QTime(15, 15), Qt::UTC);
        // Samoa skipped 30 December 2011 whole.
        QTest::newRow("Apia skipped day") << QByteArray("Pacific/Apia") << "2011-12-30T12:00:00"
                                          << at(2011, 12, 30, 22, 0) << at(2011, 12, 30, 22, 0);
        QTest::newRow("UTC") << QByteArray("UTC") << "2024-03-31T02:30:00" << at(2024, 3, 31, 2, 30)
                             << at(2024, 3, 31, 2, 30);
    }
    void clockChanges()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, local);
        QFETCH(QDateTime, firstPass);
        QFETCH(QDateTime, secondPass);
        useZone(zone);
        LocalTimeCache times;
        const quint32 first = quint32(firstPass.toSecsSinceEpoch());
        const quint32 second = quint32(secondPass.toSecsSinceEpoch());
        quint32 other = 0;
        QCOMPARE(times.fromIso(local, &other), first);
        QCOMPARE(other, second);
        const QDateTime fields = QDateTime::fromString(local, Qt::ISODate);
        const QString date = local.mid(8, 2) + QLatin1Char('.') + local.mid(5, 2) + QLatin1Char('.') + local.left(4);
        QCOMPARE(times.fromUnitWords(date, local.mid(11), &other), first);
        QCOMPARE(other, second);
        // As a spreadsheet saves it again: minutes only.
        QCOMPARE(times.fromCsvText(QString(date + QLatin1Char(' ') + local.mid(11, 5)), &other), first);
        QCOMPARE(other, second);
        // The moved time reads the way it is shown.
        if (first == second && fields.isValid())
            QCOMPARE(times.isoText(first), fields.toString(Qt::ISODate));
    }

    void spreadsheetDates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("iso");
        QTest::newRow("minutes") << "27.10.2024 14:30" << "2024-10-27T14:30:00";
        QTest::newRow("seconds") << "27.10.2024 14:30:59" << "2024-10-27T14:30:59";
        QTest::newRow("one-digit day, hour") << "7.3.2024 8:05" << "2024-03-07T08:05:00";
        QTest::newRow("blank minute") << "27.10.2024 14:3" << "";
        QTest::newRow("two-digit year") << "27.10.24 14:30" << "";
        QTest::newRow("no time") << "27.10.2024" << "";
        QTest::newRow("hour 24") << "27.10.2024 24:00" << "";
        QTest::newRow("30 February") << "30.02.2024 12:00" << "";
        QTest::newRow("trailing junk") << "27.10.2024 14:30x" << "";
        QTest::newRow("ISO as exported") << "2024-10-27T14:30:00" << "2024-10-27T14:30:00";
    }
    void spreadsheetDates()
    {
        QFETCH(QString, text);
        QFETCH(QString, iso);
        useZone("Europe/Berlin");
        LocalTimeCache times;
        const quint32 expected = iso.isEmpty() ? LocalTimeCache::invalidTime : times.fromIso(iso);
        QVERIFY(iso.isEmpty() || expected != LocalTimeCache::invalidTime);
        QCOMPARE(times.fromCsvText(text), expected);
    }

    void malformedTexts()
    {
        useZone("Europe/Berlin");
        LocalTimeCache times;
        for (const char* text : {"", "2013-02-30T12:00:00", "2013-13-01T00:00:00", "2013-01-01T25:00:00",
                                 "x013-01-01T00:00:00", "2013-01-01 12:00:00", "2013-01-01T12:00:00.500"}) {
            const QDateTime parsed = QDateTime::fromString(QLatin1String(text), Qt::ISODate);
            const quint32 expected = parsed.isValid() ? quint32(parsed.toSecsSinceEpoch()) : 0xFFFFFFFFu;
            QVERIFY2(times.fromIso(QString::fromLatin1(text)) == expected, text);
        }
        QCOMPARE(times.fromUnitWords(u"31.02.2013", u"12:00:00"), LocalTimeCache::invalidTime);
        QCOMPARE(times.fromUnitWords(u"31.12.2013", u"24:00:00"), LocalTimeCache::invalidTime);
        QCOMPARE(times.fromUnitWords(u"garbage", u"12:00:00"), LocalTimeCache::invalidTime);
    }
};

QTEST_GUILESS_MAIN(TestFileTime)
#include "tst_filetime.moc"
