// The visit report from the window: what was done to the unit, the sides
// and their downloads, written through the Home page's report button.
#include "window_fixture.h"

#include "app/unitchangelog.h"

class TestWindowReport : public WindowTestFixture
{
    Q_OBJECT

private Q_SLOTS:
    // The window keeps what was done to the unit as values and hands them,
    // with the downloaded side, to the visit report it writes.
    void visitReportKeepsWhatWasDone()
    {
        resetSideStorage();
        testUnit.serialNumber = 4321;
        connectWindow();
        window->operationModeReset(true);
        window->pulseInputSet(false);
        SideDownload complete;
        complete.side = 'A';
        complete.outcome = SideOutcome::Complete;
        complete.requested = complete.received = 5;
        complete.recordsReplaced = true;
        window->historyDownloaded(complete, SideDownload());
        installRecords('A', 5, 1);
        window->dataReady(sideARecords, &sideACount, APP_KelmoraDataReader::DataDelivered);
        disconnectWindow();
        QVERIFY(!child<QPushButton>("reportButton")->isHidden());
        QVERIFY(table('A')->findChild<QPushButton*>(QStringLiteral("reportButton")));

        const VisitReport report = window->visitReport();
        QCOMPARE(report.unit.serialNumber, 4321);
        QCOMPARE(report.sides.size(), 1);
        QCOMPARE(report.sides.first().records.size(), 5);
        QCOMPARE(report.sides.first().download.outcome, SideOutcome::Complete);
        QVERIFY(report.downloadTime.isValid());
        QCOMPARE(report.actions.size(), 2);
        QCOMPARE(report.actions.at(0).kind, VisitAction::ModeReset);
        QVERIFY(report.actions.at(0).succeeded);
        QCOMPARE(report.actions.at(1).kind, VisitAction::PulseInput);
        QVERIFY(!report.actions.at(1).succeeded);

        // The Home page's button: technician and site, then the file.
        const QString pdf = dir.filePath(QStringLiteral("visit.pdf"));
        answerer->clear();
        answerer->technician = QStringLiteral("Jo");
        answerer->site = QStringLiteral("Depot");
        answerer->filePath = pdf;
        child<QPushButton>("reportButton")->click();
        answerer->technician = QString();
        answerer->filePath = QString();
        QCOMPARE(answerer->reportDialogs, 1);
        QCOMPARE(answerer->fileDialogs, 1);
        QFile written(pdf);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.read(5) == "%PDF-");
        QVERIFY(logText().contains(numberedText(ReportText::saved)));
        QCOMPARE(rememberedTechnician(), QStringLiteral("Jo"));
        QCOMPARE(rememberedSite(), QStringLiteral("Depot"));
        QVERIFY(!window->writeVisitReport(dir.filePath(QStringLiteral("no/dir/visit.pdf")), QString(), QString()));
        QVERIFY(logText().contains(numberedText(ReportText::saveFailed)));
        resetSideStorage();
    }

    // Each change keeps what was asked for and what the unit reported back.
    void unitChangeLogKeepsReadBackValues_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("succeeded");
        QTest::addColumn<int>("newPulseInput");
        QTest::addColumn<qint64>("clockSecs");
        QTest::newRow("pulse input read back") << int(VisitAction::PulseInput) << true << 55 << qint64(0);
        QTest::newRow("pulse input refused") << int(VisitAction::PulseInput) << false << 60 << qint64(0);
        QTest::newRow("clock read back") << int(VisitAction::ClockSet) << true << 60 << qint64(1700000007);
    }
    void unitChangeLogKeepsReadBackValues()
    {
        QFETCH(int, kind);
        QFETCH(bool, succeeded);
        QFETCH(int, newPulseInput);
        QFETCH(qint64, clockSecs);
        UnitChangeLog changes;
        VisitAction asked;
        asked.kind = VisitAction::Kind(kind);
        asked.oldPulseInput = 40;
        asked.newPulseInput = 60;
        asked.clock = QDateTime::fromSecsSinceEpoch(1700000000);
        changes.begin(asked);
        if (clockSecs > 0)
            changes.clockReadBack(QDateTime::fromSecsSinceEpoch(clockSecs));
        changes.finish(asked.kind, succeeded, 55);
        QCOMPARE(changes.changes().size(), 1);
        const VisitAction done = changes.changes().first();
        QCOMPARE(done.succeeded, succeeded);
        QCOMPARE(done.oldPulseInput, 40);
        QCOMPARE(done.newPulseInput, newPulseInput);
        if (clockSecs > 0)
            QCOMPARE(done.clock.toSecsSinceEpoch(), clockSecs);
        changes.clear();
        QVERIFY(changes.changes().isEmpty());
    }
};

QTEST_MAIN(TestWindowReport)
#include "tst_windowreport.moc"
