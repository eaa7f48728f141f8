#include "platform/OutlookKontakte.h"
#include <QFile>
#include <QFileInfo>
#include <deque>
#include <vector>
#include <libpst/libpst.h>

namespace {
constexpr const char* kNamen[kOutlookEigenschaften] = {
    "Birthday", "Gender", "Title", "FirstName", "LastName", "CompanyName", "MobileTelephoneNumber",
    "Email1Address", "HomeAddressStreet", "HomeAddressPostalCode", "HomeAddressCity",
    "HomeAddressCountry", "HomeTelephoneNumber", "HomeFaxNumber", "PersonalHomepage",
    "BusinessAddressStreet", "BusinessAddressPostalCode", "BusinessAddressCity",
    "BusinessAddressCountry", "BusinessTelephoneNumber", "BusinessFaxNumber", "BusinessHomePage",
};

OutlookFehler verbindungsFehler(const QString& text) { return OutlookFehler(OutlookFehler::Stufe::Verbindung, text); }
OutlookFehler lesefehler(const QString& text) { return OutlookFehler(OutlookFehler::Stufe::Auslesen, text); }
}

QString OutlookEigenschaftName(OutlookEigenschaft e)
{
    return QString::fromLatin1(kNamen[int(e)]);
}

void OutlookKontakt::pruefen(OutlookEigenschaft e) const
{
    if (m_fehler && m_fehler->first == e)
        throw lesefehler(m_fehler->second);
}

QDateTime OutlookKontakt::Birthday() const
{
    pruefen(OutlookEigenschaft::Birthday);
    return m_birthday;
}

int OutlookKontakt::Gender() const
{
    pruefen(OutlookEigenschaft::Gender);
    return m_gender;
}

QString OutlookKontakt::Text(OutlookEigenschaft e) const
{
    pruefen(e);
    if (e == OutlookEigenschaft::Birthday || e == OutlookEigenschaft::Gender)
        throw lesefehler(QStringLiteral("Die Eigenschaft ") + OutlookEigenschaftName(e) + QStringLiteral(" ist kein Text."));
    return m_texte[size_t(e)];
}

void OutlookKontakt::SetText(OutlookEigenschaft e, const QString& wert)
{
    m_texte[size_t(e)] = wert.isNull() ? QString("") : wert;
}

QString OutlookDatendatei(const OutlookDateiWahl& wahl)
{
    const QString ausUmgebung = qEnvironmentVariable(kOutlookDatenVariable);
    if (!ausUmgebung.isEmpty())
        return ausUmgebung;
    return wahl ? wahl() : QString();
}

// ---------------------------------------------------------------- the fake

void OutlookKontakteFake::Start(const OutlookDateiWahl&)
{
    if (m_startFehler)
        throw verbindungsFehler(*m_startFehler);
    m_gestartet = true;
}

void OutlookKontakteFake::GetNamespace(const QString& name)
{
    if (!m_gestartet || name != QLatin1String("MAPI"))
        throw verbindungsFehler(QStringLiteral("Unbekannter Namensraum \"") + name + QStringLiteral("\"."));
    if (m_namespaceFehler)
        throw verbindungsFehler(*m_namespaceFehler);
    m_namespace = true;
}

void OutlookKontakteFake::GetDefaultFolder(int ordner)
{
    if (!m_namespace || ordner != kOutlookKontakteOrdner)
        throw lesefehler(QStringLiteral("Der Ordner ") + QString::number(ordner) + QStringLiteral(" ist nicht verfügbar."));
    if (m_ordnerFehler)
        throw lesefehler(*m_ordnerFehler);
    m_ordner = true;
}

int OutlookKontakteFake::ItemsCount()
{
    if (!m_ordner)
        throw lesefehler(QStringLiteral("Kein Ordner geöffnet."));
    return int(kontakte.size());
}

OutlookKontakt OutlookKontakteFake::Item(int i)
{
    if (!m_ordner || i < 1 || i > kontakte.size())
        throw lesefehler(QStringLiteral("Das Element ") + QString::number(i) + QStringLiteral(" existiert nicht."));
    if (m_itemFehler && m_itemFehler->first == i)
        throw lesefehler(m_itemFehler->second);
    OutlookKontakt k = kontakte[i - 1];
    if (m_eigenschaftFehler && m_eigenschaftFehler->first == i)
        k.SetFehler(m_eigenschaftFehler->second.first, m_eigenschaftFehler->second.second);
    return k;
}

// ---------------------------------------------------------------- libpst

