// The main window and the line: the port list, connect and disconnect, a
// lost line, presses during an operation, the clock field, the download's
// progress and outcome, and the close question.
#include "comm/com_portnames.h"
#include "window_fixture.h"

class TestWindowLink : public WindowTestFixture
{
    Q_OBJECT

private Q_SLOTS:
    void shortPortNameIsNotOpened()
    {
        auto* combo = child<GUI_PortComboBox>("portCombo");
        combo->setScanner([] { return QStringList{QStringLiteral("COM")}; });
        combo->rescan();
        QCOMPARE(combo->currentText(), QStringLiteral("COM"));
        log()->clear();
        child<QPushButton>("connectButton")->click();
        QVERIFY(!window->port()->isOpen());
        QCOMPARE(logText(), QString());
        QVERIFY(child<QPushButton>("connectButton")->isEnabled());
    }

    void failedOpenIsLogged()
    {
        auto* combo = child<GUI_PortComboBox>("portCombo");
        combo->setScanner([] { return QStringList{QStringLiteral("ttyKELMORA-NONE")}; });
        combo->rescan();
        log()->clear();
        child<QPushButton>("connectButton")->click();
        QVERIFY(!window->port()->isOpen());
        QCOMPARE(logText(), numberedText(10));
        QCOMPARE(child<QPushButton>("connectButton")->text(), numberedText(14));
    }

    void portListIsScannedWhenPopupOpens()
    {
        auto* combo = child<GUI_PortComboBox>("portCombo");
        QStringList ports{QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0")};
        combo->setScanner([&ports] { return ports; });
        combo->rescan();
        combo->setCurrentIndex(1);
        ports.prepend(QStringLiteral("ttyACM0")); // an adapter plugged in
        combo->showPopup();
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(0), QStringLiteral("ttyACM0"));
        QCOMPARE(combo->currentText(), QStringLiteral("ttyUSB0")); // the choice stays
        combo->hidePopup();
        ports = QStringList{};
        combo->showPopup();
        combo->hidePopup();
        QCOMPARE(combo->count(), 0);
        combo->setScanner(&COM_PortNames::scanPorts);
    }

    void preferredPortIsChosenFirst_data()
    {
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QStringList>("simulated");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("bare ports only") << QStringList{"ttyS0", "ttyS1"} << QStringList{} << "ttyS0";
        QTest::newRow("adapter after bare ports")
            << QStringList{"ttyS0", "ttyS1", "ttyUSB0"} << QStringList{} << "ttyUSB0";
        QTest::newRow("acm adapter") << QStringList{"ttyS0", "ttyACM0"} << QStringList{} << "ttyACM0";
        QTest::newRow("simulated after bare ports")
            << QStringList{"ttyS0", "ttyS31", "/dev/pts/3"} << QStringList{"/dev/pts/3"} << "/dev/pts/3";
        QTest::newRow("adapter over simulated")
            << QStringList{"ttyS0", "ttyUSB1", "/dev/pts/3"} << QStringList{"/dev/pts/3"} << "ttyUSB1";
        QTest::newRow("unlisted unit is no choice")
            << QStringList{"ttyS0"} << QStringList{"/dev/pts/9"} << "ttyS0";
        QTest::newRow("windows names") << QStringList{"COM1", "COM3"} << QStringList{} << "COM1";
        QTest::newRow("nothing") << QStringList{} << QStringList{} << "";
    }
    void preferredPortIsChosenFirst()
    {
        QFETCH(QStringList, ports);
        QFETCH(QStringList, simulated);
        QFETCH(QString, chosen);
        auto* combo = child<GUI_PortComboBox>("portCombo");
        combo->setScanner([] { return QStringList{}; });
        combo->rescan();                                  // forget the last choice
        combo->setScanner([ports] { return ports; });
        combo->setSimulatedUnits([simulated] { return simulated; });
        combo->rescan();
        QCOMPARE(combo->currentPortName(), chosen);
        QCOMPARE(combo->count(), ports.size());
        combo->setScanner(&COM_PortNames::scanPorts);
        combo->setSimulatedUnits(&simlinks::runningUnits);
    }

