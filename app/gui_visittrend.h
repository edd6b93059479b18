// A small painted plot of one side's share of fillings within 85-115 %
// over a unit's visits, oldest left: a drift from visit to visit shows as a
// slope. Visits without fillings of the side leave a gap in the line.
#pragma once

#include <QList>
#include <QWidget>

class GUI_VisitTrend : public QWidget
{
    Q_OBJECT

public:
    explicit GUI_VisitTrend(char side, QWidget* parent = nullptr);

    // Shares 0..1 per visit, oldest first; a negative share is a visit
    // without one. highlighted: the visit drawn marked, -1 for none.
    void setShares(const QList<double>& sharesOldestFirst, int highlighted);
    const QList<double>& shares() const { return visitShares; }
    int highlightedVisit() const { return highlighted; }
    // The title in the current language.
    QString title() const;
    // The share at the foot of the scale: a step of ten below the lowest
    // share shown, at most 90 %.
    double scaleBottom() const;

    QSize sizeHint() const override { return QSize(380, 130); }
    QSize minimumSizeHint() const override { return QSize(200, 100); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const char side;
    QList<double> visitShares;
    int highlighted = -1;
};
