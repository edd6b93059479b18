// Port names as the user picks them, turned into the device path the port
// opens, by the rules of both platforms (the Windows rules are tested here
// on any machine).
#include "comm/com_serialport.h"

#include <QtTest>

class TestPortNames : public QObject
{
    Q_OBJECT

private slots:
    void windowsPrefixesBareNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("COM1") << QStringLiteral("COM1") << QStringLiteral("\\\\.\\COM1");
        QTest::newRow("COM3") << QStringLiteral("COM3") << QStringLiteral("\\\\.\\COM3");
        // Two-digit ports cannot be opened without the device namespace.
        QTest::newRow("COM10") << QStringLiteral("COM10") << QStringLiteral("\\\\.\\COM10");
        QTest::newRow("COM255") << QStringLiteral("COM255") << QStringLiteral("\\\\.\\COM255");
        QTest::newRow("prefixed") << QStringLiteral("\\\\.\\COM3") << QStringLiteral("\\\\.\\COM3");
    }
    void windowsPrefixesBareNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(COM_SerialPort::devicePathFor(name, true), path);
    }

    void windowsNameAndPrefixedNameAreTheSameDevice()
    {
        const QString bare = COM_SerialPort::devicePathFor(QStringLiteral("COM3"), true);
        const QString prefixed = COM_SerialPort::devicePathFor(QStringLiteral("\\\\.\\COM3"), true);
        QCOMPARE(bare, prefixed);
        // Exactly one prefix, however often the path goes through the rule.
        QCOMPARE(COM_SerialPort::devicePathFor(bare, true), bare);
        QCOMPARE(bare.count(QStringLiteral("\\\\.\\")), 1);
        QVERIFY(!bare.contains(QLatin1Char('/')));
    }

    void windowsRulesDoNotApplyUnixPrefix()
    {
        QCOMPARE(COM_SerialPort::devicePathFor(QStringLiteral("ttyS0"), true),
                 QStringLiteral("\\\\.\\ttyS0"));
    }

    void unixPrefixesBareNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("ttyS0") << QStringLiteral("ttyS0") << QStringLiteral("/dev/ttyS0");
        QTest::newRow("ttyUSB1") << QStringLiteral("ttyUSB1") << QStringLiteral("/dev/ttyUSB1");
        QTest::newRow("pts") << QStringLiteral("pts/4") << QStringLiteral("/dev/pts/4");
        QTest::newRow("full") << QStringLiteral("/dev/ttyACM0") << QStringLiteral("/dev/ttyACM0");
        QTest::newRow("elsewhere") << QStringLiteral("/run/kelmora/unit") << QStringLiteral("/run/kelmora/unit");
    }
    void unixPrefixesBareNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(COM_SerialPort::devicePathFor(name, false), path);
        QCOMPARE(COM_SerialPort::devicePathFor(path, false), path);
    }

    void devicePathFollowsTheBuildPlatform()
    {
#ifdef Q_OS_WIN
        const bool windows = true;
#else
        const bool windows = false;
#endif
        for (const QString& name : {QStringLiteral("COM3"), QStringLiteral("\\\\.\\COM3"),
                                    QStringLiteral("ttyS1"), QStringLiteral("/dev/ttyS1")})
            QCOMPARE(COM_SerialPort::devicePath(name), COM_SerialPort::devicePathFor(name, windows));
    }
};

QTEST_GUILESS_MAIN(TestPortNames)
#include "tst_portnames.moc"
