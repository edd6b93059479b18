// A scripted peer on a pseudo-terminal, standing in for the unit in the
// reader's tests: the port under test opens slavePath(); a thread of the peer
// collects the command lines the port writes and answers each through a
// handler. Every line is logged with the time it arrived.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

class ReaderPtyPeer
{
public:
    struct Received {
        QByteArray line;  // without its CR LF
        qint64 atMs;      // since start()
    };
    // Called on the peer's thread for every complete command line.
    using Handler = std::function<void(ReaderPtyPeer& peer, const QByteArray& line)>;

    ReaderPtyPeer();
    ~ReaderPtyPeer();

    // False (with the reason in error()) when no pseudo-terminal is available.
    bool start(Handler handler);
    void stop();
    QString slavePath() const { return slave; }
    QString error() const { return failure; }

    // Writes bytes to the port under test (peer thread or test thread).
    void send(const QByteArray& bytes);
    // Closes the master side, as a pulled cable: the port sees an error/hang-up.
    // Called from the handler (the peer's thread); the peer answers no more.
    void hangUp();

    QList<Received> received() const;
    int countReceived(const QByteArray& line) const;
    qint64 elapsedMs() const { return clock.elapsed(); }

private:
    void loop();

    std::atomic<int> master{-1};
    int slaveKeeper = -1;  // keeps the terminal alive while the port reopens
    QString slave;
    QString failure;
    Handler handler;
    std::thread worker;
    std::atomic<bool> stopping{false};
    mutable QMutex lock;
    QList<Received> lines;
    QElapsedTimer clock;
};
