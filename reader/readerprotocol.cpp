#include "reader/readerprotocol.h"

Q_LOGGING_CATEGORY(readerLog, "kelmora.reader", QtWarningMsg)

namespace {
constexpr char carriageReturn = '\r';
}

ReplySpan findNamedReply(const QByteArray& bytes)
{
    ReplySpan span;
    int start = -1;
    for (int i = 0; i < bytes.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(bytes.at(i));
        if (start < 0) {
            if (byte == carriageReturn)
                return span;  // a line end before any reply: nothing usable
            if (byte >= 'A' && byte <= 'Z')
                start = i;
        } else if (byte == carriageReturn) {
            span.start = start;
            span.end = i;
            return span;
        }
    }
    return span;
}

ReplySpan findRegisterReply(const QByteArray& bytes)
{
    ReplySpan span;
    int start = -1;
    for (int i = 0; i < bytes.size(); ++i) {
        const char byte = bytes.at(i);
        if (byte == carriageReturn) {
            if (start >= 0) {
                span.start = start;
                span.end = i;
            }
            return span;
        }
        if (byte == 'r' || byte == 'w' || byte == 'e')
            start = i;
    }
    return span;
}

QString replyValue(const QString& reply)
{
    const QStringList parts = reply.split(QLatin1Char(':'), Qt::KeepEmptyParts);
    return parts.size() > 1 ? parts.at(1) : QString();
}

double softwareVersionNumberOf(const QString& versionText)
{
    QString text = versionText;
    for (const char letter : {'A', 'B', 'C', 'a', 'b', 'c'})
        text.remove(QLatin1Char(letter), Qt::CaseSensitive);
    bool ok = false;
    const double number = text.section(QLatin1Char('.'), 0, 0).toDouble(&ok);
    return ok ? number : 0.0;
}

int registerValueCount(int registerNumber)
{
    switch (registerNumber) {
    case 101:
    case 102:
    case 103:
    case 104:
    case 106:
    case 1000:
    case 1002:
        return 1;
    case 110:
        return 2;
    default:
        return 0;
    }
}

quint32 clockRegisterSeconds(qint32 date, qint32 time)
{
    const QString text = QStringLiteral("%1.%2.%3 %4:%5:00")
                             .arg(2000 + date / 10000)
                             .arg((date / 100) % 100, 2, 10, QLatin1Char('0'))
                             .arg(date % 100, 2, 10, QLatin1Char('0'))
                             .arg(time / 100, 2, 10, QLatin1Char('0'))
                             .arg(time % 100, 2, 10, QLatin1Char('0'));
    const QDateTime clock =
        QDateTime::fromString(text, QStringLiteral("yyyy.MM.dd hh:mm:ss"));
    if (!clock.isValid())
        return 0xFFFFFFFFu;
    return quint32(clock.toSecsSinceEpoch());
}

QString clockDataText(quint32 secondsSinceEpoch)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(qint64(secondsSinceEpoch));
    const QDate date = local.date();
    const QTime time = local.time();
    if (date.year() < 2000 || date.year() > 2099)
        return QString();
    const QLatin1Char zero('0');
    return QStringLiteral("%1%2%3;%4%5")
        .arg(date.year() - 2000, 2, 10, zero)
        .arg(date.month(), 2, 10, zero)
        .arg(date.day(), 2, 10, zero)
        .arg(time.hour(), 2, 10, zero)
        .arg(time.minute(), 2, 10, zero);
}
