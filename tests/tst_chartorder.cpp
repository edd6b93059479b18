// Drawing order and range search of the chart: pure functions over records.
#include "chart/chartorder.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <vector>

namespace {

std::vector<KelmoraFillingData> blankRecords(int n)
{
    KelmoraFillingData blank{};
    return std::vector<KelmoraFillingData>(size_t(n), blank);
}

std::vector<quint16> orderOf(ChartMode mode, const std::vector<KelmoraFillingData>& records)
{
    std::vector<quint16> order(records.size());
    buildChartOrder(mode, records.data(), int(records.size()), order.data());
    return order;
}

// The two neighbour-exchanging passes the fuel-flow order is defined by: the
// reference the fast sort must reproduce.
std::vector<quint16> bubbleFuelFlowOrder(const std::vector<KelmoraFillingData>& records)
{
    const int n = int(records.size());
    std::vector<quint16> order(records.size());
    for (int i = 0; i < n; ++i)
        order[size_t(i)] = quint16(i);
    for (int pass = 0; pass < n; ++pass)
        for (int j = 0; j + 1 < n - pass; ++j)
            if (records[order[j]].fuelFlow > records[order[j + 1]].fuelFlow)
                std::swap(order[j], order[j + 1]);
    for (int pass = 0; pass < n; ++pass)
        for (int j = 0; j + 1 < n - pass; ++j)
            if (fuelFlowTied(records[order[j]].fuelFlow, records[order[j + 1]].fuelFlow)
                && records[order[j]].temperature > records[order[j + 1]].temperature)
                std::swap(order[j], order[j + 1]);
    return order;
}

} // namespace

