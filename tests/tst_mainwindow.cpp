// The main window: layout at two sizes, what is visible in which state, the
// log, the record results, the language switch and the record formats.
#include "window_fixture.h"

class TestMainWindow : public WindowTestFixture
{
    Q_OBJECT

private Q_SLOTS:
    void titleTabsAndMinimumSize()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("KELMORADiagnose v4.6"));
        QCOMPARE(window->minimumSize(), QSize(800, 530));
        QCOMPARE(tabs()->count(), 5);
        const QStringList titles = {QStringLiteral("Home"), QStringLiteral("Table A"), QStringLiteral("Chart A"),
                                    QStringLiteral("Table B"), QStringLiteral("Chart B")};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(tabs()->tabText(i), titles.at(i));
        QVERIFY(qobject_cast<GUI_DataTable*>(tabs()->widget(1)));
        QVERIFY(qobject_cast<GUI_DisplayChart*>(tabs()->widget(2)));
        QVERIFY(qobject_cast<GUI_DataTable*>(tabs()->widget(3)));
        QVERIFY(qobject_cast<GUI_DisplayChart*>(tabs()->widget(4)));
        QCOMPARE(window->reader(), readerInstance);
        QCOMPARE(window->reader()->serialPort(), window->port());
    }

    void layoutAtMinimumSize()
    {
        resizeWindow(800, 530);
        checkGeometry("tabs", QRect(5, 5, 790, 520));
        for (int i = 0; i < 6; ++i)
            checkGeometry(qPrintable(QStringLiteral("languageButton%1").arg(i)), QRect(630 + 28 * i, 10, 24, 24));
        // w = 790, h = 520: the picture is pinned at 140, 60; the names
        // column is not (790 / 2 + 30 = 425 is not below 415).
        checkGeometry("bannerLabel", QRect(640, 10, 1410, 50));
        checkGeometry("pictureLabel", QRect(140, 60, 559, 353));
        checkGeometry("infoNamesLabel", QRect(425, 25, 145, 200));
        checkGeometry("infoValuesLabel", QRect(580, 25, 100, 200));
        checkGeometry("portCombo", QRect(20, 50, 150, 50));
        checkGeometry("connectButton", QRect(20, 110, 150, 50));
        checkGeometry("downloadButton", QRect(20, 170, 150, 50));
        checkGeometry("openFileButton", QRect(20, 420, 150, 50));
        checkGeometry("visitsButton", QRect(20, 360, 150, 50));
        checkGeometry("resetModeButton", QRect(490, 220, 290, 30));
        checkGeometry("dateTimeEdit", QRect(490, 260, 150, 30));
        checkGeometry("setTimeButton", QRect(650, 260, 130, 30));
        checkGeometry("pulseInputCombo", QRect(490, 300, 90, 30));
        checkGeometry("setPulseInputButton", QRect(590, 300, 190, 30));
        checkGeometry("logView", QRect(490, 340, 290, 140));
    }

    void layoutAtLargerSize()
    {
        resizeWindow(1200, 800);
        checkGeometry("tabs", QRect(5, 5, 1190, 790));
        checkGeometry("languageButton0", QRect(1030, 10, 24, 24));
        checkGeometry("languageButton5", QRect(1170, 10, 24, 24));
        checkGeometry("bannerLabel", QRect(1040, 10, 1410, 50));
        checkGeometry("pictureLabel", QRect(335, 190, 559, 353));
        checkGeometry("infoNamesLabel", QRect(625, 160, 145, 200));
        checkGeometry("infoValuesLabel", QRect(780, 160, 100, 200));
        checkGeometry("openFileButton", QRect(20, 690, 150, 50));
        checkGeometry("visitsButton", QRect(20, 630, 150, 50));
        checkGeometry("resetModeButton", QRect(890, 490, 290, 30));
        checkGeometry("dateTimeEdit", QRect(890, 530, 150, 30));
        checkGeometry("setTimeButton", QRect(1050, 530, 130, 30));
        checkGeometry("pulseInputCombo", QRect(890, 570, 90, 30));
        checkGeometry("setPulseInputButton", QRect(990, 570, 190, 30));
        checkGeometry("logView", QRect(890, 610, 290, 140));
        resizeWindow(800, 530);
    }

    void downloadProgressOverlapsNothing()
    {
        for (const QSize& size : {QSize(800, 530), QSize(1000, 700), QSize(1600, 1000)}) {
            resizeWindow(size.width(), size.height());
            const QRect progress = child("downloadProgress")->geometry();
            QVERIFY(progress.width() >= 250);
            for (const char* name : {"pictureLabel", "portCombo", "connectButton", "downloadButton",
                                     "openFileButton", "visitsButton", "resetModeButton", "dateTimeEdit", "setTimeButton",
                                     "pulseInputCombo", "setPulseInputButton", "logView", "infoNamesLabel",
                                     "infoValuesLabel"})
                QVERIFY2(!progress.intersects(child(name)->geometry()), name);
            QVERIFY(child("homePage")->rect().contains(progress));
        }
        resizeWindow(800, 530);
    }

    void visibleAfterConstruction()
    {
        QCOMPARE(tabs()->currentIndex(), 0);
        QCOMPARE(visibleHomeWidgets(), (QStringList{QStringLiteral("bannerLabel"), QStringLiteral("connectButton"),
                                                    QStringLiteral("logView"), QStringLiteral("openFileButton"),
                                                    QStringLiteral("pictureLabel"), QStringLiteral("portCombo"), QStringLiteral("visitsButton")}));
        for (int i = 0; i < 6; ++i)
            QVERIFY(child(qPrintable(QStringLiteral("languageButton%1").arg(i)))->isVisible());
        QCOMPARE(child<QPushButton>("connectButton")->text(), numberedText(14));
        QCOMPARE(child<QPushButton>("openFileButton")->text(), numberedText(109));
        QCOMPARE(child<QPushButton>("visitsButton")->text(), numberedText(VisitText::button));
    }

    void connectionReadyShowsUnit()
    {
        setUnit(1.52, 49, QStringLiteral("PCM-7"));
        connectWindow();
        QCOMPARE(visibleHomeWidgets(),
                 (QStringList{QStringLiteral("bannerLabel"), QStringLiteral("connectButton"),
                              QStringLiteral("dateTimeEdit"), QStringLiteral("downloadButton"),
                              QStringLiteral("fullDownloadBox"),
                              QStringLiteral("infoNamesLabel"), QStringLiteral("infoValuesLabel"),
                              QStringLiteral("logView"), QStringLiteral("openFileButton"),
                              QStringLiteral("pictureLabel"), QStringLiteral("portCombo"),
                              QStringLiteral("pulseInputCombo"), QStringLiteral("resetModeButton"),
                              QStringLiteral("setPulseInputButton"), QStringLiteral("setTimeButton"),
                              QStringLiteral("visitsButton")}));
        QVERIFY(child<QPushButton>("connectButton")->isEnabled());
        QCOMPARE(child<QPushButton>("connectButton")->text(), numberedText(26));
        QCOMPARE(child<QLabel>("infoNamesLabel")->text(),
                 QStringLiteral("L0T122:\r\nL0T53:\r\nL0T131:\r\nL0T100:\r\nL0T102:\r\nL0T18:\r\nPCM:\r\n"));
        QCOMPARE(child<QLabel>("infoValuesLabel")->text(),
                 QStringLiteral("40711\r\n3.2\r\nV1.52\r\n12.34\r\n100 / L\r\n49\r\nPCM-7\r\n"));
    }

    void connectionFailedHidesUnit()
    {
        setUnit(1.52, 49, QStringLiteral("PCM-7"));
        connectWindow();
        disconnectWindow();
        window->showConnecting();
        window->display(QStringLiteral("earlier line"));
        window->connectionReady(false);
        QCOMPARE(visibleHomeWidgets(), (QStringList{QStringLiteral("bannerLabel"), QStringLiteral("connectButton"),
                                                    QStringLiteral("logView"), QStringLiteral("openFileButton"),
                                                    QStringLiteral("pictureLabel"), QStringLiteral("portCombo"), QStringLiteral("visitsButton")}));
        QCOMPARE(child<QPushButton>("connectButton")->text(), numberedText(14));
        QVERIFY(child<QPushButton>("connectButton")->isEnabled());
        QCOMPARE(child<QLabel>("infoNamesLabel")->text(), QString());
        QCOMPARE(logText(), numberedText(145));
        QVERIFY(!window->port()->isOpen());
    }

    void unitInfoOmitsMissingValues()
    {
        setUnit(1.2, -1, QStringLiteral("-1"));
        connectWindow();
        QCOMPARE(child<QLabel>("infoNamesLabel")->text(),
                 QStringLiteral("L0T122:\r\nL0T53:\r\nL0T131:\r\nL0T100:\r\nL0T102:\r\n"));
        QCOMPARE(child<QLabel>("infoValuesLabel")->text(), QStringLiteral("40711\r\n3.2\r\nV1.52\r\n12.34\r\n100 / L\r\n"));
        disconnectWindow();
    }

    // The longest PCM text a unit can send (14 characters) is shown whole,
    // within the page.
    void longPcmIsNotCutOff()
    {
        const QString pcm = QStringLiteral("KLM-PCM 4.2-01");
        setUnit(1.52, 49, pcm);
        connectWindow();
        auto* values = child<QLabel>("infoValuesLabel");
        QVERIFY2(values->contentsRect().width() >= QFontMetrics(values->font()).horizontalAdvance(pcm),
                 qPrintable(QString::number(values->width())));
        QVERIFY(values->geometry().right() < child("homePage")->width());
        disconnectWindow();
    }

    void newerUnitsNeverShowPulseInput()
    {
        QWidget* combo = child("pulseInputCombo");
        QWidget* button = child("setPulseInputButton");
        setUnit(2.0, 49, QStringLiteral("-1"));
        connectWindow();
        QVERIFY(!combo->isVisible() && !button->isVisible());
        QVERIFY(child("downloadButton")->isVisible());
        disconnectWindow();

        setUnit(1.99, 49, QStringLiteral("-1"));
        connectWindow();
        QVERIFY(combo->isVisible() && button->isVisible());
        disconnectWindow();
        QVERIFY(!combo->isVisible() && !button->isVisible());
        // A newer unit identified on the next connect.
        testUnit.softwareVersionNumber = 2.5;
        connectWindow();
        QVERIFY(!combo->isVisible() && !button->isVisible());
        disconnectWindow();
    }

    void logStartsAfreshAfterEightLines()
    {
        disconnectWindow();
        log()->clear();
        for (int i = 1; i <= 8; ++i)
            window->display(QStringLiteral("line %1\r\n").arg(i));
        QCOMPARE(logText().split(QLatin1Char('\n')).size(), 8);
        QVERIFY(logText().startsWith(QStringLiteral("line 1\n")));
        QVERIFY(logText().endsWith(QStringLiteral("line 8")));
        window->display(QStringLiteral("line\r9\n"));
        QCOMPARE(logText(), QStringLiteral("line9"));
    }

    void appendContinuesTheLastLine()
    {
        log()->clear();
        window->display(QStringLiteral("download"));
        window->append(QStringLiteral("."));
        window->append(QStringLiteral(".."));
        QCOMPARE(logText(), QStringLiteral("download..."));
        window->display(QStringLiteral("next"));
        QCOMPARE(logText(), QStringLiteral("download...\nnext"));
        QCOMPARE(log()->toPlainText(), logText()); // "next" showed the dots first
    }

    void longDotRunLooksLikeOneGrowingLine()
    {
        // The log splits a long run into short paragraphs at the view's own
        // line breaks and shows dots in batches; the user must read what one
        // growing paragraph, filled a dot at a time, showed. Both views stand
        // alone, so that they share font and style.
        GUI_LogView view;
        QTextEdit plain;
        for (QTextEdit* edit : {static_cast<QTextEdit*>(&view), &plain}) {
            edit->setStyleSheet(log()->styleSheet());
            edit->setFocusPolicy(Qt::NoFocus);
            edit->resize(log()->size());
            edit->show();
        }
        view.addLine(QStringLiteral("Reading A:\r\n"));
        plain.append(QStringLiteral("Reading A:"));
        for (int poll = 0; poll < 1500; ++poll) {
            const QString dot = poll ? QStringLiteral(".") : QStringLiteral(" ");
            view.appendToLine(dot);
            plain.moveCursor(QTextCursor::End);
            plain.insertPlainText(dot);
            plain.moveCursor(QTextCursor::End);
            if (poll % 97 == 0)
                view.flushPending();
        }
        // The last batch shows when the log's timer runs.
        QTRY_COMPARE_WITH_TIMEOUT(view.toPlainText().count(QLatin1Char('.')), 1499, 3000);
        QVERIFY(view.document()->blockCount() > 5); // the run was split
        QCOMPARE(view.logText(), plain.toPlainText());
        // The end of the run stays in sight, on full lines of dots above it
        // (a paragraph wraps its dots one dot earlier than a long run does,
        // so the pictures are not identical pixel for pixel).
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        const QTextLayout* lastLines = view.document()->lastBlock().previous().layout();
        QVERIFY(lastLines->lineCount() >= 2);
        QVERIFY(lastLines->lineAt(0).naturalTextWidth() > view.viewport()->width() - 10);
    }

    void failureResultsShowOneBox_data()
    {
        QTest::addColumn<int>("success");
        QTest::addColumn<QString>("informative");
        QTest::newRow("failure") << 0 << numberedText(80);
        QTest::newRow("no side selected") << 3 << numberedText(80);
        QTest::newRow("file not opened") << 5 << numberedText(37);
    }

    void failureResultsShowOneBox()
    {
        QFETCH(int, success);
        QFETCH(QString, informative);
        tabs()->setCurrentIndex(0);
        window->dataReady(nullptr, nullptr, quint8(success));
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(104));
        QCOMPARE(answerer->messages.at(0).informative, informative);
        QCOMPARE(answerer->messages.at(0).buttons, QStringList{numberedText(83)});
        QCOMPARE(tabs()->currentIndex(), 0);
    }

    void unknownResultDoesNothing()
    {
        window->dataReady(nullptr, nullptr, 6);
        window->dataReady(nullptr, nullptr, 200);
        QTest::qWait(50);
        QCOMPARE(answerer->messages.size(), 0);
    }

    void bothSidesDelivered()
    {
        resetSideStorage();
        installRecords('A', 5, 1);
        installRecords('B', 3, 100);
        tabs()->setCurrentIndex(0);
        const int paintedA = chart('A')->paintedDrawings();
        const int paintedB = chart('B')->paintedDrawings();
        window->dataReady(nullptr, nullptr, APP_KelmoraDataReader::DataDelivered);
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(105));
        QVERIFY(chart('A')->paintedDrawings() > paintedA);
        QVERIFY(chart('B')->paintedDrawings() > paintedB);
        QCOMPARE(chart('A')->chartMode(), ModeIndex);
        QCOMPARE(chart('A')->drawingOrderCount(), 5);
        QCOMPARE(chart('B')->drawingOrderCount(), 3);
        QVERIFY(chart('A')->header()->isVisible());
        QCOMPARE(answerer->messages.at(0).informative,
                 QStringLiteral("L0T21: 5 L0T20\r\n\r\nL0T22: 3 L0T20"));
        QCOMPARE(table('A')->table()->rowCount(), 5);
        QCOMPARE(table('B')->table()->rowCount(), 3);
        QCOMPARE(tabs()->currentIndex(), 2);
    }

    void bothSidesWithEmptySideA()
    {
        resetSideStorage();
        installRecords('A', 0, 1);
        installRecords('B', 4, 100);
        tabs()->setCurrentIndex(0);
        window->dataReady(nullptr, nullptr, APP_KelmoraDataReader::DataDelivered);
        QCOMPARE(answerer->messages.at(0).informative,
                 QStringLiteral("L0T21: 0 L0T20\r\n\r\nL0T22: 4 L0T20"));
        QCOMPARE(table('A')->table()->rowCount(), 0);
        QCOMPARE(table('B')->table()->rowCount(), 4);
        QCOMPARE(tabs()->currentIndex(), 4);
    }

    void oneSideDelivered()
    {
        resetSideStorage();
        installRecords('A', 6, 1);
        installRecords('B', 2, 100);
        table('A')->listData(nullptr, &sideACount);
        tabs()->setCurrentIndex(0);
        window->dataReady(sideBRecords, &sideBCount, APP_KelmoraDataReader::DataDelivered);
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).informative, QStringLiteral("L0T22: 2 L0T20"));
        QCOMPARE(table('B')->table()->rowCount(), 2);
        QCOMPARE(table('A')->table()->rowCount(), 0); // side A was not concerned
        QCOMPARE(tabs()->currentIndex(), 4);

        answerer->clear();
        tabs()->setCurrentIndex(0);
        window->dataReady(sideARecords, &sideACount, APP_KelmoraDataReader::DataDelivered);
        QCOMPARE(answerer->messages.at(0).informative, QStringLiteral("L0T21: 6 L0T20"));
        QCOMPARE(table('A')->table()->rowCount(), 6);
        QCOMPARE(tabs()->currentIndex(), 2);
    }

    void foreignArrayShowsNothing()
    {
        resetSideStorage();
        installRecords('A', 3, 1);
        KelmoraFillingData* foreign = makeRecords(3, 50);
        quint16 foreignCount = 3;
        table('A')->listData(nullptr, &sideACount);
        tabs()->setCurrentIndex(0);
        window->dataReady(foreign, &foreignCount, APP_KelmoraDataReader::DataDelivered);
        window->dataReady(foreign, &foreignCount, APP_KelmoraDataReader::DataSideCleared);
        QTest::qWait(50);
        QCOMPARE(answerer->messages.size(), 0);
        QCOMPARE(table('A')->table()->rowCount(), 0);
        QCOMPARE(tabs()->currentIndex(), 0);
        std::free(foreign);
    }

    void clearedSideIsListedAgain()
    {
        resetSideStorage();
        installRecords('A', 4, 1);
        installRecords('B', 3, 100);
        window->dataReady(nullptr, nullptr, APP_KelmoraDataReader::DataDelivered);
        answerer->clear();
        QCOMPARE(table('B')->table()->rowCount(), 3);
        table('B')->findChild<QPushButton*>(QStringLiteral("clearButton"))->click();
        QCOMPARE(sideBCount, quint16(0));
        QCOMPARE(table('B')->table()->rowCount(), 0);
        QCOMPARE(table('B')->table()->columnCount(), 0);
        QCOMPARE(table('A')->table()->rowCount(), 4);
        // The chart of the emptied side drops its picture and its controls.
        QVERIFY(!chart('B')->header()->isVisible() && chart('B')->header()->isHidden());
        QVERIFY(!chart('A')->header()->isHidden());
        QCOMPARE(answerer->messages.size(), 0);
    }

    void languageSwitchRelabels()
    {
        resetSideStorage();
        installRecords('A', 2, 1);
        setUnit(1.5, 49, QStringLiteral("-1"));
        connectWindow();
        window->dataReady(sideARecords, &sideACount, APP_KelmoraDataReader::DataDelivered);
        log()->clear();
        window->display(QStringLiteral("reply line"));
        const QString values = child<QLabel>("infoValuesLabel")->text();

        child<QPushButton>("languageButton2")->click();
        QCOMPARE(currentLanguage(), quint8(2));
        // Connected: the button beside the unit controls offers to disconnect.
        QCOMPARE(child<QPushButton>("connectButton")->text(), numberedText(26, 2));
        QCOMPARE(child<QPushButton>("openFileButton")->text(), numberedText(109, 2));
        QCOMPARE(child<QPushButton>("downloadButton")->text(), numberedText(108, 2));
        QCOMPARE(child<QCheckBox>("fullDownloadBox")->text(), numberedText(IncrementalText::fullDownloadOption, 2));
        QCOMPARE(child<QPushButton>("resetModeButton")->text(), numberedText(116, 2));
        QCOMPARE(child<QPushButton>("setTimeButton")->text(), numberedText(136, 2));
        QCOMPARE(child<QPushButton>("setPulseInputButton")->text(), numberedText(124, 2));
        QVERIFY(child<QLabel>("infoNamesLabel")->text().startsWith(QStringLiteral("L2T122:\r\nL2T53:")));
        QCOMPARE(child<QLabel>("infoValuesLabel")->text(), values);
        QCOMPARE(logText(), QStringLiteral("reply line"));
        QCOMPARE(tabs()->tabText(1), QStringLiteral("Table A"));
        QCOMPARE(table('A')->table()->horizontalHeaderItem(0)->text(), numberedText(120, 2));
        QCOMPARE(table('B')->findChild<QPushButton*>(QStringLiteral("exportButton"))->text(), numberedText(34, 2));
        QCOMPARE(chart('A')->header()->text(), numberedText(89, 2));
        QCOMPARE(chart('B')->header()->text(), numberedText(89, 2));
        QCOMPARE(chart('A')->modeButton(ModeIndex)->toolTip(), numberedText(60, 2));
        QCOMPARE(chart('B')->modeButton(ModeFuelFlow)->toolTip(), numberedText(48, 2));
        disconnectWindow();
        QCOMPARE(child<QPushButton>("connectButton")->text(), numberedText(14, 2));
    }

    // The open dialog lists raw dumps and CSV exports on every platform: Qt
    // takes the patterns between the parentheses and splits them on blanks.
    void openDialogFilterListsTxtAndCsv()
    {
        const QString filter = GUI_KelmoraDiagnose::dataFileFilter();
        const QRegularExpressionMatch form =
            QRegularExpression(QStringLiteral("^(.+) \\(([^()]+)\\)$")).match(filter);
        QVERIFY2(form.hasMatch(), qPrintable(filter));
        QCOMPARE(form.captured(1), numberedText(textDataFiles));
        const QStringList patterns = form.captured(2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QTemporaryDir folder;
        for (const char* name : {"a.txt", "b.csv", "c.ods", "d.txt;", "e.json"}) {
            QFile file(folder.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QStringList listed{QStringLiteral("a.txt"), QStringLiteral("b.csv")};
        QCOMPARE(QDir(folder.path()).entryList(patterns, QDir::Files, QDir::Name), listed);
        // Qt's own dialog, given the filter as the window does, lists the same.
        QFileDialog dialog(nullptr, filter, folder.path(), filter);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
        QVERIFY(view);
        QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 2);
        QStringList shown;
        for (int row = 0; row < 2; ++row)
            shown << view->model()->index(row, 0, view->rootIndex()).data().toString();
        shown.sort();
        QCOMPARE(shown, listed);
    }

    // Each side keeps the record layout of its own lines: a "No" file opened
    // into side A leaves side B's headings, legend and export columns "Nr".
    void sidesKeepTheirOwnRecordFormat()
    {
        auto write = [this](const QString& name, const QByteArray& line) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(line + "\r\n" + line + "\r\n");
        };
        write(QStringLiteral("nr-b.txt"), "B=Nr.7 12:10:00 05.03.2024 1 7 98.5 101.5 17.25 95 3.5 38.75");
        write(QStringLiteral("no-a.txt"), "A=No:8 12:10:00 05.03.2024 1 7 98.5 101.5 17.25 95 3.5 38.75");
        window->loadDataFile(dir.filePath(QStringLiteral("nr-b.txt")));
        window->loadDataFile(dir.filePath(QStringLiteral("no-a.txt")));
        QCOMPARE(sideACount, quint16(2));
        QCOMPARE(sideBCount, quint16(2));
        QCOMPARE(table('A')->table()->horizontalHeaderItem(8)->text(), numberedText(154));
        QCOMPARE(table('A')->table()->horizontalHeaderItem(9)->text(), numberedText(51));
        QCOMPARE(table('B')->table()->horizontalHeaderItem(8)->text(), numberedText(152));
        QCOMPARE(table('B')->table()->horizontalHeaderItem(9)->text(), numberedText(49));
        QVERIFY(chart('A')->recordOrigin().recordFormatNo);   // legend: text 51
        QVERIFY(!chart('B')->recordOrigin().recordFormatNo);  // legend: text 49
        // An export of both sides from either page heads each side by its own.
        for (char page : {'A', 'B'}) {
            const ExportContent content = table(page)->exportContent(true, true);
            QBuffer csv;
            csv.open(QIODevice::WriteOnly);
            QTextStream stream(&csv);
            QVERIFY(writeCsv(stream, content));
            const QList<QByteArray> lines = csv.data().split('\n');
            const auto header = [&](int text) {
                for (int i = 1; i < lines.size(); ++i)
                    if (lines.at(i - 1).startsWith(numberedText(134).toUtf8()))
                        if (lines.at(i).startsWith(numberedText(120).toUtf8()) && text-- == 0)
                            return lines.at(i).split(';');
                return QList<QByteArray>();
            };
            QCOMPARE(header(0).value(8), numberedText(154).toUtf8());  // side A
            QCOMPARE(header(1).value(8), numberedText(152).toUtf8());  // side B
            QString odsSheet;
            QTextStream sheet(&odsSheet);
            QVERIFY(writeDataSheet(sheet, QStringLiteral("B"), content));
            sheet.flush();
            QVERIFY(odsSheet.contains(numberedText(152)) && !odsSheet.contains(numberedText(154)));
        }
        resetSideStorage();
    }

    // Each side's pages name the unit of its records, warn when the other
    // side holds another unit's, and say that the side's download was cut
    // until new records replace it; an export of both names both units.
    void sidePagesNameUnitAndCut_data()
    {
        QTest::addColumn<int>("serialB");  // of the file opened into side B; 0: side B downloaded, cut
        QTest::addColumn<QString>("noteA");
        QTest::addColumn<QString>("noteB");
        QTest::newRow("one unit") << 1111 << "L0T122: 1111" << "L0T122: 1111";
        QTest::newRow("two units") << 2222 << "L0T122: 1111. L0T197: 2222" << "L0T122: 2222. L0T197: 1111";
        QTest::newRow("side B cut") << 0 << "L0T122: 1111" << "L0T122: 1111\nL0T22: L0T169, L0T167";
    }
    void sidePagesNameUnitAndCut()
    {
        QFETCH(int, serialB);
        QFETCH(QString, noteA);
        QFETCH(QString, noteB);
        auto saved = [this](char side, int serial) {
            installRecords(side, 3, side == 'A' ? 1 : 100);
            ExportContent content;
            content.unit.serialNumber = serial;
            (side == 'A' ? content.sideA : content.sideB) = storedSide(side, false);
            const QString path = dir.filePath(QStringLiteral("unit%1-%2.csv").arg(serial).arg(side));
            return writeCsvFile(path, content) ? path : QString();
        };
        auto notes = [this](char side) {
            return QStringList{table(side)->sideNote()->text(), chart(side)->sideNote()->text()};
        };
        resetSideStorage();
        window->loadDataFile(saved('A', 1111));
        if (serialB > 0) {
            window->loadDataFile(saved('B', serialB));
        } else {
            testUnit.serialNumber = 1111;
            connectWindow();
            SideDownload cut;
            cut.side = 'B';
            cut.outcome = SideOutcome::Interrupted;
            cut.recordsReplaced = true;
            window->historyDownloaded(SideDownload(), cut);
            installRecords('B', 3, 100);
            window->dataReady(sideBRecords, &sideBCount, APP_KelmoraDataReader::DataIncomplete);
            disconnectWindow();
        }
        QCOMPARE(notes('A'), QStringList(2, noteA));
        QCOMPARE(notes('B'), QStringList(2, noteB));
        QVERIFY(!table('B')->sideNote()->isHidden() && !chart('B')->sideNote()->isHidden());
        const QString both = dir.filePath(QStringLiteral("both.csv"));
        QVERIFY(writeCsvFile(both, table('A')->exportContent(true, true)));
        QFile exported(both);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QCOMPARE(exported.readAll().contains("L0T127;L0T122;2222\r\n"), serialB == 2222);
        QString sheetB;
        QTextStream sheet(&sheetB);
        QVERIFY(writeDataSheet(sheet, QStringLiteral("B"), table('A')->exportContent(true, true)));
        sheet.flush();
        QVERIFY(sheetB.contains(QStringLiteral("<text:p>%1</text:p>").arg(serialB > 0 ? serialB : 1111)));
        // Our own import reads such a file back, each side with its unit;
        // the new records end the account of the cut download.
        window->loadDataFile(both);
        QCOMPARE(sideBCount, quint16(3));
        QCOMPARE(notes('B'), QStringList(2, serialB == 2222 ? noteB : QStringLiteral("L0T122: 1111")));
        resetSideStorage();
    }

    void missingTextTableLeavesEmptyWindow()
    {
        auto* empty = new GUI_KelmoraDiagnose(nullptr, dir.path() + QStringLiteral("/absent/qm7.loc"));
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, QStringLiteral("qm7.loc"));
        QCOMPARE(answerer->messages.at(0).informative, QStringLiteral("\n"));
        QCOMPARE(empty->windowTitle(), QString());
        QVERIFY(!empty->findChild<QTabWidget*>());
        QVERIFY(!empty->reader());
        empty->retranslate(); // harmless on the empty window
        empty->resize(900, 600);
        QVERIFY(loadTextTableFrom(textTablePath));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
