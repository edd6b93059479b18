// The window against the simulated unit: pick its port, connect, identify,
// download both sides, and see the tables and charts filled.
#include "reader/app_kelmoradatareader.h"
#include "comm/com_serialport.h"
#include "files/downloadarchive.h"
#include "table/gui_datatable.h"
#include "chart/gui_displaychart.h"
#include "app/gui_downloadprogress.h"
#include "app/gui_kelmoradiagnose.h"
#include "app/gui_portcombobox.h"
#include "sim_unit.h"
#include "files/archivefolder.h"
#include "frame/incrementaltexts.h"
#include "frame/integritytexts.h"
#include "frame/statustexts.h"
#include "frame/texttable.h"
#include "window_dialoganswerer.h"
#include "window_testdata.h"
#include "chart/chartmode.h"
#include "files/csvwriter.h"

#include <QBuffer>
#include <QElapsedTimer>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <sys/stat.h>

class TestEndToEnd : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    DialogAnswerer* answerer = nullptr;
    GUI_KelmoraDiagnose* window = nullptr;
    SimulatedUnit unit;

    template <typename T = QWidget>
    T* child(const char* name)
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QPushButton* button(const char* name) { return child<QPushButton>(name); }

    // The history requests the unit received since the given log entry.
    QStringList historyRequestsSince(int entry) const
    {
        QStringList requests;
        const QList<SimulatedUnit::LogEntry> entries = unit.logEntries();
        for (qsizetype i = entry; i < entries.size(); ++i) {
            if (entries.at(i).command.contains(".HIS"))
                requests.append(QString::fromLatin1(entries.at(i).command));
        }
        return requests;
    }

    QList<int> sideANumbers() const
    {
        QList<int> numbers;
        for (int i = 0; i < sideACount; ++i)
            numbers.append(sideARecords[i].number);
        return numbers;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // The archive of this run, never the user's own.
        qputenv(archiveFolderVariable, dir.filePath(QStringLiteral("archive")).toUtf8());
        // Paced like a 9600-baud line: a history longer than the port's
        // receive ring must arrive the way a real unit sends it.
        QVERIFY2(unit.start({QStringLiteral("--records-a"), QStringLiteral("40"),
                             QStringLiteral("--records-b"), QStringLiteral("25"), QStringLiteral("--snr"),
                             QStringLiteral("40711"), QStringLiteral("--svn"), QStringLiteral("1.35")}),
                 qPrintable(unit.error()));
        answerer = new DialogAnswerer(this);
        window = new GUI_KelmoraDiagnose(nullptr, writeNumberedTextTable(dir.path()));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    void cleanupTestCase()
    {
        window->shutDownLink();
        unit.stop();
    }

    void connectAndIdentify()
    {
        auto* combo = child<GUI_PortComboBox>("portCombo");
        combo->showPopup(); // scans again: the unit started after nothing
        combo->hidePopup();
        int index = combo->findPort(unit.devicePath());
        for (int i = 0; index < 0 && i < combo->count(); ++i)
            if (QFileInfo(combo->portNameAt(i)).canonicalFilePath() == QFileInfo(unit.devicePath()).canonicalFilePath())
                index = i;
        QVERIFY2(index >= 0, qPrintable(unit.devicePath()));
        combo->setCurrentIndex(index);

        button("connectButton")->click();
        QVERIFY(window->port()->isOpen());
        QCOMPARE(button("connectButton")->text(), numberedText(16));
        QVERIFY(!button("connectButton")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(button("connectButton")->isEnabled(), 20000);
        QCOMPARE(button("connectButton")->text(), numberedText(26));
        QVERIFY(child("downloadButton")->isVisible());
        QVERIFY(child("resetModeButton")->isVisible());
        QVERIFY(child("pulseInputCombo")->isVisible()); // software 1.35
        QVERIFY(child<QLabel>("infoValuesLabel")->text().startsWith(QStringLiteral("40711\r\n")));
        QVERIFY(child<QLabel>("infoValuesLabel")->text().contains(QStringLiteral("1.35\r\n")));
        QVERIFY(!child<QTextEdit>("logView")->toPlainText().isEmpty()); // reply lines echoed
    }

    // The pulse-input list shows the unit's own value, not its first entry,
    // and nothing that changes the unit goes out before a yes.
    void unitWritesWaitForAYes_data()
    {
        QTest::addColumn<QByteArray>("buttonName");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("pulse input, no") << QByteArray("setPulseInputButton") << 1 << QByteArray("RXP.C.IMP");
        QTest::newRow("reset, no") << QByteArray("resetModeButton") << 1 << QByteArray("RXP.C.BTA");
        QTest::newRow("clock, no") << QByteArray("setTimeButton") << 1 << QByteArray("W;");
        QTest::newRow("pulse input, yes") << QByteArray("setPulseInputButton") << 0 << QByteArray("RXP.C.IMP 33");
    }

    void unitWritesWaitForAYes()
    {
        QFETCH(QByteArray, buttonName);
        QFETCH(int, answer);
        QFETCH(QByteArray, command);
        auto* pulseInput = child<QComboBox>("pulseInputCombo");
        if (QTest::currentDataTag() == QByteArray("pulse input, no"))
            QCOMPARE(pulseInput->currentText(), QStringLiteral("100"));  // the simulated unit's
        pulseInput->setCurrentIndex(pulseInput->findText(QStringLiteral("33")));
        const int logBefore = int(unit.logEntries().size());
        answerer->clear();
        answerer->messageAnswer = answer;
        button(buttonName.constData())->click();
        QCOMPARE(answerer->messages.size(), 1);
        answerer->messageAnswer = 0;
        QTRY_VERIFY_WITH_TIMEOUT(!window->reader()->isRunning(), 15000);
        QTest::qWait(answer == 1 ? 400 : 0);  // room for a command that should not come
        QList<QByteArray> sent;
        for (const SimulatedUnit::LogEntry& entry : unit.logEntries().mid(logBefore))
            sent.append(entry.command);
        const bool written = std::any_of(sent.cbegin(), sent.cend(),
                                         [&](const QByteArray& c) { return c.startsWith(command); });
        QCOMPARE(written, answer == 0);
        if (answer == 0) {
            // What the unit reports afterwards is shown, in the list too.
            QTRY_COMPARE(pulseInput->currentText(), QStringLiteral("33"));
            QCOMPARE(window->connectedUnit().pulseInput, 33);
            QVERIFY(child<QTextEdit>("logView")->toPlainText().contains(numberedText(IntegrityText::pulseInputSet)));
        }
    }

    void downloadBothSides()
    {
        auto* progress = child<GUI_DownloadProgress>("downloadProgress");
        bool progressSeen = false;
        // Connected for this test only: later downloads must not write into
        // this function's finished frame.
        QObject progressContext;
        connect(window->reader(), &APP_KelmoraDataReader::historyProgress, &progressContext,
                [&] { progressSeen = progressSeen || progress->isVisible(); });
        answerer->clear();
        answerer->recordCount = 30;
        button("downloadButton")->click();
        QCOMPARE(answerer->recordCountDialogs, 1);
        QVERIFY(window->operationRunning());
        // Refused while the reader runs: no second question.
        button("downloadButton")->click();
        QCOMPARE(answerer->recordCountDialogs, 1);

        QTRY_COMPARE_WITH_TIMEOUT(answerer->messages.size(), 1, 60000);
        QCOMPARE(answerer->messages.at(0).text, numberedText(105));
        QCOMPARE(answerer->messages.at(0).informative, QStringLiteral("L0T21: 30 L0T20\r\n\r\nL0T22: 25 L0T20"));
        QVERIFY(progressSeen);
        QTRY_VERIFY_WITH_TIMEOUT(!window->reader()->isRunning(), 10000);
        QTRY_VERIFY(progress->isHidden());

        auto* tableA = child<GUI_DataTable>("tableA");
        auto* tableB = child<GUI_DataTable>("tableB");
        QCOMPARE(tableA->table()->rowCount(), 30);
        QCOMPARE(tableB->table()->rowCount(), 25);
        QCOMPARE(tableA->table()->columnCount(), 13);
        QCOMPARE(child<QTabWidget>("tabs")->currentIndex(), 2);
        auto* chartA = child<GUI_DisplayChart>("chartA");
        auto* chartB = child<GUI_DisplayChart>("chartB");
        QCOMPARE(chartA->drawingOrderCount(), 30);
        QCOMPARE(chartB->drawingOrderCount(), 25);
        QVERIFY(chartA->picture() && !chartA->picture()->isNull());
        QVERIFY(chartA->header()->isVisible());
        // The table shows what the unit sent: every record number of side A.
        const QJsonObject sent = unit.jsonDump();
        QVERIFY(!sent.isEmpty());
        QSet<int> numbers;
        for (int row = 0; row < 30; ++row)
            numbers << tableA->table()->item(row, 0)->data(Qt::EditRole).toInt();
        QCOMPARE(numbers.size(), 30);
        for (int i = 0; i < 30; ++i)
            QVERIFY(numbers.contains(sideARecords[i].number));
    }

    // Both sides lie in the archive as they arrived, and the log says where.
    void downloadWasArchived()
    {
        const QList<ArchiveEntry> entries =
            listArchive(dir.filePath(QStringLiteral("archive")), QStringLiteral("40711"));
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).side, 'A');
        QCOMPARE(entries.at(0).records, 30);
        QCOMPARE(entries.at(1).records, 25);
        QCOMPARE(outcomeName(entries.at(1)), QStringLiteral("complete"));
        QVERIFY(QFileInfo(entries.at(0).csvPath).isFile());
        const std::optional<ArchivedSide> sideA = newestArchivedSide(dir.filePath(QStringLiteral("archive")), 40711, 'A');
        QVERIFY(sideA.has_value());
        QCOMPARE(sideA->records.size(), 30);
        for (int i = 0; i < 30; ++i)
            QCOMPARE(sideA->records.at(i).number, sideARecords[i].number);
        QVERIFY(child<QTextEdit>("logView")->toPlainText().contains(numberedText(159)));
    }

    // The same unit again with nothing new: each side asks for its newest
    // record only, shows the same records, and the log says where they came
    // from. Ticked, Full download asks for the whole count, and stays ticked.
    void secondDownloadBuildsOnTheArchive()
    {
        auto* full = window->fullDownloadOption();
        QVERIFY(!full->isHidden());  // beside the download button, whatever page is shown
        QCOMPARE(full->text(), numberedText(IncrementalText::fullDownloadOption));
        full->setChecked(false);
        const QList<int> before = sideANumbers();
        const int logBefore = int(unit.logEntries().size());
        // A pipe named as a later download, which no reader may wait on:
        // left out and said, the download goes on from the real archive.
        const QString pipe = dir.filePath(QStringLiteral("archive/40711/20300101-000000Z-A.txt"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        answerer->clear();
        answerer->recordCount = 30;
        button("downloadButton")->click();
        QTRY_VERIFY(child<QTextEdit>("logView")->toPlainText().contains(QStringLiteral("not a regular file")));
        QTRY_COMPARE_WITH_TIMEOUT(answerer->messages.size(), 1, 30000);
        QVERIFY(QFile::remove(pipe));
        // Side A's records all came from the archive; side B's 25 cannot
        // make up 30 and are read whole.
        QCOMPARE(answerer->messages.at(0).informative,
                 QStringLiteral("L0T21: 30 L0T20, L0T184\r\n\r\nL0T22: 25 L0T20"));
        QTRY_VERIFY_WITH_TIMEOUT(!window->reader()->isRunning(), 10000);
        QCOMPARE(historyRequestsSince(logBefore), (QStringList{QStringLiteral("GET.A.HIS1"), QStringLiteral("GET.B.HIS1"),
                                                               QStringLiteral("GET.B.HIS30")}));
        QCOMPARE(sideANumbers(), before);
        QCOMPARE(child<GUI_DataTable>("tableA")->table()->rowCount(), 30);
        QVERIFY(child<QTextEdit>("logView")->toPlainText().contains(numberedText(IncrementalText::newAndArchived)));

        full->setChecked(true);
        QCOMPARE(toolSetting("download/full"), QStringLiteral("true"));
        const int fullFrom = int(unit.logEntries().size());
        answerer->clear();
        button("downloadButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(answerer->messages.size(), 1, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(!window->reader()->isRunning(), 10000);
        QCOMPARE(historyRequestsSince(fullFrom), (QStringList{QStringLiteral("GET.A.HIS30"), QStringLiteral("GET.B.HIS30")}));
        QCOMPARE(sideANumbers(), before);
        full->setChecked(false);
        QCOMPARE(toolSetting("download/full"), QStringLiteral("false"));
    }

    // An archive that cannot be written leaves the download whole and is
    // said once.
    void unwritableArchiveIsSaidOnce()
    {
        QFile blocker(dir.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv(archiveFolderVariable, (blocker.fileName() + QStringLiteral("/archive")).toUtf8());
        answerer->clear();
        answerer->recordCount = 5;
        button("downloadButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(answerer->messages.size(), 1, 60000);
        QCOMPARE(answerer->messages.at(0).text, numberedText(105));
        QTRY_VERIFY_WITH_TIMEOUT(!window->reader()->isRunning(), 10000);
        QCOMPARE(child<GUI_DataTable>("tableA")->table()->rowCount(), 5);
        QCOMPARE(child<GUI_DataTable>("tableB")->table()->rowCount(), 5);
        QTRY_VERIFY(child<QTextEdit>("logView")->toPlainText().contains(numberedText(158)));
        QCOMPARE(child<QTextEdit>("logView")->toPlainText().count(numberedText(158)), 1);
        QVERIFY(!QFileInfo::exists(blocker.fileName() + QStringLiteral("/archive")));
        qputenv(archiveFolderVariable, dir.filePath(QStringLiteral("archive")).toUtf8());
    }

    void disconnect()
    {
        child<QTabWidget>("tabs")->setCurrentIndex(0);
        button("connectButton")->click();
        QVERIFY(!window->port()->isOpen());
        QCOMPARE(button("connectButton")->text(), numberedText(14));
        QVERIFY(!child("downloadButton")->isVisible());
        QVERIFY(!child("infoNamesLabel")->isVisible());
        QCOMPARE(child<QTextEdit>("logView")->toPlainText(), QString());
        // The records stay with their pages.
        QCOMPARE(child<GUI_DataTable>("tableA")->table()->rowCount(), 5);
    }

    // While a connect identifies the unit on the reader thread, the chart
    // paints its info line and the table exports: both use the copy of the
    // unit their records came with (the thread sanitizer build checks that
    // nothing the reader writes is read meanwhile).
    void paintAndExportDuringAConnect()
    {
        auto* tableA = child<GUI_DataTable>("tableA");
        auto* chartA = child<GUI_DisplayChart>("chartA");
        QCOMPARE(tableA->recordOrigin().unit.serialNumber, 40711);
        button("connectButton")->click();
        QVERIFY(window->reader()->isRunning());
        int rounds = 0;
        QElapsedTimer clock;
        clock.start();
        while (window->reader()->isRunning() && clock.elapsed() < 20000) {
            const int painted = chartA->paintedDrawings();
            chartA->redrawData(chartRangeMin, chartRangeMax, OrderReverse, true);
            QCOMPARE(chartA->paintedDrawings(), painted + 1);
            QBuffer csv;
            csv.open(QIODevice::WriteOnly);
            QTextStream stream(&csv);
            QVERIFY(writeCsv(stream, tableA->exportContent(true, true)));
            QVERIFY(csv.data().contains("\r\n" + numberedText(122).toUtf8() + ";40711\r\n"));
            QTest::qWait(5);
            ++rounds;
        }
        QVERIFY(rounds > 1);
        QTRY_VERIFY_WITH_TIMEOUT(button("connectButton")->isEnabled(), 20000);
        QCOMPARE(button("connectButton")->text(), numberedText(26));
        QCOMPARE(window->reader()->identity().serialNumber, 40711);
        button("connectButton")->click();  // back to disconnected
        QCOMPARE(button("connectButton")->text(), numberedText(14));
    }

    // Disconnect and Connect again within 100 ms while both sides come in:
    // the Connect is taken, the window is connected again, the old download
    // says it was interrupted, and after the Disconnect the unit hears
    // nothing but the new connection's identification.
    void quickReconnectDuringADownload()
    {
        button("connectButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(button("connectButton")->isEnabled(), 20000);
        QCOMPARE(window->linkState(), GUI_KelmoraDiagnose::LinkState::Connected);
        answerer->clear();
        answerer->recordCount = 40;
        int linesA = 0;
        QObject progressContext;
        connect(window->reader(), &APP_KelmoraDataReader::historyProgress, &progressContext,
                [&linesA](char side, int, int lines, int) { if (side == 'A') linesA = lines; });
        button("downloadButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(linesA >= 3, 20000);

        const qint64 disconnectedAt = QDateTime::currentMSecsSinceEpoch();
        const int logBefore = int(unit.logEntries().size());
        button("connectButton")->click();  // Disconnect
        QTest::qWait(50);
        QElapsedTimer clock;
        clock.start();
        button("connectButton")->click();  // Connect
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(window->linkState(), GUI_KelmoraDiagnose::LinkState::Connecting);
        QTRY_VERIFY_WITH_TIMEOUT(window->linkState() != GUI_KelmoraDiagnose::LinkState::Connecting, 20000);
        QCOMPARE(window->linkState(), GUI_KelmoraDiagnose::LinkState::Connected);
        QVERIFY(button("connectButton")->isEnabled());
        QVERIFY(!child("downloadButton")->isHidden());

        // The old download ended as interrupted, with what had arrived kept.
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(StatusText::downloadIncomplete));
        QVERIFY(answerer->messages.at(0).informative.contains(numberedText(StatusText::sideInterrupted)));
        QVERIFY(sideACount >= 3 && sideACount < 40);
        QCOMPARE(child<GUI_DataTable>("tableA")->table()->rowCount(), int(sideACount));

        QStringList after;
        const QList<SimulatedUnit::LogEntry> entries = unit.logEntries();
        for (qsizetype i = logBefore; i < entries.size(); ++i) {
            if (entries.at(i).ms >= disconnectedAt)
                after.append(QString::fromLatin1(entries.at(i).command));
        }
        QVERIFY2(!after.isEmpty() && after.first() == QLatin1String("TXP.C.HVN"), qPrintable(after.join(QLatin1Char(' '))));
        for (const QString& command : after)
            QVERIFY2(!command.contains(QLatin1String(".HIS")), qPrintable(command));
    }

    // The cable is pulled during a download: one box says the line is lost
    // and what each side holds, and the window offers Connect again.
    void pulledCableDuringADownload()
    {
        answerer->clear();
        answerer->recordCount = 40;
        int linesA = 0;
        QObject progressContext;
        connect(window->reader(), &APP_KelmoraDataReader::historyProgress, &progressContext,
                [&linesA](char side, int, int lines, int) { if (side == 'A') linesA = lines; });
        button("downloadButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(linesA >= 3, 20000);
        unit.stop();
        // One box: the cause first, then each side.
        QTRY_COMPARE_WITH_TIMEOUT(answerer->messages.size(), 1, 5000);
        QTest::qWait(300);
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(StatusText::downloadIncomplete));
        QVERIFY2(answerer->messages.at(0).informative.startsWith(numberedText(StatusText::lineLost) + QLatin1Char(' ')
                                                                 + numberedText(StatusText::checkCable)),
                 qPrintable(answerer->messages.at(0).informative));
        QVERIFY(answerer->messages.at(0).informative.contains(numberedText(21) + QStringLiteral(": ")));
        QCOMPARE(window->linkState(), GUI_KelmoraDiagnose::LinkState::NotConnected);
        QCOMPARE(button("connectButton")->text(), numberedText(14));
        QVERIFY(button("connectButton")->isEnabled());
        QVERIFY(child("downloadButton")->isHidden());
        QVERIFY(!window->reader()->isRunning());
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
