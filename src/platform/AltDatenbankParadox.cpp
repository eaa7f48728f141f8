#include "platform/AltDatenbank.h"
#include "platform/Cp1252.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <vector>
extern "C" {
#include <paradox.h>
}

// Paradox tables through pxlib. pxlib finds a record by walking its block list from the start,
// which makes reading a table record by record quadratic; so the records are read here block
// by block along the table's chain, and pxlib decodes the fields and the header.

namespace {
constexpr long kJulianTagVorJahr1 = 1721425;   // Paradox day 1 is 1 January of year 1
constexpr int kBlockKopf = 6;                  // next block, previous block, size of the records

QString ohneNull(const char* text, int len)
{
    const char* ende = static_cast<const char*>(memchr(text, 0, size_t(len)));
    return Cp1252::Decode(QByteArray(text, ende ? int(ende - text) : len));
}

quint16 le16(const unsigned char* p) { return quint16(p[0] | (p[1] << 8)); }

// Field values are big-endian with the sign bit flipped, so that they sort as bytes; all bytes
// zero is an empty field. Decoded here: pxlib 0.6.8's decoders test 8 bytes of a 4-byte long on
// 64-bit systems and so take an empty date for a value.
bool leer(const char* p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i])
            return false;
    return true;
}

quint64 be(const char* p, int n)
{
    quint64 v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | quint8(p[i]);
    return v;
}

bool pxShort(const char* p, qint64* wert)
{
    if (leer(p, 2))
        return false;
    *wert = qint16(quint16(be(p, 2) ^ 0x8000u));
    return true;
}

bool pxLong(const char* p, qint64* wert)
{
    if (leer(p, 4))
        return false;
    *wert = qint32(quint32(be(p, 4) ^ 0x80000000u));
    return true;
}

bool pxDouble(const char* p, double* wert)
{
    if (leer(p, 8))
        return false;
    quint64 bits = be(p, 8);
    bits = (bits & 0x8000000000000000ull) ? (bits & 0x7FFFFFFFFFFFFFFFull) : ~bits;
    std::memcpy(wert, &bits, sizeof bits);
    return true;
}

int sollLaenge(int typ)
{
    switch (typ) {
    case pxfShort: return 2;
    case pxfLong: case pxfAutoInc: case pxfDate: case pxfTime: return 4;
    case pxfNumber: case pxfCurrency: case pxfTimestamp: return 8;
    case pxfLogical: return 1;
    default: return 0;
    }
}

bool pxLogical(const char* p, bool* wert)
{
    if (!p[0])
        return false;
    *wert = (quint8(p[0]) & 0x7F) != 0;
    return true;
}

// One open pxlib document; its error messages are collected rather than printed.
struct PxDokument {
    pxdoc_t* doc = nullptr;
    bool offen = false;
    std::string meldung;

    PxDokument()
    {
        static std::once_flag boot;
        std::call_once(boot, [] { PX_boot(); });
        doc = PX_new3(&PxDokument::melde, nullptr, nullptr, nullptr, this);
    }
    ~PxDokument()
    {
        if (doc) {
            if (offen)
                PX_close(doc);
            PX_delete(doc);
        }
    }
    PxDokument(const PxDokument&) = delete;
    PxDokument& operator=(const PxDokument&) = delete;

    static void melde(pxdoc_t*, int art, const char* text, void* daten)
    {
        if (art == PX_Warning || !text)
            return;
        auto* self = static_cast<PxDokument*>(daten);
        if (!self->meldung.empty())
            self->meldung += ' ';
        self->meldung += text;
    }
    QString Meldung() const { return QString::fromLocal8Bit(meldung.c_str()).trimmed(); }
};

struct Spalte {
    QString name;
    int typ = 0;
    int offset = 0;
    int laenge = 0;
};

class ParadoxAbfrage final : public AltAbfrage {
public:
    ParadoxAbfrage(const QString& datei, const QString& tabelle, const QStringList& spalten)
        : AltAbfrage(spalten), m_tabelle(tabelle)
    {
        if (!m_px.doc)
            throw AltDatenbankFehler(QStringLiteral("pxlib kann nicht gestartet werden."));
        const QByteArray pfad = QFile::encodeName(datei);
        if (PX_open_file(m_px.doc, pfad.constData()) < 0)
            throw AltDatenbankFehler(QStringLiteral("Die Tabelle \"") + datei
                                     + QStringLiteral("\" kann nicht geöffnet werden: ") + m_px.Meldung());
        m_px.offen = true;
        const pxhead_t* kopf = m_px.doc->px_head;
        m_satzLaenge = kopf->px_recordsize;
        m_blockLaenge = kopf->px_maxtablesize * 0x400;
        m_kopfLaenge = kopf->px_headersize;
        m_verschluesselt = kopf->px_encryption != 0;
        spaltenSuchen(datei, spalten);
        bloeckeZaehlen(datei);
    }

