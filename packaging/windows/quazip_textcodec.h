// Stands in for QTextCodec in the Windows SDK's QuaZip: Qt 6 moved that class
// into Core5Compat, whose source Debian's archive does not serve. QuaZip only
// asks a codec for the locale's or a named encoding and converts names and
// comments with it; QStringConverter covers every encoding the tool meets
// (UTF-8, UTF-16, Latin-1 and the system's code page).
#ifndef QUAZIP_TEXTCODEC_H
#define QUAZIP_TEXTCODEC_H

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringConverter>

#include <optional>

class QTextCodec
{
public:
    static QTextCodec* codecForLocale()
    {
        static QTextCodec system(QStringConverter::System);
        return &system;
    }
    static QTextCodec* codecForName(const QByteArray& name)
    {
        const std::optional<QStringConverter::Encoding> e = QStringConverter::encodingForName(name.constData());
        if (!e)
            return nullptr;
        static QTextCodec codecs[QStringConverter::LastEncoding + 1] = {
            QTextCodec(QStringConverter::Utf8), QTextCodec(QStringConverter::Utf16),
            QTextCodec(QStringConverter::Utf16LE), QTextCodec(QStringConverter::Utf16BE),
            QTextCodec(QStringConverter::Utf32), QTextCodec(QStringConverter::Utf32LE),
            QTextCodec(QStringConverter::Utf32BE), QTextCodec(QStringConverter::Latin1),
            QTextCodec(QStringConverter::System)};
        return &codecs[*e];
    }
    static QTextCodec* codecForName(const char* name) { return codecForName(QByteArray(name)); }

    QByteArray fromUnicode(const QString& text) const
    {
        QStringEncoder encoder(m_encoding);
        return encoder(text);
    }
    QString toUnicode(const QByteArray& bytes) const
    {
        QStringDecoder decoder(m_encoding);
        return decoder(bytes);
    }
    QByteArray name() const { return QStringConverter::nameForEncoding(m_encoding); }

private:
    explicit QTextCodec(QStringConverter::Encoding encoding) : m_encoding(encoding) {}
    QStringConverter::Encoding m_encoding;
};

#endif
