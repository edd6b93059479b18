// The worker that talks to the unit: one operation per start of its thread
// (connect and identify, history download, the three settings), results back
// to the GUI thread only through its signals. It also imports saved data files
// on its caller's thread.
#pragma once

#include "model/dataimport.h"
#include "model/kelmorafillingdata.h"
#include "model/sidedownload.h"
#include "model/unitidentity.h"
#include "reader/historyreception.h"
#include "reader/readerline.h"

#include <QDateTime>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>
#include <optional>

class COM_SerialPort;

class APP_KelmoraDataReader : public QThread
{
    Q_OBJECT

public:
    enum Operation {
        OperationConnect = 0,
        OperationReadHistory = 2,
        OperationReadHistoryBoth = 3,
        OperationResetMode = 4,
        OperationSetPulseInput = 5,
        OperationSetTime = 6,
    };

    // The status byte of dataReady.
    enum DataResult : quint8 {
        DataFailed = 0,        // nothing delivered
        DataDelivered = 1,     // every side asked for was read completely
        DataSideCleared = 2,   // a table has emptied its side
        DataNoSideSelected = 3, // an import selected no record side
        DataIncomplete = 4,    // records delivered, but a side was cut or got no answer
        DataFileUnreadable = 5, // the import file could not be opened
    };

    explicit APP_KelmoraDataReader(QObject* parent = nullptr);
    ~APP_KelmoraDataReader() override;

    void setPort(COM_SerialPort* port);
    COM_SerialPort* serialPort() const { return port; }

    // Request functions (GUI thread). Each stores its parameters and starts
    // the thread unless it already runs.
    void connectUnit();
    // A download given the archived history of a side asks the unit only for
    // the records newer than the archive, when the archive lines up with the
    // unit; otherwise, or without one, for the whole count. The archived
    // lines travel with the request: the reader thread touches no file.
    void readHistory(char side, int count, const ArchivedHistory& archived = {});
    void readHistoryBoth(int count, const ArchivedHistory& archivedA = {},
                         const ArchivedHistory& archivedB = {});
    void resetOperationMode();
    void setPulseInput(int value);
    void setUnitTime(const QDateTime& time);

    // Loads a raw history dump or the tool's own CSV export (caller's thread)
    // and installs what it read (see installImport). Returns what was read:
    // the identity the file names and the record layout of each side.
    DataImport importDataFile(const QString& path);
    // Installs an import's sides into the per-side storage and announces
    // them with dataReady, side A first, then the import's result
    // (caller's thread; not while an operation runs).
    void installImport(DataImport& import);

    // Framing and checksums of the register commands.
    static QString buildRegisterCommand(int address, int registerNumber, char side, bool write,
                                        const QString& data = QString());
    static int registerChecksum(const QString& text);
    // 0 decoded, 1 malformed or not matching, 2..4 unit error code 1..3.
    static quint8 parseRegisterReply(int address, int registerNumber, char side, qint32* destination,
                                     const QString& reply);

    // What the last identification learnt about the unit, and the pulse
    // input a setting read back: a copy taken under a lock, so any thread
    // may ask at any time, also while an operation runs. The window and the
    // pages keep the copies they were handed instead (unitIdentified).
    UnitIdentity identity() const;

Q_SIGNALS:
    void dataReady(KelmoraFillingData* fillingData, quint16* count, quint8 success);
    void connectionReady(bool success);
    void operationModeReset(bool success);
    void pulseInputSet(bool success);
    void timeSet(bool success);
    // The unit's clock as read before and after a successful clock setting,
    // seconds since 1970 UTC; raised just before timeSet(true).
    void clockReadBack(quint32 before, quint32 after);
    void display(QString text);
    void append(QString text);
    // Progress of a history download: bytes and history lines received so
    // far for the side, against the number of records asked for.
    void historyProgress(char side, int bytesReceived, int linesReceived, int recordsRequested);
    // A side is read on top of the archive: newRecords come from the line
    // (their progress follows, against newRecords + 1 lines asked for), and
    // fromArchive from the archive. newRecords -1: the side is read whole
    // after all.
    void historyPlan(char side, int newRecords, int fromArchive);
    // How each side of a history download ended; raised just before the
    // download's dataReady. A side that was not asked for is NotRequested.
    void historyDownloaded(SideDownload sideA, SideDownload sideB);
    // The identity of the unit on the line, raised just before a successful
    // connectionReady. Register commands address this unit until the next
    // identification, whatever file is opened meanwhile.
    void unitIdentified(UnitIdentity unit);

protected:
    void run() override;

private:
    friend class ReaderTestAccess;  // drives single transactions in the tests

