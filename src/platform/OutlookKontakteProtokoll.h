#pragma once
#include "platform/OutlookKontakteOrdner.h"
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

// What the data file reader (vornix2-pstreader, tools/pst-reader) writes to its standard output:
//
//   answer := field*          field := name ' ' length '\n' bytes '\n'
//
// name: 1 to 32 ASCII letters and digits; length: 1 to 9 decimal digits, at most kOutlookFeldMax; bytes:
// UTF-8 text or a decimal number. The first field is "vornix2pst" holding the version "1", the
// last "ende" holding the number of fields before it; nothing may follow. Between them either
//   "fehler" code                 the file could not be read: "datei" (no Outlook data file),
//                                 "index" (its index is unreadable), "ordner" (no personal folders)
// or, in this order:
//   per folder: "ordner" id, "eltern" index or -1, "tiefe", "name", "klasse", "versteckt" 0/1,
//               "suche" 0/1, "kontakte" count            (the tree, parents before children)
//   "standard" id                 the store's pointer to its contacts folder, 0 when none
//   "gewaehlt" index              the chosen contacts folder, -1 when none
//   per contact of that folder: "kontakt" "" and then its properties, each named as in Outlook's
//               object model: "Birthday" (FILETIME, 100 ns steps since 1601, only when set),
//               "Gender", and the texts ("FirstName", ...)
// A reader that dies half way writes nothing: it writes the whole answer at its end.

inline constexpr qsizetype kOutlookFeldMax = 16 * 1024 * 1024;
inline constexpr int kOutlookProtokollVersion = 1;

class OutlookProtokollSchreiber {
public:
    OutlookProtokollSchreiber();
    void Feld(const char* name, const QByteArray& wert);
    void Feld(const char* name, const QString& wert) { Feld(name, wert.toUtf8()); }
    void Feld(const char* name, qint64 wert) { Feld(name, QByteArray::number(wert)); }
    // The whole answer, closed by "ende".
    QByteArray Ende();
private:
    QByteArray m_daten;
    qint64 m_felder = 0;
};

struct OutlookLeserAntwort {
    QString fehler;   // the reader's code, empty when the file was read
    QVector<OutlookOrdner> ordner;
    quint32 standard = 0;
    int gewaehlt = -1;
    // Each contact's properties in the order written: name, value.
    QVector<QList<QPair<QByteArray, QByteArray>>> kontakte;
};

// Reads an answer; false with the reason (German, for "Fehlermeldung: ") when it is not one.
bool OutlookProtokollLesen(const QByteArray& daten, OutlookLeserAntwort& antwort, QString& grund);
