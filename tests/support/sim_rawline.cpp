#include "sim_rawline.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

RawLine::~RawLine()
{
    close();
}

#ifdef Q_OS_UNIX

namespace {

void makeRaw(int descriptor)
{
    termios t{};
    if (tcgetattr(descriptor, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(descriptor, TCSANOW, &t);
    }
}

} // namespace

bool RawLine::openPeer()
{
    close();
    fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        return false;
    const char* name = (grantpt(fd) == 0 && unlockpt(fd) == 0) ? ptsname(fd) : nullptr;
    if (!name) {
        close();
        return false;
    }
    path = QString::fromLocal8Bit(name);
    slaveFd = ::open(name, O_RDWR | O_NOCTTY);
    if (slaveFd < 0) {
        close();
        return false;
    }
    makeRaw(slaveFd);
    return true;
}

bool RawLine::openDevice(const QString& device)
{
    close();
    fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return false;
    makeRaw(fd);
    path = device;
    return true;
}

void RawLine::close()
{
    if (fd >= 0)
        ::close(fd);
    if (slaveFd >= 0)
        ::close(slaveFd);
    fd = -1;
    slaveFd = -1;
    leftover.clear();
}

bool RawLine::write(const QByteArray& bytes)
{
    qint64 done = 0;
    QDeadlineTimer deadline(2000);
    while (fd >= 0 && done < bytes.size() && !deadline.hasExpired()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        else
            usleep(1000);
    }
    return done == bytes.size();
}

QByteArray RawLine::readSome(int waitMs)
{
    if (fd < 0)
        return {};
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, waitMs) <= 0)
        return {};
    if (pfd.revents & (POLLHUP | POLLERR) && !(pfd.revents & POLLIN)) {
        sawHangUp = true;
        return {};
    }
    char chunk[1024];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n <= 0) {
        sawHangUp = true;
        return {};
    }
    return QByteArray(chunk, int(n));
}

unsigned RawLine::slaveControlFlags() const
{
    termios t{};
    const int descriptor = slaveFd >= 0 ? slaveFd : fd;
    if (descriptor < 0 || tcgetattr(descriptor, &t) != 0)
        return 0;
    return unsigned(t.c_cflag);
}

#else

bool RawLine::openPeer() { return false; }
bool RawLine::openDevice(const QString&) { return false; }
void RawLine::close() {}
bool RawLine::write(const QByteArray&) { return false; }
QByteArray RawLine::readSome(int) { return {}; }
unsigned RawLine::slaveControlFlags() const { return 0; }

#endif

QByteArray RawLine::readUntilSilent(int silenceMs, int maxMs)
{
    QByteArray all = leftover;
    leftover.clear();
    QDeadlineTimer deadline(maxMs);
    while (!deadline.hasExpired() && !sawHangUp) {
        const QByteArray chunk = readSome(int(qMin<qint64>(silenceMs, qMax<qint64>(1, deadline.remainingTime()))));
        if (chunk.isEmpty())
            break;
        all += chunk;
    }
    return all;
}

QByteArray RawLine::readLine(int maxMs, bool* complete)
{
    QByteArray all = leftover;
    leftover.clear();
    QDeadlineTimer deadline(maxMs);
    while (all.indexOf("\r\n") < 0 && !deadline.hasExpired() && !sawHangUp)
        all += readSome(int(qMax<qint64>(1, qMin<qint64>(20, deadline.remainingTime()))));
    const int end = all.indexOf("\r\n");
    if (complete)
        *complete = end >= 0;
    if (end < 0)
        return all;
    leftover = all.mid(end + 2);
    return all.left(end);
}

QList<RawLine::Arrival> RawLine::readTimed(int maxMs, int expectedBytes)
{
    QList<Arrival> arrivals;
    QElapsedTimer clock;
    clock.start();
    int total = 0;
    while (clock.elapsed() < maxMs && total < expectedBytes && !sawHangUp) {
        const QByteArray chunk = readSome(10);
        if (chunk.isEmpty())
            continue;
        arrivals.append({clock.elapsed(), chunk});
        total += chunk.size();
    }
    return arrivals;
}

int testRegisterChecksum(const QByteArray& text)
{
    int sum = 0;
    for (char c : text)
        sum += static_cast<signed char>(c);
    while (sum > 255)
        sum -= 255;
    return sum + 1;
}
