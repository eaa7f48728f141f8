#pragma once
#include <QDateTime>
#include <QList>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

// The contacts of Outlook, as its automation offers them: start, the "MAPI" namespace, the
// default contacts folder, its item count and its items numbered from 1. There is no Outlook
// here; the real source reads the user's Outlook data file (.pst/.ost) with libpst, in a reader
// process of its own (vornix2-pstreader beside the program), so that a damaged file cannot take
// the program down.

// The properties read from a contact item.
enum class OutlookEigenschaft {
    Birthday, Gender, Title, FirstName, LastName, CompanyName, MobileTelephoneNumber, Email1Address,
    HomeAddressStreet, HomeAddressPostalCode, HomeAddressCity, HomeAddressCountry,
    HomeTelephoneNumber, HomeFaxNumber, PersonalHomepage,
    BusinessAddressStreet, BusinessAddressPostalCode, BusinessAddressCity, BusinessAddressCountry,
    BusinessTelephoneNumber, BusinessFaxNumber, BusinessHomePage,
};
inline constexpr int kOutlookEigenschaften = 22;
// The property's name in Outlook's object model ("FirstName", ...).
QString OutlookEigenschaftName(OutlookEigenschaft e);

// A failure of the source. Connection failures happen while Outlook is started or its data
// reached (no file, a file that is no Outlook data file, no contacts folder); every later one
// is a reading failure. Text() is the reason, to follow "Fehlermeldung: ".
class OutlookFehler : public std::runtime_error {
public:
    enum class Stufe { Verbindung, Auslesen };
    OutlookFehler(Stufe stufe, const QString& text)
        : std::runtime_error(text.toStdString()), m_stufe(stufe), m_text(text) {}
    Stufe GetStufe() const { return m_stufe; }
    bool IstVerbindung() const { return m_stufe == Stufe::Verbindung; }
    const QString& Text() const { return m_text; }
private:
    Stufe m_stufe;
    QString m_text;
};

// One contact item's values. Unset texts are "", no birthday is 1 January 4501 (Outlook's "none"),
// Gender is 0 unspecified, 1 female, 2 male.
class OutlookKontakt {
public:
    static QDateTime KeinGeburtstag() { return QDateTime(QDate(4501, 1, 1), QTime(0, 0)); }

    // Each getter throws OutlookFehler (Auslesen) when the property cannot be read.
    QDateTime Birthday() const;
    int Gender() const;
    QString Text(OutlookEigenschaft e) const;   // any property but Birthday and Gender

    void SetBirthday(const QDateTime& wert) { m_birthday = wert; }
    void SetGender(int wert) { m_gender = wert; }
    void SetText(OutlookEigenschaft e, const QString& wert);
    // Makes reading `e` fail with `grund` (for sources that find a property unreadable).
    void SetFehler(OutlookEigenschaft e, const QString& grund) { m_fehler = {e, grund}; }

private:
    void pruefen(OutlookEigenschaft e) const;
    QDateTime m_birthday = KeinGeburtstag();
    int m_gender = 0;
    std::array<QString, kOutlookEigenschaften> m_texte;
    std::optional<std::pair<OutlookEigenschaft, QString>> m_fehler;
};

// The default folder number of the contacts in Outlook's automation.
inline constexpr int kOutlookKontakteOrdner = 10;

// Picks the data file when no environment variable names one; an empty result means cancelled.
// The caller shows its own file dialog (caption kOutlookDateiTitel, filter kOutlookDateiFilter).
using OutlookDateiWahl = std::function<QString()>;
inline constexpr char kOutlookDatenVariable[] = "VORNIX2_OUTLOOK_DATA";
inline constexpr char kOutlookDateiTitel[] = "Outlook-Datendatei öffnen";
inline constexpr char kOutlookDateiFilter[] = "Outlook-Datendateien (*.pst *.ost)";

// The calls of one run, in this order; each either returns or throws OutlookFehler.
class IOutlookKontakte {
public:
    virtual ~IOutlookKontakte() = default;
    // "Outlook.Application": the data file named by VORNIX2_OUTLOOK_DATA, else the one `wahl` gives.
    virtual void Start(const OutlookDateiWahl& wahl) = 0;
    // GetNamespace("MAPI").
    virtual void GetNamespace(const QString& name) = 0;
    // GetDefaultFolder(10): the contacts folder.
    virtual void GetDefaultFolder(int ordner) = 0;
    // Items.Count of that folder.
    virtual int ItemsCount() = 0;
    // Items.Item(i), i from 1 to ItemsCount().
    virtual OutlookKontakt Item(int i) = 0;
};

// The real source: an Outlook data file read by the reader process.
std::unique_ptr<IOutlookKontakte> OutlookDatendateiOeffnen();
// The file a run opens: VORNIX2_OUTLOOK_DATA when set, else `wahl`'s choice ("" when cancelled).
QString OutlookDatendatei(const OutlookDateiWahl& wahl);

// Start() throws this when the user cancelled the choice of the data file: the run ends quietly.
class OutlookAbgebrochen : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

// The reader process (vornix2-pstreader beside the program) and its limits: CPU and wall-clock
// time, address space. Tests may name another program.
struct OutlookLeser {
    QString programm;   // empty: the reader beside the program
    int sekunden = 120;
    qint64 speicherMiB = 1536;
};
QString OutlookLeserProgramm();
OutlookLeser OutlookLeserHolen();
void OutlookLeserSetzen(const OutlookLeser& leser);

// The birthday Outlook shows for a stored FILETIME (100 ns steps since 1601 UTC). Outlook stores
// the local midnight of the day as UTC: east of Greenwich that is the evening of the day before,
// west of it the morning of the day itself. A time from 11:00 UTC on belongs to the next day
// (local midnight from UTC+13, New Zealand's summer, to UTC-10, Hawaii), whatever zone this
// machine is in. KeinGeburtstag() for Outlook's "none" and for values no
// date can be made of.
QDateTime OutlookGeburtstag(qint64 filetime);
