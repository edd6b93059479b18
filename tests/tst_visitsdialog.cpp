// The Visits dialog of the Home page on a prepared archive, in the window.
#include "window_fixture.h"

class TestVisitsDialog : public WindowTestFixture
{
    Q_OBJECT

private Q_SLOTS:
    // The Visits dialog of the Home page: the archive's units, the chosen
    // unit's downloads newest first with each side's records, outcome and
    // in-band share and their trend, and a download opened into the window
    // as opening its CSV by hand does.
    void visitsDialogOpensADownload()
    {
        const QString root = dir.filePath(QStringLiteral("visits-archive"));
        QString error;
        QVERIFY2(filesWriteVisitArchive(root, &error), qPrintable(error));
        const QByteArray savedArchive = qgetenv(archiveFolderVariable);
        qputenv(archiveFolderVariable, root.toUtf8());
        resetSideStorage();
        child<QPushButton>("visitsButton")->click();
        GUI_VisitsDialog* dialog = window->visitsDialog();
        QVERIFY(dialog->isVisible());
        auto* units = dialog->findChild<QTreeWidget*>(QStringLiteral("visitUnits"));
        auto* downloads = dialog->findChild<QTreeWidget*>(QStringLiteral("visitDownloads"));
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->listingRunning() && downloads->topLevelItemCount() == 2, 5000);
        QCOMPARE(units->topLevelItemCount(), 3);
        QCOMPARE(units->topLevelItem(2)->text(0), QStringLiteral("4711"));
        QCOMPARE(units->topLevelItem(2)->text(2), QStringLiteral("3"));
        // A header click sorts by the serial number, not by its text.
        units->sortByColumn(0, Qt::DescendingOrder);
        QCOMPARE(units->topLevelItem(0)->text(0), QStringLiteral("4711"));
        QCOMPARE(units->topLevelItem(2)->text(0), QStringLiteral("99"));
        units->sortByColumn(0, Qt::AscendingOrder);
        auto* problems = dialog->findChild<QPlainTextEdit*>(QStringLiteral("visitProblems"));
        QVERIFY(problems->isVisible() && problems->toPlainText().contains(QStringLiteral("20250615-070000Z.json")));

        units->setCurrentItem(units->topLevelItem(2));
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->listingRunning() && downloads->topLevelItemCount() == 3, 5000);
        // Newest first; per side the records, the outcome and the share of
        // the fillings put in that lie within 85-115 %.
        QList<FilesVisit> visits;
        for (const FilesVisit& visit : filesVisits())
            if (visit.unit == QLatin1String("4711"))
                visits.prepend(visit);
        const QStringList outcomes = {numberedText(StatusText::sideComplete), numberedText(StatusText::sideInterrupted),
                                      numberedText(StatusText::sideNoAnswer)};
        for (int row = 0; row < 3; ++row) {
            QTreeWidgetItem* item = downloads->topLevelItem(row);
            const FilesVisitSide& a = visits.at(row).sides.at(0);
            QCOMPARE(item->text(1), QString::number(a.rates.size()));
            QCOMPARE(item->text(2), outcomes.at(int(a.outcome) - 1));
            QCOMPARE(item->text(3), QString::number(filesInBandShare(a.rates) * 100, 'f', 1) + QStringLiteral(" %"));
        }
        QCOMPARE(downloads->topLevelItem(0)->text(4), QString());  // side B not asked for
        QCOMPARE(downloads->topLevelItem(1)->text(6), QStringLiteral("–"));  // no answer, no share
        // Side A's share, highest first: 0.6 (3 of 5), 0.5, 0.0.
        downloads->sortByColumn(3, Qt::DescendingOrder);
        QCOMPARE(downloads->topLevelItem(0)->text(1), QStringLiteral("5"));
        QCOMPARE(downloads->topLevelItem(2)->text(1), QStringLiteral("1"));
        downloads->sortByColumn(0, Qt::DescendingOrder);
        auto trend = [dialog](char side) { return dialog->findChild<GUI_VisitTrend*>(QStringLiteral("visitTrend") + side); };
        QCOMPARE(trend('A')->shares(), (QList<double>{0.5, 0.6, 0.0}));
        QCOMPARE(trend('B')->shares(), (QList<double>{1.0, -1.0, -1.0}));
        // The scale starts a step of ten below the lowest share shown.
        QCOMPARE(trend('A')->scaleBottom(), 0.0);
        QCOMPARE(trend('B')->scaleBottom(), 0.9);

        downloads->setCurrentItem(downloads->topLevelItem(2));
        QCOMPARE(trend('A')->highlightedVisit(), 0);
        // A report of the chosen download, whatever the window holds.
        QSignalSpy report(dialog, &GUI_VisitsDialog::reportRequested);
        const QString pdf = dir.filePath(QStringLiteral("archived-visit.pdf"));
        answerer->technician = QStringLiteral("Jo");
        answerer->filePath = pdf;
        dialog->findChild<QPushButton*>(QStringLiteral("visitReport"))->click();
        answerer->technician = QString();
        answerer->filePath = QString();
        QCOMPARE(report.size(), 1);
        QCOMPARE(report.at(0).at(0).value<ArchivedDownload>().stamp, QStringLiteral("20250610-080000Z"));
        QCOMPARE(answerer->reportDialogs, 1);
        QFile written(pdf);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.read(5) == "%PDF-");
        QVERIFY(logText().contains(numberedText(ReportText::saved)));
        answerer->clear();

        dialog->findChild<QPushButton*>(QStringLiteral("visitOpen"))->click();
        QVERIFY(!dialog->isVisible());
        // As the CSV opened by hand: a summary box per side it holds.
        QCOMPARE(answerer->messages.size(), 2);
        QCOMPARE(answerer->messages.at(0).text, numberedText(105));
        QCOMPARE(answerer->messages.at(0).informative, QStringLiteral("L0T21: 4 L0T20"));
        QCOMPARE(answerer->messages.at(1).informative, QStringLiteral("L0T22: 2 L0T20"));
        QList<double> rates;
        for (int i = 0; i < sideACount; ++i)
            rates << sideARecords[i].ratePercent;
        QCOMPARE(rates, visits.at(2).sides.at(0).rates);
        QCOMPARE(table('A')->sideNote()->text(), QStringLiteral("L0T122: 4711"));
        qputenv(archiveFolderVariable, savedArchive);
        resetSideStorage();
    }
};

QTEST_MAIN(TestVisitsDialog)
#include "tst_visitsdialog.moc"
