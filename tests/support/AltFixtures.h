#pragma once
// Fixture files of the earlier editions, written the way those editions left them: Paradox
// tables (through pxlib) and an InterBase-family database of dialect 1 without character set
// (through isql-fb). Header only, so that the benchmarks can use it too.
#include "platform/Cp1252.h"
#include <QDate>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QString>
#include <QVariant>
#include <cstring>
#include <functional>
extern "C" {
#include <paradox.h>
}

namespace AltFixtures {

struct Feld {
    QString name;
    char typ;      // pxlib field type: pxfAlpha, pxfLong, pxfShort, pxfNumber, pxfLogical, pxfDate
    int laenge;
};

// Writes a Paradox table of `anzahl` rows; `zeile(i, werte)` fills row i. Values: QString
// (stored as Windows-1252), int, double, bool, QDate; an invalid QVariant leaves the field
// empty. False when pxlib refuses.
inline bool ParadoxSchreiben(const QString& datei, const QList<Feld>& felder, int anzahl,
                             const std::function<void(int, QVariantList&)>& zeile)
{
    QFile::remove(datei);
    pxdoc_t* doc = PX_new();
    if (!doc)
        return false;
    auto* px = static_cast<pxfield_t*>(doc->malloc(doc, sizeof(pxfield_t) * size_t(felder.size()), "fixture"));
    int satz = 0;
    for (int i = 0; i < felder.size(); ++i) {
        const QByteArray name = felder[i].name.toLatin1();
        px[i].px_fname = static_cast<char*>(doc->malloc(doc, size_t(name.size()) + 1, "fixture"));
        std::memcpy(px[i].px_fname, name.constData(), size_t(name.size()) + 1);
        px[i].px_ftype = felder[i].typ;
        px[i].px_flen = felder[i].laenge;
        px[i].px_fdc = 0;
        satz += felder[i].laenge;
    }
    bool ok = PX_create_file(doc, px, int(felder.size()), QFile::encodeName(datei).constData(),
                             pxfFileTypNonIndexDB) == 0;
    QByteArray daten(satz, '\0');
    QVariantList werte;
    for (int r = 0; ok && r < anzahl; ++r) {
        werte.clear();
        zeile(r, werte);
        daten.fill('\0');
        char* p = daten.data();
        for (int i = 0; i < felder.size(); ++i) {
            const QVariant& v = werte.value(i);
            const Feld& f = felder[i];
            if (v.isValid()) {
                switch (f.typ) {
                case pxfAlpha: {
                    QByteArray text = Cp1252::Encode(v.toString());
                    PX_put_data_alpha(doc, p, f.laenge, text.data());
                    break;
                }
                case pxfLong: PX_put_data_long(doc, p, f.laenge, v.toInt()); break;
                case pxfShort: PX_put_data_short(doc, p, f.laenge, short(v.toInt())); break;
                case pxfNumber: PX_put_data_double(doc, p, f.laenge, v.toDouble()); break;
                case pxfLogical: PX_put_data_byte(doc, p, f.laenge, v.toBool() ? 1 : 0); break;
                case pxfDate: PX_put_data_long(doc, p, f.laenge, int(v.toDate().toJulianDay() - 1721425)); break;
                }
            }
            p += f.laenge;
        }
        ok = PX_put_record(doc, daten.data()) >= 0;
    }
    PX_close(doc);
    PX_delete(doc);
    return ok;
}

inline bool ParadoxSchreiben(const QString& datei, const QList<Feld>& felder, const QList<QVariantList>& zeilen)
{
    return ParadoxSchreiben(datei, felder, int(zeilen.size()), [&](int i, QVariantList& w) { w = zeilen[i]; });
}

// A value as an SQL literal of an isql script.
inline QString SqlWert(const QVariant& v)
{
    if (!v.isValid())
        return QStringLiteral("NULL");
    if (v.typeId() == QMetaType::QString)
        return QLatin1Char('\'') + v.toString().replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    if (v.typeId() == QMetaType::QDate)
        return QLatin1Char('\'') + v.toDate().toString(Qt::ISODate) + QLatin1Char('\'');
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return v.toString();
}

// Creates the database `gdb` (dialect 1, no character set) and runs `sql` in it; the script
// is stored as Windows-1252, so text arrives as the earlier edition wrote it. "" on success,
// else isql's complaint.
inline QString ZenitErstellen(const QString& gdb, const QString& sql)
{
    QFile::remove(gdb);
    const QString skriptName = gdb + QStringLiteral(".sql");
    QFile skript(skriptName);
    if (!skript.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write ") + skriptName;
    skript.write(Cp1252::Encode(QStringLiteral("SET SQL DIALECT 1;\nCREATE DATABASE '") + gdb
                                + QStringLiteral("' USER 'SYSDBA' PASSWORD 'masterkey' DEFAULT CHARACTER SET NONE;\n")
                                + sql + QStringLiteral("\nCOMMIT;\n")));
    skript.close();
    QProcess isql;
    isql.start(QStringLiteral("isql-fb"), {"-q", "-b", "-user", "SYSDBA", "-i", skriptName});
    if (!isql.waitForFinished(600000))
        return QStringLiteral("isql-fb did not finish");
    if (isql.exitCode() != 0 || !QFile::exists(gdb))
        return QString::fromLocal8Bit(isql.readAllStandardError() + isql.readAllStandardOutput());
    QFile::remove(skriptName);
    return QString();
}

} // namespace AltFixtures
