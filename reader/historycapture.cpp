#include "reader/historycapture.h"

#include "reader/historyparser.h"

#include <QVector>

SideDownload captureSideDownload(char side, int requested, const QByteArray& bytes, bool lineOpen,
                                 bool limitReached)
{
    SideDownload download;
    download.side = side;
    download.requested = requested;
    if (bytes.isEmpty()) {
        download.outcome = SideOutcome::NoAnswer;
        return download;
    }
    QByteArray terminated;  // the history lines again, for counting the records they give
    int start = 0;
    for (int end = bytes.indexOf('\r'); end >= 0; end = bytes.indexOf('\r', start)) {
        int first = start;
        while (first < end && bytes.at(first) == '\n')
            ++first;
        const int length = end - first;
        if (isHistoryLine(bytes.constData() + first, length)) {
            download.historyLines.append(bytes.mid(first, length));
            terminated += bytes.mid(first, length) + "\r\n";
        }
        start = end + 1;
    }
    QVector<KelmoraFillingData> records(download.historyLines.size());
    bool formatNo = false;
    bool formatDecided = false;
    download.received = parseHistoryLines(terminated, records.data(), int(records.size()), &formatNo,
                                          &formatDecided);
    const char last = bytes.back();
    const bool endsWithWholeLine = last == '\r' || last == '\n';
    download.outcome = lineOpen && (endsWithWholeLine || limitReached) ? SideOutcome::Complete
                                                                       : SideOutcome::Interrupted;
    return download;
}
