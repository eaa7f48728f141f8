#include "platform/OutlookKontakteProtokoll.h"

OutlookProtokollSchreiber::OutlookProtokollSchreiber()
{
    Feld("vornix2pst", QByteArray::number(kOutlookProtokollVersion));
}

void OutlookProtokollSchreiber::Feld(const char* name, const QByteArray& wert)
{
    // A value too long for the reader's limit is cut; no text Outlook holds comes near it.
    const QByteArray w = wert.left(kOutlookFeldMax);
    m_daten += name;
    m_daten += ' ';
    m_daten += QByteArray::number(w.size());
    m_daten += '\n';
    m_daten += w;
    m_daten += '\n';
    ++m_felder;
}

QByteArray OutlookProtokollSchreiber::Ende()
{
    QByteArray daten = m_daten;
    const QByteArray n = QByteArray::number(m_felder);
    daten += "ende " + QByteArray::number(n.size()) + '\n' + n + '\n';
    return daten;
}

namespace {
class Leser {
public:
    explicit Leser(const QByteArray& d) : m_d(d) {}

    // The next field; false with m_grund set when the bytes are no field.
    bool Weiter()
    {
        if (m_pos >= m_d.size())
            return fehler(QStringLiteral("Die Antwort endet vor ihrem Abschluss."));
        qsizetype p = m_pos;
        const qsizetype nameAnfang = p;
        while (p < m_d.size() && p - nameAnfang <= 32 && ((m_d[p] >= 'a' && m_d[p] <= 'z') || (m_d[p] >= 'A' && m_d[p] <= 'Z') || (m_d[p] >= '0' && m_d[p] <= '9')))
            ++p;
        if (p == nameAnfang || p - nameAnfang > 32 || p >= m_d.size() || m_d[p] != ' ')
            return fehler(QStringLiteral("Ungültiger Feldname."));
        name = m_d.mid(nameAnfang, p - nameAnfang);
        ++p;
        qsizetype laenge = 0;
        const qsizetype zahlAnfang = p;
        while (p < m_d.size() && p - zahlAnfang < 10 && m_d[p] >= '0' && m_d[p] <= '9')
            laenge = laenge * 10 + (m_d[p++] - '0');
        if (p == zahlAnfang || p - zahlAnfang > 9 || p >= m_d.size() || m_d[p] != '\n' || laenge > kOutlookFeldMax)
            return fehler(QStringLiteral("Ungültige Feldlänge."));
        ++p;
        if (laenge + 1 > m_d.size() - p || m_d[p + laenge] != '\n')
            return fehler(QStringLiteral("Das Feld \"") + QString::fromLatin1(name) + QStringLiteral("\" ist abgeschnitten."));
        wert = m_d.mid(p, laenge);
        m_pos = p + laenge + 1;
        ++m_felder;
        return true;
    }
    // The next field must be `erwartet`.
    bool Feld(const char* erwartet)
    {
        if (!Weiter())
            return false;
        if (name != erwartet)
            return fehler(QStringLiteral("Das Feld \"") + QString::fromLatin1(erwartet) + QStringLiteral("\" fehlt."));
        return true;
    }
    bool Zahl(const char* erwartet, qint64 min, qint64 max, qint64& zahl)
    {
        if (!Feld(erwartet))
            return false;
        bool ok = false;
        zahl = wert.toLongLong(&ok);
        if (!ok || zahl < min || zahl > max || wert != QByteArray::number(zahl))
            return fehler(QStringLiteral("Das Feld \"") + QString::fromLatin1(erwartet) + QStringLiteral("\" ist keine gültige Zahl."));
        return true;
    }
    bool fehler(const QString& text)
    {
        if (m_grund.isEmpty())
            m_grund = text;
        return false;
    }
    bool AmEnde() const { return m_pos == m_d.size(); }
    qint64 Felder() const { return m_felder; }
    const QString& Grund() const { return m_grund; }

