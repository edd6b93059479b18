// The table page: columns, widths and their deferred rescaling, sorting and
// re-listing, the clear button and the export panel.
#include "reader/app_kelmoradatareader.h"
#include "files_fullfolder.h"
#include "table/gui_datatable.h"
#include "table/exportfile.h"
#include "files/archivefolder.h"
#include "frame/texttable.h"
#include "window_dialoganswerer.h"
#include "window_testdata.h"

#include <QCursor>
#include <QDateTime>
#include <QHeaderView>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <numeric>

class TestDataTable : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    APP_KelmoraDataReader* reader = nullptr;
    DialogAnswerer* answerer = nullptr;

    QList<int> columnWidths(GUI_DataTable& page)
    {
        QList<int> widths;
        for (int c = 0; c < page.table()->columnCount(); ++c)
            widths << page.table()->columnWidth(c);
        return widths;
    }
    QPushButton* button(GUI_DataTable& page, const char* name)
    {
        return page.findChild<QPushButton*>(QString::fromLatin1(name));
    }
    // Every cell of the row must come from the record whose number is in
    // column 0 (the test records derive each field from the number).
    void checkRowWhole(QTableWidget* table, int row)
    {
        const int n = table->item(row, 0)->data(Qt::EditRole).toInt();
        KelmoraFillingData* expected = makeRecords(1, n);
        QCOMPARE(table->item(row, 1)->data(Qt::EditRole).toDateTime().toSecsSinceEpoch(),
                 qint64(expected->timestamp));
        QCOMPARE(table->item(row, 3)->data(Qt::EditRole).toInt(), int(expected->fillings));
        QCOMPARE(table->item(row, 6)->data(Qt::EditRole).toDouble(), expected->temperature);
        QCOMPARE(table->item(row, 11)->data(Qt::EditRole).toDouble(), expected->optionalSecond);
        QCOMPARE(table->item(row, 12)->data(Qt::EditRole).toString(), limitText(expected->limit));
        std::free(expected);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(loadTextTableFrom(writeNumberedTextTable(dir.path())));
        reader = new APP_KelmoraDataReader();
        answerer = new DialogAnswerer(this);
    }

    void init()
    {
        resetSideStorage();
        answerer->clear();
        answerer->messageAnswer = 0;
    }

    void emptyAtFirst()
    {
        GUI_DataTable page;
        page.resize(800, 480);
        page.show();
        QCOMPARE(page.table()->columnCount(), 0);
        QCOMPARE(page.table()->rowCount(), 0);
        QVERIFY(button(page, "exportButton")->isHidden());
        QVERIFY(button(page, "clearButton")->isHidden());
        QCOMPARE(button(page, "exportButton")->text(), numberedText(34));
        QCOMPARE(button(page, "csvButton")->text(), QStringLiteral("CSV Text"));
        QCOMPARE(button(page, "odsButton")->text(), QStringLiteral("ODS Excel"));
    }

    void listingShowsColumnsAndInitialWidths()
    {
        installRecords('A', 7, 1);
        GUI_DataTable page;
        page.listData(sideARecords, &sideACount);
        QCOMPARE(page.table()->columnCount(), 13);
        QCOMPARE(page.table()->rowCount(), 7);
        // The initial widths are the least a column gets.
        for (int c = 0; c < 13; ++c)
            QVERIFY(columnWidths(page).at(c) >= GUI_DataTable::initialColumnWidths[c]);
        QVERIFY(!button(page, "exportButton")->isHidden());
        QVERIFY(!button(page, "clearButton")->isHidden());
        QCOMPARE(page.table()->horizontalHeaderItem(0)->text(), wrapText(numberedText(120), 8));
        QCOMPARE(page.table()->horizontalHeaderItem(8)->text(), numberedText(152));
        QCOMPARE(page.table()->horizontalHeaderItem(9)->text(), numberedText(49));
    }

    void cellsCarryTypedValues()
    {
        installRecords('A', 3, 1); // limits: 1 SWOFF, 2 number, 3 NOLIM
        GUI_DataTable page;
        page.listData(sideARecords, &sideACount);
        QTableWidget* table = page.table();
        QCOMPARE(table->item(0, 0)->data(Qt::EditRole).typeId(), QMetaType::Int);
        QCOMPARE(table->item(0, 1)->data(Qt::EditRole).typeId(), QMetaType::QDateTime);
        QCOMPARE(table->item(0, 4)->data(Qt::EditRole).typeId(), QMetaType::Double);
        QCOMPARE(table->item(0, 12)->text(), QStringLiteral("SWOFF"));
        QCOMPARE(table->item(1, 12)->text(), QStringLiteral("5002"));
        QCOMPARE(table->item(2, 12)->text(), QStringLiteral("NOLIM"));
        QCOMPARE(table->item(0, 1)->data(Qt::EditRole).toDateTime(),
                 QDateTime::fromSecsSinceEpoch(sideARecords[0].timestamp));
        for (int row = 0; row < 3; ++row)
            checkRowWhole(table, row);
    }

    void headingsFollowRecordFormat()
    {
        installRecords('B', 2, 1);
        GUI_DataTable page;
        page.setRecordOrigin(RecordOrigin{UnitIdentity(), true});
        page.listData(sideBRecords, &sideBCount);
        QCOMPARE(page.table()->horizontalHeaderItem(8)->text(), numberedText(154));
        QCOMPARE(page.table()->horizontalHeaderItem(9)->text(), numberedText(51));
    }

    void rescalingAfterResize()
    {
        installRecords('A', 4, 1);
        GUI_DataTable page;
        page.resize(600, 400);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QTest::qWait(400); // let the rescaling of the first show pass
        page.listData(sideARecords, &sideACount);
        const QList<int> listed = columnWidths(page);
        // Two resizes in quick succession rescale once, from the listed
        // widths; a rescale after the first would leave different widths.
        page.resize(810, 400);
        QTest::qWait(60);
        page.resize(1010, 400);
        QCOMPARE(page.table()->width(), 1000);
        QCOMPARE(columnWidths(page), listed);
        // Each becomes width × 1000 / sum, truncated, and stops at 120
        // unless its values need more.
        const int sum = std::accumulate(listed.begin(), listed.end(), 0);
        QList<int> scaled;
        for (int width : listed)
            scaled << qMax(width, qMin(120, width * 1000 / sum));
        QTRY_COMPARE_WITH_TIMEOUT(columnWidths(page), scaled, 2000);
        QCOMPARE(page.table()->geometry(), QRect(5, 60, 1000, 335));
    }

    void rescalingScalesBySumOfWidths()
    {
        // Columns adding up to 700 in a 1000 px table grow by 10/7.
        installRecords('A', 2, 1);
        GUI_DataTable page;
        page.resize(1010, 400);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QCOMPARE(page.table()->width(), 1000);
        page.listData(sideARecords, &sideACount);
        const int widths[13] = {50, 70, 40, 40, 40, 60, 60, 40, 60, 60, 60, 60, 60};
        for (int c = 0; c < 13; ++c)
            page.table()->setColumnWidth(c, widths[c]);
        page.resizeTimerTimeout();
        // Never narrower than the values listed (the dates need more than 100 px).
        QList<int> expected{71, 100, 57, 57, 57, 85, 85, 57, 85, 85, 85, 85, 85};
        for (int c = 0; c < 13; ++c)
            expected[c] = qMax(expected[c], page.fittedColumnWidth(c));
        QCOMPARE(columnWidths(page), expected);
    }

    // A column is never narrower than its widest value, after a second
    // listing and after the page shrinks: no reading is cut to "11…".
    void columnHoldsItsWidestValue_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("value");
        QTest::newRow("three-digit rate") << 4 << 110.3;
        QTest::newRow("negative temperature") << 6 << -12.75;
        QTest::newRow("five-digit fillings") << 3 << 65535.0;
        QTest::newRow("five-digit level code") << 2 << 65535.0;
    }
    void columnHoldsItsWidestValue()
    {
        QFETCH(int, column);
        QFETCH(double, value);
        GUI_DataTable page;
        page.resize(500, 300);
        page.show();
        installRecords('A', 40, 1);
        page.listData(sideARecords, &sideACount);
        page.table()->sortByColumn(0, Qt::AscendingOrder);  // record 1 in row 0
        installRecords('A', 300, 1);
        KelmoraFillingData& wide = sideARecords[0];
        switch (column) {
        case 3: wide.fillings = quint16(value); break;
        case 4: wide.ratePercent = value; break;
        case 6: wide.temperature = value; break;
        default: wide.levelCode = quint16(value);
        }
        page.listData(sideARecords, &sideACount);
        page.resize(400, 300);
        page.resizeTimerTimeout();
        QTableWidget* table = page.table();
        const int needed = table->sizeHintForIndex(table->model()->index(0, column)).width() + 1;
        QVERIFY2(table->columnWidth(column) >= needed,
                 qPrintable(QStringLiteral("%1 < %2").arg(table->columnWidth(column)).arg(needed)));
    }

    void rescalingWithoutColumnsChangesNothing()
    {
        GUI_DataTable page;
        page.resize(500, 300);
        page.resizeTimerTimeout();
        QCOMPARE(page.table()->columnCount(), 0);
    }

    void relistingAfterSortKeepsRowsWhole()
    {
        installRecords('A', 50, 1);
        GUI_DataTable page;
        page.listData(sideARecords, &sideACount);
        // Sort by temperature, rising: the test records' temperature falls
        // with the number, so the last record comes first.
        page.table()->sortByColumn(6, Qt::AscendingOrder);
        QCOMPARE(page.table()->item(0, 0)->data(Qt::EditRole).toInt(), 50);

        installRecords('A', 80, 101);
        page.listData(sideARecords, &sideACount);
        QCOMPARE(page.table()->rowCount(), 80);
        QVERIFY(page.table()->isSortingEnabled());
        QSet<int> numbers;
        double previous = -1e9;
        for (int row = 0; row < 80; ++row) {
            checkRowWhole(page.table(), row);
            numbers << page.table()->item(row, 0)->data(Qt::EditRole).toInt();
            const double temperature = page.table()->item(row, 6)->data(Qt::EditRole).toDouble();
            QVERIFY(temperature >= previous);
            previous = temperature;
        }
        QCOMPARE(numbers.size(), 80);
        QVERIFY(numbers.contains(101) && numbers.contains(180));
    }

    void relistingKeepsAnySortOrder_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("ascending");
        QTest::newRow("date falling") << 1 << false;
        QTest::newRow("fuel flow rising, ties") << 9 << true;
        QTest::newRow("limit text falling") << 12 << false;
        QTest::newRow("level rising, ties") << 2 << true;
    }

    void relistingKeepsAnySortOrder()
    {
        QFETCH(int, column);
        QFETCH(bool, ascending);
        installRecords('B', 30, 1);
        GUI_DataTable page;
        page.listData(sideBRecords, &sideBCount);
        page.table()->sortByColumn(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        installRecords('B', 60, 200);
        page.listData(sideBRecords, &sideBCount);
        QTableWidget* table = page.table();
        QCOMPARE(table->rowCount(), 60);
        for (int row = 0; row < 60; ++row) {
            checkRowWhole(table, row);
            if (row == 0)
                continue;
            QTableWidgetItem* above = table->item(row - 1, column);
            QTableWidgetItem* here = table->item(row, column);
            QVERIFY(ascending ? !(*here < *above) : !(*above < *here));
        }
    }

    void sortingComparesNumbersNotTexts()
    {
        installRecords('A', 12, 1); // fillings 1001 … 1012; optionalFirst 2 … 24
        GUI_DataTable page;
        page.listData(sideARecords, &sideACount);
        page.table()->sortByColumn(10, Qt::DescendingOrder);
        QCOMPARE(page.table()->item(0, 10)->data(Qt::EditRole).toDouble(), 24.0);
        QCOMPARE(page.table()->item(11, 10)->data(Qt::EditRole).toDouble(), 2.0);
    }

    void clearEmptiesTheSide()
    {
        installRecords('A', 5, 1);
        GUI_DataTable page;
        page.show();
        page.listData(sideARecords, &sideACount);
        QSignalSpy spy(&page, &GUI_DataTable::dataReady);
        button(page, "clearButton")->click();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<KelmoraFillingData*>(), sideARecords);
        QCOMPARE(spy.at(0).at(1).value<quint16*>(), &sideACount);
        QCOMPARE(spy.at(0).at(2).value<quint8>(), quint8(APP_KelmoraDataReader::DataSideCleared));
        QCOMPARE(sideACount, quint16(0));
        QVERIFY(sideARecords != nullptr); // the array stays with the storage

        page.listData(sideARecords, &sideACount);
        QCOMPARE(page.table()->columnCount(), 0);
        QCOMPARE(page.table()->rowCount(), 0);
        QVERIFY(!button(page, "exportButton")->isHidden());
        QVERIFY(!button(page, "clearButton")->isHidden());

        // Nothing left to export: no file is asked for.
        answerer->filePath = dir.path() + QStringLiteral("/never.csv");
        button(page, "csvButton")->click();
        button(page, "odsButton")->click();
        QTest::qWait(100);
        QCOMPARE(answerer->fileDialogs, 0);
        QVERIFY(!QFile::exists(answerer->filePath));
    }

    void csvExportAsksForBothSides_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("withSideB");
        QTest::newRow("both sides") << 0 << true;
        QTest::newRow("own side") << 1 << false;
    }

    void csvExportAsksForBothSides()
    {
        QFETCH(int, answer);
        QFETCH(bool, withSideB);
        installRecords('A', 3, 1);
        installRecords('B', 2, 100);
        GUI_DataTable page;
        page.listData(sideARecords, &sideACount);
        answerer->filePath = dir.path() + QStringLiteral("/export-%1.csv").arg(answer);
        answerer->messageAnswer = answer;
        button(page, "csvButton")->click();
        QCOMPARE(answerer->fileDialogs, 1);
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(35));
        QCOMPARE(answerer->messages.at(0).buttons, (QStringList{numberedText(157), numberedText(75)}));
        QFile file(answerer->filePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString content = QString::fromUtf8(file.readAll());
        QVERIFY(content.startsWith(numberedText(54) + QStringLiteral("\r\n")));
        QVERIFY(content.contains(numberedText(126) + QStringLiteral("\r\n")));
        QCOMPARE(content.contains(numberedText(127) + QStringLiteral("\r\n")), withSideB);
        QCOMPARE(content.count(QStringLiteral("\r\n")), 3 + 3 + 3 + (withSideB ? 3 + 2 : 0));
    }

    void csvExportOfTheOnlySideAsksNothing()
    {
        installRecords('B', 4, 100);
        GUI_DataTable page;
        page.listData(sideBRecords, &sideBCount);
        answerer->filePath = dir.path() + QStringLiteral("/only-b.csv");
        button(page, "csvButton")->click();
        QCOMPARE(answerer->messages.size(), 0);
        QFile file(answerer->filePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString content = QString::fromUtf8(file.readAll());
        QVERIFY(!content.contains(numberedText(126)));
        QVERIFY(content.contains(numberedText(127)));
    }

    void csvExportCancelledWritesNothing()
    {
        installRecords('A', 2, 1);
        GUI_DataTable page;
        page.listData(sideARecords, &sideACount);
        answerer->filePath.clear();
        button(page, "csvButton")->click();
        QCOMPARE(answerer->fileDialogs, 1);
        QCOMPARE(answerer->messages.size(), 0);
    }

    // A name typed without the format's extension gets it; the dialog
    // starts where the last export went, else in the documents folder.
    void exportNameAndFolder_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("remembered");
        QTest::newRow("csv, no extension, nothing remembered")
            << "csvButton" << "week 12" << "week 12.csv" << QString();
        QTest::newRow("ods, dotted name, remembered folder gone")
            << "odsButton" << "station.7" << "station.7.ods" << "gone";
        QTest::newRow("csv, extension in capitals, remembered folder")
            << "csvButton" << "WEEK.CSV" << "WEEK.CSV" << "earlier";
    }
    void exportNameAndFolder()
    {
        QFETCH(QString, buttonName);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, remembered);
        // The documents folder as the user's folder settings in a
        // configuration folder of the test's own name it.
        const QString documents = dir.filePath(QStringLiteral("documents"));
        QVERIFY(QDir().mkpath(documents) && QDir().mkpath(dir.filePath(QStringLiteral("earlier"))));
        const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
        const auto restoreConfig = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", savedConfig); });
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        QFile userDirs(dir.filePath(QStringLiteral("user-dirs.dirs")));
        QVERIFY(userDirs.open(QIODevice::WriteOnly) && userDirs.write("XDG_DOCUMENTS_DIR=\"" + documents.toUtf8() + "\"\n") > 0);
        userDirs.close();
        setToolSetting(lastExportFolderSettingKey, remembered.isEmpty() ? remembered : dir.filePath(remembered));
        installRecords('A', 3, 1);
        GUI_DataTable page;
        page.listData(sideARecords, &sideACount);
        const QString target = dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(target));
        answerer->filePath = target + QLatin1Char('/') + typed;
        button(page, buttonName.toLatin1().constData())->click();
        QCOMPARE(answerer->fileDialogFolders, QStringList{remembered == "earlier" ? dir.filePath(remembered) : documents});
        QCOMPARE(QDir(target).entryList(QDir::Files), QStringList{written});
        // The next export starts where this one went.
        answerer->filePath.clear();
        button(page, buttonName.toLatin1().constData())->click();
        QCOMPARE(answerer->fileDialogFolders.value(1), target);
        QVERIFY(QDir(target).removeRecursively());
    }

    void odsExportWrites()
    {
        installRecords('A', 5, 1);
        GUI_DataTable page;
        page.listData(sideARecords, &sideACount);
        answerer->filePath = dir.path() + QStringLiteral("/side-a.ods");
        button(page, "odsButton")->click();
        QCOMPARE(answerer->messages.size(), 0);
        QFile file(answerer->filePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(4), QByteArray("PK\x03\x04"));
    }

    void failedOdsExportIsReported()
    {
        installRecords('A', 5, 1);
        GUI_DataTable page;
        page.listData(sideARecords, &sideACount);
        answerer->filePath = dir.path() + QStringLiteral("/no-such-folder/side-a.ods");
        button(page, "odsButton")->click();
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(36));
        QCOMPARE(answerer->messages.at(0).buttons, QStringList{numberedText(83)});
        QVERIFY(!QFile::exists(answerer->filePath));
    }

    void failedCsvOpenIsReportedOnce()
    {
        installRecords('A', 5, 1);
        GUI_DataTable page;
        page.listData(sideARecords, &sideACount);
        answerer->filePath = dir.path() + QStringLiteral("/no-such-folder/side-a.csv");
        button(page, "csvButton")->click();
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(36));
    }

    // A save that fails on a full disk says so (text 36) and leaves the
    // previous export exactly as it was, with no temporary file beside it.
    void failedSaveKeepsThePreviousFile_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("CSV") << QStringLiteral("csvButton") << QStringLiteral("last-week.csv");
        QTest::newRow("ODS") << QStringLiteral("odsButton") << QStringLiteral("last-week.ods");
    }
    void failedSaveKeepsThePreviousFile()
    {
        QFETCH(QString, buttonName);
        QFETCH(QString, fileName);
        installRecords('A', 4000, 1);
        FilesFullFolder folder;
        QByteArray old(60000, '\0');
        for (int i = 0; i < old.size(); ++i)
            old[i] = char(i * 7 + i / 251);
        QVERIFY(folder.place(fileName, old));
        if (!folder.seal(4096))
            QSKIP(qPrintable(folder.why()));
        qInfo("full disk: %s", qPrintable(folder.kind()));
        GUI_DataTable page;
        page.listData(sideARecords, &sideACount);
        answerer->filePath = folder.filePath(fileName);
        button(page, buttonName.toLatin1().constData())->click();
        QCOMPARE(answerer->fileDialogs, 1);
        QCOMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.at(0).text, numberedText(36));
        QCOMPARE(answerer->messages.at(0).buttons, QStringList{numberedText(83)});
        QCOMPARE(folder.entries(), QStringList{fileName});
        QFile kept(folder.filePath(fileName));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(kept.readAll() == old);
    }

    void exportZoneIsInclusive()
    {
        GUI_DataTable page;
        QVERIFY(page.isInsideExportZone(QPoint(0, 0)));
        // The button (50 high) and the panel of three buttons below it.
        QVERIFY(page.isInsideExportZone(QPoint(150, 200)));
        QVERIFY(page.isInsideExportZone(QPoint(150, 0)));
        QVERIFY(page.isInsideExportZone(QPoint(0, 200)));
        QVERIFY(!page.isInsideExportZone(QPoint(151, 200)));
        QVERIFY(!page.isInsideExportZone(QPoint(150, 201)));
        QVERIFY(!page.isInsideExportZone(QPoint(-1, 10)));
        QVERIFY(!page.isInsideExportZone(QPoint(10, -1)));
    }

    void exportPanelClosesWhenMouseLeaves()
    {
        installRecords('A', 3, 1);
        GUI_DataTable page;
        page.resize(800, 480);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.listData(sideARecords, &sideACount);
        QPushButton* exportButton = button(page, "exportButton");
        QWidget* panel = page.findChild<QWidget*>(QStringLiteral("exportWidget"));
        QCOMPARE(panel->geometry(), QRect(5, 55, 150, 150));

        QCursor::setPos(exportButton->mapToGlobal(QPoint(150, 200)));
        if (exportButton->mapFromGlobal(QCursor::pos()) != QPoint(150, 200))
            QSKIP("this platform does not let the test place the mouse");
        exportButton->click();
        QVERIFY(panel->isVisible());
        QTest::qWait(1200); // two polls with the mouse on the corner pixel
        QVERIFY(panel->isVisible());

        QCursor::setPos(exportButton->mapToGlobal(QPoint(151, 200)));
        QTRY_VERIFY_WITH_TIMEOUT(!panel->isVisible(), 1500);
    }
};

QTEST_MAIN(TestDataTable)
#include "tst_datatable.moc"
