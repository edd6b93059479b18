// The table page of one dispenser side: the records as a sortable list, an
// export panel (CSV, ODS, the visit report) and a button that empties the side.
#pragma once

#include "model/kelmorafillingdata.h"
#include "model/unitidentity.h"

#include "files/exportcommon.h"

#include <QTableWidget>
#include <QWidget>

#include <cstdint>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;

class GUI_DataTable : public QWidget
{
    Q_OBJECT

public:
    static constexpr int columnCount = 13;
    // Widths the columns get at least when a side is listed, before any
    // rescaling; a column whose values or heading need more gets more.
    static const int initialColumnWidths[columnCount];
    // Rescaled columns never grow wider than this, nor narrower than their
    // widest value.
    static constexpr int maximumColumnWidth = 120;
    static constexpr int resizeDelayMs = 250;
    static constexpr int exportPollMs = 500;

    explicit GUI_DataTable(QWidget* parent = nullptr);

    // Header texts and button labels in the current language.
    void retranslate();

    // Whether a point in exportButton's coordinates lies in the column formed
    // by the button and the panel below it (edges included).
    bool isInsideExportZone(const QPoint& pointInButton) const;

    QTableWidget* table() { return &tableWidget; }
    // The narrowest a column may be with the records listed: its widest
    // value and its heading fit (0 while nothing is listed).
    int fittedColumnWidth(int column) const { return fittedWidths[column]; }
    // The array the page lists and exports (borrowed; null when empty).
    const KelmoraFillingData* shownRecords() const { return records; }
    // The unit and record layout of the records handed over next: the
    // headers and the exports use this copy until another is given.
    void setRecordOrigin(const RecordOrigin& given);
    const RecordOrigin& recordOrigin() const { return origin; }
    // The line beside the buttons that says whose records the side holds
    // and what is wrong with them (warning: shown as a warning); hidden
    // while empty.
    void setSideNote(const QString& note, bool warning);
    const QLabel* sideNote() const { return sideNoteLabel; }
    // The page of the other side, whose records (and their layout) an
    // export of both sides takes as well.
    void setOtherSidePage(const GUI_DataTable* other) { otherSide = other; }
    // What an export of the sides asked for writes: this page's unit, each
    // side's stored records headed by its own layout, the current language.
    ExportContent exportContent(bool sideA, bool sideB) const;

Q_SIGNALS:
    void dataReady(KelmoraFillingData* fillingData, quint16* count, quint8 success);
    // The export panel's report button: the window makes the visit report.
    void reportRequested();

public Q_SLOTS:
    void listData(KelmoraFillingData* fillingData, uint16_t* count);
    void resizeTimerTimeout();
    void exportWidgetTimeout();
    void buttonClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString headerText(int column) const;
    // A cell's value in its own type, so that sorting compares numbers and
    // dates rather than their texts.
    static QVariant cellValue(const KelmoraFillingData& record, int column);
    void fillRow(int row, const KelmoraFillingData& record);
    // Widens each column to its widest value and its heading (at least its
    // initial width) and keeps that as the column's narrowest.
    void fitColumnsToContents(const KelmoraFillingData* fillingData, int rows);
    int headingWidth(int column) const;
    int cellPadding() const;
    // Record indexes in the order the table is about to sort them into.
    std::vector<int> rowOrder(const KelmoraFillingData* fillingData, int rows) const;
    static double sortKey(const KelmoraFillingData& record, int column);
    // Which sides an export covers: the page's own side, or both when the
    // other side holds records too and the user asks for both.
    void chooseExportSides(bool& sideA, bool& sideB) const;
    void exportCsv();
    void exportOds();

    QPushButton* exportButton = nullptr;
    QWidget* exportWidget = nullptr;
    QTimer* exportWidgetTimer = nullptr;
    QPushButton* csvButton = nullptr;
    QPushButton* odsButton = nullptr;
    QPushButton* reportButton = nullptr;
    QPushButton* clearButton = nullptr;
    QLabel* sideNoteLabel = nullptr;
    QTimer* resizeTimer = nullptr;
    QTableWidget tableWidget;
    int fittedWidths[columnCount] = {};
    KelmoraFillingData* records = nullptr;
    quint16* count = nullptr;
    RecordOrigin origin;
    const GUI_DataTable* otherSide = nullptr;
};
