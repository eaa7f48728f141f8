#pragma once
#include <QString>
#include <iterator>

// The automatic fields offered by the composer and the template editor, by list index: the
// entry shown and the name in the marker "<$*" + name + "*$>".
struct TAutomatischesFeld {
    const char* item;
    const char* name;
};

inline constexpr TAutomatischesFeld kAutomatischeFelder[] = {
    {"<VORNAME> der angeschriebenen Person", "VORNAME"},
    {"<NACHNAME> der angeschriebenen Person", "NACHNAME"},
    {"<FIRMA> der angeschriebenen Person", "FIRMA"},
    {"Sehr geehrte/r Herr/Frau <NACHNAME>", "SEHRGEEHRT"},
    {"Liebe/r <VORNAME>", "LIEBE"},
    {"Herr/Frau", "ANREDE"},
};
inline constexpr int kAutomatischeFelderAnzahl = int(std::size(kAutomatischeFelder));

inline QString AutomatischesFeldMarker(int index)
{
    return QStringLiteral("<$*") + QLatin1String(kAutomatischeFelder[index].name) + QStringLiteral("*$>");
}
