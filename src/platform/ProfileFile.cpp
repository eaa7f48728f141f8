#include "platform/ProfileFile.h"
#include "platform/Cp1252.h"
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {
bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString trimBlanks(const QString& s)
{
    int b = 0;
    int e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

bool isQuote(QChar c) { return c == QLatin1Char('"') || c == QLatin1Char('\''); }

// A header line "[Name]": its name, or a null string when the line is no header.
QString headerName(const QString& line)
{
    const QString t = trimBlanks(line);
    if (!t.startsWith(QLatin1Char('[')))
        return QString();
    const int close = t.indexOf(QLatin1Char(']'));
    return trimBlanks(close < 0 ? t.mid(1) : t.mid(1, close - 1));
}
}

QString ProfileFile::lineKey(const QString& line, int* eq)
{
    const int pos = line.indexOf(QLatin1Char('='));
    if (pos < 0)
        return QString();
    const QString key = trimBlanks(line.left(pos));
    if (key.isEmpty() || key.startsWith(QLatin1Char(';')))
        return QString();
    if (eq)
        *eq = pos;
    return key;
}

void ProfileFile::Parse(const QByteArray& raw)
{
    m_sections.clear();
    m_index.clear();
    m_eol = QStringLiteral("\n");
    QByteArray bytes = raw;
    m_bom = bytes.startsWith("\xEF\xBB\xBF");
    if (m_bom)
        bytes.remove(0, 3);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = Cp1252::Decode(bytes);

    const int firstLf = text.indexOf(QLatin1Char('\n'));
    if (firstLf > 0 && text[firstLf - 1] == QLatin1Char('\r'))
        m_eol = QStringLiteral("\r\n");

    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    m_sections.push_back(Section{});
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString name = headerName(line);
        if (!name.isNull()) {
            Section s;
            s.name = name;
            s.lines.append(line);
            m_sections.push_back(std::move(s));
            const QString lower = name.toLower();
            if (!m_index.contains(lower))
                m_index.insert(lower, int(m_sections.size()) - 1);
            continue;
        }
        Section& cur = m_sections.back();
        cur.lines.append(line);
        if (cur.name.isEmpty() && m_sections.size() == 1)
            continue;   // keys before the first section belong to none
        const QString key = lineKey(line, nullptr);
        if (!key.isEmpty()) {
            const QString lower = key.toLower();
            if (!cur.keys.contains(lower))
                cur.keys.insert(lower, cur.lines.size() - 1);
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
        for (const QString& line : s.lines) {
            text += line;
            text += m_eol;
        }
    QByteArray out = text.toUtf8();
    if (m_bom)
        out.prepend("\xEF\xBB\xBF");
    return out;
}

bool ProfileFile::Save(const QString& fileName, QString* error) const
{
    QSaveFile f(fileName);
    const QByteArray bytes = Serialize();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
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
    const QString& line = s->lines[*it];
    return DecodeValue(line.mid(line.indexOf(QLatin1Char('=')) + 1));
}

QString ProfileFile::DecodeValue(const QString& raw)
{
    QString v = trimBlanks(raw);
    if (v.size() < 2 || !isQuote(v.front()) || v.front() != v.back())
        return v.isNull() ? QString("") : v;
    const bool escaped = v.front() == QLatin1Char('"');
    v = v.mid(1, v.size() - 2);
    if (!escaped || !v.contains(QLatin1Char('\\')))
        return v;
    QString out;
    out.reserve(v.size());
    for (int i = 0; i < v.size(); ++i) {
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
        && (isBlank(value.front()) || isBlank(value.back())
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
        const Section& last = m_sections.back();
        if (!last.lines.isEmpty() && !trimBlanks(last.lines.last()).isEmpty())
            m_sections.back().lines.append(QString(""));
        Section ns;
        ns.name = section;
        ns.lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        m_sections.push_back(std::move(ns));
        m_index.insert(section.toLower(), int(m_sections.size()) - 1);
        s = &m_sections.back();
    }
    const QString encoded = EncodeValue(value);
    const QString lower = key.toLower();
    const auto it = s->keys.constFind(lower);
    if (it != s->keys.constEnd()) {
        QString& line = s->lines[*it];
        int eq = -1;
        const QString fileKey = lineKey(line, &eq);
        if (DecodeValue(line.mid(eq + 1)) != value)
            line = fileKey + QLatin1Char('=') + encoded;
        return;
    }
    // After the section's last non-blank line, so that blank lines between sections stay.
    int pos = s->lines.size();
    while (pos > 1 && trimBlanks(s->lines[pos - 1]).isEmpty())
        --pos;
    s->lines.insert(pos, key + QLatin1Char('=') + encoded);
    s->keys.insert(lower, pos);
}
