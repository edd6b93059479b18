// The text parts of the visit report's pages, in the current language.
#pragma once

#include "report/reportfigures.h"
#include "report/reportpen.h"
#include "report/visitreport.h"

// Title, unit, visit and what was done to the unit.
void paintReportHead(ReportPen& pen, const VisitReport& report);
// The head of every further page: the title with the unit, and the visit in
// one line, so that a page that comes apart from the first still says whose
// it is.
void paintPageHead(ReportPen& pen, const VisitReport& report);
// A side's heading, how its records were read, the rate bands and the
// fillings outside the band.
void paintSideFigures(ReportPen& pen, ReportSource source, const ReportSide& side, const SideFigures& figures);

// The unit values the Home page shows, named as it names them.
NamedValues unitValues(const UnitIdentity& unit);
// One line per change made to the unit.
QStringList actionLines(const QList<VisitAction>& actions);
