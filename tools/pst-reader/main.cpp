// vornix2-pstreader FILE: reads the folder tree and the contacts folder's contacts of an Outlook
// data file with libpst and writes them to its standard output in the form described in
// platform/OutlookKontakteProtokoll.h. It runs as a process of its own so that a damaged file
// that crashes, hangs or swells libpst cannot take the program down; the program starts it with
// limits on time and memory and reads nothing but a complete answer.
#include "platform/OutlookKontakteOrdner.h"
#include "platform/OutlookKontakteProtokoll.h"
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <libpst/libpst.h>
#include <unistd.h>

namespace {
// Node types, the low five bits of a node id.
constexpr quint64 kTypMaske = 0x1f;
constexpr quint64 kNormalerOrdner = 0x02;
constexpr quint64 kSuchordner = 0x03;
constexpr quint64 kNachricht = 0x04;
constexpr quint64 kWurzelordner = 0x122;   // NID_ROOT_FOLDER
// Bounds against trees that a damaged index makes endless.
constexpr int kMaxTiefe = 64;
constexpr int kMaxOrdner = 100000;

constexpr quint16 kMessageClass = 0x001A;       // PR_MESSAGE_CLASS
constexpr quint16 kAttrHidden = 0x10F4;          // PR_ATTR_HIDDEN, PT_BOOLEAN
constexpr quint16 kIpmContactEntryId = 0x36D1;   // PR_IPM_CONTACT_ENTRYID, PT_BINARY

struct ItemFrei {
    void operator()(pst_item* i) const { pst_freeItem(i); }
};
using Item = std::unique_ptr<pst_item, ItemFrei>;

quint16 u16(const QByteArray& b, qsizetype o) { return quint16(quint8(b[o])) | quint16(quint8(b[o + 1])) << 8; }
quint32 u32(const QByteArray& b, qsizetype o) { return quint32(u16(b, o)) | quint32(u16(b, o + 2)) << 16; }

// A few properties libpst does not hand out, read from the node's property context itself: a
// heap-on-node in one block whose user root is a property B-tree (records of 2-byte id, 2-byte
// type, 4-byte value or heap id). Every offset is checked; a context in more blocks (or any
// surprise) gives nothing, and the caller keeps its defaults.
class Eigenschaften {
public:
    Eigenschaften(pst_file* pf, const pst_desc_tree* d)
    {
        if (!d || !d->desc)
            return;
        char* roh = nullptr;
        const size_t n = pst_ff_getIDblock_dec(pf, d->desc->i_id, &roh);
        if (roh && n > 0 && n < 64 * 1024)
            m_block = QByteArray(roh, qsizetype(n));
        free(roh);
        if (m_block.size() < 12 || quint8(m_block[2]) != 0xEC || quint8(m_block[3]) != 0xBC)
            return;
        const QByteArray kopf = allokation(u32(m_block, 4));
        if (kopf.size() < 8 || quint8(kopf[0]) != 0xB5 || kopf[1] != 2 || kopf[2] != 6)
            return;
        baum(u32(kopf, 4), quint8(kopf[3]), 0);
    }

