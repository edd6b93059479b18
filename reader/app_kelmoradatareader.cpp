#include "app_kelmoradatareader.h"

#include "com_serialport.h"

APP_KelmoraDataReader* readerInstance = nullptr;

APP_KelmoraDataReader::APP_KelmoraDataReader(QObject* parent)
    : QThread(parent)
{
    qRegisterMetaType<KelmoraFillingData*>();
    qRegisterMetaType<quint16*>();
    readerInstance = this;
}

APP_KelmoraDataReader::~APP_KelmoraDataReader()
{
    if (readerInstance == this)
        readerInstance = nullptr;
}

void APP_KelmoraDataReader::setPort(COM_SerialPort* serialPort)
{
    port = serialPort;
}

void APP_KelmoraDataReader::connectUnit()
{
    operation = OperationConnect;
    emitWhenDone = true;
    startOperation();
}

void APP_KelmoraDataReader::readHistory(char historySide, int count)
{
    operation = OperationReadHistory;
    side = historySide;
    recordCount = count;
    emitWhenDone = true;
    startOperation();
}

void APP_KelmoraDataReader::readHistoryBoth(int count)
{
    operation = OperationReadHistoryBoth;
    side = 'A';
    recordCount = count;
    emitWhenDone = false;
    startOperation();
}

void APP_KelmoraDataReader::resetOperationMode()
{
    operation = OperationResetMode;
    emitWhenDone = true;
    startOperation();
}

void APP_KelmoraDataReader::setPulseInput(int value)
{
    operation = OperationSetPulseInput;
    operationValue = value;
    emitWhenDone = true;
    startOperation();
}

void APP_KelmoraDataReader::setUnitTime(const QDateTime& time)
{
    operation = OperationSetTime;
    operationValue = qint32(time.toSecsSinceEpoch());
    emitWhenDone = true;
    startOperation();
}

void APP_KelmoraDataReader::startOperation()
{
    if (!isRunning())
        start(QThread::InheritPriority);
}

void APP_KelmoraDataReader::run()
{
    switch (operation) {
    default:
        break;
    }
}
