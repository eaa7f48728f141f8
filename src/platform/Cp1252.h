#pragma once
#include <QByteArray>
#include <QString>

// Windows-1252, the code page of the gateway and of files written on Windows.
// Characters it lacks become '?', as Windows' own conversion does. Every byte decodes to one
// character and encodes back to the same byte.
namespace Cp1252 {
QByteArray Encode(const QString& text);
QString Decode(const QByteArray& bytes);
// True when the character exists in Windows-1252.
bool Representable(char32_t ch);
// True when every character of the text exists in Windows-1252.
bool Representable(const QString& text);
// The text as it survives a round trip (unrepresentable characters as '?').
QString Fold(const QString& text);
}
