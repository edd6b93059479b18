// The serial line on Windows: the COM port opened as an overlapped file on
// its device path, configured through its DCB and time-outs; reads and writes
// are overlapped, each waited on with a bound.
#include "comm/com_line.h"
#include "comm/com_portnames.h"
#include "comm/com_serialport.h"

#include <QDebug>
#include <QHash>

#include <windows.h>
#include <setupapi.h>

namespace {

// A read hands over what the driver holds and does not wait for more; the
// wait for the next bytes is the read's own (where the driver keeps an empty
// read pending) or a wait for a received character, each bounded by the
// loop. A read time-out of its own is not used: a read that ends by its
// time-out may report no bytes although it took some (Wine's serial layer
// does), and those bytes would be lost. Writes have no time-out of their own
// either; the port's loop bounds its wait for them.
COMMTIMEOUTS lineTimeouts()
{
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = 0;
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = 0;
    return t;
}

HANDLE openDevice(const QString& device)
{
    const std::wstring path = device.toStdWString();
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
}

// Errors after which the device is not coming back on this handle.
bool deviceGone(DWORD error)
{
    switch (error) {
    case ERROR_DEVICE_REMOVED:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
        return true;
    default:
        return false;
    }
}

class Win32Line final : public COM_Line
{
public:
    Win32Line()
    {
        readOverlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        writeOverlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        arrivalOverlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Win32Line() override
    {
        close();
        CloseHandle(readOverlapped.hEvent);
        CloseHandle(writeOverlapped.hEvent);
        CloseHandle(arrivalOverlapped.hEvent);
    }

    bool open(const QString& device, quint32 baudRate, quint8 parity) override
    {
        if (handle != INVALID_HANDLE_VALUE || !readOverlapped.hEvent || !writeOverlapped.hEvent
            || !arrivalOverlapped.hEvent)
            return false;
        handle = openDevice(device);
        if (handle == INVALID_HANDLE_VALUE) {
            fail(GetLastError(), Error::Other);
            return false;
        }
        // Only what the unit needs is changed; every other field keeps what
        // the driver reported.
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        COMMTIMEOUTS timeouts = lineTimeouts();
        bool ok = GetCommState(handle, &dcb);
        if (ok) {
            dcb.BaudRate = baudRate;
            dcb.fBinary = TRUE;
            dcb.fDtrControl = DTR_CONTROL_DISABLE;
            dcb.fRtsControl = RTS_CONTROL_DISABLE;
            dcb.fOutxCtsFlow = FALSE;
            dcb.fOutxDsrFlow = FALSE;
            dcb.fOutX = FALSE;
            dcb.fInX = FALSE;
            dcb.fParity = parity == 1 ? FALSE : TRUE;
            dcb.Parity = BYTE(COM_SerialPort::parityForCode(parity));
            dcb.StopBits = ONESTOPBIT;
            dcb.ByteSize = 8;
            ok = SetCommState(handle, &dcb) && SetCommTimeouts(handle, &timeouts)
                 && SetCommMask(handle, EV_RXCHAR);
        }
        if (!ok) {
            fail(GetLastError(), Error::Other);
            CloseHandle(handle);
            handle = INVALID_HANDLE_VALUE;
            return false;
        }
        PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
        lastError = 0;
        lineError = Error::None;
        return true;
    }

    void close() override
    {
        if (handle == INVALID_HANDLE_VALUE)
            return;
        // Nothing may still write into our buffers once the handle is gone.
        if (readPending || writePending || arrivalPending) {
            SetCommMask(handle, 0); // ends a wait for a character
            CancelIo(handle);
            DWORD ignored = 0;
            if (readPending)
                GetOverlappedResult(handle, &readOverlapped, &ignored, TRUE);
            if (writePending)
                GetOverlappedResult(handle, &writeOverlapped, &ignored, TRUE);
            if (arrivalPending)
                GetOverlappedResult(handle, &arrivalOverlapped, &ignored, TRUE);
            readPending = writePending = arrivalPending = false;
        }
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }

    QByteArray readAll(int waitMs) override
    {
        QByteArray got;
        if (handle == INVALID_HANDLE_VALUE)
            return got;
        if (arrivalPending && !arrived(0))
            return got; // still nothing since the last pass
        if (!readPending && !startRead(got)) {
            if (got.isEmpty() && lineError == Error::None)
                arrived(waitMs); // the next pass reads what came meanwhile
            return got;
        }
        if (WaitForSingleObject(readOverlapped.hEvent, DWORD(qMax(0, waitMs))) == WAIT_OBJECT_0)
            finishRead(got);
        return got;
    }

    qint64 write(const char* data, qint64 size) override
    {
        if (handle == INVALID_HANDLE_VALUE || writePending)
            return handle == INVALID_HANDLE_VALUE ? -1 : 0;
        // The driver reads from the buffer until the write completes: a copy
        // of our own outlives the caller's block.
        writeBytes = QByteArray(data, int(size));
        ResetEvent(writeOverlapped.hEvent);
        writeOverlapped.Offset = writeOverlapped.OffsetHigh = 0;
        DWORD written = 0;
        if (WriteFile(handle, writeBytes.constData(), DWORD(writeBytes.size()), &written, &writeOverlapped))
            return qint64(written);
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            fail(error, Error::Other);
            return -1;
        }
        writePending = true;
        return size;
    }

    bool waitForBytesWritten(int ms) override
    {
        if (!writePending)
            return false;
        if (WaitForSingleObject(writeOverlapped.hEvent, DWORD(qMax(0, ms))) != WAIT_OBJECT_0)
            return false;
        return finishWrite();
    }

