// The pages borrow a side's array; when a download or an import replaces it,
// the old array is freed. The pages must let go of it first, so that a redraw,
// a mode button or an export in the meantime never reads freed records with
// the count of the new ones. Under AddressSanitizer a page that kept the old
// pointer fails here with a use after free; in any build the pointer checks
// fail.
#include "reader/app_kelmoradatareader.h"
#include "chart/chartmode.h"
#include "table/gui_datatable.h"
#include "chart/gui_displaychart.h"
#include "app/gui_kelmoradiagnose.h"
#include "window_dialoganswerer.h"
#include "window_testdata.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

class TestBorrowedRecords : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    DialogAnswerer* answerer = nullptr;
    GUI_KelmoraDiagnose* window = nullptr;

    GUI_DataTable* table(char side)
    {
        return window->findChild<GUI_DataTable*>(side == 'A' ? QStringLiteral("tableA") : QStringLiteral("tableB"));
    }
    GUI_DisplayChart* chart(char side)
    {
        return window->findChild<GUI_DisplayChart*>(side == 'A' ? QStringLiteral("chartA") : QStringLiteral("chartB"));
    }
    // The window's answer to a delivered download of one side.
    void deliver(char side)
    {
        window->dataReady(side == 'A' ? sideARecords : sideBRecords, side == 'A' ? &sideACount : &sideBCount, APP_KelmoraDataReader::DataDelivered);
    }
    void clickMode(char side, ChartMode mode)
    {
        const_cast<QPushButton*>(chart(side)->modeButton(mode))->click();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        answerer = new DialogAnswerer(this);
        window = new GUI_KelmoraDiagnose(nullptr, writeNumberedTextTable(dir.path()));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    void cleanupTestCase()
    {
        window->shutDownLink();
        resetSideStorage();
    }

    void init() { resetSideStorage(); }

    // A swap on the main thread (an import) releases at once.
    void swapOnTheMainThreadReleasesThePages()
    {
        installRecords('A', 20, 1);
        deliver('A');
        KelmoraFillingData* const old = sideARecords;
        QCOMPARE(table('A')->shownRecords(), old);
        QCOMPARE(chart('A')->shownRecords(), old);
        QCOMPARE(chart('A')->drawingOrderCount(), 20);

        installRecords('A', 60, 100); // more records than before
        QVERIFY(sideARecords != old);
        // What the user may do before the new records are handed out: a
        // chart still holding the old array would read it here.
        clickMode('A', ModeDate);
        clickMode('A', ModeTemperature);
        QCOMPARE(table('A')->shownRecords(), nullptr);
        QCOMPARE(chart('A')->shownRecords(), nullptr);
        QCOMPARE(table('A')->table()->rowCount(), 0);

        deliver('A');
        QCOMPARE(table('A')->shownRecords(), sideARecords);
        QCOMPARE(chart('A')->shownRecords(), sideARecords);
        QCOMPARE(table('A')->table()->rowCount(), 60);
        QCOMPARE(chart('A')->drawingOrderCount(), 60);
    }

    // A download swaps from the reader thread: the swap is carried out on the
    // main thread, and the pages of that side only are released with it.
    void swapFromAnotherThreadReleasesThatSideOnly()
    {
        installRecords('A', 10, 1);
        installRecords('B', 12, 500);
        deliver('A');
        deliver('B');
        KelmoraFillingData* const oldA = sideARecords;
        KelmoraFillingData* const oldB = sideBRecords;
        window->findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(2);

        KelmoraFillingData* const fresh = makeRecords(40, 1000);
        std::thread filler([fresh] { installSideRecords('A', fresh, 40); });
        filler.join();
        // Not yet carried out: the pages still hold the old, still valid array.
        QCOMPARE(sideARecords, oldA);
        QCOMPARE(chart('A')->shownRecords(), oldA);
        QTRY_COMPARE(sideARecords, fresh);
        QCOMPARE(sideACount, quint16(40));
        QCOMPARE(table('A')->shownRecords(), nullptr);
        QCOMPARE(chart('A')->shownRecords(), nullptr);
        QCOMPARE(table('B')->shownRecords(), oldB);
        QCOMPARE(chart('B')->shownRecords(), oldB);
        // A resize makes the chart redraw after its delay.
        window->resize(window->width() + 40, window->height());
        clickMode('A', ModeFuelFlow);
        QTest::qWait(400);
        QCOMPARE(chart('A')->shownRecords(), nullptr);
    }

    // Emptying a side from its table frees nothing: the pages keep the array.
    void clearingATableKeepsTheArray()
    {
        installRecords('B', 8, 1);
        deliver('B');
        KelmoraFillingData* const records = sideBRecords;
        window->dataReady(records, &sideBCount, APP_KelmoraDataReader::DataSideCleared);
        QCOMPARE(table('B')->shownRecords(), records);
        QCOMPARE(chart('B')->shownRecords(), records);
    }

    // Releasing both sides (storage reset) releases both sides' pages.
    void resetReleasesBothSides()
    {
        installRecords('A', 5, 1);
        installRecords('B', 6, 1);
        deliver('A');
        deliver('B');
        resetSideStorage();
        for (char side : {'A', 'B'}) {
            QCOMPARE(table(side)->shownRecords(), nullptr);
            QCOMPARE(chart(side)->shownRecords(), nullptr);
        }
    }
};

QTEST_MAIN(TestBorrowedRecords)
#include "tst_borrowedrecords.moc"
