#include "app/unitchangelog.h"

void UnitChangeLog::finish(VisitAction::Kind kind, bool succeeded, qint32 pulseInputNow)
{
    VisitAction change = underWay;
    change.kind = kind;
    change.succeeded = succeeded;
    change.at = QDateTime::currentDateTime();
    if (kind == VisitAction::PulseInput && succeeded)
        change.newPulseInput = pulseInputNow;
    done.append(change);
    underWay = VisitAction{};
}
