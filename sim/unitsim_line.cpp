#include "unitsim_line.h"

#include "comm/com_simlinks.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// 9600 baud with start and stop bit: 960 bytes per second.
constexpr double microsecondsPerByte = 1e6 / 960.0;

} // namespace

UnitSimLine::~UnitSimLine()
{
    close();
}

bool UnitSimLine::open()
{
    quietMs = QDateTime::currentMSecsSinceEpoch();
    masterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd < 0 || grantpt(masterFd) != 0 || unlockpt(masterFd) != 0) {
        std::fprintf(stderr, "kelmora-unitsim: no pseudo-terminal: %s\n", std::strerror(errno));
        close();
        return false;
    }
    const char* name = ptsname(masterFd);
    if (!name) {
        std::fprintf(stderr, "kelmora-unitsim: ptsname: %s\n", std::strerror(errno));
        close();
        return false;
    }
    slavePath = QString::fromLocal8Bit(name);
    // Holding the slave side open keeps the line alive while the tool closes
    // and reopens it (its reconnect); without it the master would see a
    // hang-up each time.
    slaveFd = ::open(name, O_RDWR | O_NOCTTY);
    termios raw{};
    if (slaveFd < 0 || tcgetattr(slaveFd, &raw) != 0) {
        std::fprintf(stderr, "kelmora-unitsim: %s: %s\n", name, std::strerror(errno));
        close();
        return false;
    }
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    tcsetattr(slaveFd, TCSANOW, &raw);
    fcntl(masterFd, F_SETFL, fcntl(masterFd, F_GETFL) | O_NONBLOCK);

    const QString folder = simlinks::linkFolder(true);
    if (folder.isEmpty()) {
        // The line still works; only the port scan will not list it.
        std::fprintf(stderr, "kelmora-unitsim: no private folder to announce %s in\n", name);
        return true;
    }
    linkPath = folder + QLatin1Char('/') + simlinks::linkName(getpid());
    QFile::remove(linkPath);
    if (::symlink(name, QFile::encodeName(linkPath).constData()) != 0) {
        // The line still works; only the port scan will not list it.
        std::fprintf(stderr, "kelmora-unitsim: cannot announce %s: %s\n", qPrintable(linkPath),
                     std::strerror(errno));
        linkPath.clear();
    }
    return true;
}

void UnitSimLine::close()
{
    if (!linkPath.isEmpty()) {
        ::unlink(QFile::encodeName(linkPath).constData());
        linkPath.clear();
    }
    if (masterFd >= 0)
        ::close(masterFd);
    if (slaveFd >= 0)
        ::close(slaveFd);
    masterFd = -1;
    slaveFd = -1;
    output.clear();
}

void UnitSimLine::waitUntilDelivered(int maxMs)
{
    QElapsedTimer clock;
    clock.start();
    // The kernel hands written bytes to the slave side a moment later.
    usleep(20000);
    int unread = 0;
    while (slaveFd >= 0 && clock.elapsed() < maxMs && ::ioctl(slaveFd, FIONREAD, &unread) == 0 && unread > 0)
        usleep(2000);
}

void UnitSimLine::send(const QByteArray& bytes)
{
    if (bytes.isEmpty() || masterFd < 0)
        return;
    if (output.isEmpty()) {
        paceClock.start();
        sentSincePaceStart = 0;
    }
    output += bytes;
}

void UnitSimLine::flushPaced()
{
    if (output.isEmpty() || masterFd < 0)
        return;
    qint64 allowed = output.size();
    if (pacing) {
        const qint64 due = qint64(double(paceClock.nsecsElapsed()) / 1000.0 / microsecondsPerByte) + 1;
        allowed = std::min<qint64>(allowed, due - sentSincePaceStart);
    }
    if (allowed <= 0)
        return;
    const ssize_t written = ::write(masterFd, output.constData(), size_t(allowed));
    if (written > 0) {
        output.remove(0, int(written));
        sentSincePaceStart += written;
    }
    // EAGAIN: nobody drains the line at the moment; try again next pass.
}

QByteArray UnitSimLine::exchange(int timeoutMs)
{
    flushPaced();
    if (masterFd < 0)
        return {};
    pollfd pfd{masterFd, POLLIN, 0};
    const int wait = output.isEmpty() ? timeoutMs : std::min(timeoutMs, 1);
    const int ready = ::poll(&pfd, 1, wait);
    QByteArray incoming;
    if (ready > 0 && (pfd.revents & POLLIN)) {
        char chunk[512];
        const qint64 readStartMs = QDateTime::currentMSecsSinceEpoch();
        const ssize_t n = ::read(masterFd, chunk, sizeof chunk);
        if (n > 0)
            incoming = QByteArray(chunk, int(n));
        // A full chunk may have left older bytes behind: nothing learnt.
        if (n < qint64(sizeof chunk))
            quietMs = readStartMs;
    } else if (ready == 0) {
        quietMs = QDateTime::currentMSecsSinceEpoch();
    }
    flushPaced();
    return incoming;
}