    void simulatedUnitIsNamedButOpenedByItsPath()
    {
        RawLine unitLine;
        QVERIFY(unitLine.openPeer());
        const QString path = unitLine.devicePath();
        auto* combo = child<GUI_PortComboBox>("portCombo");
        combo->setScanner([path] { return QStringList{"ttyS0", path}; });
        combo->setSimulatedUnits([path] { return QStringList{path}; });
        combo->rescan();
        QCOMPARE(combo->itemText(0), QStringLiteral("ttyS0"));
        QCOMPARE(combo->itemText(1), path + " (" + numberedText(GUI_PortComboBox::simulatedUnitText) + ")");
        // The closed field: the path, the mark below it.
        QCOMPARE(combo->currentText(), path);
        QCOMPARE(combo->simulatedUnitMark(), numberedText(GUI_PortComboBox::simulatedUnitText));
        QCOMPARE(combo->currentPortName(), path);
        QCOMPARE(combo->findPort(path), 1);
        QCOMPARE(combo->findPort(combo->itemText(1)), -1);
        // The mark follows the language; the choice stays.
        child<QPushButton>("languageButton4")->click();
        QCOMPARE(combo->itemText(1), path + " (" + numberedText(GUI_PortComboBox::simulatedUnitText, 4) + ")");
        QCOMPARE(combo->simulatedUnitMark(), numberedText(GUI_PortComboBox::simulatedUnitText, 4));
        QCOMPARE(combo->currentPortName(), path);
        child<QPushButton>("languageButton0")->click();
        // A real port carries no mark.
        combo->setCurrentIndex(0);
        QCOMPARE(combo->currentText(), QStringLiteral("ttyS0"));
        QCOMPARE(combo->simulatedUnitMark(), QString());
        combo->setCurrentIndex(1);
        // Connect opens the device path, not the text shown.
        child<QPushButton>("connectButton")->click();
        QVERIFY(window->port()->isOpen());
        QCOMPARE(window->port()->portName(), path);
        window->port()->closePort();
        QTRY_VERIFY_WITH_TIMEOUT(!window->reader()->isRunning(), 10000);
        QTRY_VERIFY(child<QPushButton>("connectButton")->isEnabled());
        combo->setScanner(&COM_PortNames::scanPorts);
        combo->setSimulatedUnits(&simlinks::runningUnits);
    }

