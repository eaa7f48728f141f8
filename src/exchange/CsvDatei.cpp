#include "exchange/CsvDatei.h"
#include "foundation/Global.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <new>

namespace {
// Files this size or larger are refused: every offset into a file fits 31 bits.
constexpr qint64 kMaxFileSize = 0x7FFFFFFF;

bool IsUtf8Lead(const unsigned char* p, qsizetype n, qsizetype i, int& length)
{
    const unsigned char b = p[i];
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            lo = 0xA0;          // no overlong forms
        else if (b == 0xED)
            hi = 0x9F;          // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            lo = 0x90;
        else if (b == 0xF4)
            hi = 0x8F;          // nothing above U+10FFFF
    } else {
        return false;
    }
    if (i + length > n)
        return false;
    if (p[i + 1] < lo || p[i + 1] > hi)
        return false;
    for (int k = 2; k < length; ++k)
        if (p[i + k] < 0x80 || p[i + k] > 0xBF)
            return false;
    return true;
}

// Valid UTF-8; `multiByte` tells whether it holds a multi-byte sequence (plain ASCII reads the
// same either way).
bool IsValidUtf8(const char* data, qsizetype n, bool& multiByte)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    multiByte = false;
    qsizetype i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        if (!IsUtf8Lead(p, n, i, length))
            return false;
        multiByte = true;
        i += length;
    }
    return true;
}

// NUL characters have no place in a text (they cut it wherever it is shown).
QString WithoutNul(QString text)
{
    if (text.contains(QChar(0)))
        text.remove(QChar(0));
    return text;
}

// The system's integer conversion: leading blanks, an optional sign, decimal digits, within int.
bool ToInt(const QString& text, int& value)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    return StrToIntStrict(i == 0 ? text : text.mid(i), value);
}

// The plain split: no parts for "", a separator at the very end adds no empty part.
QStringList PlainSplit(const QString& text, QChar separator)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) == separator) {
            parts.append(text.mid(start, i - start));
            start = i + 1;
        }
    if (start < text.size())
        parts.append(text.mid(start));
    return parts;
}

QChar SeparatorChar(char separator)
{
    return Cp1252::Decode(QByteArray(1, separator)).at(0);
}
}

QString TCsvDatei::VerarbeitungsFehlerText()
{
    return QStringLiteral(
        "Bei der Verarbeitung der CSV-Datei ist ein Fehler aufgetreten. Die vorliegende Datei kann "
        "nicht verarbeitet werden.\n\rBitte prüfen Sie, ob es sich um eine gültige CSV-Datei handelt "
        "und ob Sie das korrekte Trennzeichen angegeben haben.");
}

TCsvDatei::TCsvDatei() = default;

TCsvDatei::~TCsvDatei() = default;   // an open write is discarded, the target left as it was

std::unique_ptr<TCsvDatei> TCsvDatei::CreateFromFile(const QString& fileName, char trennzeichen)
{
    return CreateFromFileSkip(fileName, 0, trennzeichen);
}

std::unique_ptr<TCsvDatei> TCsvDatei::CreateFromFileSkip(const QString& fileName, int skip,
                                                         char trennzeichen)
{
    auto csv = std::make_unique<TCsvDatei>();
    csv->m_dateiname = fileName;
    csv->m_trennzeichen = trennzeichen;
    csv->LoadFromFile(skip);
    return csv;
}

// ---------------------------------------------------------------------------------------------
// Writing

void TCsvDatei::SetSpalten(const QStringList& spalten) { SetSpaltenIntern(spalten); }

void TCsvDatei::SetSpaltenIntern(const QStringList& spalten)
{
    m_spalten = spalten;
    m_spaltenFolded.clear();
    m_spaltenFolded.reserve(spalten.size());
    for (const QString& name : spalten)
        m_spaltenFolded.insert(name.toCaseFolded());
}

