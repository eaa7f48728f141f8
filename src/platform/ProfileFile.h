#pragma once
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

// An INI profile file with the Windows profile rules: section and key names match without
// regard to case, values are read with surrounding blanks and tabs removed and one pair of
// matching quotes stripped, the first of duplicate keys wins, lines starting with ";" are
// comments. Every line the program does not write stays as it was; a new key goes to the
// end of its section, a new section to the end of the file.
//
// Reads UTF-8 files, or Windows-1252 when the bytes are not valid UTF-8; CR LF or LF.
// Writes UTF-8 through a temporary file renamed over the old one.
//
// Values the Windows reader would not give back (blanks or a quote pair at the ends, line
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
    // Writes the whole profile atomically. False (and `error` set) on failure.
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
    struct Section {
        QString name;                 // empty for the lines before the first section
        QStringList lines;            // the header first (when there is a name), then the body
        QHash<QString, int> keys;     // lower-cased key -> index into lines (first occurrence)
    };
    static QString lineKey(const QString& line, int* eq);
    Section* find(const QString& section);
    const Section* find(const QString& section) const;

    std::vector<Section> m_sections;
    QHash<QString, int> m_index;      // lower-cased section name -> first section of that name
    QString m_eol = QStringLiteral("\n");
    bool m_bom = false;
};
