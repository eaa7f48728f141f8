#include "platform/Cp1252.h"
#include <QHash>

namespace Cp1252 {
namespace {
// 0x80..0x9F. The five bytes the code page leaves undefined (81, 8D, 8F, 90, 9D) stand for the
// C1 controls of the same number, both ways, as Windows maps them.
const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int byteFor(char32_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<int>(ch);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == ch)
            return 0x80 + i;
    return -1;
}
}

bool Representable(char32_t ch) { return byteFor(ch) >= 0; }

bool Representable(const QString& text)
{
    for (const QChar c : text)
        if (c.isSurrogate() || byteFor(c.unicode()) < 0)
            return false;
    return true;
}

QByteArray Encode(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (char32_t ch : text.toUcs4()) {
        const int b = byteFor(ch);
        out.append(b >= 0 ? static_cast<char>(b) : '?');
    }
    return out;
}

QString Decode(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x9F)
            out.append(QChar(kHigh[b - 0x80]));
        else
            out.append(QChar(b));
    }
    return out;
}

QString Fold(const QString& text) { return Decode(Encode(text)); }
}