void TCsvDatei::AppendQuoted(QString& out, const QString& value, QChar trennzeichen)
{
    bool quote = false;
    for (const QChar c : value)
        if (c == u'"' || c == trennzeichen || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    if (!quote) {
        out += value;
        return;
    }
    out += u'"';
    for (const QChar c : value) {
        out += c;
        if (c == u'"')
            out += u'"';
    }
    out += u'"';
}

QString TCsvDatei::QuoteIfNeeded(const QString& value, QChar trennzeichen)
{
    bool quote = false;
    for (const QChar c : value)
        if (c == u'"' || c == trennzeichen || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    if (!quote)
        return value;
    QString out;
    out.reserve(value.size() + 2);
    out += u'"';
    for (const QChar c : value) {
        out += c;
        if (c == u'"')
            out += u'"';
    }
    out += u'"';
    return out;
}

void TCsvDatei::OpenWrite(const QString& fileName, char trennzeichen)
{
    m_datei.reset();   // an earlier write still open is discarded
    m_geoeffnet = false;
    m_schreibtUtf8 = false;
    m_trennzeichen = trennzeichen;
    m_separator = SeparatorChar(trennzeichen);
    auto datei = std::make_unique<TAtomicFileWriter>();
    if (!datei->Open(fileName))
        throw CsvError(QStringLiteral("Die Datei \"%1\" kann nicht angelegt werden: %2")
                           .arg(fileName, FileErrorReason(datei->Error())));
    m_datei = std::move(datei);
    WriteLine(m_spalten.join(SeparatorChar(trennzeichen)));   // the header is never quoted
    m_geoeffnet = true;
}

void TCsvDatei::WriteFailed()
{
    const QString text = QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                             .arg(m_datei->Path(), FileErrorReason(m_datei->Error()));
    m_datei.reset();   // discards the temporary file
    m_geoeffnet = false;
    throw CsvError(text);
}

// From here on the file is UTF-8 with a byte-order mark: what was written in Windows-1252 so far
// is read back from the temporary file and written again, then the writing goes on.
void TCsvDatei::SwitchToUtf8()
{
    if (!m_datei->Flush())
        WriteFailed();
    const auto fail = [this](const QString& reason) {
        const QString text = QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                                 .arg(m_datei->Path(), reason);
        m_datei.reset();
        m_geoeffnet = false;
        throw CsvError(text);
    };
    QFile alt(m_datei->TempPath());
    if (!alt.open(QIODevice::ReadOnly))
        fail(alt.errorString());
    auto neu = std::make_unique<TAtomicFileWriter>();
    if (!neu->Open(m_datei->Path()))
        fail(FileErrorReason(neu->Error()));
    bool ok = neu->Write("\xEF\xBB\xBF", 3);
    while (ok && !alt.atEnd()) {
        const QByteArray chunk = alt.read(1 << 20);
        if (chunk.isEmpty() && alt.error() != QFileDevice::NoError)
            fail(alt.errorString());
        ok = neu->Write(Cp1252::Decode(chunk).toUtf8());
    }
    alt.close();
    m_datei = std::move(neu);   // the Windows-1252 copy is removed
    if (!ok)
        WriteFailed();
    m_schreibtUtf8 = true;
}

void TCsvDatei::WriteLine(const QString& line)
{
    if (!m_schreibtUtf8) {
        // Windows-1252 byte for byte while every character fits it.
        m_zeile.resize(line.size() + 2);
        char* out = m_zeile.data();
        bool fits = true;
        for (const QChar c : line) {
            const char16_t u = c.unicode();
            if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
                *out++ = char(u);
            } else if (!c.isSurrogate() && Cp1252::Representable(char32_t(u))) {
                *out++ = Cp1252::Encode(QString(c)).at(0);
            } else {
                fits = false;
                break;
            }
        }
        if (fits) {
            *out++ = '\r';
            *out++ = '\n';
            if (!m_datei->Write(m_zeile.constData(), out - m_zeile.constData()))
                WriteFailed();
            return;
        }
        SwitchToUtf8();
    }
    m_zeile = line.toUtf8();
    m_zeile += "\r\n";
    if (!m_datei->Write(m_zeile))
        WriteFailed();
}

void TCsvDatei::AddValues(const QStringList& values)
{
    if (m_geoeffnet) {
        // One line buffer for the whole file: no allocation per record.
        m_line.resize(0);
        for (qsizetype i = 0; i < m_spalten.size(); ++i) {
            if (i > 0)
                m_line += m_separator;
            if (i < values.size())
                AppendQuoted(m_line, values.at(i), m_separator);
        }
        WriteLine(m_line);
        return;
    }
    QHash<QString, QString> record;
    for (qsizetype i = 0; i < m_spalten.size() && i < values.size(); ++i)
        if (!m_spalten.at(i).isEmpty() && !values.at(i).isEmpty())
            record.insert(m_spalten.at(i), values.at(i));
    m_memRows.push_back(std::move(record));
}

template <class Map>
void TCsvDatei::AddRowImpl(const Map& row)
{
    if (m_geoeffnet) {
        m_line.resize(0);
        for (qsizetype i = 0; i < m_spalten.size(); ++i) {
            if (i > 0)
                m_line += m_separator;
            AppendQuoted(m_line, row.value(m_spalten.at(i)), m_separator);
        }
        WriteLine(m_line);
        return;
    }
    QHash<QString, QString> record;
    for (auto it = row.constBegin(); it != row.constEnd(); ++it)
        if (!it.key().isEmpty() && !it.value().isEmpty())
            record.insert(it.key(), it.value());
    m_memRows.push_back(std::move(record));
}

void TCsvDatei::AddRow(const QHash<QString, QString>& row) { AddRowImpl(row); }

void TCsvDatei::AddRow(const QMap<QString, QString>& row) { AddRowImpl(row); }

void TCsvDatei::CloseWrite()
{
    if (!m_datei)
        return;
    m_geoeffnet = false;
    const std::unique_ptr<TAtomicFileWriter> datei = std::move(m_datei);
    if (!datei->Commit())
        throw CsvError(QStringLiteral("Die Datei \"%1\" kann nicht gespeichert werden: %2")
                           .arg(datei->Path(), FileErrorReason(datei->Error())));
}

// ---------------------------------------------------------------------------------------------
// Reading

void TCsvDatei::LoadFromFile(int skip)
{
    QFile file(m_dateiname);
    if (!file.open(QIODevice::ReadOnly))
        throw CsvError(QStringLiteral("Die Datei \"%1\" kann nicht geöffnet werden: %2")
                           .arg(m_dateiname, file.errorString()));
    if (file.size() >= kMaxFileSize)
        throw CsvError(QStringLiteral("Die Datei \"%1\" ist zu groß.").arg(m_dateiname));
    m_data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw CsvError(QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden: %2")
                           .arg(m_dateiname, file.errorString()));
    if (m_data.size() >= kMaxFileSize)
        throw CsvError(QStringLiteral("Die Datei \"%1\" ist zu groß.").arg(m_dateiname));
    file.close();

    qsizetype start = 0;
    const bool le = m_data.startsWith("\xFF\xFE"), be = m_data.startsWith("\xFE\xFF");
    if (le || be) {
        // UTF-16 is parsed as UTF-8: the separators, quotes and line ends are the same characters.
        QStringDecoder decoder(le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        const QString text = decoder.decode(QByteArrayView(m_data).sliced(2));
        m_data = text.toUtf8();
        if (m_data.size() >= kMaxFileSize)
            throw CsvError(QStringLiteral("Die Datei \"%1\" ist zu groß.").arg(m_dateiname));
        m_utf8 = true;
    } else {
        const bool mark = m_data.startsWith("\xEF\xBB\xBF");
        if (mark)
            start = 3;
        bool multiByte = false;
        const bool valid = IsValidUtf8(m_data.constData() + start, m_data.size() - start, multiByte);
        // A mark before bytes that are no UTF-8 was wrong: the text is Windows-1252.
        m_utf8 = valid && (mark || multiByte);
    }
    Parse(start, skip);
}

TCsvDatei::Span TCsvDatei::Unquote(qsizetype begin, qsizetype end)
{
    const char* d = m_data.constData();
    // 1. A leading quote goes, and the closing quote when there is one.
    if (end > begin && d[begin] == '"') {
        ++begin;
        if (end > begin && d[end - 1] == '"')
            --end;
    }
    // 3. Codes up to 32 trimmed at both ends (commutes with step 2, which touches quotes only).
    while (begin < end && static_cast<unsigned char>(d[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(d[end - 1]) <= 32)
        --end;
    // 2. Every pair of quotes becomes one.
    qsizetype pair = -1;
    for (qsizetype i = begin; i + 1 < end; ++i)
        if (d[i] == '"' && d[i + 1] == '"') {
            pair = i;
            break;
        }
    if (pair < 0)
        return Span{quint32(begin), quint32(end - begin)};
    const qsizetype offset = m_extra.size();
    m_extra.append(d + begin, pair - begin);
    for (qsizetype i = pair; i < end; ++i) {
        m_extra.append(d[i]);
        if (d[i] == '"' && i + 1 < end && d[i + 1] == '"')
            ++i;
    }
    return Span{quint32(offset), quint32(m_extra.size() - offset) | kExtraFlag};
}

QString TCsvDatei::Text(const Span& span) const
{
    const quint32 length = span.length & ~kExtraFlag;
    if (length == 0)
        return QStringLiteral("");
    const char* p = ((span.length & kExtraFlag) ? m_extra : m_data).constData() + span.offset;
    if (m_utf8)
        return WithoutNul(QString::fromUtf8(p, length));
    return WithoutNul(Cp1252::Decode(QByteArray::fromRawData(p, length)));
}

void TCsvDatei::Parse(qsizetype start, int skip)
{
    const char* d = m_data.constData();
    const qsizetype n = m_data.size();
    const char sep = m_trennzeichen;

    const auto lineEnd = [d, n](qsizetype p) {
        while (p < n && d[p] != '\r' && d[p] != '\n')
            ++p;
        return p;
    };
    const auto nextLineStart = [d, n](qsizetype e) -> qsizetype {
        if (e >= n)
            return n;
        if (d[e] == '\r' && e + 1 < n && d[e + 1] == '\n')
            return e + 2;
        return e + 1;
    };

    // Leading lines skipped; no line left: no columns and no records.
    qsizetype pos = start;
    for (int i = 0; i < skip && pos < n; ++i)
        pos = nextLineStart(lineEnd(pos));
    if (pos >= n)
        return;

    // The header: a plain split that ignores quotes.
    const qsizetype headerEnd = lineEnd(pos);
    QStringList names;
    if (headerEnd > pos) {
        qsizetype partStart = pos;
        for (qsizetype i = pos; i < headerEnd; ++i)
            if (d[i] == sep) {
                names.append(Text(Unquote(partStart, i)));
                partStart = i + 1;
            }
        if (partStart < headerEnd)
            names.append(Text(Unquote(partStart, headerEnd)));
    }
    m_extra.clear();
    SetSpaltenIntern(names);
    const qsizetype columnCount = names.size();
    for (qsizetype k = 0; k < columnCount; ++k)
        if (!names.at(k).isEmpty())
            m_nameColumns[names.at(k)].push_back(int(k));
    pos = nextLineStart(headerEnd);

    // Room for what will be stored: at most one span per field (separators + lines), and at most
    // the column count per line.
    {
        qsizetype separators = 0, lines = 1;
        for (qsizetype i = pos; i < n; ++i) {
            if (d[i] == sep)
                ++separators;
            else if (d[i] == '\n' || (d[i] == '\r' && (i + 1 >= n || d[i + 1] != '\n')))
                ++lines;
        }
        m_spans.reserve(size_t(std::min<qint64>(separators + lines, qint64(lines) * columnCount)));
        m_rowStart.reserve(size_t(lines) + 1);
    }

    // Line starts from here on, entered inside an open quote, never see it closed before the end
    // of the file (the scan from a line start inside a quote does not depend on where the quote
    // opened). Keeps a file full of unterminated quotes linear.
    qsizetype insideFailsFrom = n + 1;

    // Whether the record being read holds any field that is not empty (dropped ones included).
    bool anyValue = false;
    const auto storeField = [&](qsizetype k, qsizetype begin, qsizetype end) {
        const qsizetype mark = m_extra.size();
        const Span span = Unquote(begin, end);
        if (span.length != 0)
            anyValue = true;
        if (k >= columnCount || names.at(k).isEmpty()) {
            m_extra.truncate(mark);
            if (k < columnCount)
                m_spans.push_back(Span{});   // a column without a name takes no values
            return;                          // beyond the header: dropped
        }
        m_spans.push_back(span);
    };

    // One record from the line start p. Across lines (lineMode false) a quoted field runs on while
    // its quote is open; false when one is still open at the end of the file. In line mode the
    // record is the line alone, read as the earlier editions read it.
    const auto parseRecord = [&](qsizetype p, bool lineMode, qsizetype& next) -> bool {
        const qsizetype limit = lineMode ? lineEnd(p) : n;
        qsizetype k = 0;
        for (;;) {
            if (p < limit && d[p] == '"') {
                if (lineMode) {
                    if (limit - p <= 2) {   // a rest of at most 2 characters: an empty field
                        storeField(k, p, p);
                        next = nextLineStart(limit);
                        return true;
                    }
                    bool odd = false;
                    qsizetype i = p + 1;
                    for (; i < limit; ++i) {
                        if (d[i] == sep && odd && d[i - 1] == '"')
                            break;
                        if (d[i] == '"')
                            odd = !odd;
                    }
                    storeField(k++, p, i);
                    if (i < limit) {
                        p = i + 1;
                        continue;
                    }
                    next = nextLineStart(limit);
                    return true;
                }
                bool odd = false;   // an odd count of quotes after the opening one: closed
                qsizetype firstCrossed = -1;
                qsizetype i = p + 1;
                for (; i < n; ++i) {
                    const char c = d[i];
                    if (c == '\r' || c == '\n') {
                        if (odd)
                            break;   // closed: the line end ends field and record
                        const qsizetype lineStart = nextLineStart(i);
                        if (firstCrossed < 0)
                            firstCrossed = lineStart;
                        if (lineStart >= insideFailsFrom)
                            break;   // known to stay open to the end of the file
                        i = lineStart - 1;
                        continue;
                    }
                    if (c == sep && odd && d[i - 1] == '"')
                        break;
                    if (c == '"')
                        odd = !odd;
                }
                if (!odd && (i >= n || d[i] == '\r' || d[i] == '\n')) {
                    if (firstCrossed >= 0)
                        insideFailsFrom = std::min(insideFailsFrom, firstCrossed);
                    return false;
                }
                storeField(k++, p, i);
                if (i < n && d[i] == sep) {
                    p = i + 1;
                    continue;
                }
                next = nextLineStart(i);
                return true;
            }
            qsizetype i = p;
            while (i < limit && d[i] != sep && d[i] != '\r' && d[i] != '\n')
                ++i;
            storeField(k++, p, i);
            if (i < limit && d[i] == sep) {
                p = i + 1;
                continue;
            }
            next = nextLineStart(i);
            return true;
        }
    };

    while (pos < n) {
        const qsizetype e = lineEnd(pos);
        bool blank = true;
        for (qsizetype i = pos; i < e && blank; ++i)
            blank = static_cast<unsigned char>(d[i]) <= 32;
        if (blank) {
            pos = nextLineStart(e);
            continue;
        }
        const size_t base = m_spans.size();
        const qsizetype extraMark = m_extra.size();
        qsizetype next = n;
        try {
            anyValue = false;
            if (!parseRecord(pos, false, next)) {
                m_spans.resize(base);
                m_extra.truncate(extraMark);
                anyValue = false;
                parseRecord(pos, true, next);
            }
            while (m_spans.size() > base && m_spans.back().length == 0)
                m_spans.pop_back();
            // A record of empty fields only (a spreadsheet's blank row, ";;;;") is no record.
            if (anyValue)
                m_rowStart.push_back(quint32(m_spans.size()));
        } catch (const std::bad_alloc&) {
            // Storing failed: the records completed so far stay, this one is dropped.
            m_spans.resize(base);
            m_extra.truncate(extraMark);
            m_warnung = VerarbeitungsFehlerText();
            return;
        }
        pos = next;
    }
}

// ---------------------------------------------------------------------------------------------
// Lookups

int TCsvDatei::GetRowCount() const
{
    return int(m_rowStart.size() - 1 + m_memRows.size());
}

QString TCsvDatei::FileValue(qsizetype row, const std::vector<int>& columns) const
{
    const quint32 base = m_rowStart[size_t(row)];
    const quint32 count = m_rowStart[size_t(row) + 1] - base;
    // A name given twice in the header: the last non-empty value wins. Only the columns the row
    // holds are looked at (the positions are ascending).
    auto col = std::lower_bound(columns.begin(), columns.end(), qint64(count),
                                [](int c, qint64 n) { return c < n; });
    while (col != columns.begin()) {
        --col;
        if (m_spans[base + quint32(*col)].length != 0)
            return Text(m_spans[base + quint32(*col)]);
    }
    return QStringLiteral("");
}

QString TCsvDatei::GetValue(int row, const QString& name) const
{
    return GetValue(row, Spalte(name));
}

TCsvDatei::Feld TCsvDatei::Spalte(const QString& name) const
{
    Feld f;
    f.name = name;
    f.gueltig = !name.isEmpty() && m_spaltenFolded.contains(name.toCaseFolded());
    if (f.gueltig) {
        const auto it = m_nameColumns.constFind(name);
        if (it != m_nameColumns.constEnd())
            f.columns = &*it;
    }
    return f;
}

QString TCsvDatei::GetValue(int row, const Feld& feld) const
{
    if (row < 0 || row >= GetRowCount() || !feld.gueltig)
        return QStringLiteral("");
    const qsizetype fileRows = qsizetype(m_rowStart.size()) - 1;
    if (row < fileRows)
        return feld.columns ? FileValue(row, *feld.columns) : QStringLiteral("");
    const QHash<QString, QString>& record = m_memRows[size_t(row - fileRows)];
    const auto it = record.constFind(feld.name);
    return it == record.constEnd() ? QStringLiteral("") : *it;
}

int TCsvDatei::ToIntValue(const QString& text)
{
    int value = 0;
    return ToInt(text, value) ? value : 0;
}

int TCsvDatei::GetIntValue(int row, const Feld& feld) const
{
    return ToIntValue(GetValue(row, feld));
}

QDate TCsvDatei::GetGeburtsdatumValue(int row, const Feld& feld) const
{
    return StrToGeburtsdatum(GetValue(row, feld));
}

int TCsvDatei::GetIntValue(int row, const QString& name) const
{
    int value = 0;
    return ToInt(GetValue(row, name), value) ? value : 0;
}

QDate TCsvDatei::StrToDatum(const QString& text)
{
    const QStringList parts = PlainSplit(text, u'.');
    if (parts.size() != 3)
        return QDate();
    int day = 0, month = 0, year = 0;
    if (!ToInt(parts.at(0), day) || !ToInt(parts.at(1), month) || !ToInt(parts.at(2), year))
        return QDate();
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day))
        return QDate();
    return QDate(year, month, day);
}

QDate TCsvDatei::StrToGeburtsdatum(const QString& text)
{
    const QStringList parts = PlainSplit(text, u'.');
    if (parts.size() != 3 || parts.at(2).trimmed().size() > 2)
        return StrToDatum(text);
    int day = 0, month = 0, year = 0;
    if (!ToInt(parts.at(0), day) || !ToInt(parts.at(1), month) || !ToInt(parts.at(2), year) || year < 0)
        return QDate();
    return BirthDateOfShortYear(day, month, year);
}

QDate TCsvDatei::GetGeburtsdatumValue(int row, const QString& name) const
{
    return StrToGeburtsdatum(GetValue(row, name));
}

QDate TCsvDatei::GetDateValue(int row, const QString& name) const
{
    return StrToDatum(GetValue(row, name));
}
