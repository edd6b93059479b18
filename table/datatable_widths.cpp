// The table page's column widths: wide enough for every value a side holds
// and for the column's heading, measured without formatting 65535 × 13
// cells. The numbers themselves tell which few values have the longest
// texts; only those are formatted the way the view shows them and measured.
#include "table/gui_datatable.h"

#include <QDateTime>
#include <QHeaderView>
#include <QStyle>
#include <QStyledItemDelegate>

#include <cmath>

namespace {

// Values measured per column: every value of the longest text length found
// (digits of most fonts share one width, so they measure alike), up to this
// many, and the one before in case a font's digits differ a little.
constexpr int candidatesPerColumn = 4;

constexpr double powersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};

// The view shows a double as "g" with six significant digits (Qt's item
// delegate): this counts its characters without building the text.
int shownDoubleLength(double value)
{
    if (!std::isfinite(value))
        return 4;
    const int sign = value < 0 ? 1 : 0;
    const double magnitude = std::fabs(value);
    if (magnitude == 0.0)
        return 1;
    if (magnitude < 1e-4 || magnitude >= 999999.5)
        return sign + 12; // exponent form, "-1.23457e+06"
    int integerDigits = 1;
    while (integerDigits < 6 && magnitude >= powersOfTen[integerDigits])
        ++integerDigits;
    int decimals = 6 - integerDigits;
    if (magnitude < 1.0) {
        // Six significant digits after the zeros that follow the point.
        decimals = 6;
        while (decimals < 10 && magnitude * powersOfTen[decimals - 5] < 1.0)
            ++decimals;
    }
    auto scaled = std::llround(magnitude * powersOfTen[decimals]);
    while (decimals > 0 && scaled % 10 == 0) {
        scaled /= 10;
        --decimals;
    }
    return sign + integerDigits + (decimals > 0 ? 1 + decimals : 0);
}

int shownIntegerLength(qint64 value)
{
    int length = value < 0 ? 2 : 1;
    for (qint64 rest = value < 0 ? -value : value; rest >= 10; rest /= 10)
        ++length;
    return length;
}

// The longest text a record shows in a column, in characters; the date
// column is measured from its extremes instead.
int shownLength(const KelmoraFillingData& record, int column)
{
    switch (column) {
    case 0: return shownIntegerLength(record.number);
    case 2: return shownIntegerLength(record.levelCode);
    case 3: return shownIntegerLength(record.fillings);
    case 4: return shownDoubleLength(record.ratePercent);
    case 5: return shownDoubleLength(record.linePercent);
    case 6: return shownDoubleLength(record.temperature);
    case 7: return shownIntegerLength(record.integerPercent);
    case 8: return shownDoubleLength(record.auxValue);
    case 9: return shownDoubleLength(record.fuelFlow);
    case 10: return shownDoubleLength(record.optionalFirst);
    case 11: return shownDoubleLength(record.optionalSecond);
    case 12:
        return (record.limit == 0 || record.limit == -1) ? 5 : shownIntegerLength(quint32(record.limit));
    default: return 0;
    }
}

struct LongestTexts {
    int length = -1;
    std::vector<int> records;

    void offer(int candidateLength, int record)
    {
        if (candidateLength > length) {
            // The previous longest stays as the one-shorter candidate.
            if (candidateLength == length + 1 && !records.empty())
                records.resize(1);
            else
                records.clear();
            length = candidateLength;
        } else if (candidateLength < length || int(records.size()) >= candidatesPerColumn) {
            return;
        }
        records.push_back(record);
    }
};

} // namespace

// Widest line of the heading plus the header section's margins.
int GUI_DataTable::headingWidth(int column) const
{
    const QHeaderView* header = tableWidget.horizontalHeader();
    const QFontMetrics metrics(header->font());
    int widest = 0;
    const QStringList lines = headerText(column).split(QLatin1Char('\n'));
    for (QString line : lines)
        widest = qMax(widest, metrics.horizontalAdvance(line.remove(QLatin1Char('\r'))));
    return widest + 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 2;
}

// The view draws a cell's text inside a margin on both sides and a grid
// line; one more pixel absorbs rounding of the text's width.
int GUI_DataTable::cellPadding() const
{
    const int margin = tableWidget.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &tableWidget) + 1;
    return 2 * margin + (tableWidget.showGrid() ? 1 : 0) + 1;
}

void GUI_DataTable::fitColumnsToContents(const KelmoraFillingData* fillingData, int rows)
{
    LongestTexts longest[columnCount];
    int earliest = 0;
    int latest = 0;
    for (int row = 0; row < rows; ++row) {
        const KelmoraFillingData& record = fillingData[row];
        for (int column = 0; column < columnCount; ++column) {
            if (column != 1)
                longest[column].offer(shownLength(record, column), row);
        }
        if (row == 0 || record.timestamp < fillingData[earliest].timestamp)
            earliest = row;
        if (row == 0 || record.timestamp > fillingData[latest].timestamp)
            latest = row;
    }
    const auto* delegate = qobject_cast<const QStyledItemDelegate*>(tableWidget.itemDelegate());
    const QFontMetrics metrics(tableWidget.font());
    const QLocale shownLocale = tableWidget.locale();
    auto shownWidth = [&](const QVariant& value) {
        const QString shown = delegate ? delegate->displayText(value, shownLocale) : value.toString();
        return metrics.horizontalAdvance(shown);
    };
    const int padding = cellPadding();
    for (int column = 0; column < columnCount; ++column) {
        int widest = 0;
        if (column == 1) {
            // Besides the first and the last record: a two-digit day and
            // hour in every month, since month names differ in width.
            const QDateTime last = QDateTime::fromSecsSinceEpoch(fillingData[latest].timestamp);
            widest = qMax(shownWidth(last), shownWidth(QDateTime::fromSecsSinceEpoch(fillingData[earliest].timestamp)));
            for (int month = 1; month <= 12; ++month)
                widest = qMax(widest, shownWidth(QDateTime(QDate(last.date().year(), month, 28), QTime(22, 58, 58))));
        } else {
            for (int row : longest[column].records)
                widest = qMax(widest, shownWidth(cellValue(fillingData[row], column)));
        }
        fittedWidths[column] = qMax(initialColumnWidths[column], qMax(widest + padding, headingWidth(column)));
        tableWidget.setColumnWidth(column, fittedWidths[column]);
    }
}
