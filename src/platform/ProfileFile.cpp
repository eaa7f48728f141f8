#include "platform/ProfileFile.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {
// The white space Windows' profile reader trims around names and values.
bool isSpace(QChar c)
{
    switch (c.unicode()) {
    case ' ': case '\t': case '\n': case '\v': case '\f': case '\r': case 0x1A:
        return true;
    default:
        return false;
    }
}

QString trimSpace(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isSpace(s[b]))
        ++b;
    while (e > b && isSpace(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

bool isQuote(QChar c) { return c == QLatin1Char('"') || c == QLatin1Char('\''); }

// A header line "[Name]": its name, or a null string when the line is no header. Without a
// "]" the line is none, so the keys below it stay in the section above.
QString headerName(const QString& line)
{
    const QString t = trimSpace(line);
    if (!t.startsWith(QLatin1Char('[')))
        return QString();
    const qsizetype close = t.lastIndexOf(QLatin1Char(']'));
    if (close <= 0)
        return QString();
    const QString name = trimSpace(t.mid(1, close - 1));
    return name.isNull() ? QString("") : name;
}

bool isAscii(const QByteArray& bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}
}

QString ProfileFile::lineKey(const QString& line, int* eq)
{
    const int pos = int(line.indexOf(QLatin1Char('=')));
    if (pos < 0)
        return QString();
    const QString key = trimSpace(line.left(pos));
    if (key.isEmpty() || key.startsWith(QLatin1Char(';')))
        return QString();
    if (eq)
        *eq = pos;
    return key;
}

void ProfileFile::Parse(const QByteArray& bytes)
{
    m_sections.clear();
    m_index.clear();
    m_eol = QStringLiteral("\n");
    m_encoding = Encoding::Cp1252;

    QString text;
    if (bytes.startsWith("\xFF\xFE")) {
        m_encoding = Encoding::Utf16Le;
        text = QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        m_encoding = Encoding::Utf16Be;
        text = QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        // A mark followed by what is no UTF-8 was wrong: an editor put it before Windows-1252
        // text, which would otherwise come back as replacement characters and be lost at the
        // next write.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(bytes.mid(3));
        if (utf8.hasError())
            text = Cp1252::Decode(bytes.mid(3));
        else
            m_encoding = Encoding::Utf8Bom;
    } else if (isAscii(bytes)) {
        text = QString::fromLatin1(bytes);
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(bytes);
        if (utf8.hasError())
            text = Cp1252::Decode(bytes);
    }

    // Lines end at LF (a CR before it belongs to the line end); only where no LF follows any
    // more does a lone CR end a line, as Windows reads it.
    std::vector<Line> lines;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        const qsizetype lf = text.indexOf(QLatin1Char('\n'), pos);
        Line line;
        if (lf >= 0) {
            const bool crlf = lf > pos && text[lf - 1] == QLatin1Char('\r');
            line.text = text.mid(pos, lf - pos - (crlf ? 1 : 0));
            line.eol = crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
            pos = lf + 1;
        } else {
            const qsizetype cr = text.indexOf(QLatin1Char('\r'), pos);
            const qsizetype end = cr >= 0 ? cr : n;
            line.text = text.mid(pos, end - pos);
            if (cr >= 0)
                line.eol = QStringLiteral("\r");
            pos = cr >= 0 ? cr + 1 : n;
        }
        if (line.text.isNull())
            line.text = QString("");
        lines.push_back(std::move(line));
    }
    for (const Line& l : lines)
        if (!l.eol.isEmpty()) {
            m_eol = l.eol;
            break;
        }

    m_sections.push_back(Section{});
    for (Line& line : lines) {
        const QString name = headerName(line.text);
        if (!name.isNull()) {
            Section s;
            s.name = name;
            s.lines.push_back(std::move(line));
            m_sections.push_back(std::move(s));
            const QString lower = name.toLower();
            if (!m_index.contains(lower))
                m_index.insert(lower, int(m_sections.size()) - 1);
            continue;
        }
        Section& cur = m_sections.back();
        const QString key = m_sections.size() == 1 ? QString() : lineKey(line.text, nullptr);
        cur.lines.push_back(std::move(line));
        if (!key.isEmpty()) {   // keys before the first section belong to none
            const QString lower = key.toLower();
            if (!cur.keys.contains(lower))
                cur.keys.insert(lower, int(cur.lines.size()) - 1);
        }
    }
}

bool ProfileFile::Load(const QString& fileName, QString* error)
{
    Parse(QByteArray());
    QFile f(fileName);
    if (!f.exists())
        return true;
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = f.errorString();
        return false;
    }
    Parse(bytes);
    return true;
}