    QByteArray name;
    QByteArray wert;

private:
    const QByteArray& m_d;
    qsizetype m_pos = 0;
    qint64 m_felder = 0;
    QString m_grund;
};

bool lesen(Leser& l, OutlookLeserAntwort& a)
{
    qint64 zahl = 0;
    if (!l.Zahl("vornix2pst", kOutlookProtokollVersion, kOutlookProtokollVersion, zahl))
        return false;
    if (!l.Weiter())
        return false;
    if (l.name == "fehler") {
        a.fehler = QString::fromUtf8(l.wert);
        if (a.fehler.isEmpty())
            return l.fehler(QStringLiteral("Der Fehler des Leseprogramms ist leer."));
        if (!l.Weiter())
            return false;
    } else {
        while (l.name == "ordner") {
            OutlookOrdner o;
            bool ok = false;
            o.id = l.wert.toUInt(&ok);
            if (!ok)
                return l.fehler(QStringLiteral("Ungültige Ordnerkennung."));
            if (!l.Zahl("eltern", -1, a.ordner.size() - 1, zahl))
                return false;
            o.eltern = int(zahl);
            const qint64 tiefeEltern = o.eltern < 0 ? 0 : a.ordner[o.eltern].tiefe;
            if (!l.Zahl("tiefe", tiefeEltern + 1, tiefeEltern + 1, zahl))
                return false;
            o.tiefe = int(zahl);
            if (!l.Feld("name"))
                return false;
            o.name = QString::fromUtf8(l.wert);
            if (!l.Feld("klasse"))
                return false;
            o.klasse = QString::fromUtf8(l.wert);
            if (!l.Zahl("versteckt", 0, 1, zahl))
                return false;
            o.versteckt = zahl == 1;
            if (!l.Zahl("suche", 0, 1, zahl))
                return false;
            o.suchordner = zahl == 1;
            if (!l.Zahl("kontakte", 0, 0x7fffffff, zahl))
                return false;
            o.kontakte = int(zahl);
            a.ordner.append(o);
            if (!l.Weiter())
                return false;
        }
        if (l.name != "standard")
            return l.fehler(QStringLiteral("Das Feld \"standard\" fehlt."));
        bool ok = false;
        a.standard = l.wert.toUInt(&ok);
        if (!ok)
            return l.fehler(QStringLiteral("Das Feld \"standard\" ist keine gültige Zahl."));
        if (!l.Zahl("gewaehlt", -1, a.ordner.size() - 1, zahl))
            return false;
        a.gewaehlt = int(zahl);
        if (!l.Weiter())
            return false;
        while (l.name == "kontakt") {
            if (a.gewaehlt < 0)
                return l.fehler(QStringLiteral("Kontakte ohne Kontakteordner."));
            QList<QPair<QByteArray, QByteArray>> k;
            for (;;) {
                if (!l.Weiter())
                    return false;
                if (l.name == "kontakt" || l.name == "ende")
                    break;
                k.append({l.name, l.wert});
            }
            a.kontakte.append(k);
        }
    }
    if (l.name != "ende")
        return l.fehler(QStringLiteral("Unerwartetes Feld \"") + QString::fromLatin1(l.name) + QStringLiteral("\"."));
    bool ok = false;
    const qint64 vorher = l.Felder() - 1;
    if (l.wert.toLongLong(&ok) != vorher || !ok)
        return l.fehler(QStringLiteral("Die Zahl der Felder stimmt nicht."));
    if (!l.AmEnde())
        return l.fehler(QStringLiteral("Nach dem Abschluss folgen weitere Daten."));
    return true;
}
}

bool OutlookProtokollLesen(const QByteArray& daten, OutlookLeserAntwort& antwort, QString& grund)
{
    antwort = OutlookLeserAntwort();
    Leser l(daten);
    if (lesen(l, antwort))
        return true;
    grund = l.Grund();
    antwort = OutlookLeserAntwort();
    return false;
}