namespace {
QString text(pst_item* item, pst_string& s)
{
    if (!s.str)
        return QString("");
    pst_convert_utf8(item, &s);
    return QString::fromUtf8(s.str);
}

// Outlook keeps the business address in its own named properties; older files may carry only
// the plain MAPI ones.
QString einerVon(pst_item* item, pst_string& erst, pst_string& sonst)
{
    const QString t = text(item, erst);
    return t.isEmpty() ? text(item, sonst) : t;
}

QDateTime zeitpunkt(const FILETIME* ft)
{
    if (!ft)
        return OutlookKontakt::KeinGeburtstag();
    // 100 ns steps since 1601-01-01 UTC.
    const qint64 schritte = (qint64(ft->dwHighDateTime) << 32) | ft->dwLowDateTime;
    constexpr qint64 kBis1970 = 116444736000000000LL;
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch((schritte - kBis1970) / 10000, Qt::UTC);
    if (!utc.isValid() || utc.date() >= OutlookKontakt::KeinGeburtstag().date())
        return OutlookKontakt::KeinGeburtstag();
    // Some Outlook versions store the birthday as a date at midnight UTC, others as local
    // midnight converted to UTC; the first must not move to the day before west of Greenwich.
    if (utc.time() == QTime(0, 0))
        return QDateTime(utc.date(), QTime(0, 0));
    return utc.toLocalTime();
}

OutlookKontakt kontaktAus(pst_item* item)
{
    using E = OutlookEigenschaft;
    pst_item_contact* c = item->contact;
    OutlookKontakt k;
    k.SetBirthday(zeitpunkt(c->birthday));
    k.SetGender(c->gender);
    k.SetText(E::Title, text(item, c->display_name_prefix));
    k.SetText(E::FirstName, text(item, c->first_name));
    k.SetText(E::LastName, text(item, c->surname));
    k.SetText(E::CompanyName, text(item, c->company_name));
    k.SetText(E::MobileTelephoneNumber, text(item, c->mobile_phone));
    k.SetText(E::Email1Address, text(item, c->address1));
    k.SetText(E::HomeAddressStreet, text(item, c->home_street));
    k.SetText(E::HomeAddressPostalCode, text(item, c->home_postal_code));
    k.SetText(E::HomeAddressCity, text(item, c->home_city));
    k.SetText(E::HomeAddressCountry, text(item, c->home_country));
    k.SetText(E::HomeTelephoneNumber, text(item, c->home_phone));
    k.SetText(E::HomeFaxNumber, text(item, c->home_fax));
    k.SetText(E::PersonalHomepage, text(item, c->personal_homepage));
    k.SetText(E::BusinessAddressStreet, einerVon(item, c->work_address_street, c->business_street));
    k.SetText(E::BusinessAddressPostalCode, einerVon(item, c->work_address_postalcode, c->business_postal_code));
    k.SetText(E::BusinessAddressCity, einerVon(item, c->work_address_city, c->business_city));
    k.SetText(E::BusinessAddressCountry, einerVon(item, c->work_address_country, c->business_country));
    k.SetText(E::BusinessTelephoneNumber, text(item, c->business_phone));
    k.SetText(E::BusinessFaxNumber, text(item, c->business_fax));
    k.SetText(E::BusinessHomePage, text(item, c->business_homepage));
    return k;
}

struct ItemFrei {
    void operator()(pst_item* i) const { pst_freeItem(i); }
};
using ItemZeiger = std::unique_ptr<pst_item, ItemFrei>;

class OutlookPst final : public IOutlookKontakte {
public:
    ~OutlookPst() override
    {
        m_root.reset();
        if (m_offen)
            pst_close(&m_pf);
    }

    void Start(const OutlookDateiWahl& wahl) override
    {
        if (m_offen)
            return;
        m_datei = OutlookDatendatei(wahl);
        if (m_datei.isEmpty())
            throw verbindungsFehler(QStringLiteral("Es wurde keine Outlook-Datendatei ausgewählt."));
        const QFileInfo info(m_datei);
        if (!info.exists())
            throw verbindungsFehler(QStringLiteral("Die Outlook-Datendatei \"") + m_datei
                                    + QStringLiteral("\" wurde nicht gefunden."));
        if (!info.isFile() || !info.isReadable())
            throw verbindungsFehler(QStringLiteral("Die Outlook-Datendatei \"") + m_datei
                                    + QStringLiteral("\" kann nicht gelesen werden."));
        // Texts without a code page of their own were written by a German Windows.
        static const char kZeichensatz[] = "windows-1252";
        if (pst_open(&m_pf, QFile::encodeName(m_datei).constData(), kZeichensatz) != 0)
            throw keineDatendatei();
        m_offen = true;
        if (pst_load_index(&m_pf) != 0)
            throw keineDatendatei();
        pst_load_extended_attributes(&m_pf);
    }

