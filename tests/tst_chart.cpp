// The chart page as the user sees it: pictures, controls, mouse, resize.
// Runs on the offscreen platform with a 560 x 400 page: picture 560 x 340,
// plot from x 40 to 540 (width 500) and from y 30 to 220 (height 190).
#include "chart/gui_displaychart.h"
#include "frame/texttable.h"

#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

namespace {

constexpr int pageWidth = 560;
constexpr int pageHeight = 400;
constexpr int pictureTop = 60;

std::vector<KelmoraFillingData> makeRecords(int n)
{
    KelmoraFillingData blank{};
    std::vector<KelmoraFillingData> records(size_t(n), blank);
    for (int i = 0; i < n; ++i) {
        KelmoraFillingData& r = records[size_t(i)];
        r.number = i + 1;
        r.timestamp = 1700000000u + quint32(i) * 600u;
        r.fillings = quint16(i * 3);
        r.levelCode = quint16(i % 2 ? 11 : 10);
        r.ratePercent = 90.0 + (i % 7) * 5.0;
        r.linePercent = 60.0 + (i % 5) * 3.0;
        r.temperature = 10.0 + (i * 37 % 23);
        r.fuelFlow = 30.0 + (i * 13 % 17);
        r.integerPercent = quint16(140 + i % 9);
    }
    return records;
}

// The button images come from another part of the build and the drawing
// writes a debug trace per picture; neither says anything about the chart.
QtMessageHandler defaultHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("Could not create pixmap from :/images/chartmode_"))
        || message.startsWith(QLatin1String("Countrycode ")))
        return;
    defaultHandler(type, context, message);
}

} // namespace

class TestChart : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    GUI_DisplayChart* chart = nullptr;
    std::vector<KelmoraFillingData> records;
    quint16 recordCount = 0;

    void drawAll(ChartMode mode = ModeIndex, DataOrder order = OrderAll)
    {
        recordCount = quint16(records.size());
        chart->drawData(records.data(), &recordCount, chartRangeMin, chartRangeMax, order, true, mode);
    }

    QColor pixel(int x, int y) const { return chart->picture()->toImage().pixelColor(x, y); }

    void click(Qt::MouseButton button, QPoint at)
    {
        QTest::mousePress(chart, button, Qt::NoModifier, at);
        QTest::mouseRelease(chart, button, Qt::NoModifier, at);
    }

    void drag(int fromX, int toX, int y = 150)
    {
        QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, QPoint(fromX, y));
        QTest::mouseMove(chart, QPoint(toX, y));
        QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, QPoint(toX, y));
    }

