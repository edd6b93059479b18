// What was changed on the unit since the last connect, for the visit
// report: every write the technician confirmed, how it ended, and the
// values the unit reported back.
#pragma once

#include "report/visitreport.h"

#include <QList>

class UnitChangeLog
{
public:
    // A new connection is a new visit.
    void clear() { done.clear(); }
    // A confirmed change that has gone to the reader.
    void begin(const VisitAction& change) { underWay = change; }
    // The time the unit reads back after a clock set; comes before the end.
    void clockReadBack(const QDateTime& time) { underWay.clock = time; }
    // The reader's result of the change under way. pulseInputNow: the value
    // the unit reports after a pulse input write that succeeded.
    void finish(VisitAction::Kind kind, bool succeeded, qint32 pulseInputNow = 0);
    const QList<VisitAction>& changes() const { return done; }

private:
    QList<VisitAction> done;
    VisitAction underWay;
};
