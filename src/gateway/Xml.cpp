#include "gateway/Xml.h"

namespace {
// The value as a whole decimal integer, else `def` (also for an empty value).
int intOr(const QString& value, int def)
{
    int out = def;
    return StrToIntStrict(value, out) ? out : def;
}

// Equal without regard to case, character by character, as Qt::CaseInsensitive compares.
bool sameName(QStringView a, QStringView b)
{
    for (qsizetype k = 0; k < a.size(); ++k) {
        char16_t x = a[k].unicode();
        char16_t y = b[k].unicode();
        if (x == y)
            continue;
        if (x >= 0x80 || y >= 0x80)
            return a.compare(b, Qt::CaseInsensitive) == 0;
        if (x >= 'A' && x <= 'Z')
            x += 32;
        if (y >= 'A' && y <= 'Z')
            y += 32;
        if (x != y)
            return false;
    }
    return true;
}

// Whether "<name>" (or "</name>") starts at `i`. Names are compared without regard to case
// character by character, so positions are those of the text itself ("ß" stays one character).
bool tagAt(QStringView text, qsizetype i, QStringView name, bool closing)
{
    const qsizetype nameAt = closing ? 2 : 1;
    if (i + nameAt + name.size() >= text.size())
        return false;
    if (closing && text[i + 1] != u'/')
        return false;
    if (text[i + nameAt + name.size()] != u'>')
        return false;
    return sameName(text.mid(i + nameAt, name.size()), name);
}

// Finds the element in `text` from `from` on: the first opening tag and the first closing tag,
// both searched from `from`, so that a closing tag before the opening one ends the search, as
// the consuming reads expect. One pass that looks only at each '<'.
bool findElement(QStringView view, qsizetype from, const QString& tag, qsizetype& valueStart,
                 qsizetype& valueLen, qsizetype& end)
{
    qsizetype open = -1;
    for (qsizetype pos = from;;) {
        const qsizetype c = view.indexOf(u'<', pos);
        if (c < 0)
            return false;
        pos = c + 1;
        if (tagAt(view, c, tag, true)) {
            if (open < 0)
                return false;   // closes before anything opened
            valueStart = open + tag.size() + 2;
            valueLen = c > valueStart ? c - valueStart : 0;
            end = c + tag.size() + 3;
            return true;
        }
        if (open < 0 && tagAt(view, c, tag, false))
            open = c;
    }
}
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
    return intOr(GetXmlElement(text, tag, consume), def);
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
    return intOr(XmlElement(text, tag), def);
}

bool TXmlCursor::find(const QString& tag, qsizetype& valueStart, qsizetype& valueLen, qsizetype& end) const
{
    // Searching a shortened view gives what a search in a copy of that range gives.
    return findElement(QStringView(m_text).left(m_end), m_pos, tag, valueStart, valueLen, end);
}

bool TXmlCursor::Enter(const QString& tag)
{
    qsizetype start = 0, len = 0, end = 0;
    if (!find(tag, start, len, end)) {
        m_pos = m_end;
        return false;
    }
    m_pos = start;
    m_end = start + len;
    return true;
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
    return intOr(Next(tag), def);
}

QString TXmlCursor::Peek(const QString& tag) const
{
    qsizetype start = 0, len = 0, end = 0;
    if (!find(tag, start, len, end))
        return QString("");
    return m_text.mid(start, len);
}
