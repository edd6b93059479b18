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
#include "reader/readercodes.h"
#include "reader/readerline.h"
#include "reader/readerrequest.h"
#include "reader/unitqueries.h"

#include <QDateTime>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>
#include <optional>

class COM_SerialPort;

// The operations and the status byte of dataReady are ReaderCodes'.
class APP_KelmoraDataReader : public QThread, public ReaderCodes
{
    Q_OBJECT

public:
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

    // The parameters the request functions store (GUI thread), and the copy
    // of them the running operation works on.
    ReaderRequest storedRequest{OperationConnect, 'A', 200, 0, true, 0, {}};
    ReaderRequest activeRequest{};
    COM_SerialPort* port = nullptr;
    // Reader thread only: the connection the running operation works on,
    // and the address of the unit identified on it.
    ReaderLine unitLine;
    qint32 unitAddress = 0;
    std::atomic<bool> runActive{false}; // from start() to the end of run()

    // Reader thread only: the unit values as the queries fill them in, and
    // the record layout of the last history lines that named one.
    UnitIdentity unit;
    bool recordFormatNo = false;
    // The queries and settings of the running operation, on unitLine.
    UnitQueries queries{unitLine, unit, unitAddress};
    // The copy identity() hands out.
    mutable QMutex identityLock;
    UnitIdentity publishedUnit;
};

// The one reader of the program; set by its constructor.
extern APP_KelmoraDataReader* readerInstance;

