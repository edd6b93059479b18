#include "reader_ptypeer.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#endif

ReaderPtyPeer::ReaderPtyPeer() = default;

ReaderPtyPeer::~ReaderPtyPeer()
{
    stop();
}

bool ReaderPtyPeer::start(Handler lineHandler)
{
#ifdef Q_OS_UNIX
    handler = std::move(lineHandler);
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        failure = QStringLiteral("no pseudo-terminal");
        return false;
    }
    slave = QString::fromLocal8Bit(ptsname(master));
    slaveKeeper = ::open(ptsname(master), O_RDWR | O_NOCTTY);
    if (slaveKeeper < 0) {
        failure = QStringLiteral("cannot open ") + slave;
        return false;
    }
    // Raw from the start: no echo of what the peer writes before the port
    // under test has configured the terminal.
    termios settings{};
    tcgetattr(slaveKeeper, &settings);
    cfmakeraw(&settings);
    tcsetattr(slaveKeeper, TCSANOW, &settings);
    clock.start();
    worker = std::thread([this] { loop(); });
    return true;
#else
    Q_UNUSED(lineHandler);
    failure = QStringLiteral("pseudo-terminals need a Unix system");
    return false;
#endif
}

void ReaderPtyPeer::stop()
{
    stopping = true;
    if (worker.joinable())
        worker.join();
#ifdef Q_OS_UNIX
    const int fd = master.exchange(-1);
    if (fd >= 0)
        ::close(fd);
    if (slaveKeeper >= 0)
        ::close(slaveKeeper);
#endif
    slaveKeeper = -1;
}

void ReaderPtyPeer::hangUp()
{
    stopping = true;
#ifdef Q_OS_UNIX
    const int fd = master.exchange(-1);
    if (fd >= 0)
        ::close(fd);
#endif
}

void ReaderPtyPeer::send(const QByteArray& bytes)
{
#ifdef Q_OS_UNIX
    int done = 0;
    while (master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += int(n);
    }
#else
    Q_UNUSED(bytes);
#endif
}

QList<ReaderPtyPeer::Received> ReaderPtyPeer::received() const
{
    QMutexLocker guard(&lock);
    return lines;
}

int ReaderPtyPeer::countReceived(const QByteArray& line) const
{
    int count = 0;
    for (const Received& r : received())
        count += r.line == line ? 1 : 0;
    return count;
}

void ReaderPtyPeer::loop()
{
#ifdef Q_OS_UNIX
    QByteArray pending;
    while (!stopping) {
        pollfd watch{master.load(), POLLIN, 0};
        if (::poll(&watch, 1, 20) <= 0 || !(watch.revents & POLLIN))
            continue;
        char chunk[512];
        const ssize_t n = ::read(master, chunk, sizeof chunk);
        if (n <= 0)
            continue;
        pending.append(chunk, int(n));
        int end;
        while ((end = pending.indexOf("\r\n")) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 2);
            {
                QMutexLocker guard(&lock);
                lines.append({line, clock.elapsed()});
            }
            if (handler)
                handler(*this, line);
        }
    }
#endif
}