    void GetNamespace(const QString& name) override
    {
        if (!m_offen || name != QLatin1String("MAPI"))
            throw verbindungsFehler(QStringLiteral("Unbekannter Namensraum \"") + name + QStringLiteral("\"."));
        if (!m_root) {
            m_root.reset(m_pf.d_head ? pst_parse_item(&m_pf, m_pf.d_head, nullptr) : nullptr);
            m_top = m_root ? pst_getTopOfFolders(&m_pf, m_root.get()) : nullptr;
            if (!m_top)
                throw verbindungsFehler(QStringLiteral("Die Outlook-Datendatei \"") + m_datei
                                        + QStringLiteral("\" enthält keine persönlichen Ordner."));
        }
    }

    void GetDefaultFolder(int ordner) override
    {
        if (!m_top || ordner != kOutlookKontakteOrdner)
            throw lesefehler(QStringLiteral("Der Ordner ") + QString::number(ordner) + QStringLiteral(" ist nicht verfügbar."));
        m_ordner = kontakteOrdner();
        if (!m_ordner)
            throw verbindungsFehler(QStringLiteral("Die Outlook-Datendatei \"") + m_datei
                                    + QStringLiteral("\" enthält keinen Kontakteordner."));
        m_gelesen = false;
        m_kontakte.clear();
    }

    int ItemsCount() override
    {
        if (!m_ordner)
            throw lesefehler(QStringLiteral("Kein Ordner geöffnet."));
        if (!m_gelesen) {
            // Read once: the items must keep their numbers throughout the run.
            int nummer = 0;
            for (pst_desc_tree* d = m_ordner->child; d; d = d->next) {
                ++nummer;
                ItemZeiger item(pst_parse_item(&m_pf, d, nullptr));
                if (!item)
                    throw lesefehler(QStringLiteral("Das Element ") + QString::number(nummer)
                                     + QStringLiteral(" des Kontakteordners kann nicht gelesen werden."));
                if (istKontakt(item.get()))
                    m_kontakte.push_back(kontaktAus(item.get()));
            }
            m_gelesen = true;
        }
        return int(m_kontakte.size());
    }

    OutlookKontakt Item(int i) override
    {
        if (!m_gelesen || i < 1 || i > int(m_kontakte.size()))
            throw lesefehler(QStringLiteral("Das Element ") + QString::number(i) + QStringLiteral(" existiert nicht."));
        return m_kontakte[size_t(i - 1)];
    }

private:
    OutlookFehler keineDatendatei() const
    {
        return verbindungsFehler(QStringLiteral("Die Datei \"") + m_datei
                                 + QStringLiteral("\" ist keine lesbare Outlook-Datendatei."));
    }

    static bool istKontakt(const pst_item* item)
    {
        // Distribution lists share the contacts folder but are no contacts.
        return !item->folder && item->contact && item->type == PST_TYPE_CONTACT
            && !(item->ascii_type && qstrnicmp(item->ascii_type, "IPM.DistList", 12) == 0);
    }

    // The first folder of contact items, searched level by level below the top of personal
    // folders, so that a contacts folder in a subfolder (say, deleted items) does not win over
    // the one at the top. Below the first level only folders with content are looked into:
    // parsing every message of every mail folder would cost far more than it finds.
    pst_desc_tree* kontakteOrdner()
    {
        std::deque<std::pair<pst_desc_tree*, int>> warten;
        for (pst_desc_tree* d = m_top->child; d; d = d->next)
            warten.emplace_back(d, 1);
        while (!warten.empty()) {
            auto [d, tiefe] = warten.front();
            warten.pop_front();
            if (tiefe > 1 && !d->child)
                continue;
            ItemZeiger item(pst_parse_item(&m_pf, d, nullptr));
            if (!item || !item->folder)
                continue;
            if (item->type == PST_TYPE_CONTACT)
                return d;
            for (pst_desc_tree* kind = d->child; kind; kind = kind->next)
                warten.emplace_back(kind, tiefe + 1);
        }
        return nullptr;
    }

    pst_file m_pf{};
    bool m_offen = false;
    QString m_datei;
    ItemZeiger m_root;
    pst_desc_tree* m_top = nullptr;
    pst_desc_tree* m_ordner = nullptr;
    bool m_gelesen = false;
    std::vector<OutlookKontakt> m_kontakte;
};
}

std::unique_ptr<IOutlookKontakte> OutlookDatendateiOeffnen()
{
    return std::make_unique<OutlookPst>();
}
