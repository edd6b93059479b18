// The report buttons' work: asking for technician and site, then for the
// file, and writing the visit report there; for what the window holds or
// for any archived download chosen in the Visits dialog.
#pragma once

#include "report/visitreport.h"

#include <QObject>

#include <functional>

class QWidget;
struct ArchivedDownload;

class ReportActions : public QObject
{
    Q_OBJECT

public:
    // log: a line for the window's log (what was written, or why not).
    ReportActions(QWidget* dialogParent, std::function<void(const QString&)> log);

    // Asks for technician, site and file, then writes the report; a failure
    // is said in a box.
    void save(const VisitReport& report);
    // The report of an archived download; what the window holds and the
    // changes of this visit are not part of it.
    void saveArchived(const ArchivedDownload& download);
    // Writes the report for the given technician and site (remembered for
    // the next report) and says the result in the log; on failure *failure
    // (when given) says why.
    bool write(const QString& path, VisitReport report, const QString& technician, const QString& site,
               QString* failure);

private:
    // Technician and site, filled with the last ones given; false when cancelled.
    bool askVisitor(QString* technician, QString* site);

    QWidget* parentWidget = nullptr;
    std::function<void(const QString&)> logLine;
};