    bool Bool(quint16 id, bool sonst) const
    {
        const auto it = m_werte.find(id);
        return it == m_werte.end() || it->first != 0x000B ? sonst : (it->second & 0xff) != 0;
    }
    // A text property; nothing when it is absent or lies outside this block.
    std::optional<QString> Text(quint16 id) const
    {
        const auto it = m_werte.find(id);
        if (it == m_werte.end() || (it->first != 0x001F && it->first != 0x001E))
            return std::nullopt;
        if (it->second == 0)
            return QString();
        const QByteArray b = allokation(it->second);
        if (b.isNull())
            return std::nullopt;
        if (it->first == 0x001E)
            return QString::fromLatin1(b);
        if (b.size() % 2 != 0)
            return std::nullopt;
        QString t(b.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < t.size(); ++i)
            t[i] = QChar(u16(b, 2 * i));
        return t;
    }
    // The node id of an entry id property, 0 when absent.
    quint32 EintragsKnoten(quint16 id) const
    {
        const auto it = m_werte.find(id);
        if (it == m_werte.end() || it->first != 0x0102)
            return 0;
        const QByteArray e = allokation(it->second);
        return e.size() >= 24 ? u32(e, 20) : 0;
    }

private:
    // One allocation of the heap by its heap id (type 0, block index 0: this block only).
    QByteArray allokation(quint32 hid) const
    {
        if ((hid & 0x1f) != 0 || (hid >> 16) != 0)
            return {};
        const int index = int((hid >> 5) & 0x7ff);
        const qsizetype karte = u16(m_block, 0);
        if (index < 1 || karte + 4 > m_block.size())
            return {};
        const int anzahl = u16(m_block, karte);
        if (index > anzahl || karte + 4 + 2 * (anzahl + 1) > m_block.size())
            return {};
        const qsizetype von = u16(m_block, karte + 4 + 2 * (index - 1));
        const qsizetype bis = u16(m_block, karte + 4 + 2 * index);
        if (von < 12 || bis < von || bis > karte)
            return {};
        return m_block.mid(von, bis - von);
    }
    void baum(quint32 hid, int ebenen, int tiefe)
    {
        if (tiefe > 4)
            return;
        const QByteArray satz = allokation(hid);
        if (ebenen == 0) {
            for (qsizetype o = 0; o + 8 <= satz.size(); o += 8)
                m_werte.insert(u16(satz, o), {u16(satz, o + 2), u32(satz, o + 4)});
        } else {
            for (qsizetype o = 0; o + 6 <= satz.size(); o += 6)
                baum(u32(satz, o + 2), ebenen - 1, tiefe + 1);
        }
    }

    QByteArray m_block;
    QHash<quint16, QPair<quint16, quint32>> m_werte;
};

// libpst's structures are packed: a member is copied out through its offset before use, never
// bound to a reference or pointer of its own type.
template <class T>
T kopie(const void* basis, size_t offset)
{
    T wert;
    std::memcpy(&wert, static_cast<const char*>(basis) + offset, sizeof wert);
    return wert;
}

QByteArray text(pst_item* item, void* basis, size_t offset)
{
    pst_string s = kopie<pst_string>(basis, offset);
    const char* vorher = s.str;
    if (!vorher)
        return {};
    pst_convert_utf8(item, &s);
    // The conversion may have replaced the buffer; the item frees what it holds.
    std::memcpy(static_cast<char*>(basis) + offset, &s, sizeof s);
    const char* zeichen = s.str;
    return zeichen ? QByteArray(zeichen) : QByteArray();
}

#define TEXT(item, c, feld) text(item, c, offsetof(pst_item_contact, feld))

bool istKontakt(const pst_item* item)
{
    const char* klasse = item->ascii_type;
    return item->contact && !item->folder && klasse && qstrnicmp(klasse, "IPM.Contact", 11) == 0;
}

using Felder = QList<QPair<QByteArray, QByteArray>>;

Felder felderAus(pst_item* item)
{
    pst_item_contact* c = item->contact;
    Felder f;
    const auto feld = [&](const char* name, const QByteArray& wert) { f.append({QByteArray(name), wert}); };
    // Outlook keeps the business address in its own named properties; older files carry only
    // the plain MAPI ones.
    const auto einerVon = [&](const char* name, size_t erst, size_t sonst) {
        const QByteArray t = text(item, c, erst);
        feld(name, t.isEmpty() ? text(item, c, sonst) : t);
    };
    const FILETIME* birthday = kopie<FILETIME*>(c, offsetof(pst_item_contact, birthday));
    if (birthday) {
        const FILETIME ft = kopie<FILETIME>(birthday, 0);
        feld("Birthday", QByteArray::number((qint64(ft.dwHighDateTime) << 32) | qint64(ft.dwLowDateTime)));
    }
    feld("Gender", QByteArray::number(kopie<int16_t>(c, offsetof(pst_item_contact, gender))));
    feld("Title", TEXT(item, c, display_name_prefix));
    feld("FirstName", TEXT(item, c, first_name));
    feld("LastName", TEXT(item, c, surname));
    feld("CompanyName", TEXT(item, c, company_name));
    feld("MobileTelephoneNumber", TEXT(item, c, mobile_phone));
    feld("Email1Address", TEXT(item, c, address1));
    feld("HomeAddressStreet", TEXT(item, c, home_street));
    feld("HomeAddressPostalCode", TEXT(item, c, home_postal_code));
    feld("HomeAddressCity", TEXT(item, c, home_city));
    feld("HomeAddressCountry", TEXT(item, c, home_country));
    feld("HomeTelephoneNumber", TEXT(item, c, home_phone));
    feld("HomeFaxNumber", TEXT(item, c, home_fax));
    feld("PersonalHomepage", TEXT(item, c, personal_homepage));
    einerVon("BusinessAddressStreet", offsetof(pst_item_contact, work_address_street), offsetof(pst_item_contact, business_street));
    einerVon("BusinessAddressPostalCode", offsetof(pst_item_contact, work_address_postalcode), offsetof(pst_item_contact, business_postal_code));
    einerVon("BusinessAddressCity", offsetof(pst_item_contact, work_address_city), offsetof(pst_item_contact, business_city));
    einerVon("BusinessAddressCountry", offsetof(pst_item_contact, work_address_country), offsetof(pst_item_contact, business_country));
    feld("BusinessTelephoneNumber", TEXT(item, c, business_phone));
    feld("BusinessFaxNumber", TEXT(item, c, business_fax));
    feld("BusinessHomePage", TEXT(item, c, business_homepage));
    return f;
}

class Datei {
public:
    ~Datei()
    {
        if (m_offen)
            pst_close(&m_pf);
    }