    int RecordCount() const override { return m_anzahl; }

    bool Next() override
    {
        if (m_gelesen >= m_anzahl)
            return false;
        if (m_verschluesselt) {
            // pxlib decrypts only what it reads itself.
            m_satz.resize(size_t(m_satzLaenge));
            if (PX_get_record(m_px.doc, m_gelesen, m_satz.data()) == nullptr)
                throw lesefehler();
            m_aktuell = m_satz.data();
        } else {
            while (m_imBlock >= m_imBlockAnzahl)
                naechsterBlock();
            m_aktuell = m_block.data() + kBlockKopf + m_imBlock * m_satzLaenge;
            ++m_imBlock;
        }
        ++m_gelesen;
        return true;
    }

    QString Text(int feld) const override
    {
        const Spalte& s = spalte(feld);
        char* p = m_aktuell + s.offset;
        switch (s.typ) {
        case pxfAlpha:
            return ohneNull(p, s.laenge);
        case pxfMemoBLOb:
        case pxfFmtMemoBLOb:
            return memo(s, p);
        case pxfDate:
        case pxfTimestamp:
            return datumText(DateTime(feld));
        case pxfTime: {
            qint64 ms = 0;
            if (!pxLong(p, &ms))
                return QString("");
            return QTime::fromMSecsSinceStartOfDay(int(ms)).toString(QStringLiteral("HH:mm:ss"));
        }
        case pxfLogical: {
            bool b = false;
            if (!pxLogical(p, &b))
                return QString("");
            return b ? QStringLiteral("True") : QStringLiteral("False");
        }
        case pxfNumber:
        case pxfCurrency: {
            double d = 0;
            if (!pxDouble(p, &d))
                return QString("");
            return QString::number(d, 'g', 15);
        }
        default: {
            qint64 n = 0;
            return ganzzahl(s, p, &n) ? QString::number(n) : QString("");
        }
        }
    }

    qint64 Integer(int feld) const override
    {
        const Spalte& s = spalte(feld);
        char* p = m_aktuell + s.offset;
        switch (s.typ) {
        case pxfAlpha:
        case pxfMemoBLOb:
        case pxfFmtMemoBLOb: {
            const QString t = Text(feld).trimmed();
            if (t.isEmpty())
                return 0;
            bool ok = false;
            const qint64 n = t.toLongLong(&ok);
            if (!ok)
                keinWert(s.name, t, "Ganzzahlwert");
            return n;
        }
        case pxfDate:
        case pxfTimestamp:
        case pxfTime:
            keinWert(s.name, Text(feld), "Ganzzahlwert");
        case pxfNumber:
        case pxfCurrency: {
            double d = 0;
            if (!pxDouble(p, &d))
                return 0;
            return std::llround(d);
        }
        default: {
            qint64 n = 0;
            ganzzahl(s, p, &n);
            return n;
        }
        }
    }

    QDateTime DateTime(int feld) const override
    {
        const Spalte& s = spalte(feld);
        char* p = m_aktuell + s.offset;
        if (s.typ == pxfDate) {
            qint64 tage = 0;
            if (!pxLong(p, &tage))
                return QDateTime();
            return QDateTime(QDate::fromJulianDay(tage + kJulianTagVorJahr1), QTime(0, 0));
        }
        if (s.typ == pxfTimestamp) {
            double ms = 0;
            if (!pxDouble(p, &ms))
                return QDateTime();
            const qint64 gesamt = qint64(std::llround(ms));
            const qint64 tage = gesamt / 86400000;
            return QDateTime(QDate::fromJulianDay(tage + kJulianTagVorJahr1),
                             QTime::fromMSecsSinceStartOfDay(int(gesamt % 86400000)));
        }
        if (s.typ == pxfAlpha) {
            const QString t = Text(feld).trimmed();
            if (t.isEmpty())
                return QDateTime();
            const QDate d = QDate::fromString(t, QStringLiteral("dd.MM.yyyy"));
            if (!d.isValid())
                keinWert(s.name, t, "Datumswert");
            return QDateTime(d, QTime(0, 0));
        }
        keinWert(s.name, Text(feld), "Datumswert");
    }