private Q_SLOTS:
    void initTestCase()
    {
        defaultHandler = qInstallMessageHandler(quietHandler);
        // Known texts: entry n reads "T<n>" in the first language.
        QFile file(dir.filePath(QStringLiteral("qm7.loc")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int n = 0; n < 200; ++n)
            file.write(QStringLiteral("k%1;T%1;D%1;F%1;I%1;C%1;S%1\n").arg(n).toUtf8());
        file.close();
        QVERIFY(loadTextTableFrom(file.fileName()));
    }

    void init()
    {
        chart = new GUI_DisplayChart();
        chart->resize(pageWidth, pageHeight);
        chart->show();
        QVERIFY(QTest::qWaitForWindowExposed(chart));
        QCOMPARE(chart->pictureLabel()->geometry(), QRect(0, 60, pageWidth, pageHeight - 60));
        records = makeRecords(50);
    }

    void cleanup()
    {
        delete chart;
        chart = nullptr;
    }

    void buttonsLayoutAndStyle()
    {
        QCOMPARE(chart->modeButton(ModeIndex)->geometry(), QRect(82, 5, 77, 50));
        QCOMPARE(chart->modeButton(ModeFillings)->geometry(), QRect(160, 5, 77, 50));
        QCOMPARE(chart->modeButton(ModeDate)->geometry(), QRect(160, 5, 77, 50));
        QCOMPARE(chart->modeButton(ModeTemperature)->geometry(), QRect(238, 5, 77, 50));
        QCOMPARE(chart->modeButton(ModeFuelFlow)->geometry(), QRect(316, 5, 77, 50));
        QCOMPARE(chart->header()->geometry(), QRect(5, 5, 76, 50));
        QVERIFY(!chart->header()->isVisible()); // before the first drawing
        QVERIFY(!chart->modeButton(ModeIndex)->isVisible());
        QCOMPARE(chart->modeButton(ModeIndex)->styleSheet(), QStringLiteral(
            "QPushButton {border:0; background:#1C3563; background-image:url(:/images/chartmode_index); background-repeat:no-repeat; background-position: center center; color:white; font-size:14pt;}\n"
            "QPushButton:hover {border:5px solid #AAAAAA; background:#1C3563; background-image:url(:/images/chartmode_index); background-repeat:no-repeat; background-position: center center; color:#AAAAAA;}\n"
            "QPushButton:pressed {border:5px solid #1C3563; background:#1C3563; background-image:url(:/images/chartmode_index); background-repeat:no-repeat; background-position: center center; color:#1C3563;}"));
        QCOMPARE(chart->modeButton(ModeFuelFlow)->styleSheet(), QStringLiteral(
            "QPushButton {border:0; border-top-right-radius:15px; background:#1C3563; background-image:url(:/images/chartmode_fuelflow); background-repeat:no-repeat; background-position: center center; color:white; font-size:14pt;}\n"
            "QPushButton:hover {border:5px solid #AAAAAA; border-top-right-radius:15px; background:#1C3563; background-image:url(:/images/chartmode_fuelflow); background-repeat:no-repeat; background-position: center center; color:#AAAAAA;}\n"
            "QPushButton:pressed {border:5px solid #1C3563; border-top-right-radius:15px; background:#1C3563; background-image:url(:/images/chartmode_fuelflow); background-repeat:no-repeat; background-position: center center; color:#1C3563;}"));
        QVERIFY(chart->modeButton(ModeDate)->styleSheet().contains(
            QStringLiteral("url(:/images/chartmode_date)")));
        QVERIFY(!chart->modeButton(ModeDate)->styleSheet().contains(QStringLiteral("radius")));
        QCOMPARE(chart->modeButton(ModeIndex)->focusPolicy(), Qt::NoFocus);
        QVERIFY(chart->modeButton(ModeIndex)->isFlat());
    }

    void retranslateWithoutRecordsOnlySetsTexts()
    {
        chart->retranslate();
        QCOMPARE(chart->paintedDrawings(), 0);
        QVERIFY(!chart->picture());
        QCOMPARE(chart->header()->text(), wrapText(QStringLiteral("T89"), 5));
        QCOMPARE(chart->modeButton(ModeIndex)->toolTip(), QStringLiteral("T60"));
        QCOMPARE(chart->modeButton(ModeFillings)->toolTip(), QStringLiteral("T46"));
        QCOMPARE(chart->modeButton(ModeDate)->toolTip(), QStringLiteral("T23"));
        QCOMPARE(chart->modeButton(ModeTemperature)->toolTip(), QStringLiteral("T71"));
        QCOMPARE(chart->modeButton(ModeFuelFlow)->toolTip(), QStringLiteral("T48"));
    }

    void noRecordsShowWhitePictureAndControls()
    {
        quint16 none = 0;
        chart->drawData(records.data(), &none, chartRangeMin, chartRangeMax);
        QVERIFY(chart->picture());
        const QImage image = chart->picture()->toImage();
        QCOMPARE(image.size(), QSize(pageWidth, pageHeight - 60));
        QImage white(image.size(), image.format());
        white.fill(Qt::white);
        QCOMPARE(image, white);
        QVERIFY(chart->header()->isVisible());
        QVERIFY(chart->modeButton(ModeIndex)->isVisible());
        QVERIFY(chart->modeButton(ModeDate)->isVisible());
        QVERIFY(chart->modeButton(ModeFuelFlow)->isVisible());
        QVERIFY(!chart->modeButton(ModeFillings)->isVisible()); // never shown
        QCOMPARE(chart->paintedDrawings(), 0);

        // A redraw with a zero count goes back to hidden controls.
        chart->redrawData(chartRangeMin, chartRangeMax);
        QVERIFY(!chart->header()->isVisible());
        QVERIFY(!chart->modeButton(ModeIndex)->isVisible());
        QVERIFY(chart->pictureLabel()->pixmap().isNull());
    }

    void indexModeOverTheWholeRange()
    {
        drawAll();
        QCOMPARE(chart->paintedDrawings(), 1);
        QCOMPARE(chart->chartMinX(), 0.0);
        QCOMPARE(chart->chartMaxX(), 50.0);
        QCOMPARE(chart->firstDrawn(), 0);
        QCOMPARE(chart->lastDrawn(), 49);
        QCOMPARE(chart->chartOrder(), OrderAll);
        // Record k sits on tick k / 5: x = 40 + k * 500 / 50.
        QCOMPARE(records[10].plotX, 140);
        QCOMPARE(records[49].plotX, 530);
        QCOMPARE(records[10].plotYTemperature, int(220 - 190 * records[10].temperature / 200));
        // Grid line of tick 1 and the 100 % reference line.
        QCOMPARE(pixel(90, 35), QColor(Qt::black));
        QCOMPARE(pixel(45, 125), QColor(119, 119, 119));
        QVERIFY(!chart->modeButton(ModeFillings)->isVisible());
    }

    void tooFewRecordsLeaveThePreviousPicture()
    {
        drawAll();
        const qint64 before = chart->picture()->cacheKey();
        recordCount = 2;
        chart->redrawData(chartRangeMin, chartRangeMax);
        QCOMPARE(chart->picture()->cacheKey(), before);
        QCOMPARE(chart->paintedDrawings(), 1);
        recordCount = 50;
        chart->redrawData(10, 11, OrderAll, false); // a zoom holding 2 records
        QCOMPARE(chart->picture()->cacheKey(), before);
        QCOMPARE(chart->paintedDrawings(), 1);
    }

    void crossColourFollowsTheLevelCode()
    {
        records = makeRecords(3);
        for (auto& r : records) {
            r.ratePercent = 150.0; // above every other series
            r.linePercent = r.temperature = r.fuelFlow = 0.0;
            r.integerPercent = 0;
        }
        records[0].levelCode = 10;
        records[1].levelCode = 11;
        records[2].levelCode = 10;
        drawAll();
        for (int i = 0; i < 3; ++i) {
            const QColor expected = i == 1 ? QColor(Qt::red) : QColor(Qt::blue);
            const int x = records[size_t(i)].plotX;
            const int y = records[size_t(i)].plotYRatePercent;
            QCOMPARE(y, int(220 - 190 * 150.0 / 200)); // 77.5 truncated
            QCOMPARE(pixel(x + 2, y), expected); // the arms, clear of grid lines
            QCOMPARE(pixel(x, y - 4), expected);
            QCOMPARE(pixel(x + 4, y), expected);
        }
        QCOMPARE(pixel(records[1].plotX, records[1].plotYRatePercent), QColor(Qt::red));
    }

    void fuelFlowModeDrawsTiesByTemperature()
    {
        records = makeRecords(4);
        records[0].fuelFlow = 50.0;
        records[0].temperature = 30.0;
        records[1].fuelFlow = 50.0;
        records[1].temperature = 20.0;
        records[2].fuelFlow = 10.0;
        records[3].fuelFlow = 90.0;
        drawAll(ModeFuelFlow, OrderForward);
        QCOMPARE(chart->drawingOrderCount(), 4);
        const quint16* order = chart->drawingOrder();
        QCOMPARE(std::vector<quint16>(order, order + 4), std::vector<quint16>({2, 1, 0, 3}));
        QVERIFY(records[1].plotX < records[0].plotX);
        QCOMPARE(chart->chartMode(), ModeFuelFlow);
    }

    void reverseOrderDrawsTheSamePicture()
    {
        records = makeRecords(300);
        for (ChartMode mode : {ModeFillings, ModeDate, ModeTemperature, ModeFuelFlow}) {
            drawAll(mode, OrderForward);
            const QImage forward = chart->picture()->toImage();
            drawAll(mode, OrderReverse);
            QCOMPARE(chart->picture()->toImage(), forward);
            QVERIFY(chart->lastDrawn() > chart->firstDrawn());
        }
    }

    void pickShowsTheNearestPoint()
    {
        for (auto& r : records) {
            r.fuelFlow = r.temperature = r.ratePercent = r.linePercent = 0.0;
            r.integerPercent = 0;
        }
        records[20].temperature = 100.0;
        drawAll();
        const KelmoraFillingData& r = records[20];
        const QPoint point(r.plotX, pictureTop + r.plotYTemperature);
        QCOMPARE(point, QPoint(240, pictureTop + 125));
        click(Qt::LeftButton, point + QPoint(3, 4));
        QVERIFY(chart->valueBox()->isVisible());
        QCOMPARE(chart->valueBox()->text(),
                 QStringLiteral("T72\r\n") + QString::number(r.temperature, 'g', 6));
        QVERIFY(chart->marker()->isVisible());
        QCOMPARE(chart->marker()->geometry(), QRect(point.x() - 3, point.y() - 3, 7, 7));
        // Left half: the box opens to the right of the point.
        QCOMPARE(chart->valueBox()->pos(), QPoint(point.x() + 10, point.y()));

        // 14 px away still picks; 15 px shows nothing, and the click hides
        // what the previous one showed.
        click(Qt::LeftButton, point + QPoint(0, 14));
        QVERIFY(chart->valueBox()->isVisible());
        click(Qt::LeftButton, point + QPoint(0, 15));
        QVERIFY(!chart->valueBox()->isVisible());
        QVERIFY(!chart->marker()->isVisible());
    }

    void pickTiesFollowTheSeriesOrder()
    {
        records = makeRecords(30);
        for (auto& r : records) {
            r.fuelFlow = r.temperature = r.ratePercent = r.linePercent = 100.0;
            r.integerPercent = 100;
        }
        const char* names[5] = {"T49", "T72", "T111", "T69", "T150"};
        double* fields[4] = {&records[15].fuelFlow, &records[15].temperature,
                             &records[15].ratePercent, &records[15].linePercent};
        for (int winner = 0; winner < 5; ++winner) {
            // Every series before the winner moves away from the point.
            for (int i = 0; i < 4; ++i)
                *fields[i] = i < winner ? 20.0 : 100.0;
            drawAll();
            const KelmoraFillingData& r = records[15];
            click(Qt::LeftButton, QPoint(r.plotX + 1, pictureTop + r.plotYIntegerPercent + 2));
            QVERIFY(chart->valueBox()->isVisible());
            QCOMPARE(chart->valueBox()->text(), QLatin1String(names[winner]) + QStringLiteral("\r\n100"));
        }
    }

    void pickInTheRightHalfOpensTheBoxToTheLeft()
    {
        drawAll();
        const KelmoraFillingData& r = records[45];
        const QPoint point(r.plotX, pictureTop + r.plotYFuelFlow);
        click(Qt::LeftButton, point);
        QVERIFY(chart->valueBox()->isVisible());
        QVERIFY(chart->valueBox()->text().startsWith(QStringLiteral("T49\r\n")));
        QCOMPARE(chart->valueBox()->x(), point.x() - (chart->valueBox()->width() - 10) - 20);
        QCOMPARE(chart->valueBox()->y(), point.y());
    }

    void pickIgnoresRecordsTheLastPictureDidNotDraw()
    {
        // Fillings keys 0, 20, 40, 40: the range ends where 40 first occurs,
        // so the last record shares its x with a drawn one but is not drawn.
        records = makeRecords(4);
        const quint16 keys[4] = {0, 20, 40, 40};
        for (int i = 0; i < 4; ++i)
            records[size_t(i)].fillings = keys[i];
        for (auto& r : records) {
            r.fuelFlow = r.temperature = r.ratePercent = r.linePercent = 0.0;
            r.integerPercent = 0;
        }
        records[3].plotYTemperature = 100; // stale position from long ago
        drawAll(ModeFillings, OrderForward);
        QCOMPARE(chart->lastDrawn(), 2);
        QCOMPARE(records[3].plotX, records[2].plotX);
        QCOMPARE(records[3].plotYTemperature, 100);
        click(Qt::LeftButton, QPoint(records[3].plotX, pictureTop + 100));
        QVERIFY(!chart->valueBox()->isVisible());
    }

    void pickAfterTheCountShrankStaysInside()
    {
        records = makeRecords(100);
        drawAll();
        const KelmoraFillingData& r = records[80];
        recordCount = 10; // a fill shortened the side; no redraw yet
        click(Qt::LeftButton, QPoint(r.plotX, pictureTop + r.plotYTemperature));
        QVERIFY(!chart->valueBox()->isVisible());
        const KelmoraFillingData& kept = records[5];
        click(Qt::LeftButton, QPoint(kept.plotX, pictureTop + kept.plotYTemperature));
        QVERIFY(chart->valueBox()->isVisible());
    }

    void dragZoomsWithoutAlignment()
    {
        drawAll();
        QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, QPoint(100, 150));
        QTest::mouseMove(chart, QPoint(300, 150));
        QVERIFY(chart->selection()->isVisible());
        QCOMPARE(chart->selection()->geometry(), QRect(100, 90, 200, pageHeight - 60 - 149));
        QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, QPoint(300, 150));
        QVERIFY(!chart->selection()->isVisible());
        QCOMPARE(chart->paintedDrawings(), 2);
        QCOMPARE(chart->chartMinX(), 6.0);
        QCOMPARE(chart->chartMaxX(), 26.0);
        QVERIFY(!chart->chartAlignX());
        QCOMPARE(chart->firstDrawn(), 6);
        QCOMPARE(chart->lastDrawn(), 26);

        // A right click returns to the whole range, aligned.
        click(Qt::RightButton, QPoint(10, 10));
        QCOMPARE(chart->chartMinX(), 0.0);
        QCOMPARE(chart->chartMaxX(), 50.0);
        QVERIFY(chart->chartAlignX());
    }

    void fivePixelsZoomFourPick()
    {
        records = makeRecords(500); // whole range 0 .. 500: one record a pixel
        drawAll();
        QCOMPARE(chart->chartMaxX(), 500.0);
        drag(100, 104);
        QCOMPARE(chart->paintedDrawings(), 1);
        QCOMPARE(chart->chartMaxX(), 500.0);
        drag(100, 105);
        QCOMPARE(chart->paintedDrawings(), 2);
        QCOMPARE(chart->chartMinX(), 60.0);
        QCOMPARE(chart->chartMaxX(), 65.0);
    }

    void leavingThePlotCancelsTheDrag()
    {
        drawAll();
        QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, QPoint(100, 150));
        QTest::mouseMove(chart, QPoint(200, 150));
        QVERIFY(chart->selection()->isVisible());
        QTest::mouseMove(chart, QPoint(200, pictureTop + 220 + 1)); // below the bottom grid line
        QVERIFY(!chart->selection()->isVisible());
        QTest::mouseMove(chart, QPoint(300, 150));
        QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, QPoint(300, 150));
        QCOMPARE(chart->paintedDrawings(), 1);
        QCOMPARE(chart->chartMaxX(), 50.0);
    }

    void dragZoneEdges()
    {
        drawAll();
        drag(40, 300); // pressing on the left plot edge starts nothing
        QCOMPARE(chart->paintedDrawings(), 1);
        drag(300, 40); // moving onto it keeps the drag
        QCOMPARE(chart->paintedDrawings(), 2);
        QCOMPARE(chart->chartMinX(), 0.0);
        QCOMPARE(chart->chartMaxX(), 30.0); // 0 .. 26, extended to the next step
    }

    void rightClickWithoutRecordsDoesNothing()
    {
        click(Qt::RightButton, QPoint(200, 150));
        drag(100, 300);
        QCOMPARE(chart->paintedDrawings(), 0);
        QVERIFY(!chart->picture());
        QVERIFY(!chart->header()->isVisible());
    }

    void modeButtonsRedrawTheWholeRange()
    {
        drawAll();
        chart->redrawData(6, 26, OrderAll, false);
        QTest::mouseClick(const_cast<QPushButton*>(chart->modeButton(ModeDate)), Qt::LeftButton);
        QCOMPARE(chart->chartMode(), ModeDate);
        QCOMPARE(chart->chartOrder(), OrderForward);
        QVERIFY(chart->chartAlignX());
        // 1700000000 + 0 .. 29400 s: step 5000, rounded out by one step.
        QCOMPARE(chart->chartMinX(), 1700000000.0);
        QCOMPARE(chart->chartMaxX(), 1700030000.0);
        QTest::mouseClick(const_cast<QPushButton*>(chart->modeButton(ModeIndex)), Qt::LeftButton);
        QCOMPARE(chart->chartMode(), ModeIndex);
        QCOMPARE(chart->chartOrder(), OrderAll);
        QCOMPARE(chart->chartMaxX(), 50.0);
    }

    void resizesWithin250msRedrawOnce()
    {
        drawAll();
        QCOMPARE(chart->paintedDrawings(), 1);
        for (int i = 1; i <= 5; ++i) {
            chart->resize(pageWidth + 10 * i, pageHeight + 5 * i);
            QTest::qWait(40);
        }
        QCOMPARE(chart->paintedDrawings(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(chart->paintedDrawings(), 2, 2000);
        QCOMPARE(chart->picture()->size(), QSize(pageWidth + 50, pageHeight + 25 - 60));
        QTest::qWait(400);
        QCOMPARE(chart->paintedDrawings(), 2);
    }

    void chartWithoutRecordsIgnoresResizes()
    {
        chart->resize(pageWidth + 40, pageHeight);
        QTest::qWait(400);
        QCOMPARE(chart->paintedDrawings(), 0);
        QVERIFY(!chart->picture());
        QVERIFY(!chart->header()->isVisible());
    }

    void retranslateRepeatsTheStoredRequest()
    {
        drawAll(ModeTemperature, OrderForward);
        chart->redrawData(10, 30, OrderForward, false);
        QCOMPARE(chart->paintedDrawings(), 2);
        setCurrentLanguage(1);
        chart->retranslate();
        setCurrentLanguage(0);
        QCOMPARE(chart->paintedDrawings(), 3);
        QCOMPARE(chart->chartMode(), ModeTemperature);
        QCOMPARE(chart->chartMinX(), 10.0);
        QCOMPARE(chart->chartMaxX(), 30.0);
        QVERIFY(!chart->chartAlignX());
        QCOMPARE(chart->modeButton(ModeDate)->toolTip(), QStringLiteral("D23"));
    }

    void everyModeDrawsLargeHistoriesWithinTheirFields()
    {
        records = makeRecords(3000);
        records[7].temperature = std::numeric_limits<double>::quiet_NaN();
        records[8].fuelFlow = 1e300;
        records[9].fillings = 65535;
        records[10].timestamp = 4294967295u;
        for (ChartMode mode : {ModeIndex, ModeFillings, ModeDate, ModeTemperature, ModeFuelFlow}) {
            const int before = chart->paintedDrawings();
            drawAll(mode, OrderForward);
            QCOMPARE(chart->paintedDrawings(), before + 1);
            // A zoom to a sliver puts most records far outside the picture.
            chart->redrawData(chart->chartMinX(), chart->chartMinX() + 3, OrderAll, false);
        }
        drawAll(ModeFillings, OrderForward);
        QCOMPARE(chart->chartMaxX(), 70000.0); // beyond 16 bits, not wrapped
        recordCount = quint16(records.size());
        chart->drawData(records.data(), &recordCount, 0, 4294967295.0, OrderForward, true, ModeDate);
        // The unreadable date of record 10 stays off the axis.
        QVERIFY(chart->chartMaxX() < 4294967295.0);
        QCOMPARE(chart->undatedLeftOut(), 1);
    }

    void undatedRecordsStayOffTheDateAxis()
    {
        // 1700000000 + 600 i; record 20 has no readable date.
        records[20].timestamp = 0xFFFFFFFFu;
        recordCount = quint16(records.size());
        chart->drawData(records.data(), &recordCount, 0, 4294967295.0, OrderForward, false, ModeDate);
        // Real span 29400 s: step 5000, six ticks, extended to a seventh.
        QCOMPARE(chart->chartMinX(), 1700000000.0);
        QCOMPARE(chart->chartMaxX(), 1700030000.0);
        QCOMPARE(chart->firstDrawn(), 0);
        QCOMPARE(chart->lastDrawn(), 48);
        QCOMPARE(chart->undatedLeftOut(), 1);
        QCOMPARE(int(chart->drawingOrder()[49]), 20);
        QVERIFY(records[20].plotX > pageWidth); // placed, but far off the picture
        drawAll(ModeDate, OrderForward);
        QCOMPARE(chart->chartMaxX(), 1700030000.0);
        // Other modes draw it as usual.
        drawAll(ModeIndex);
        QCOMPARE(chart->lastDrawn(), 49);
        QCOMPARE(chart->undatedLeftOut(), 0);
        // Nothing dated at all: nothing to draw, the picture stays.
        for (auto& r : records)
            r.timestamp = 0xFFFFFFFFu;
        const int painted = chart->paintedDrawings();
        drawAll(ModeDate, OrderForward);
        QCOMPARE(chart->paintedDrawings(), painted);
    }

    void drawingOrderIsSortedOnlyForNewKeys()
    {
        records = makeRecords(300);
        drawAll(ModeTemperature, OrderForward);
        const int sorts = chart->drawingOrderSorts();
        chart->redrawData(10, 200, OrderForward, false);
        chart->resize(pageWidth + 30, pageHeight);
        chart->redrawData(chartRangeMin, chartRangeMax, OrderForward, true);
        records[6].linePercent = 1.0; // drawn, but no sort key
        drawAll(ModeTemperature, OrderForward);
        QCOMPARE(chart->paintedDrawings(), 4);
        QCOMPARE(chart->drawingOrderSorts(), sorts);
        // A key changed in place: the order follows it.
        records[5].temperature = -50.0;
        drawAll(ModeTemperature, OrderForward);
        QCOMPARE(chart->drawingOrderSorts(), sorts + 1);
        QCOMPARE(int(chart->drawingOrder()[0]), 5);
        drawAll(ModeFuelFlow, OrderForward);
        QCOMPARE(chart->drawingOrderSorts(), sorts + 2);
        // The temperature breaks fuel-flow ties, so it is a key there too.
        records[7].temperature = records[7].temperature + 1.0;
        drawAll(ModeFuelFlow, OrderForward);
        QCOMPARE(chart->drawingOrderSorts(), sorts + 3);
        records.pop_back(); // a shorter history
        drawAll(ModeFuelFlow, OrderForward);
        QCOMPARE(chart->drawingOrderSorts(), sorts + 4);
        QCOMPARE(chart->drawingOrderCount(), 299);
    }

    void reducedDrawingPaintsThePixelsOfEverySegment_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSize>("page");
        QTest::addColumn<bool>("zoom");
        const QSize pages[] = {{560, 400}, {1280, 720}, {333, 257}};
        const char* names[] = {"index", "fillings", "date", "temperature", "fuelflow"};
        for (int mode = ModeIndex; mode <= ModeFuelFlow; ++mode)
            for (const QSize& page : pages)
                for (bool zoom : {false, true})
                    QTest::addRow("%s %dx%d %s", names[mode], page.width(), page.height(),
                                  zoom ? "zoomed" : "whole")
                        << mode << page << zoom;
    }

    void reducedDrawingPaintsThePixelsOfEverySegment()
    {
        QFETCH(int, mode);
        QFETCH(QSize, page);
        QFETCH(bool, zoom);
        // Dense columns, runs of both cross colours, values off the plot
        // and off the picture, equal keys.
        QRandomGenerator random(quint32(mode * 7 + page.width()));
        records = makeRecords(4000);
        for (auto& r : records) {
            r.levelCode = quint16(random.bounded(4) == 0 ? 11 : (random.bounded(2) ? 10 : 12));
            r.ratePercent = 60.0 + random.bounded(80.0);
            r.linePercent = random.bounded(10) == 0 ? -40.0 : 40.0 + random.bounded(50.0);
            r.temperature = random.bounded(260.0);
            r.fuelFlow = double(random.bounded(40)) + (random.bounded(3) == 0 ? 0.5 : 0.0);
            r.integerPercent = quint16(random.bounded(230));
            r.fillings = quint16(random.bounded(9000));
            r.timestamp = 1700000000u + random.bounded(90u * 86400u);
        }
        chart->resize(page);
        const DataOrder order = ChartMode(mode) == ModeIndex ? OrderAll : OrderForward;
        auto drawOnce = [&](bool reduced) {
            chart->setReducedDrawing(reduced);
            drawAll(ChartMode(mode), order);
            if (zoom) {
                const double span = chart->chartMaxX() - chart->chartMinX();
                chart->redrawData(chart->chartMinX() + 0.3 * span, chart->chartMinX() + 0.55 * span,
                                  order, false);
            }
            return chart->picture()->toImage();
        };
        const int before = chart->paintedDrawings();
        const QImage reduced = drawOnce(true);
        const QImage everySegment = drawOnce(false);
        QCOMPARE(chart->paintedDrawings(), before + (zoom ? 4 : 2));
        QVERIFY(chart->lastDrawn() - chart->firstDrawn() > 100);
        QCOMPARE(reduced.size(), page - QSize(0, 60));
        QVERIFY(reduced == everySegment);
    }
};

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