    // What one run works on: a copy of the stored parameters taken when the
    // thread is started (GUI thread), so that a request made meanwhile cannot
    // change a running operation.
    struct Request {
        qint32 operation;
        char side;
        qint32 recordCount;
        qint32 operationValue;
        bool emitWhenDone;
        quint64 lineGeneration;  // the connection the request was made on
        ArchivedHistory archived[2];  // per side A, B; empty lines: read the whole count
    };

    void startOperation();

    // Operations (reader thread).
    void connectAndIdentify();
    void waitForQuietLine();
    SideDownload downloadHistory(char historySide, qint32 count, bool emitResult,
                                 const ArchivedHistory& archived);
    void downloadBothSides(qint32 count, const ArchivedHistory& archivedA,
                           const ArchivedHistory& archivedB);
    void resetModeOperation();
    void setPulseInputOperation(qint32 value);
    void setTimeOperation(quint32 secondsSinceEpoch);

    // Makes the unit values read so far the ones identity() returns.
    void publishIdentity();
    void finishConnect(bool success);

    // Queries and settings: each says whether it failed (no answer, a
    // malformed one, or a unit error).
    bool namedQueryFailed(const char* line, const char* prefix, QString* reply);
    bool queryHardwareVersionFailed();
    bool querySoftwareVersionFailed();
    bool queryPulseInputFailed();
    bool querySerialNumberFailed();
    bool queryStatusFailed();
    bool queryFlagsFailed();
    bool queryPcmFailed();
    bool sendSettingFailed(const QString& line, const char* prefix);
    bool readRegisterFailed(int registerNumber, qint32* destination);
    bool writeRegisterFailed(int registerNumber, const QString& data);

    // History download pieces.
    HistoryFetch fetchHistory(char historySide, qint32 asked, bool showProgress = true);
    // Nothing when the side is to be read whole; *result learns how the
    // archive was used.
    std::optional<HistoryFetch> fetchNewRecords(char historySide, qint32 count,
                                                const ArchivedHistory& archived,
                                                SideDownload* result);
    std::optional<HistoryFetch> readWholeBecause(char historySide, ArchiveUse reason,
                                                 const QString& why, SideDownload* result);
    // Says in the log what the side's download lost or skipped.
    void reportIrregularities(const SideDownload& download);
    int storeHistory(char historySide, const QByteArray& bytes, KelmoraFillingData** built,
                     bool* formatNo);

    qint32 operation = OperationConnect;
    char side = 'A';
    qint32 recordCount = 200;
    qint32 operationValue = 0;
    bool emitWhenDone = true;
    ArchivedHistory archivedHistory[2];
    COM_SerialPort* port = nullptr;
    Request activeRequest{};
    // Reader thread only: the connection the running operation works on,
    // and the address of the unit identified on it.
    ReaderLine unitLine;
    qint32 unitAddress = 0;
    std::atomic<bool> runActive{false}; // from start() to the end of run()

    // Reader thread only: the unit values as the queries fill them in, and
    // the record layout of the last history lines that named one.
    UnitIdentity unit;
    bool recordFormatNo = false;
    // The copy identity() hands out.
    mutable QMutex identityLock;
    UnitIdentity publishedUnit;
};

// The one reader of the program; set by its constructor.
extern APP_KelmoraDataReader* readerInstance;