    bool Boolean(int feld) const override
    {
        const Spalte& s = spalte(feld);
        switch (s.typ) {
        case pxfLogical: {
            bool b = false;
            return pxLogical(m_aktuell + s.offset, &b) && b;
        }
        case pxfShort:
        case pxfLong:
        case pxfAutoInc:
        case pxfNumber:
        case pxfCurrency:
            return Integer(feld) != 0;
        default: {
            const QString t = Text(feld).trimmed();
            if (t.isEmpty())
                return false;
            keinWert(s.name, t, "Wahrheitswert");
        }
        }
    }

private:
    const Spalte& spalte(int feld) const
    {
        pruefeFeld(m_tabelle, m_aktuell, feld, int(m_spalten.size()));
        return m_spalten[size_t(feld)];
    }

    static bool ganzzahl(const Spalte& s, const char* p, qint64* n)
    {
        return s.typ == pxfShort ? pxShort(p, n) : pxLong(p, n);
    }

    QString memo(const Spalte& s, const char* p) const
    {
        int mod = 0;
        int groesse = 0;
        char* wert = nullptr;
        const int rc = PX_get_data_blob(m_px.doc, p, s.laenge, &mod, &groesse, &wert);
        if (rc < 0)
            throw lesefehler();
        if (rc == 0 || !wert)
            return QString("");
        QString text = ohneNull(wert, groesse);
        m_px.doc->free(m_px.doc, wert);
        return text;
    }

    void spaltenSuchen(const QString& datei, const QStringList& namen)
    {
        const int anzahl = PX_get_num_fields(m_px.doc);
        const pxfield_t* felder = PX_get_fields(m_px.doc);
        bool memoDabei = false;
        for (const QString& name : namen) {
            int offset = 0;
            bool gefunden = false;
            for (int i = 0; i < anzahl; ++i) {
                const QString feldName = Cp1252::Decode(QByteArray(felder[i].px_fname));
                if (feldName.compare(name, Qt::CaseInsensitive) == 0) {
                    Spalte s{name, int(felder[i].px_ftype), offset, felder[i].px_flen};
                    switch (s.typ) {
                    case pxfAlpha: case pxfDate: case pxfShort: case pxfLong: case pxfAutoInc:
                    case pxfCurrency: case pxfNumber: case pxfLogical: case pxfTime:
                    case pxfTimestamp:
                        break;
                    case pxfMemoBLOb: case pxfFmtMemoBLOb:
                        memoDabei = true;
                        break;
                    default:
                        throw AltDatenbankFehler(QStringLiteral("Die Spalte \"") + name + QStringLiteral("\" der Tabelle \"")
                                                 + m_tabelle + QStringLiteral("\" hat einen nicht unterstützten Typ."));
                    }
                    const int soll = sollLaenge(s.typ);
                    if ((soll && s.laenge != soll) || s.laenge <= 0 || s.offset + s.laenge > m_satzLaenge)
                        throw lesefehler();
                    m_spalten.push_back(s);
                    gefunden = true;
                    break;
                }
                offset += felder[i].px_flen;
            }
            if (!gefunden)
                throw AltDatenbankFehler(QStringLiteral("Die Spalte \"") + name + QStringLiteral("\" fehlt in der Tabelle \"")
                                         + m_tabelle + QStringLiteral("\"."));
        }
        if (memoDabei) {
            // Memo texts beyond the record's leading part live in the table's .MB file.
            const QFileInfo info(datei);
            const QStringList mb = QDir(info.absolutePath()).entryList(
                {info.completeBaseName() + QStringLiteral(".MB")}, QDir::Files);
            if (mb.isEmpty() || PX_set_blob_file(m_px.doc, QFile::encodeName(info.absolutePath() + QLatin1Char('/') + mb.first()).constData()) < 0)
                throw AltDatenbankFehler(QStringLiteral("Die Memo-Datei der Tabelle \"") + m_tabelle
                                         + QStringLiteral("\" kann nicht geöffnet werden. ") + m_px.Meldung());
        }
    }

