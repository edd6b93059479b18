// One conversation with a unit from the command line: the port and the
// reader, one reader operation at a time, each waited for in the event loop
// with a bound so that the tool can never hang on a silent line.
#pragma once

#include "model/kelmorafillingdata.h"
#include "model/sidedownload.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

class APP_KelmoraDataReader;
class COM_SerialPort;
struct DownloadPlan;
struct DownloadSessionResult;

class CliSession : public QObject
{
    Q_OBJECT

public:
    // quiet: no progress on stderr; verbose: the unit's reply lines as well.
    CliSession(bool quiet, bool verbose);
    ~CliSession() override;

    // Opens the port as the main window does: 9600 baud, no parity. The
    // reader switches to even parity itself when the unit wants it.
    bool open(const QString& portName);

    // Runs one reader request and waits until the reader thread has ended.
    // False when it did not end within timeoutMs.
    bool run(const std::function<void(APP_KelmoraDataReader&)>& request, qint64 timeoutMs);
    // Runs one download session (archive lookup, download, archive write)
    // for the identified unit and waits until it has finished. False when it
    // did not start or did not finish within timeoutMs.
    bool runDownload(const DownloadPlan& plan, qint64 timeoutMs, DownloadSessionResult* result);

    APP_KelmoraDataReader& reader() { return *unitReader; }
    bool quietProgress() const { return quiet; }

    // What the last operation reported.
    bool resultArrived = false;
    bool resultOk = false;             // connectionReady / operationModeReset / ...
    quint8 dataSuccess = 0;            // last dataReady
    int dataReadyCount = 0;
    int sideBytes[2] = {0, 0};         // bytes received for side A and B
    int sideLines[2] = {0, 0};         // history lines received
    SideDownload downloaded[2];        // how each side of the last download ended

private Q_SLOTS:
    void boolResult(bool success);
    void dataResult(KelmoraFillingData* records, quint16* count, quint8 success);
    void progress(char side, int bytes, int lines, int requested);
    void historyResult(const SideDownload& sideA, const SideDownload& sideB);
    void replyLine(const QString& line);

private:
    void resetResults();
    void showProgress(char side, int bytes, int lines, int requested);

    bool quiet;
    bool verbose;
    COM_SerialPort* port;
    APP_KelmoraDataReader* unitReader;
    QElapsedTimer sinceShown;
    char lastShownSide = 0;
};

// Time a download of count records per side may take on the wire at 9600
// baud, with room to spare, in milliseconds.
qint64 downloadBoundMs(int count, int sides);
// Bound for identifying a unit: every query may use its three attempts, and
// the first one twice (reconnect with even parity).
constexpr qint64 identifyBoundMs = 120000;
constexpr qint64 settingBoundMs = 60000;
