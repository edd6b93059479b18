#include "files/odsxml.h"

namespace {

bool allowedInXml(char16_t c)
{
    if (c < 0x20)
        return c == u'\t' || c == u'\n' || c == u'\r';
    return c != 0xFFFE && c != 0xFFFF;
}

QString escaped(const QString& text, bool attribute)
{
    QString result;
    result.reserve(text.size() + 8);
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        switch (c) {
        case u'&': result += QLatin1String("&amp;"); break;
        case u'<': result += QLatin1String("&lt;"); break;
        case u'>': result += QLatin1String("&gt;"); break;
        case u'\'':
            result += attribute ? QLatin1String("&apos;") : QLatin1String("'");
            break;
        case u'"':
            result += attribute ? QLatin1String("&quot;") : QLatin1String("\"");
            break;
        default:
            result += allowedInXml(c) ? ch : QChar(0xFFFD);
            break;
        }
    }
    return result;
}

} // namespace

QString xmlText(const QString& text)
{
    return escaped(text, false);
}

QString xmlAttribute(const QString& text)
{
    return escaped(text, true);
}
