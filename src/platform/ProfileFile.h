#pragma once
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

// An INI profile file read as Windows' profile functions read it: section and key names match
// without regard to case, keys and values lose surrounding white space (blank, tab, vertical tab,
// form feed, CR, LF and ^Z), one pair of matching quotes is stripped from a value, the first of
// duplicate keys wins, lines starting with ";" are comments. A header is a "[" line holding a
// "]"; its name ends at the last "]". Lines end in LF or CR LF; where no LF follows any more, a
// lone CR ends a line too, so a CR inside a line of a CR LF file stays part of its value.
// Every line the program does not write stays as it was, with its own line end; a new key goes
// to the end of its section, a new section to the end of the file.
//
// Encodings: UTF-16 LE or BE and UTF-8 each with a byte-order mark; without one, Windows-1252,
// or UTF-8 when the bytes are valid UTF-8 (as earlier versions wrote the file). A file is written
// back in the encoding it was read in, one without a byte-order mark and a new one in
// Windows-1252 (what Windows reads), or as UTF-8 with a byte-order mark when it holds a
// character Windows-1252 lacks. New lines take the line end the file uses (LF for a new file).
// Saving goes through WriteFileAtomically.
//
// Values the Windows reader would not give back (white space or a quote pair at the ends, line
// breaks) are written in double quotes; inside double quotes "\\", "\n" and "\r" stand for a
// backslash, LF and CR. Unquoted values are taken literally, so every plain value of an
// existing file reads unchanged.
class ProfileFile {
public:
    ProfileFile() = default;

    // Reads the file; a missing file gives an empty profile. False (and `error` set) only
    // when the file exists but cannot be read.
    bool Load(const QString& fileName, QString* error = nullptr);
    // Parses text already in memory (the bytes of a file).
    void Parse(const QByteArray& bytes);
    // Writes the whole profile atomically. False (and `error` set) on any failure; the old file
    // then stays as it was.
    bool Save(const QString& fileName, QString* error = nullptr) const;
    QByteArray Serialize() const;

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    // The value as the profile reader gives it; `def` when the key is missing.
    QString ReadString(const QString& section, const QString& key, const QString& def = QString("")) const;
    // Sets the key so that ReadString gives `value` back exactly.
    void WriteString(const QString& section, const QString& key, const QString& value);

    // The text written after "=" for a value, and the value read from such text.
    static QString EncodeValue(const QString& value);
    static QString DecodeValue(const QString& raw);

private:
    enum class Encoding { Cp1252, Utf8Bom, Utf16Le, Utf16Be };
    struct Line {
        QString text;
        QString eol;                  // as read; empty for a last line without one
    };
    struct Section {
        QString name;                 // empty for the lines before the first section
        std::vector<Line> lines;      // the header first (when there is a name), then the body
        QHash<QString, int> keys;     // lower-cased key -> index into lines (first occurrence)
    };
    static QString lineKey(const QString& line, int* eq);
    Section* find(const QString& section);
    const Section* find(const QString& section) const;

    std::vector<Section> m_sections;
    QHash<QString, int> m_index;      // lower-cased section name -> first section of that name
    QString m_eol = QStringLiteral("\n");
    Encoding m_encoding = Encoding::Cp1252;
};
