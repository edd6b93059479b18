// A child process of a sanitizer build writes its report to the standard
// error that the test captured and usually never prints; without this the
// log shows only the exit status (66 under ThreadSanitizer).
#pragma once

#include <QByteArray>
#include <QDebug>

inline void showSanitizerReport(const QByteArray& childErrors)
{
    if (childErrors.contains("Sanitizer") || childErrors.contains("runtime error:"))
        qWarning().noquote() << "child's sanitizer report:\n" << childErrors;
}
