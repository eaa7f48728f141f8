#pragma once
#include "foundation/TextError.h"
#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TAtomicFileWriter;

// A file that cannot be created, written, closed, opened or read (an input/output
// failure). Its text names the file and the system's reason.
class CsvError : public TextError {
public:
    using TextError::TextError;
};

// TCsvDatei: the one class that writes and reads the
// system's CSV files. Plain logic: no widgets, no message boxes.
//
// The dialect. A header line of column names, never quoted; then one record per line (a quoted
// value may hold line breaks). Fields are
// split by a one-byte separator the caller chooses (";" by default, "," or Tab; an ASCII character
// is expected). A value is written between double quotes, every inner quote doubled, when it holds
// a double quote, the separator, CR or LF; every other value is written bare. Every line ends with
// CR LF. Files are written in Windows-1252 without a byte-order mark while every character fits
// it; as soon as one does not, the whole file (what was written so far included) is written as
// UTF-8 with a byte-order mark instead, so that nothing turns into "?".
//
// Writing: TCsvDatei(), SetSpalten, OpenWrite, AddRow (or AddValues) per record, CloseWrite. The
// lines go to a temporary file in the target's folder; every write, the flush and the close are
// checked, and only then CloseWrite renames it over the target, so a failure leaves the old file
// or none, never half a file. Every failure throws CsvError naming the reason in German. An object
// destroyed while open (an export that ended by a failure) discards what it wrote.
//
// Reading: CreateFromFile / CreateFromFileSkip hold the whole file in memory. A file that begins
// with a UTF-16 byte-order mark (FF FE or FE FF) is read as UTF-16. A file whose bytes after an
// optional UTF-8 byte-order mark are valid UTF-8 is read as UTF-8 (without a mark only when it
// holds at least one multi-byte sequence); any other as Windows-1252, the mark dropped as wrong.
// NUL characters are dropped from every text read. Lines end at CR LF, a
// lone CR or a lone LF. The first line (after the skipped ones) is the header, split at every
// separator without regard to quotes. A data line that is empty after removing codes up to 32 at
// both ends is skipped, and so is a record whose fields are all empty (";;;;"). A field that begins with a double quote may run across line ends while
// its quote is open; when such a quote is still open at the end of the file, that record is read
// from its own line alone, as the earlier editions read every record. Each field is unquoted (a leading quote
// dropped, a closing quote dropped when there is one, "" made ", codes up to 32 trimmed at both
// ends) and stored under the column name of its position; fields beyond the header are dropped.
// A quoted field whose line holds at most two characters from its quote on, and that is read from
// its line alone, is empty, as the earlier editions read it. Memory: the file's bytes plus 8 bytes per stored field;
// every path is linear in the file's size.
class TCsvDatei {
public:
    // The reader's one message: storing a field failed while reading, the records completed before
    // stay (see Warnung()). The caller shows it.
    static QString VerarbeitungsFehlerText();

    // Create: an empty object for writing: no file name, separator ";", no records, no columns.
    TCsvDatei();
    ~TCsvDatei();
    TCsvDatei(const TCsvDatei&) = delete;
    TCsvDatei& operator=(const TCsvDatei&) = delete;

    // The reading constructors: the whole file is read before they return. Throw CsvError when the
    // file cannot be opened or read (or is 2 GiB or larger).
    static std::unique_ptr<TCsvDatei> CreateFromFile(const QString& fileName, char trennzeichen);
    static std::unique_ptr<TCsvDatei> CreateFromFileSkip(const QString& fileName, int skip,
                                                         char trennzeichen);

    // ---- Writing ----
    void SetSpalten(const QStringList& spalten);
    // Creates the temporary file beside fileName and writes the header line. An earlier write
    // still open is discarded first. Throws CsvError.
    void OpenWrite(const QString& fileName, char trennzeichen);
    // While open: writes the record's line (the text under each column name, exact case; absent
    // is empty). Otherwise keeps the record in memory, where it counts as a record and can be read
    // back. Throws CsvError when the write fails (the temporary file is then discarded).
    void AddRow(const QHash<QString, QString>& row);
    void AddRow(const QMap<QString, QString>& row);
    // While open: writes one line of the values given in column order (missing ones empty).
    void AddValues(const QStringList& values);
    // Renames the temporary file over the target and clears the open flag. Throws CsvError when
    // that fails (the target then stays as it was). Does nothing when nothing is open.
    void CloseWrite();
    bool IsOpen() const { return m_geoeffnet; }