    // Follows the chain of data blocks once to learn how many records each holds.
    void bloeckeZaehlen(const QString& datei)
    {
        const pxhead_t* kopf = m_px.doc->px_head;
        if (m_satzLaenge <= 0 || m_blockLaenge <= kBlockKopf)
            throw lesefehler();
        if (m_verschluesselt) {
            m_anzahl = PX_get_num_records(m_px.doc);
            return;
        }
        m_datei.setFileName(datei);
        if (!m_datei.open(QIODevice::ReadOnly))
            throw AltDatenbankFehler(QStringLiteral("Die Tabelle \"") + datei + QStringLiteral("\" kann nicht gelesen werden: ")
                                     + m_datei.errorString());
        unsigned block = kopf->px_numrecords > 0 || kopf->px_fileblocks > 0 ? kopf->px_firstblock : 0;
        unsigned besucht = 0;
        qint64 anzahl = 0;
        while (block != 0) {
            if (++besucht > kopf->px_fileblocks)
                throw lesefehler();   // a loop in the chain
            unsigned char k[kBlockKopf];
            if (!m_datei.seek(blockPosition(block)) || m_datei.read(reinterpret_cast<char*>(k), kBlockKopf) != kBlockKopf)
                throw lesefehler();
            const qint16 groesse = qint16(le16(k + 4));
            const int saetze = groesse < 0 ? 0 : groesse / m_satzLaenge + 1;
            if (kBlockKopf + saetze * m_satzLaenge > m_blockLaenge)
                throw lesefehler();
            m_bloecke.push_back({block, saetze});
            anzahl += saetze;
            block = le16(k);
        }
        if (anzahl > std::numeric_limits<int>::max())
            throw lesefehler();
        m_anzahl = int(anzahl);
        m_block.resize(size_t(m_blockLaenge));
    }

    qint64 blockPosition(unsigned block) const
    {
        return qint64(m_kopfLaenge) + qint64(block - 1) * m_blockLaenge;
    }

    void naechsterBlock()
    {
        if (m_naechsterBlock >= m_bloecke.size())
            throw lesefehler();
        const Block& b = m_bloecke[m_naechsterBlock++];
        const qint64 laenge = kBlockKopf + qint64(b.saetze) * m_satzLaenge;
        if (!m_datei.seek(blockPosition(b.nummer)) || m_datei.read(m_block.data(), laenge) != laenge)
            throw lesefehler();
        m_imBlock = 0;
        m_imBlockAnzahl = b.saetze;
    }

    AltDatenbankFehler lesefehler() const
    {
        QString text = QStringLiteral("Die Tabelle \"") + m_tabelle + QStringLiteral("\" ist beschädigt oder kann nicht gelesen werden.");
        if (!m_px.meldung.empty())
            text += QLatin1Char(' ') + m_px.Meldung();
        return AltDatenbankFehler(text);
    }

    struct Block {
        unsigned nummer;
        int saetze;
    };

    mutable PxDokument m_px;
    QString m_tabelle;
    std::vector<Spalte> m_spalten;
    QFile m_datei;
    std::vector<Block> m_bloecke;
    size_t m_naechsterBlock = 0;
    std::vector<char> m_block;
    std::vector<char> m_satz;
    int m_imBlock = 0;
    int m_imBlockAnzahl = 0;
    int m_satzLaenge = 0;
    int m_blockLaenge = 0;
    int m_kopfLaenge = 0;
    bool m_verschluesselt = false;
    int m_anzahl = 0;
    int m_gelesen = 0;
    char* m_aktuell = nullptr;
};

class ParadoxDatenbank final : public AltDatenbank {
public:
    explicit ParadoxDatenbank(const QString& verzeichnis) : m_verzeichnis(verzeichnis)
    {
        if (!QFileInfo(verzeichnis).isDir())
            throw AltDatenbankFehler(QStringLiteral("Das Verzeichnis \"") + verzeichnis
                                     + QStringLiteral("\" wurde nicht gefunden."));
    }

    std::unique_ptr<AltAbfrage> Oeffnen(const QString& select) override
    {
        QString tabelle;
        QStringList spalten;
        SelectZerlegen(select, &tabelle, &spalten);
        // Tables written on Windows may be named in any letter case.
        const QStringList treffer = QDir(m_verzeichnis).entryList({tabelle + QStringLiteral(".DB")}, QDir::Files);
        if (treffer.isEmpty())
            throw AltDatenbankFehler(QStringLiteral("Die Tabelle \"") + tabelle + QStringLiteral("\" wurde im Verzeichnis \"")
                                     + m_verzeichnis + QStringLiteral("\" nicht gefunden."));
        return std::make_unique<ParadoxAbfrage>(QDir(m_verzeichnis).filePath(treffer.first()), tabelle, spalten);
    }

private:
    QString m_verzeichnis;
};
}

std::unique_ptr<AltDatenbank> ParadoxVerbinden(const QString& verzeichnis)
{
    return std::make_unique<ParadoxDatenbank>(verzeichnis);
}
