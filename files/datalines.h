// Reading the lines of a data file the user loads, from any device.
#pragma once

#include <QByteArray>
#include <QIODevice>

// A line longer than this is no history line nor CSV row; the rest of it is
// skipped so a binary file cannot make the importer hold it all.
constexpr qint64 maxLineBytes = 64 * 1024;

// Reads one line of a device opened without text translation; the line
// feed and any carriage returns before it are dropped (and handed back
// through terminator). False at the end.
bool readLine(QIODevice& device, QByteArray& line, QByteArray* terminator = nullptr);

// The lines of a raw dump, which may end in LF, CR LF or a lone CR (the
// unit's own line end). A dump saved with CRs alone is one LF line long, so
// its lines are cut here at either character rather than by readLine, whose
// length cap would drop everything after the first maxLineBytes. A line
// longer than maxLineBytes is dropped whole. Empty lines come out empty.
class RawLines
{
public:
    explicit RawLines(QIODevice& device) : device(device) {}
    bool next(QByteArray& line);

private:
    static constexpr qint64 blockBytes = 64 * 1024;
    QIODevice& device;
    QByteArray buffer;
    qsizetype position = 0;
    bool overlong = false;
};