QByteArray ProfileFile::Serialize() const
{
    QString text;
    for (const Section& s : m_sections)
        for (const Line& line : s.lines) {
            text += line.text;
            text += line.eol.isEmpty() ? m_eol : line.eol;
        }
    switch (m_encoding) {
    case Encoding::Utf16Le:
        return QByteArray("\xFF\xFE") + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(text));
    case Encoding::Utf16Be:
        return QByteArray("\xFE\xFF") + QByteArray(QStringEncoder(QStringEncoder::Utf16BE).encode(text));
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Cp1252:
        break;
    }
    // Rather than turn a character into "?", give up Windows-1252 for the whole file.
    if (!Cp1252::Representable(text))
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    return Cp1252::Encode(text);
}

bool ProfileFile::Save(const QString& fileName, QString* error) const
{
    return WriteFileAtomically(fileName, Serialize(), error);
}

ProfileFile::Section* ProfileFile::find(const QString& section)
{
    const auto it = m_index.constFind(section.toLower());
    return it == m_index.constEnd() ? nullptr : &m_sections[size_t(*it)];
}

const ProfileFile::Section* ProfileFile::find(const QString& section) const
{
    const auto it = m_index.constFind(section.toLower());
    return it == m_index.constEnd() ? nullptr : &m_sections[size_t(*it)];
}

bool ProfileFile::SectionExists(const QString& section) const { return find(section) != nullptr; }

bool ProfileFile::ValueExists(const QString& section, const QString& key) const
{
    const Section* s = find(section);
    return s && s->keys.contains(key.toLower());
}

QString ProfileFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const Section* s = find(section);
    if (!s)
        return def;
    const auto it = s->keys.constFind(key.toLower());
    if (it == s->keys.constEnd())
        return def;
    const QString& line = s->lines[size_t(*it)].text;
    return DecodeValue(line.mid(line.indexOf(QLatin1Char('=')) + 1));
}

QString ProfileFile::DecodeValue(const QString& raw)
{
    QString v = trimSpace(raw);
    if (v.size() < 2 || !isQuote(v.front()) || v.front() != v.back())
        return v.isNull() ? QString("") : v;
    const bool escaped = v.front() == QLatin1Char('"');
    v = v.mid(1, v.size() - 2);
    if (!escaped || !v.contains(QLatin1Char('\\')))
        return v;
    QString out;
    out.reserve(v.size());
    for (qsizetype i = 0; i < v.size(); ++i) {
        const QChar c = v[i];
        if (c == QLatin1Char('\\') && i + 1 < v.size()) {
            const QChar n = v[i + 1];
            if (n == QLatin1Char('\\')) { out += QLatin1Char('\\'); ++i; continue; }
            if (n == QLatin1Char('n')) { out += QLatin1Char('\n'); ++i; continue; }
            if (n == QLatin1Char('r')) { out += QLatin1Char('\r'); ++i; continue; }
        }
        out += c;
    }
    return out;
}

QString ProfileFile::EncodeValue(const QString& value)
{
    const bool needsQuotes = !value.isEmpty()
        && (isSpace(value.front()) || isSpace(value.back())
            || (value.size() >= 2 && isQuote(value.front()) && value.front() == value.back())
            || value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')));
    if (!needsQuotes)
        return value;
    QString out;
    out.reserve(value.size() + 8);
    out += QLatin1Char('"');
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else
            out += c;
    }
    out += QLatin1Char('"');
    return out;
}

void ProfileFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    if (m_sections.empty())
        m_sections.push_back(Section{});
    Section* s = find(section);
    if (!s) {
        // Separate a new section from what comes before it by one blank line.
        Section& last = m_sections.back();
        if (!last.lines.empty() && !trimSpace(last.lines.back().text).isEmpty())
            last.lines.push_back(Line{QString(""), m_eol});
        Section ns;
        ns.name = section;
        ns.lines.push_back(Line{QLatin1Char('[') + section + QLatin1Char(']'), m_eol});
        m_sections.push_back(std::move(ns));
        m_index.insert(section.toLower(), int(m_sections.size()) - 1);
        s = &m_sections.back();
    }
    const QString lower = key.toLower();
    const auto it = s->keys.constFind(lower);
    if (it != s->keys.constEnd()) {
        QString& line = s->lines[size_t(*it)].text;
        int eq = -1;
        const QString fileKey = lineKey(line, &eq);
        if (DecodeValue(line.mid(eq + 1)) != value)
            line = fileKey + QLatin1Char('=') + EncodeValue(value);
        return;
    }
    // After the section's last non-blank line, so that blank lines between sections stay.
    int pos = int(s->lines.size());
    while (pos > 1 && trimSpace(s->lines[size_t(pos) - 1].text).isEmpty())
        --pos;
    s->lines.insert(s->lines.begin() + pos, Line{key + QLatin1Char('=') + EncodeValue(value), m_eol});
    s->keys.insert(lower, pos);
}