    qint64 bytesToWrite() override
    {
        if (writePending && HasOverlappedIoCompleted(&writeOverlapped))
            finishWrite();
        return writePending || writeShort ? writeBytes.size() : 0;
    }

    void clearOutput() override
    {
        if (handle == INVALID_HANDLE_VALUE)
            return;
        PurgeComm(handle, PURGE_TXABORT | PURGE_TXCLEAR);
        if (writePending) {
            DWORD ignored = 0;
            GetOverlappedResult(handle, &writeOverlapped, &ignored, TRUE);
            writePending = false;
        }
        writeShort = false;
    }

    Error error() const override { return lineError; }
    void clearError() override
    {
        lineError = Error::None;
        lastError = 0;
    }
    QString errorString() const override { return qt_error_string(int(lastError)); }

private:
    void fail(DWORD error, Error kind)
    {
        lastError = error;
        lineError = deviceGone(error) ? Error::Resource : kind;
    }

    // Issues a read; false when it is over already (bytes in `got`, or an
    // error), true when it is under way.
    bool startRead(QByteArray& got)
    {
        ResetEvent(readOverlapped.hEvent);
        readOverlapped.Offset = readOverlapped.OffsetHigh = 0;
        DWORD n = 0;
        if (ReadFile(handle, readBuffer, DWORD(sizeof readBuffer), &n, &readOverlapped)) {
            got.append(readBuffer, int(n));
            return false;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING) {
            readPending = true;
            return true;
        }
        fail(error, Error::Read);
        return false;
    }

    void finishRead(QByteArray& got)
    {
        DWORD n = 0;
        readPending = false;
        const bool ok = GetOverlappedResult(handle, &readOverlapped, &n, FALSE);
        const DWORD error = ok ? DWORD(ERROR_SUCCESS) : GetLastError();
        got.append(readBuffer, int(n));
        if (!ok && error != ERROR_TIMEOUT)
            fail(error, Error::Read);
    }

    // Waits at most ms for a character to arrive, keeping the wait for the
    // next pass when none has; true once one has (or the wait failed, so
    // that the next pass reads and sees the error).
    bool arrived(int ms)
    {
        if (!arrivalPending) {
            ResetEvent(arrivalOverlapped.hEvent);
            arrivalMask = 0;
            if (WaitCommEvent(handle, &arrivalMask, &arrivalOverlapped))
                return true;
            if (GetLastError() != ERROR_IO_PENDING)
                return true;
            arrivalPending = true;
        }
        if (WaitForSingleObject(arrivalOverlapped.hEvent, DWORD(qMax(0, ms))) != WAIT_OBJECT_0)
            return false;
        DWORD ignored = 0;
        GetOverlappedResult(handle, &arrivalOverlapped, &ignored, FALSE);
        arrivalPending = false;
        return true;
    }

    // A completed write; false when it failed or the line took less than all.
    bool finishWrite()
    {
        DWORD written = 0;
        writePending = false;
        const bool ok = GetOverlappedResult(handle, &writeOverlapped, &written, FALSE);
        writeShort = !ok || written < DWORD(writeBytes.size());
        // Said as an error, so that nobody waits for the rest to leave.
        if (writeShort)
            fail(ok ? DWORD(ERROR_WRITE_FAULT) : GetLastError(), Error::Other);
        return !writeShort;
    }

    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED readOverlapped{};
    OVERLAPPED writeOverlapped{};
    OVERLAPPED arrivalOverlapped{};
    DWORD arrivalMask = 0;
    bool arrivalPending = false;
    char readBuffer[COM_SerialPort::rxBufferSize];
    bool readPending = false;
    QByteArray writeBytes;
    bool writePending = false;
    bool writeShort = false; // the last write ended before all its bytes left
    DWORD lastError = 0;
    Error lineError = Error::None;
};

// The class of serial and parallel ports: {4d36e978-e325-11ce-bfc1-08002be10318}.
const GUID portsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

QString registryText(HKEY key, const wchar_t* value)
{
    wchar_t text[256] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS
        || type != REG_SZ)
        return QString();
    return QString::fromWCharArray(text);
}

} // namespace

std::unique_ptr<COM_Line> COM_Line::create()
{
    return std::make_unique<Win32Line>();
}

int COM_SerialPort::parityForCode(quint8 code)
{
    if (code == 1)
        return NOPARITY;
    if (code == 2)
        return EVENPARITY;
    return ODDPARITY;
}

QStringList COM_PortNames::scanPorts()
{
    // A port is listed when it opens, and also when it exists but is held by
    // another program or does not answer; the ones that do not exist fail
    // with "not found".
    QStringList ports;
    for (int n = 1; n <= 255; ++n) {
        const QString name = QStringLiteral("COM") + QString::number(n);
        const HANDLE h = openDevice(devicePath(name));
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            ports.append(name);
            continue;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_GEN_FAILURE || error == ERROR_SHARING_VIOLATION
            || error == ERROR_SEM_TIMEOUT)
            ports.append(name);
    }
    return ports;
}

QHash<QString, QString> COM_PortNames::portDescriptions()
{
    // Device manager's names ("USB Serial Port (COM4)"), keyed by port name.
    QHash<QString, QString> names;
    const HDEVINFO devices = SetupDiGetClassDevsW(&portsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        const QString port = registryText(key, L"PortName");
        RegCloseKey(key);
        wchar_t friendly[256] = {};
        if (!port.isEmpty()
            && SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                                 reinterpret_cast<BYTE*>(friendly),
                                                 sizeof friendly - sizeof(wchar_t), nullptr))
            names.insert(port, QString::fromWCharArray(friendly));
    }
    SetupDiDestroyDeviceInfoList(devices);
    return names;
}