    void progressFollowsTheDownload()
    {
        auto* progress = child<GUI_DownloadProgress>("downloadProgress");
        tabs()->setCurrentIndex(0);
        QVERIFY(progress->isHidden());
        emit readerInstance->historyProgress('A', 2400, 30, 200);
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->caption(), QStringLiteral("L0T21: 30 / 200 L0T20"));
        QVERIFY(progress->detail().startsWith(QStringLiteral("2.4 kB")));
        emit readerInstance->historyProgress('B', 800, 10, 200);
        QCOMPARE(progress->caption(), QStringLiteral("L0T22: 10 / 200 L0T20"));
        progress->finish();
        QVERIFY(progress->isHidden());
    }

    void timeLeftEstimate()
    {
        QCOMPARE(GUI_DownloadProgress::secondsLeft(10000, 0, 100), -1);
        QCOMPARE(GUI_DownloadProgress::secondsLeft(100, 10, 100), -1);
        QCOMPARE(GUI_DownloadProgress::secondsLeft(10000, 50, 150), 30);
        QCOMPARE(GUI_DownloadProgress::secondsLeft(10000, 50, 0), 0);
        QCOMPARE(GUI_DownloadProgress::byteText(999), QStringLiteral("999 B"));
        QCOMPARE(GUI_DownloadProgress::byteText(12345), QStringLiteral("12.3 kB"));
        QCOMPARE(GUI_DownloadProgress::byteText(2500000), QStringLiteral("2.5 MB"));
    }

    // The port reports its line gone: the window says so at once and goes
    // back to the not-connected look; a report about an older line is ignored.
    void lostLineIsShownAtOnce()
    {
        setUnit(1.52, 49, QStringLiteral("PCM-7"));
        connectWindow();
        COM_SerialPort* port = window->port();
        emit port->lineLost(port->generation() + 1, QStringLiteral("old line"));
        QTest::qWait(20);
        QCOMPARE(window->linkState(), GUI_KelmoraDiagnose::LinkState::Connected);
        QCOMPARE(answerer->messages.size(), 0);
        emit port->lineLost(port->generation(), QStringLiteral("device gone"));
        QTRY_COMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(StatusText::lineLost));
        QCOMPARE(answerer->messages.at(0).informative, numberedText(StatusText::checkCable));
        QVERIFY(logText().endsWith(numberedText(StatusText::lineLost)));
        QCOMPARE(window->linkState(), GUI_KelmoraDiagnose::LinkState::NotConnected);
        QCOMPARE(child<QPushButton>("connectButton")->text(), numberedText(14));
        QVERIFY(child<QPushButton>("connectButton")->isEnabled());
        QVERIFY(!child("resetModeButton")->isVisible());
        QVERIFY(!child("downloadButton")->isVisible());
        QVERIFY(!child("fullDownloadBox")->isVisible());
        QCOMPARE(child<QLabel>("infoValuesLabel")->text(), QString());
        // A language switch keeps offering Connect.
        child<QPushButton>("languageButton1")->click();
        QCOMPARE(child<QPushButton>("connectButton")->text(), numberedText(14, 1));
    }

    // With the port already closed under it, Disconnect still disconnects
    // instead of trying to connect.
    void disconnectAlwaysDisconnects()
    {
        setUnit(1.52, 49, QStringLiteral("PCM-7"));
        connectWindow();
        QVERIFY(!window->port()->isOpen());
        log()->clear();
        child<QPushButton>("connectButton")->click();
        QCOMPARE(window->linkState(), GUI_KelmoraDiagnose::LinkState::NotConnected);
        QCOMPARE(child<QPushButton>("connectButton")->text(), numberedText(14));
        QVERIFY(!child("setTimeButton")->isVisible());
        QCOMPARE(logText(), QString());  // no connect attempt
    }

    // While an operation runs, every press that has to wait says so; Close
    // asks with the stop warning; a Disconnect ends the operation within a
    // second.
    void pressesDuringAnOperationSpeak()
    {
        ReaderPtyPeer peer;
        if (!peer.start([](ReaderPtyPeer&, const QByteArray&) {}))  // a unit that never answers
            QSKIP(qPrintable(peer.error()));
        QVERIFY(window->port()->openPort(peer.slavePath(), 9600, 1));
        setUnit(1.52, 49, QStringLiteral("PCM-7"));
        connectWindow();
        window->reader()->connectUnit();
        QVERIFY(window->reader()->isRunning());
        log()->clear();
        for (const char* name : {"openFileButton", "downloadButton", "resetModeButton",
                                 "setTimeButton", "setPulseInputButton"}) {
            child<QPushButton>(name)->click();
            QVERIFY2(logText().endsWith(numberedText(StatusText::busy)), name);
        }
        QCOMPARE(logText().count(numberedText(StatusText::busy)), 5);
        QCOMPARE(answerer->fileDialogs, 0);
        QCOMPARE(answerer->recordCountDialogs, 0);

        answerer->messageAnswer = 1;
        QVERIFY(!window->close());
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(StatusText::quitStopsOperation));
        answerer->messageAnswer = 0;

        QElapsedTimer clock;
        clock.start();
        child<QPushButton>("connectButton")->click();  // Disconnect
        QVERIFY(window->reader()->wait(QDeadlineTimer(3000)));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(window->linkState(), GUI_KelmoraDiagnose::LinkState::NotConnected);
        QTest::qWait(50);  // the operation's late result changes nothing
        QCOMPARE(window->linkState(), GUI_KelmoraDiagnose::LinkState::NotConnected);
        QVERIFY(child<QPushButton>("connectButton")->isEnabled());
    }

    // The clock field shows the PC's time as it moves on, keeps what the
    // user set, and follows again after Set clock.
    void clockFieldFollowsThePc()
    {
        const QString minute = QStringLiteral("yyyy-MM-dd HH:mm");
        QDateTime pc(QDate(2025, 6, 2), QTime(9, 15, 0));
        window->setPcClock([&pc] { return pc; });
        QCOMPARE(window->clockFieldTime().toString(minute), QStringLiteral("2025-06-02 09:15"));
        pc = pc.addSecs(60);  // a minute later, say after a download
        QTRY_COMPARE_WITH_TIMEOUT(window->clockFieldTime().toString(minute), QStringLiteral("2025-06-02 09:16"), 3000);

        auto* field = child<QDateTimeEdit>("dateTimeEdit");
        field->setDateTime(QDateTime(QDate(2025, 1, 1), QTime(12, 0)));  // the user's own time
        pc = pc.addSecs(120);
        window->followPcClock();
        QCOMPARE(window->clockFieldTime().toString(minute), QStringLiteral("2025-01-01 12:00"));
        window->timeSet(true);
        QCOMPARE(window->clockFieldTime().toString(minute), QStringLiteral("2025-06-02 09:18"));
        window->setPcClock({});
    }

    // A file opened while connected does not change the unit shown for the
    // line, nor the one whose records a download brings.
    void importWhileConnectedKeepsTheConnectedUnit()
    {
        setUnit(1.52, 49, QStringLiteral("PCM-7"));
        connectWindow();
        const QString values = child<QLabel>("infoValuesLabel")->text();
        const QString path = dir.filePath(QStringLiteral("old-unit.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("A=Nr.7 12:10:00 05.03.2024 1 7 98.5 101.5 17.25 95 3.5 38.75\r\n");
        file.close();
        window->loadDataFile(path);
        QCOMPARE(table('A')->recordOrigin().unit.serialNumber, -1);  // the file's unit is unknown
        answerer->clear();
        UnitIdentity readBack = testUnit;
        readBack.pulseInput = 250;  // as read back from the unit by a Set pulse input
        ReaderTestAccess::publishIdentity(*readerInstance, readBack);
        window->pulseInputSet(true);       // refreshes the unit column
        QCOMPARE(child<QLabel>("infoValuesLabel")->text(), QString(values).replace(QStringLiteral("100 / L"), QStringLiteral("250 / L")));
        QCOMPARE(window->connectedUnit().serialNumber, 40711);
        // The next download's records are the connected unit's.
        SideDownload downloaded;
        downloaded.recordsReplaced = true;
        window->historyDownloaded(downloaded, SideDownload());
        window->dataReady(sideARecords, &sideACount, APP_KelmoraDataReader::DataDelivered);
        QCOMPARE(table('A')->recordOrigin().unit.serialNumber, 40711);
        QCOMPARE(chart('A')->recordOrigin().unit.serialNumber, 40711);
        disconnectWindow();
        resetSideStorage();
    }

    // A download that did not end completely never says "read successfully":
    // one line per side with its counts and how it ended, records listed.
    void incompleteDownloadNamesEachSide()
    {
        resetSideStorage();
        installRecords('A', 44, 1);
        installRecords('B', 3, 100);
        SideDownload a;
        a.side = 'A';
        a.outcome = SideOutcome::Interrupted;
        a.requested = 200;
        a.received = 44;
        SideDownload b;
        b.side = 'B';
        b.outcome = SideOutcome::NoAnswer;
        b.requested = 200;
        window->historyDownloaded(a, b);
        window->dataReady(nullptr, nullptr, APP_KelmoraDataReader::DataIncomplete);
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(StatusText::downloadIncomplete));
        const QString account = answerer->messages.at(0).informative;
        QVERIFY2(account.contains(numberedText(21)) && account.contains(numberedText(StatusText::sideInterrupted)), qPrintable(account));
        QVERIFY2(account.contains(numberedText(22)) && account.contains(numberedText(StatusText::sideNoAnswer)), qPrintable(account));
        QCOMPARE(table('A')->shownRecords(), sideARecords);
        QCOMPARE(table('B')->shownRecords(), sideBRecords);

        // Both sides got no answer: a failure box with the same account.
        answerer->clear();
        a.outcome = SideOutcome::NoAnswer;
        a.received = 0;
        window->historyDownloaded(a, b);
        window->dataReady(nullptr, nullptr, APP_KelmoraDataReader::DataFailed);
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(StatusText::downloadIncomplete));
        QCOMPARE(answerer->messages.at(0).informative.count(numberedText(StatusText::sideNoAnswer)), 2);
        resetSideStorage();
    }

    void closeQuestion()
    {
        answerer->messageAnswer = 1;
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(106));
        QCOMPARE(answerer->messages.at(0).buttons, (QStringList{numberedText(83), numberedText(5)}));
        answerer->messageAnswer = 0;
        QVERIFY(window->close());
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(TestWindowLink)
#include "tst_windowlink.moc"
