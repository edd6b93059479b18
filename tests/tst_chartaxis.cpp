// Axis rules of the chart, its info line, and the pixel mappings: pure
// functions, no widget.
#include "reader/app_kelmoradatareader.h"
#include "chart/chartaxis.h"
#include "chart/chartinfoline.h"
#include "chart/chartlines.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <QtTest>

#include <cmath>
#include <limits>

class TestChartAxis : public QObject
{
    Q_OBJECT

    static QStringList labels(ChartMode mode, const ChartAxis& axis)
    {
        QStringList result;
        for (int k = 0; k < axis.ticks; ++k)
            result << chartTickLabel(mode, axis, k);
        return result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Date labels are local time; pin the zone so the texts are known.
        qputenv("TZ", "UTC");
    }

    void tickStepIsFirstOneTwoFiveBelowTenTicks_data()
    {
        QTest::addColumn<double>("span");
        QTest::addColumn<double>("step");
        QTest::newRow("44") << 44.0 << 5.0;
        QTest::newRow("49") << 49.0 << 5.0;
        QTest::newRow("50 is ten steps of 5") << 50.0 << 10.0;
        QTest::newRow("9.99") << 9.99 << 1.0;
        QTest::newRow("10") << 10.0 << 2.0;
        QTest::newRow("2") << 2.0 << 0.5;
        QTest::newRow("1") << 1.0 << 0.2;
        QTest::newRow("0") << 0.0 << 1e-5;
        QTest::newRow("one week") << 604800.0 << 100000.0;
        QTest::newRow("65535") << 65535.0 << 10000.0;
        QTest::newRow("32-bit") << 4294967295.0 << 500000000.0;
    }
    void tickStepIsFirstOneTwoFiveBelowTenTicks()
    {
        QFETCH(double, span);
        QFETCH(double, step);
        QCOMPARE(chartTickStep(span), step);
    }

    void tickStepOfEndlessSpanEnds()
    {
        QCOMPARE(chartTickStep(std::numeric_limits<double>::infinity()), 5e15);
        QCOMPARE(chartTickStep(std::nan("")), 5e15);
    }

    void unalignedBoundsAreExtendedToAWholeTick()
    {
        const ChartAxis axis = layoutChartAxis(3, 47, false, AxisBounds::Whole);
        QVERIFY(axis.valid);
        QCOMPARE(axis.step, 5.0);
        QCOMPARE(axis.lower, 3.0);
        QCOMPARE(axis.upper, 48.0);
        QCOMPARE(axis.ticks, 10);
        QCOMPARE(labels(ModeIndex, axis), QStringList({"3", "8", "13", "18", "23", "28", "33", "38",
                                                       "43", "48"}));
    }

    void alignedBoundsGrowByOneStep()
    {
        ChartAxis axis = layoutChartAxis(0, 45, true, AxisBounds::Whole);
        QCOMPARE(axis.lower, 0.0);
        QCOMPARE(axis.upper, 50.0);
        QCOMPARE(axis.ticks, 11);
        axis = layoutChartAxis(0, 49, true, AxisBounds::Whole);
        QCOMPARE(axis.upper, 50.0);
        QCOMPARE(labels(ModeIndex, axis),
                 QStringList({"0", "5", "10", "15", "20", "25", "30", "35", "40", "45", "50"}));
        // An upper bound already on a whole step still grows by one.
        axis = layoutChartAxis(20, 100, true, AxisBounds::Whole);
        QCOMPARE(axis.step, 10.0);
        QCOMPARE(axis.upper, 110.0);
        QCOMPARE(axis.ticks, 10);
        axis = layoutChartAxis(23, 61, true, AxisBounds::Whole);
        QCOMPARE(axis.lower, 20.0);
        QCOMPARE(axis.upper, 65.0);
    }

    void wholeBoundsAreTruncatedRealOnesAreNot()
    {
        // Span 2 gives step 0.5; the whole upper bound drops the half step.
        ChartAxis axis = layoutChartAxis(4, 6, true, AxisBounds::Whole);
        QCOMPARE(axis.step, 0.5);
        QCOMPARE(axis.lower, 4.0);
        QCOMPARE(axis.upper, 6.0);
        QCOMPARE(axis.ticks, 5);
        axis = layoutChartAxis(4, 6, true, AxisBounds::Real);
        QCOMPARE(axis.upper, 6.5);
        QCOMPARE(axis.ticks, 6);
        QCOMPARE(labels(ModeTemperature, axis).last(), QStringLiteral("6.5"));
    }