    // The answer for the file at `pfad`.
    QByteArray Lesen(const char* pfad)
    {
        OutlookProtokollSchreiber aus;
        // Texts without a code page of their own were written by a German Windows.
        static const char kZeichensatz[] = "windows-1252";
        if (pst_open(&m_pf, pfad, kZeichensatz) != 0)
            return fehler(aus, "datei");
        m_offen = true;
        if (pst_load_index(&m_pf) != 0 || !m_pf.d_head)
            return fehler(aus, "index");
        pst_load_extended_attributes(&m_pf);
        Item root(pst_parse_item(&m_pf, m_pf.d_head, nullptr));
        pst_desc_tree* top = root ? pst_getTopOfFolders(&m_pf, root.get()) : nullptr;
        if (!top)
            return fehler(aus, "ordner");
        baumLesen(top);
        const quint32 standard = standardOrdner(top);

        for (int i = 0; i < m_baum.size(); ++i)
            if (OutlookKlasseKontakte(m_baum[i].klasse) || OutlookSonderordner(m_baum[i]))
                zaehlen(i);
        bool kontakteOrdnerMitKontakten = false;
        for (int i = 0; i < m_baum.size(); ++i)
            kontakteOrdnerMitKontakten |= OutlookKlasseKontakte(m_baum[i].klasse) && m_baum[i].kontakte > 0
                                          && OutlookOrdnerWaehlbar(m_baum, i);
        if (!kontakteOrdnerMitKontakten)
            for (int i = 0; i < m_baum.size(); ++i)
                if (OutlookKlasseNotiz(m_baum[i].klasse) && OutlookOrdnerWaehlbar(m_baum, i))
                    zaehlen(i);
        const int gewaehlt = OutlookKontakteOrdnerWaehlen(m_baum, standard);
        if (gewaehlt >= 0)
            zaehlen(gewaehlt);

        for (const OutlookOrdner& o : std::as_const(m_baum)) {
            aus.Feld("ordner", qint64(o.id));
            aus.Feld("eltern", qint64(o.eltern));
            aus.Feld("tiefe", qint64(o.tiefe));
            aus.Feld("name", o.name);
            aus.Feld("klasse", o.klasse);
            aus.Feld("versteckt", qint64(o.versteckt));
            aus.Feld("suche", qint64(o.suchordner));
            aus.Feld("kontakte", qint64(o.kontakte));
        }
        aus.Feld("standard", qint64(standard));
        aus.Feld("gewaehlt", qint64(gewaehlt));
        if (gewaehlt >= 0) {
            for (const Felder& k : std::as_const(m_kontakte[gewaehlt])) {
                aus.Feld("kontakt", QByteArray(""));
                for (const auto& [name, wert] : k)
                    aus.Feld(name.constData(), wert);
            }
        }
        return aus.Ende();
    }

private:
    QByteArray fehler(OutlookProtokollSchreiber& aus, const char* code)
    {
        aus.Feld("fehler", QByteArray(code));
        return aus.Ende();
    }

