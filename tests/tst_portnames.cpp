// Port names as the user picks them, turned into the device path the port
// opens, by the rules of both platforms (the Windows rules are tested here
// on any machine); and which folder and which links may put a simulated
// unit's name into the port list.
#include "comm/com_portnames.h"
#include "comm/com_simlinks.h"
#include "sim_rawline.h"

#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// Another local user's id; changing an owner needs root, so rows that play
// another user are skipped otherwise.
constexpr uid_t otherUser = 65534;

bool makeFolder(const QString& path, mode_t mode)
{
    return ::mkdir(QFile::encodeName(path).constData(), mode) == 0
           && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}
#endif

} // namespace

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
        QCOMPARE(COM_PortNames::devicePathFor(name, true), path);
    }

    void windowsNameAndPrefixedNameAreTheSameDevice()
    {
        const QString bare = COM_PortNames::devicePathFor(QStringLiteral("COM3"), true);
        const QString prefixed = COM_PortNames::devicePathFor(QStringLiteral("\\\\.\\COM3"), true);
        QCOMPARE(bare, prefixed);
        // Exactly one prefix, however often the path goes through the rule.
        QCOMPARE(COM_PortNames::devicePathFor(bare, true), bare);
        QCOMPARE(bare.count(QStringLiteral("\\\\.\\")), 1);
        QVERIFY(!bare.contains(QLatin1Char('/')));
    }

    void windowsRulesDoNotApplyUnixPrefix()
    {
        QCOMPARE(COM_PortNames::devicePathFor(QStringLiteral("ttyS0"), true),
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
        QCOMPARE(COM_PortNames::devicePathFor(name, false), path);
        QCOMPARE(COM_PortNames::devicePathFor(path, false), path);
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
            QCOMPARE(COM_PortNames::devicePath(name), COM_PortNames::devicePathFor(name, windows));
    }
#ifdef Q_OS_UNIX
    // What the runtime folder and the folder under the temporary folder
    // look like before the simulator announces its line, and where the
    // links go then: "runtime", "temp" or nowhere ("").
    void linkFolderIsPrivate_data()
    {
        QTest::addColumn<QString>("runtime");   // how XDG_RUNTIME_DIR looks
        QTest::addColumn<QString>("temp");      // how the folder under temp looks
        QTest::addColumn<QString>("expected");
        QTest::newRow("own runtime") << "0700" << "missing" << "runtime";
        QTest::newRow("own runtime readable") << "0755" << "missing" << "runtime";
        QTest::newRow("unset") << "unset" << "missing" << "temp";
        QTest::newRow("runtime writable by all") << "0777" << "missing" << "temp";
        QTest::newRow("runtime writable by group") << "0770" << "missing" << "temp";
        QTest::newRow("runtime is a link") << "link" << "missing" << "temp";
        QTest::newRow("runtime of another user") << "other" << "missing" << "temp";
        QTest::newRow("own temp folder, wide mode") << "unset" << "0777" << "temp";
        QTest::newRow("temp name taken by a link") << "unset" << "link" << "";
        QTest::newRow("temp name taken by a file") << "unset" << "file" << "";
        QTest::newRow("temp folder of another user") << "0777" << "other" << "";
    }
    void linkFolderIsPrivate()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, temp);
        QFETCH(QString, expected);
        if ((runtime == "other" || temp == "other") && ::getuid() != 0)
            QSKIP("playing another user needs root");
        QTemporaryDir base;
        QVERIFY(base.isValid());
        const QString elsewhere = base.filePath("elsewhere");
        QVERIFY(makeFolder(elsewhere, 0700));
        const QString tempDir = base.filePath("tmp");
        QVERIFY(makeFolder(tempDir, 01777));
        const QString tempFolder = tempDir + "/kelmora-unitsim-" + QString::number(::getuid());
        QString runtimeDir = base.filePath("run");
        if (runtime == "unset")
            runtimeDir.clear();
        else if (runtime == "link")
            QVERIFY(QFile::link(elsewhere, runtimeDir));
        else
            QVERIFY(makeFolder(runtimeDir, runtime == "other" ? 0700 : mode_t(runtime.toUInt(nullptr, 8))));
        if (runtime == "other")
            QVERIFY(::chown(QFile::encodeName(runtimeDir).constData(), otherUser, otherUser) == 0);
        if (temp == "link")
            QVERIFY(QFile::link(elsewhere, tempFolder));
        else if (temp == "file")
            QVERIFY(QFile(tempFolder).open(QIODevice::WriteOnly));
        else if (temp != "missing")
            QVERIFY(makeFolder(tempFolder, temp == "other" ? 0777 : mode_t(temp.toUInt(nullptr, 8))));
        if (temp == "other")
            QVERIFY(::chown(QFile::encodeName(tempFolder).constData(), otherUser, otherUser) == 0);

        // The scan never creates anything; before the simulator has made
        // its folder it finds none (a link, a shared or a foreign folder
        // neither).
        QCOMPARE(simlinks::linkFolderIn(runtimeDir, tempDir, false), QString());
        const QString folder = simlinks::linkFolderIn(runtimeDir, tempDir, true);
        if (expected == "runtime")
            QCOMPARE(folder, runtimeDir + "/kelmora-unitsim");
        else if (expected == "temp")
            QCOMPARE(folder, tempFolder);
        else
            QCOMPARE(folder, QString());
        if (!folder.isEmpty()) {
            QCOMPARE(modeOf(folder), mode_t(0700));
            QVERIFY(!QFileInfo(folder).isSymLink());
            QCOMPARE(simlinks::linkFolderIn(runtimeDir, tempDir, false), folder);
        }
        // Nothing was made inside a folder that is not ours.
        QVERIFY(QDir(elsewhere).isEmpty());
        if (temp == "other")
            QCOMPARE(modeOf(tempFolder), mode_t(0777));
    }

    void scanFollowsLinksOnlyToPseudoTerminals()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        RawLine peer;
        QVERIFY(peer.openPeer());
        QVERIFY(peer.devicePath().startsWith("/dev/pts/"));
        // Link names carry a running process; these three always run.
        const qint64 self = QCoreApplication::applicationPid();
        const auto linkTo = [&folder](const QString& target, qint64 pid) {
            return QFile::link(target, folder.filePath(simlinks::linkName(pid)));
        };
        QVERIFY(linkTo(peer.devicePath(), self));
        QVERIFY(linkTo("/dev/null", 1));
        QVERIFY(linkTo("/dev/pts/../null", qint64(::getppid())));
        QCOMPARE(simlinks::runningUnitsIn(folder.path()), QStringList{peer.devicePath()});

        // The multiplexer and a pipe are no units either.
        QVERIFY(QFile::remove(folder.filePath(simlinks::linkName(1))));
        QVERIFY(linkTo("/dev/pts/ptmx", 1));
        const QString fifo = folder.filePath("fifo");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QVERIFY(QFile::remove(folder.filePath(simlinks::linkName(::getppid()))));
        QVERIFY(linkTo(fifo, qint64(::getppid())));
        QCOMPARE(simlinks::runningUnitsIn(folder.path()), QStringList{peer.devicePath()});
        QVERIFY(simlinks::runningUnitsIn(QString()).isEmpty());
    }
#endif
};

QTEST_GUILESS_MAIN(TestPortNames)
#include "tst_portnames.moc"
