#pragma once
#include "foundation/Global.h"
#include <QString>

// Readers of the gateway's XML-like replies. They search elements by name only: names match
// without regard to case, character by character; no attributes, entities or self-closing
// tags. The closing tag is searched from the start of the text, like the opening tag.

// The content of the first element `tag` in `text`, or "". With `consume`, everything from
// the start of `text` through that element's closing tag is removed.
void GetXmlElement(QString& text, const QString& tag, bool consume, QString& value);
QString GetXmlElement(QString& text, const QString& tag, bool consume);
// The content as a decimal integer; `def` when empty or not an integer as a whole.
int GetXmlElementInt(QString& text, const QString& tag, bool consume, int def);

// Non-consuming reads on a text that stays as it is.
QString XmlElement(const QString& text, const QString& tag);
int XmlElementInt(const QString& text, const QString& tag, int def);

// Strict decimal integer: optional sign, digits only, within int range.
inline bool ParseStrictInt(const QString& text, int& out) { return StrToIntStrict(text, out); }

// Reads item lists in consuming order without copying: the same results as consuming
// GetXmlElement calls on the working text, in linear time.
class TXmlCursor {
public:
    explicit TXmlCursor(QString text) : m_text(std::move(text)), m_end(m_text.size()) {}
    // Narrows the working text to the content of its first element `tag`, without copying:
    // the same as continuing on XmlElement(Rest(), tag). Empty when there is none (false).
    bool Enter(const QString& tag);
    // Like GetXmlElement(working, tag, true, value); returns !value.isEmpty().
    bool Next(const QString& tag, QString& value);
    QString Next(const QString& tag);
    int NextInt(const QString& tag, int def);
    // Non-consuming read of the remaining working text.
    QString Peek(const QString& tag) const;
    // The remaining working text (what consuming reads would have left).
    QString Rest() const { return m_text.mid(m_pos, m_end - m_pos); }
    qsizetype Position() const { return m_pos; }
private:
    bool find(const QString& tag, qsizetype& valueStart, qsizetype& valueLen, qsizetype& end) const;
    QString m_text;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
};