    // ---- Reading ----
    QString Dateiname() const { return m_dateiname; }
    char Trennzeichen() const { return m_trennzeichen; }
    // True when the file was read as UTF-8 or UTF-16, false for Windows-1252.
    bool IsUtf8() const { return m_utf8; }
    // While writing: true once the file is being written as UTF-8.
    bool WritesUtf8() const { return m_schreibtUtf8; }
    // Empty, or VerarbeitungsFehlerText() when reading stopped early because storing a record
    // failed (memory exhausted); the records completed before stay.
    QString Warnung() const { return m_warnung; }

    int GetRowCount() const;
    QStringList GetSpalten() const { return m_spalten; }
    // The text stored under exactly this name, or "" when the row is out of range, the name is
    // empty or matches none of the column names even when case is ignored.
    QString GetValue(int row, const QString& name) const;
    // The text as a whole decimal integer (leading blanks and a sign allowed, within int), else 0.
    int GetIntValue(int row, const QString& name) const;
    // The text as a date "d.m.y" (exactly three parts at ".", a trailing "." adds none; the year
    // as written, 1 to 9999). "No date" is an invalid QDate (the earlier editions' 0).
    QDate GetDateValue(int row, const QString& name) const;
    // The same for a birth date: a year of one or two digits never gives a date after today
    // (BirthDateOfShortYear), so "3.1.90" is 1990, not the year 90.
    QDate GetGeburtsdatumValue(int row, const QString& name) const;

    // A column looked up once for the reads of many rows: GetValue(row, Spalte(name)) is
    // GetValue(row, name). Valid while the object lives and gets no column names anew.
    class Feld {
    private:
        friend class TCsvDatei;
        QString name;
        bool gueltig = false;                        // the name matches a column, case ignored
        const std::vector<int>* columns = nullptr;   // its exact positions in the file
    };
    Feld Spalte(const QString& name) const;
    QString GetValue(int row, const Feld& feld) const;
    int GetIntValue(int row, const Feld& feld) const;
    QDate GetGeburtsdatumValue(int row, const Feld& feld) const;
    // The text as a whole decimal integer, as GetIntValue reads it, else 0.
    static int ToIntValue(const QString& text);
    // The value as the writer puts it into a line.
    static QString QuoteIfNeeded(const QString& value, QChar trennzeichen);
    // The same, appended to `out`.
    static void AppendQuoted(QString& out, const QString& value, QChar trennzeichen);
    // Day, month and year of "d.m.y", or an invalid QDate.
    static QDate StrToDatum(const QString& text);
    static QDate StrToGeburtsdatum(const QString& text);

private:
    // A value of the file: bytes in m_data, or (flag bit of length set) in m_extra, in the file's
    // encoding.
    struct Span {
        quint32 offset = 0;
        quint32 length = 0;
    };
    static constexpr quint32 kExtraFlag = 0x80000000u;

    void LoadFromFile(int skip);
    void Parse(qsizetype start, int skip);
    Span Unquote(qsizetype begin, qsizetype end);
    QString Text(const Span& span) const;
    QString FileValue(qsizetype row, const std::vector<int>& columns) const;
    void SetSpaltenIntern(const QStringList& spalten);
    void WriteLine(const QString& line);
    void SwitchToUtf8();
    [[noreturn]] void WriteFailed();
    template <class Map> void AddRowImpl(const Map& row);

    QString m_dateiname;
    char m_trennzeichen = ';';
    QStringList m_spalten;
    QSet<QString> m_spaltenFolded;   // the column names case-folded: the lookup guard

    // Writing.
    std::unique_ptr<TAtomicFileWriter> m_datei;
    bool m_geoeffnet = false;
    bool m_schreibtUtf8 = false;
    QChar m_separator = u';';
    QString m_line;       // the line being built and
    QByteArray m_zeile;   // encoded, both kept for their capacity

    // Records read from the file: row r holds the spans of columns 0 .. n-1 (n at most the header's
    // column count, trailing empty ones left out) at m_spans[m_rowStart[r] .. m_rowStart[r + 1]).
    QByteArray m_data;
    QByteArray m_extra;              // values whose doubled quotes were collapsed
    bool m_utf8 = false;
    std::vector<Span> m_spans;
    std::vector<quint32> m_rowStart{0};
    QHash<QString, std::vector<int>> m_nameColumns;   // header name (exact) -> its column positions
    QString m_warnung;

    // Records added in memory (AddRow while not open), after the records read.
    std::vector<QHash<QString, QString>> m_memRows;
};
