#pragma once
// Fixture files of the earlier editions, written the way those editions left them: Paradox
// tables (through pxlib; the code page and the memo file written here) and an InterBase-family database of dialect 1 without character set
// (through isql-fb). Header only, so that the benchmarks can use it too.
#include "platform/Cp1252.h"
#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QString>
#include <QVariant>
#include <cstring>
#include <fcntl.h>
#include <functional>
extern "C" {
#include <paradox.h>
}

namespace AltFixtures {

struct Feld {
    QString name;
    char typ;      // pxlib field type: pxfAlpha, pxfLong, pxfShort, pxfNumber, pxfLogical, pxfDate,
                   // pxfMemoBLOb, pxfFmtMemoBLOb (length = leader + 10)
    int laenge;
};

// Text in a table's code page: 850 or 437 (the DOS code pages of German tables, alike for the
// letters the tests use), else Windows-1252.
inline QByteArray Kodieren(const QString& text, int codepage)
{
    if (codepage != 850 && codepage != 437)
        return Cp1252::Encode(text);
    static const QString mit = QStringLiteral("üéäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜáíóúñÑß");
    static const unsigned char als[] = {0x81, 0x82, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D,
                                        0x8E, 0x8F, 0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
                                        0x9A, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xE1};
    QByteArray out;
    for (QChar c : text) {
        const qsizetype i = mit.indexOf(c);
        out.append(c.unicode() < 0x80 ? char(c.unicode()) : i >= 0 ? char(als[i]) : '?');
    }
    return out;
}

inline void le32Setzen(char* p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

// The .MB file of a table as the old engine leaves it: a header block, then each memo that
// does not fit its record's leader in a block of its own, up to 3760 bytes in a sub-allocated
// block (slot = the row number mod 64), longer ones in a single block. Returns the 10 bytes that
// follow the leader in the record.
inline QByteArray MemoAblegen(QByteArray& mb, const QByteArray& text, int vorspann, int zeile)
{
    QByteArray anhang(10, '\0');
    le32Setzen(anhang.data() + 4, quint32(text.size()));
    anhang[8] = 1;
    if (text.size() <= vorspann)
        return anhang;
    if (mb.isEmpty()) {
        mb = QByteArray(4096, '\0');
        mb[1] = 1;
    }
    const quint32 block = quint32(mb.size());
    if (text.size() <= 3760) {
        QByteArray b(4096, '\0');
        b[0] = 3;
        b[1] = 1;
        const int slot = zeile % 64;
        const int absatz = 0x15;   // data after the 12-byte head and the 64 slots
        char* z = b.data() + 12 + slot * 5;
        z[0] = char(absatz);
        const int absaetze = int(text.size() + 15) / 16;
        z[1] = char(absaetze);
        z[2] = 1;
        z[4] = char(text.size() - (absaetze - 1) * 16);
        std::memcpy(b.data() + absatz * 16, text.constData(), size_t(text.size()));
        mb.append(b);
        le32Setzen(anhang.data(), block | quint32(slot));
    } else {
        const int chunks = (9 + int(text.size()) + 4095) / 4096;
        QByteArray b(chunks * 4096, '\0');
        b[0] = 2;
        b[1] = char(chunks & 0xFF);
        b[2] = char(chunks >> 8);
        le32Setzen(b.data() + 3, quint32(text.size()));
        b[7] = 1;
        std::memcpy(b.data() + 9, text.constData(), size_t(text.size()));
        mb.append(b);
        le32Setzen(anhang.data(), block | 0xFFu);
    }
    return anhang;
}

// Writes a Paradox table of `anzahl` rows; `zeile(i, werte)` fills row i. Values: QString
// (stored in the code page `codepage`, Windows-1252 when 0), int, double, bool, QDate; an invalid
// QVariant leaves the field empty. Memo texts longer than the leader go to the .MB file beside
// the table (extension in the letter case of the table's). With a `passwort`, pxlib encrypts the
// data blocks. False when pxlib refuses.
inline bool ParadoxSchreiben(const QString& datei, const QList<Feld>& felder, int anzahl,
                             const std::function<void(int, QVariantList&)>& zeile, int codepage = 0,
                             const char* passwort = nullptr)
{
    QFile::remove(datei);
    const QString mbDatei = datei.left(datei.size() - 2) + (datei.endsWith(QLatin1String(".db")) ? "mb" : "MB");
    QFile::remove(mbDatei);
    QByteArray mb;
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
    if (ok && passwort)
        ok = PX_set_parameter(doc, "password", passwort) == 0;
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
                    QByteArray text = Kodieren(v.toString(), codepage);
                    PX_put_data_alpha(doc, p, f.laenge, text.data());
                    break;
                }
                case pxfMemoBLOb:
                case pxfFmtMemoBLOb: {
                    const QByteArray text = Kodieren(v.toString(), codepage);
                    const int vorspann = f.laenge - 10;
                    std::memcpy(p, text.constData(), size_t(qMin(int(text.size()), vorspann)));
                    const QByteArray anhang = MemoAblegen(mb, text, vorspann, r);
                    std::memcpy(p + vorspann, anhang.constData(), 10);
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
    if (ok && codepage) {
        QFile f(datei);
        const char cp[2] = {char(codepage & 0xFF), char(codepage >> 8)};
        ok = f.open(QIODevice::ReadWrite) && f.seek(0x6A) && f.write(cp, 2) == 2;
    }
    if (ok && !mb.isEmpty()) {
        QFile f(mbDatei);
        ok = f.open(QIODevice::WriteOnly) && f.write(mb) == mb.size();
    }
    return ok;
}

inline bool ParadoxSchreiben(const QString& datei, const QList<Feld>& felder, const QList<QVariantList>& zeilen,
                             int codepage = 0, const char* passwort = nullptr)
{
    return ParadoxSchreiben(datei, felder, int(zeilen.size()), [&](int i, QVariantList& w) { w = zeilen[i]; },
                            codepage, passwort);
}

// Gives a table that ParadoxSchreiben wrote (version 12: the table name in 261 bytes, pxlib
// stores the path there) the table name `name`, in a field of `feldLaenge` bytes (79 as the
// versions before 12 keep it, or 261), moves what follows behind it and sets the version byte.
// False when the name leaves no room for its NUL or the file cannot be rewritten.
inline bool TabellennameSetzen(const QString& datei, const QByteArray& name, int feldLaenge = 261, int version = 12)
{
    QFile f(datei);
    if (name.size() >= feldLaenge || feldLaenge > 261 || !f.open(QIODevice::ReadWrite))
        return false;
    QByteArray kopf = f.read(0x78);
    if (kopf.size() != 0x78)
        return false;
    const int kopfLaenge = quint8(kopf[2]) | (quint8(kopf[3]) << 8);
    const int felder = quint8(kopf[0x21]) | (quint8(kopf[0x22]) << 8);
    kopf += f.read(kopfLaenge - 0x78);
    const int tabellenName = 0x78 + 6 * felder + 4;
    if (kopf.size() != kopfLaenge || tabellenName + 261 > kopfLaenge)
        return false;
    QByteArray neu = kopf.left(tabellenName) + name + QByteArray(feldLaenge - name.size(), '\0')
                     + kopf.mid(tabellenName + 261);
    neu.resize(kopfLaenge, '\0');
    neu[0x39] = char(version);
    return f.seek(0) && f.write(neu) == kopfLaenge;
}

// The files below `ordner` this process holds open, and whether each is open for reading only.
// Checked through /proc, so it holds for root too, whom file modes do not stop.
inline QStringList OffeneDateien(const QString& ordner, bool* nurLesend)
{
    QStringList dateien;
    *nurLesend = true;
    QDirIterator it(QStringLiteral("/proc/self/fd"), QDir::Files | QDir::System);
    while (it.hasNext()) {
        const QString fd = it.next();
        const QString ziel = QFileInfo(fd).symLinkTarget();
        if (!ziel.startsWith(ordner + QLatin1Char('/')))
            continue;
        dateien << QFileInfo(ziel).fileName();
        QFile info(QStringLiteral("/proc/self/fdinfo/") + QFileInfo(fd).fileName());
        if (!info.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& zeile : info.readAll().split('\n')) {
            if (zeile.startsWith("flags:")) {
                const int flags = int(zeile.mid(6).trimmed().toLong(nullptr, 8));
                if ((flags & O_ACCMODE) != O_RDONLY)
                    *nurLesend = false;
            }
        }
    }
    dateien.sort(Qt::CaseInsensitive);
    return dateien;
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