    void boundsPastTheKeyRangeDoNotWrap()
    {
        // Fillings keys are 16-bit, dates 32-bit: the rounded-out bound lies
        // beyond and must stay there instead of wrapping round to a small one.
        ChartAxis axis = layoutChartAxis(0, 65535, true, AxisBounds::Whole);
        QCOMPARE(axis.upper, 70000.0);
        QCOMPARE(axis.ticks, 8);
        axis = layoutChartAxis(4294960000.0, 4294967295.0, true, AxisBounds::Whole);
        QVERIFY(axis.valid);
        QVERIFY(axis.upper > 4294967295.0);
        QCOMPARE(axis.upper - axis.lower, (axis.ticks - 1) * axis.step);
    }

    void degenerateRangesGiveNoAxis()
    {
        QVERIFY(!layoutChartAxis(7, 7, false, AxisBounds::Whole).valid);
        QVERIFY(!layoutChartAxis(0, std::numeric_limits<double>::infinity(), true,
                                 AxisBounds::Real).valid);
        QVERIFY(!layoutChartAxis(std::nan(""), 5, true, AxisBounds::Real).valid);
    }

    void ticksSpreadEvenlyOverThePlot()
    {
        QCOMPARE(chartTickX(0, 11, 500), 40);
        QCOMPARE(chartTickX(1, 11, 500), 90);
        QCOMPARE(chartTickX(10, 11, 500), 540);
        QCOMPARE(chartTickX(1, 3, 501), 40 + 250); // integer division
    }

    void dateLabelsSwitchAtOneDay()
    {
        const double t = 1700000000.0; // 2023-11-14 22:13:20 UTC
        QCOMPARE(chartDateLabel(t, 86399), QStringLiteral("14.11. 22:13"));
        QCOMPARE(chartDateLabel(t, 86400), QStringLiteral("14/11/2023"));

        // Records a second less than a day apart: the extension to a whole
        // tick takes the final span past a day, so the labels show dates.
        const ChartAxis almostDay = layoutChartAxis(t, t + 86399, false, AxisBounds::Whole);
        QCOMPARE(almostDay.upper - almostDay.lower, 90000.0);
        QCOMPARE(chartTickLabel(ModeDate, almostDay, 0), QStringLiteral("14/11/2023"));
        ChartAxis hours = layoutChartAxis(t, t + 3 * 3600, false, AxisBounds::Whole);
        QVERIFY(hours.upper - hours.lower <= 86399);
        QStringList texts = labels(ModeDate, hours);
        QCOMPARE(texts.first(), QStringLiteral("14.11. 22:13"));
        QVERIFY(texts.last().isEmpty());
        for (int k = 0; k + 1 < texts.size(); ++k)
            QVERIFY2(texts.at(k).contains(QLatin1Char(':')), qPrintable(texts.at(k)));

        const ChartAxis week = layoutChartAxis(t, t + 7 * 86400, false, AxisBounds::Whole);
        QCOMPARE(week.step, 100000.0);
        texts = labels(ModeDate, week);
        QCOMPARE(texts.first(), QStringLiteral("14/11/2023"));
        QVERIFY(texts.last().isEmpty());
        QCOMPARE(texts.size(), week.ticks);
        // Other modes label the last tick too.
        QVERIFY(!labels(ModeIndex, week).last().isEmpty());
    }

    void percentAxisMapping()
    {
        // Bottom 220, height 190 (a 400 px high chart page).
        QCOMPARE(chartPercentY(0.0, 220, 190), 220);
        QCOMPARE(chartPercentY(100.0, 220, 190), 125);
        QCOMPARE(chartPercentY(200.0, 220, 190), 30);
        QCOMPARE(chartPercentY(99.9, 220, 190), 125); // 125.095 truncated
        QCOMPARE(chartPercentY(-10.0, 220, 190), 229); // outside, not clipped
        QCOMPARE(chartPercentYInteger(115, 220, 190), 220 - 109);
        QCOMPARE(chartPercentYInteger(65535, 220, 190), 220 - 62258);
    }