class TestChartOrder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void indexOrderIsArrayOrder()
    {
        auto records = blankRecords(4);
        records[0].fillings = 9;
        QCOMPARE(orderOf(ModeIndex, records), std::vector<quint16>({0, 1, 2, 3}));
    }

    void equalKeysKeepArrayOrder()
    {
        auto records = blankRecords(6);
        const quint16 fillings[6] = {5, 3, 5, 1, 3, 5};
        const quint32 times[6] = {50, 30, 50, 10, 30, 50};
        const double temperatures[6] = {5, 3, 5, 1, 3, 5};
        for (int i = 0; i < 6; ++i) {
            records[size_t(i)].fillings = fillings[i];
            records[size_t(i)].timestamp = times[i];
            records[size_t(i)].temperature = temperatures[i];
        }
        const std::vector<quint16> expected({3, 1, 4, 0, 2, 5});
        QCOMPARE(orderOf(ModeFillings, records), expected);
        QCOMPARE(orderOf(ModeDate, records), expected);
        QCOMPARE(orderOf(ModeTemperature, records), expected);
    }

    void equalFuelFlowPutsLowerTemperatureFirst()
    {
        auto records = blankRecords(3);
        records[0].fuelFlow = 40.0;
        records[0].temperature = 25.0;
        records[1].fuelFlow = 40.0;
        records[1].temperature = 12.0;
        records[2].fuelFlow = 10.0;
        records[2].temperature = 99.0;
        QCOMPARE(orderOf(ModeFuelFlow, records), std::vector<quint16>({2, 1, 0}));
        // Equal within the relative tolerance counts as a tie as well.
        records[0].fuelFlow = 0.3;
        records[1].fuelFlow = 0.1 + 0.2; // 0.30000000000000004
        QVERIFY(records[0].fuelFlow < records[1].fuelFlow);
        QVERIFY(fuelFlowTied(records[0].fuelFlow, records[1].fuelFlow));
        QCOMPARE(orderOf(ModeFuelFlow, records), std::vector<quint16>({1, 0, 2}));
        QVERIFY(!fuelFlowTied(1.0, 1.0 + 1e-9));
        QVERIFY(fuelFlowTied(0.0, 0.0));
        QVERIFY(!fuelFlowTied(0.0, 1e-300));
    }

    void fuelFlowOrderMatchesTheNeighbourPasses()
    {
        QRandomGenerator random(4711);
        for (int round = 0; round < 40; ++round) {
            const int n = 1 + int(random.bounded(300));
            auto records = blankRecords(n);
            for (auto& record : records) {
                record.fuelFlow = double(random.bounded(8)) * 0.1;
                if (random.bounded(4) == 0)
                    record.fuelFlow = 0.3; // a near tie with 3 * 0.1
                record.temperature = double(random.bounded(5));
            }
            QCOMPARE(orderOf(ModeFuelFlow, records), bubbleFuelFlowOrder(records));
        }
    }

    void notANumberSortsLastWithoutHarm()
    {
        auto records = blankRecords(5);
        const double values[5] = {3.0, std::nan(""), 1.0, std::nan(""), 2.0};
        for (int i = 0; i < 5; ++i) {
            records[size_t(i)].temperature = values[i];
            records[size_t(i)].fuelFlow = values[i];
        }
        QCOMPARE(orderOf(ModeTemperature, records), std::vector<quint16>({2, 4, 0, 1, 3}));
        QCOMPARE(orderOf(ModeFuelFlow, records), std::vector<quint16>({2, 4, 0, 1, 3}));
    }

    void indexRangeOfTheWholeArray()
    {
        auto records = blankRecords(50);
        const auto order = orderOf(ModeIndex, records);
        ChartRange range = findChartRange(ModeIndex, records.data(), order.data(), 50,
                                          chartRangeMin, chartRangeMax, OrderAll);
        QVERIFY(range.enough);
        QCOMPARE(range.first, 0);
        QCOMPARE(range.last, 49);
        QCOMPARE(range.lower, 0.0);
        QCOMPARE(range.upper, 49.0);
        range = findChartRange(ModeIndex, records.data(), order.data(), 50, 6, 26, OrderAll);
        QCOMPARE(range.first, 6);
        QCOMPARE(range.last, 26);
        // Two records in range are too few.
        QVERIFY(!findChartRange(ModeIndex, records.data(), order.data(), 50, 10, 11, OrderAll).enough);
        QVERIFY(!findChartRange(ModeIndex, records.data(), order.data(), 2, chartRangeMin,
                                chartRangeMax, OrderAll).enough);
        QVERIFY(findChartRange(ModeIndex, records.data(), order.data(), 3, chartRangeMin,
                               chartRangeMax, OrderAll).enough);
    }

    void indexRangeThatOnlyFindsAFirstIsTooFew()
    {
        // minX on the last record: the first is found, the last is not. The
        // positions run backwards, which must end the drawing instead of
        // wrapping round to a huge unsigned difference.
        auto records = blankRecords(10);
        const auto order = orderOf(ModeIndex, records);
        const ChartRange range =
            findChartRange(ModeIndex, records.data(), order.data(), 10, 9, 30, OrderAll);
        QCOMPARE(range.first, 9);
        QCOMPARE(range.last, 0);
        QVERIFY(!range.enough);
    }

    void fillingsRange()
    {
        auto records = blankRecords(5);
        const quint16 keys[5] = {7, 1, 7, 7, 4};
        for (int i = 0; i < 5; ++i)
            records[size_t(i)].fillings = keys[i];
        const auto order = orderOf(ModeFillings, records); // 1, 4, 0, 2, 3
        ChartRange range = findChartRange(ModeFillings, records.data(), order.data(), 5,
                                          chartRangeMin, chartRangeMax, OrderForward);
        QVERIFY(range.enough);
        QCOMPARE(range.first, 0);
        QCOMPARE(range.last, 2); // where the largest key first occurs
        QCOMPARE(range.lower, 1.0);
        QCOMPARE(range.upper, 7.0);
        // No record in range: axes over the requested bounds, no record drawn.
        range = findChartRange(ModeFillings, records.data(), order.data(), 5, 100, 200, OrderForward);
        QVERIFY(range.enough);
        QVERIFY(range.last < range.first);
        QCOMPARE(range.lower, 100.0);
        QCOMPARE(range.upper, 200.0);
        // Without records the whole range spans the 16-bit keys.
        range = findChartRange(ModeFillings, records.data(), order.data(), 0, chartRangeMin,
                               chartRangeMax, OrderForward);
        QVERIFY(range.enough);
        QCOMPARE(range.lower, 0.0);
        QCOMPARE(range.upper, 65535.0);
        // Keys spanning just 1 are too few, whatever the number of records.
        for (auto& record : records)
            record.fillings = record.fillings > 4 ? 3 : 2;
        const auto close = orderOf(ModeFillings, records);
        QVERIFY(!findChartRange(ModeFillings, records.data(), close.data(), 5, chartRangeMin,
                                chartRangeMax, OrderForward).enough);
    }

    void dateRangeCountsPositions()
    {
        auto records = blankRecords(4);
        const quint32 times[4] = {4000000000u, 1000, 1000, 3000};
        for (int i = 0; i < 4; ++i)
            records[size_t(i)].timestamp = times[i];
        const auto order = orderOf(ModeDate, records); // 1, 2, 3, 0
        ChartRange range = findChartRange(ModeDate, records.data(), order.data(), 4, chartRangeMin,
                                          chartRangeMax, OrderForward);
        QVERIFY(range.enough);
        QCOMPARE(range.first, 0);
        QCOMPARE(range.last, 2); // 4000000000 lies beyond the whole-range maximum
        QCOMPARE(range.upper, 3000.0);
        range = findChartRange(ModeDate, records.data(), order.data(), 4, 0, 4294967295.0,
                               OrderForward);
        QCOMPARE(range.last, 3);
        QCOMPARE(range.upper, 4000000000.0);
        QVERIFY(!findChartRange(ModeDate, records.data(), order.data(), 4, 999, 1000.5,
                                OrderForward).enough);
    }

    void rankedRangeAndOrders()
    {
        auto records = blankRecords(100);
        const auto order = orderOf(ModeTemperature, records);
        ChartRange forward = findChartRange(ModeTemperature, records.data(), order.data(), 100,
                                            10.5, 20.5, OrderForward);
        QCOMPARE(forward.first, 11);
        QCOMPARE(forward.last, 20);
        QCOMPARE(forward.lower, 11.0);
        QCOMPARE(forward.upper, 20.0);
        const ChartRange reverse = findChartRange(ModeTemperature, records.data(), order.data(),
                                                  100, 10.5, 20.5, OrderReverse);
        QCOMPARE(reverse.first, forward.first);
        QCOMPARE(reverse.last, forward.last);
        QVERIFY(reverse.enough);
        const ChartRange all = findChartRange(ModeFuelFlow, records.data(), order.data(), 100,
                                              10.5, 20.5, OrderAll);
        QCOMPARE(all.first, 0);
        QCOMPARE(all.last, 99);
        QCOMPARE(all.lower, 11.0); // the axis keeps the range
        QVERIFY(!findChartRange(ModeFuelFlow, records.data(), order.data(), 0, chartRangeMin,
                                chartRangeMax, OrderAll).enough);
        QVERIFY(!findChartRange(ModeFuelFlow, records.data(), order.data(), 100, 5, 6.5,
                                OrderForward).enough);
    }
};

QTEST_GUILESS_MAIN(TestChartOrder)
#include "tst_chartorder.moc"
