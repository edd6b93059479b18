#include "files/datalines.h"

bool readLine(QIODevice& device, QByteArray& line, QByteArray* terminator)
{
    if (device.atEnd())
        return false;
    line = device.readLine(maxLineBytes);
    if (line.isEmpty())
        return false;
    if (!line.endsWith('\n')) {
        QByteArray rest;
        while (!device.atEnd()) {
            rest = device.readLine(maxLineBytes);
            if (rest.isEmpty() || rest.endsWith('\n'))
                break;
        }
    }
    int end = line.size();
    while (end > 0 && (line.at(end - 1) == '\n' || line.at(end - 1) == '\r'))
        --end;
    if (terminator)
        *terminator = line.mid(end);
    line.truncate(end);
    return true;
}

bool RawLines::next(QByteArray& line)
{
    for (;;) {
        qsizetype end = position;
        while (end < buffer.size() && buffer.at(end) != '\r' && buffer.at(end) != '\n')
            ++end;
        if (end < buffer.size()) {
            const bool keep = !overlong;
            if (keep)
                line = buffer.mid(position, end - position);
            overlong = false;
            position = end + 1;
            if (keep)
                return true;
            continue;
        }
        if (buffer.size() - position > maxLineBytes) {
            overlong = true;  // the rest of this line is read past
            position = buffer.size();
        }
        buffer.remove(0, position);
        position = 0;
        const QByteArray more = device.read(blockBytes);
        if (more.isEmpty()) {
            const bool last = !buffer.isEmpty() && !overlong;
            line = buffer;
            buffer.clear();
            overlong = false;
            return last;
        }
        buffer += more;
    }
}