    // Every folder below the top of personal folders, level by level (parents first).
    void baumLesen(pst_desc_tree* top)
    {
        std::deque<std::pair<pst_desc_tree*, int>> warten;   // node, parent index
        QSet<quint64> gesehen{top->d_id};
        for (pst_desc_tree* d = top->child; d; d = d->next)
            warten.emplace_back(d, -1);
        while (!warten.empty() && m_baum.size() < kMaxOrdner) {
            auto [d, eltern] = warten.front();
            warten.pop_front();
            const quint64 typ = d->d_id & kTypMaske;
            if ((typ != kNormalerOrdner && typ != kSuchordner) || gesehen.contains(d->d_id))
                continue;
            gesehen.insert(d->d_id);
            const int tiefe = eltern < 0 ? 1 : m_baum[eltern].tiefe + 1;
            if (tiefe > kMaxTiefe)
                continue;
            Item item(pst_parse_item(&m_pf, d, nullptr));
            if (!item || !item->folder)
                continue;
            OutlookOrdner o;
            o.id = quint32(d->d_id);
            o.eltern = eltern;
            o.tiefe = tiefe;
            const pst_string name = kopie<pst_string>(item.get(), offsetof(pst_item, file_as));
            if (name.str) {
                pst_string n = name;
                pst_convert_utf8(item.get(), &n);
                std::memcpy(reinterpret_cast<char*>(item.get()) + offsetof(pst_item, file_as), &n, sizeof n);
                const char* zeichen = n.str;   // the struct is packed: no reference to its member
                o.name = QString::fromUtf8(zeichen ? zeichen : "");
            }
            o.klasse = QString::fromUtf8(item->ascii_type ? item->ascii_type : "");
            o.versteckt = Eigenschaften(&m_pf, d).Bool(kAttrHidden, false);
            o.suchordner = typ == kSuchordner;
            m_baum.append(o);
            m_knoten.append(d);
            m_kontakte.append(QList<Felder>());
            m_gezaehlt.append(false);
            const int index = int(m_baum.size() - 1);
            for (pst_desc_tree* kind = d->child; kind; kind = kind->next)
                warten.emplace_back(kind, index);
        }
    }

    // Outlook keeps the pointer on the root folder and on the Inbox, one of the first level.
    quint32 standardOrdner(pst_desc_tree* top)
    {
        QList<pst_desc_tree*> orte;
        for (pst_desc_tree* d = m_pf.d_head; d; d = d->next)
            if (d->d_id == kWurzelordner)
                orte << d;
        if (top->parent)
            orte << top->parent;
        for (int i = 0; i < m_baum.size(); ++i)
            if (m_baum[i].tiefe == 1)
                orte << m_knoten[i];
        for (pst_desc_tree* d : std::as_const(orte))
            if (const quint32 id = Eigenschaften(&m_pf, d).EintragsKnoten(kIpmContactEntryId))
                return id;
        return 0;
    }

    void zaehlen(int i)
    {
        if (m_gezaehlt[i] || m_baum[i].suchordner)
            return;
        m_gezaehlt[i] = true;
        for (pst_desc_tree* d = m_knoten[i]->child; d; d = d->next) {
            if ((d->d_id & kTypMaske) != kNachricht)
                continue;
            // A mail folder may hold many thousand messages: the class from the message's first
            // block passes over what is no contact without parsing it all.
            const std::optional<QString> klasse = Eigenschaften(&m_pf, d).Text(kMessageClass);
            if (klasse && !klasse->startsWith(QLatin1String("IPM.Contact"), Qt::CaseInsensitive))
                continue;
            Item item(pst_parse_item(&m_pf, d, nullptr));
            if (item && istKontakt(item.get()))
                m_kontakte[i].append(felderAus(item.get()));
        }
        m_baum[i].kontakte = int(m_kontakte[i].size());
    }

    pst_file m_pf{};
    bool m_offen = false;
    QVector<OutlookOrdner> m_baum;
    QVector<pst_desc_tree*> m_knoten;
    QVector<QList<Felder>> m_kontakte;
    QVector<bool> m_gezaehlt;
};

bool alles(int fd, const QByteArray& daten)
{
    const char* p = daten.constData();
    qsizetype rest = daten.size();
    while (rest > 0) {
        const ssize_t n = ::write(fd, p, size_t(rest));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        rest -= n;
    }
    return true;
}
}

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    // The answer gets the real standard output; whatever libpst prints goes to standard error.
    const int antwort = ::dup(STDOUT_FILENO);
    if (antwort < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 3;
    QByteArray daten;
    {
        Datei datei;
        daten = datei.Lesen(argv[1]);
    }
    return alles(antwort, daten) && ::close(antwort) == 0 ? 0 : 4;
}
