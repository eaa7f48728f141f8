#include "gateway/Xml.h"

namespace {
// Finds the element in `text` from `from` on. Both tags are searched from `from`, so a closing
// tag before the opening one ends the search, as the consuming reads expect.
bool findElement(const QString& text, qsizetype from, const QString& tag, qsizetype& valueStart,
                 qsizetype& valueLen, qsizetype& end)
{
    const QString open = QLatin1Char('<') + tag + QLatin1Char('>');
    const QString close = QLatin1String("</") + tag + QLatin1Char('>');
    // Case-insensitive per character: positions are those of the text itself ("ß" stays one).
    const qsizetype i = text.indexOf(open, from, Qt::CaseInsensitive);
    if (i < 0)
        return false;
    const qsizetype j = text.indexOf(close, from, Qt::CaseInsensitive);
    if (j < 0 || j <= i)
        return false;
    valueStart = i + open.size();
    valueLen = j > valueStart ? j - valueStart : 0;
    end = j + close.size();
    return true;
}
}

bool ParseStrictInt(const QString& text, int& out)
{
    const qsizetype n = text.size();
    qsizetype k = 0;
    bool negative = false;
    if (k < n && (text[k] == QLatin1Char('-') || text[k] == QLatin1Char('+'))) {
        negative = text[k] == QLatin1Char('-');
        ++k;
    }
    if (k == n)
        return false;
    qint64 v = 0;
    for (; k < n; ++k) {
        const char16_t c = text[k].unicode();
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
        if (v > qint64(2147483648LL))
            return false;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL || v < -2147483648LL)
        return false;
    out = static_cast<int>(v);
    return true;
}

void GetXmlElement(QString& text, const QString& tag, bool consume, QString& value)
{
    value = QString("");
    qsizetype start = 0, len = 0, end = 0;
    if (!findElement(text, 0, tag, start, len, end))
        return;
    value = text.mid(start, len);
    if (consume)
        text.remove(0, end);
}

QString GetXmlElement(QString& text, const QString& tag, bool consume)
{
    QString value;
    GetXmlElement(text, tag, consume, value);
    return value;
}

int GetXmlElementInt(QString& text, const QString& tag, bool consume, int def)
{
    const QString value = GetXmlElement(text, tag, consume);
    int out = def;
    if (value.isEmpty() || !ParseStrictInt(value, out))
        return def;
    return out;
}

QString XmlElement(const QString& text, const QString& tag)
{
    qsizetype start = 0, len = 0, end = 0;
    if (!findElement(text, 0, tag, start, len, end))
        return QString("");
    return text.mid(start, len);
}

int XmlElementInt(const QString& text, const QString& tag, int def)
{
    const QString value = XmlElement(text, tag);
    int out = def;
    if (value.isEmpty() || !ParseStrictInt(value, out))
        return def;
    return out;
}

bool TXmlCursor::find(const QString& tag, qsizetype& valueStart, qsizetype& valueLen, qsizetype& end) const
{
    return findElement(m_text, m_pos, tag, valueStart, valueLen, end);
}

bool TXmlCursor::Next(const QString& tag, QString& value)
{
    value = QString("");
    qsizetype start = 0, len = 0, end = 0;
    if (!find(tag, start, len, end))
        return false;
    value = m_text.mid(start, len);
    m_pos = end;
    return !value.isEmpty();
}

QString TXmlCursor::Next(const QString& tag)
{
    QString value;
    Next(tag, value);
    return value;
}

int TXmlCursor::NextInt(const QString& tag, int def)
{
    const QString value = Next(tag);
    int out = def;
    if (value.isEmpty() || !ParseStrictInt(value, out))
        return def;
    return out;
}

QString TXmlCursor::Peek(const QString& tag) const
{
    qsizetype start = 0, len = 0, end = 0;
    if (!find(tag, start, len, end))
        return QString("");
    return m_text.mid(start, len);
}