    void pixelsStayInsideTheirFields()
    {
        QCOMPARE(chartPixel(12.9), 12);
        QCOMPARE(chartPixel(-12.9), -12);
        QCOMPARE(chartPixel(1e300), chartPixelLimit);
        QCOMPARE(chartPixel(-1e300), -chartPixelLimit);
        QCOMPARE(chartPixel(std::nan("")), chartPixelLimit);
        QCOMPARE(chartPercentY(std::numeric_limits<double>::infinity(), 220, 190), -chartPixelLimit);
    }

    void recordXMapsOntoThePlot()
    {
        const ChartAxis axis = layoutChartAxis(0, 49, true, AxisBounds::Whole);
        QCOMPARE(chartPlotX(0, axis, 500), 40);
        QCOMPARE(chartPlotX(50, axis, 500), 540);
        QCOMPARE(chartPlotX(5, axis, 500), chartTickX(1, axis.ticks, 500));
        QCOMPARE(chartPlotX(-1, axis, 500), 30);
        QCOMPARE(chartPlotX(4294967295.0, axis, 500), chartPixelLimit);
    }

    void polylineMergesVerticalChains()
    {
        const QVector<QPoint> points = {{5, 10}, {5, 3}, {5, 8}, {6, 1}, {6, 1}, {9, 4}, {9, 20}};
        const QVector<QLine> lines = chartPolylineSegments(points);
        QCOMPARE(lines, QVector<QLine>({QLine(5, 3, 5, 10), QLine(5, 8, 6, 1), QLine(6, 1, 6, 1),
                                        QLine(6, 1, 9, 4), QLine(9, 4, 9, 20)}));
        QVERIFY(chartPolylineSegments({{1, 1}}).isEmpty());
        QVERIFY(chartPolylineSegments({}).isEmpty());
    }

    void mergedPolylinePaintsTheSamePixels()
    {
        // The merged segments must give the picture that one line per
        // segment gives, pixel for pixel, including points off the image.
        QRandomGenerator random(99);
        for (int round = 0; round < 200; ++round) {
            QVector<QPoint> points;
            const int n = 2 + int(random.bounded(60));
            for (int i = 0; i < n; ++i) {
                const int x = int(random.bounded(14)) * 5 - 3; // few columns, some outside
                points.append(QPoint(x, int(random.bounded(90)) - 10));
                if (random.bounded(3) == 0)
                    points.append(points.last()); // repeated points
            }
            std::sort(points.begin(), points.end(),
                      [](const QPoint& a, const QPoint& b) { return a.x() < b.x(); });
            QImage single(64, 64, QImage::Format_RGB32);
            single.fill(Qt::white);
            QImage merged = single;
            {
                QPainter painter(&single);
                painter.setPen(QPen(QColor(255, 0, 255), 1));
                for (int i = 0; i + 1 < points.size(); ++i)
                    painter.drawLine(points.at(i), points.at(i + 1));
            }
            {
                QPainter painter(&merged);
                painter.setPen(QPen(QColor(255, 0, 255), 1));
                painter.drawLines(chartPolylineSegments(points));
            }
            QVERIFY2(single == merged, qPrintable(QStringLiteral("round %1").arg(round)));
        }
    }

    void infoLineValues()
    {
        UnitIdentity reader;
        reader.hardwareVersion = 2.5;
        reader.softwareVersion = QStringLiteral("V1.40");
        reader.pvnValue = 7;
        reader.pulseInput = 100;
        reader.serialNumber = 123456;
        reader.countryCode = -1;
        reader.statusSideA = 5;
        reader.statusSideB = 255;
        QVector<ChartInfoItem> items = chartInfoLine(reader, true);
        QStringList texts;
        QList<int> xs;
        for (const ChartInfoItem& item : items) {
            texts << item.text;
            xs << item.x;
        }
        QCOMPARE(texts, QStringList({"HVN.C: 2.5", "SVN.C: V1.40", "PVN.C: 7", "IMP.C: 100",
                                     "SNR.C: 123456", "Status: 10100000"}));
        QCOMPARE(xs, QList<int>({40, 120, 200, 280, 360, 660}));

        reader.countryCode = 0;
        items = chartInfoLine(reader, false);
        QCOMPARE(items.size(), 7);
        QCOMPARE(items.at(5).x, 540);
        QCOMPARE(items.at(5).text, QStringLiteral("CC: 0"));
        QCOMPARE(items.at(6).text, QStringLiteral("Status: 11111111"));
    }
};

QTEST_GUILESS_MAIN(TestChartAxis)
#include "tst_chartaxis.moc"
