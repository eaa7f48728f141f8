#include "foundation/IniFileDaten.h"
#include "foundation/Clock.h"
#include "foundation/Global.h"
#include "foundation/WaitCursor.h"
#include "platform/ProfileFile.h"
#include <QLocale>
#include <QRegularExpression>

namespace {
constexpr quint32 kSeedProxy = 47319;
constexpr quint32 kSeedLogin = 60382;
constexpr int kNewsPart = 1000;

// Fixed German formats, whatever the machine's locale.
const QString kDateFormat = QStringLiteral("dd.MM.yyyy");
const QString kDateTimeFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");

// Digits only, 1 to maxLen of them.
bool digitsInt(const QString& text, int maxLen, int& out)
{
    if (text.isEmpty() || text.size() > maxLen)
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    out = text.toInt();
    return true;
}

// "d.M.yyyy", optionally followed by " H:mm[:ss]" when a time is allowed.
bool parseDateTime(const QString& text, bool withTime, QDateTime& out)
{
    const int blank = text.indexOf(QLatin1Char(' '));
    const QStringList d = (blank < 0 ? text : text.left(blank)).split(QLatin1Char('.'));
    int day = 0, month = 0, year = 0;
    if (d.size() != 3 || d[2].size() != 4 || !digitsInt(d[0], 2, day) || !digitsInt(d[1], 2, month)
        || !digitsInt(d[2], 4, year))
        return false;
    const QDate date(year, month, day);
    if (!date.isValid())
        return false;
    QTime time(0, 0, 0);
    if (blank >= 0) {
        if (!withTime)
            return false;
        const QStringList tp = text.mid(blank + 1).trimmed().split(QLatin1Char(':'));
        int h = 0, m = 0, s = 0;
        if (tp.size() < 2 || tp.size() > 3 || !digitsInt(tp[0], 2, h) || !digitsInt(tp[1], 2, m)
            || (tp.size() == 3 && !digitsInt(tp[2], 2, s)))
            return false;
        time = QTime(h, m, s);
        if (!time.isValid())
            return false;
    }
    out = QDateTime(date, time);
    return true;
}

// A number with "," (or ".") as the decimal mark and no thousands separator.
bool parseFloat(const QString& text, double& out)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)([eE][+-]?[0-9]+)?$"));
    if (!number.match(text).hasMatch())
        return false;
    QString t = text;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (ok)
        out = v;
    return ok;
}

QString floatToStr(double v)
{
    QString s = QString::number(v, 'g', 15);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

// A list value; a piece that is not an integer makes the whole value bad.
bool parseList(const QString& text, QVector<int>& out)
{
    try {
        out = StrArrayToIntArray(Split(QStringLiteral(","), text));
        return true;
    } catch (const ConvertError&) {
        return false;
    }
}

// Reads and writes the record's keys in the file's order.
class Reader {
public:
    explicit Reader(const ProfileFile& p) : m_p(p) {}
    void Int(const char* sec, const char* key, int& field)
    {
        int v = 0;
        if (StrToIntStrict(raw(sec, key), v))
            field = v;
    }
    void Bool(const char* sec, const char* key, bool& field)
    {
        int v = 0;
        if (StrToIntStrict(raw(sec, key), v))
            field = v != 0;
    }
    void Str(const char* sec, const char* key, QString& field)
    {
        if (m_p.ValueExists(QLatin1String(sec), QLatin1String(key)))
            field = raw(sec, key);
    }
    void List(const char* sec, const char* key, QVector<int>& field)
    {
        if (!m_p.ValueExists(QLatin1String(sec), QLatin1String(key)))
            return;
        QVector<int> v;
        if (parseList(raw(sec, key), v))
            field = v;
    }
    void Date(const char* sec, const char* key, QDate& field)
    {
        QDateTime v;
        if (parseDateTime(raw(sec, key), false, v))
            field = v.date();
    }
    void DateTime(const char* sec, const char* key, QDateTime& field)
    {
        QDateTime v;
        if (parseDateTime(raw(sec, key), true, v))
            field = v;
    }
    void Float(const char* sec, const char* key, double& field)
    {
        double v = 0;
        if (parseFloat(raw(sec, key), v))
            field = v;
    }
    void Passwort(const char* sec, const char* key, quint32 seed, QString& field)
    {
        Str(sec, key, field);
        field = ScramblePasswort(field, seed, true);
    }
private:
    QString raw(const char* sec, const char* key) const
    {
        return m_p.ReadString(QLatin1String(sec), QLatin1String(key), QString(""));
    }
    const ProfileFile& m_p;
};

class Writer {
public:
    explicit Writer(ProfileFile& p) : m_p(p) {}
    void Int(const char* sec, const char* key, int v) { Str(sec, key, QString::number(v)); }
    void Bool(const char* sec, const char* key, bool v) { Str(sec, key, v ? QStringLiteral("1") : QStringLiteral("0")); }
    void Str(const char* sec, const char* key, const QString& v)
    {
        m_p.WriteString(QLatin1String(sec), QLatin1String(key), v);
    }
    void List(const char* sec, const char* key, const QVector<int>& v) { Str(sec, key, IntArrayToStr(v)); }
    void Date(const char* sec, const char* key, const QDate& v) { Str(sec, key, v.toString(kDateFormat)); }
    void DateTime(const char* sec, const char* key, const QDateTime& v) { Str(sec, key, v.toString(kDateTimeFormat)); }
    void Float(const char* sec, const char* key, double v) { Str(sec, key, floatToStr(v)); }
    void Passwort(const char* sec, const char* key, quint32 seed, const QString& v)
    {
        Str(sec, key, ScramblePasswort(v, seed, false));
    }
private:
    ProfileFile& m_p;
};

// One walk over every key in the file's order, for reading and for writing alike.
template <class IO, class Rec>
void Transfer(IO& io, Rec& r)
{
    io.Int("Allgemein", "StartOrdner", r.StartOrdner);
    io.Bool("Allgemein", "Proxy", r.Proxy);
    io.Str("Allgemein", "Proxy_Server", r.Proxy_Server);
    io.Int("Allgemein", "Proxy_Port", r.Proxy_Port);
    io.Str("Allgemein", "Proxy_Username", r.Proxy_Username);
    io.Passwort("Allgemein", "Proxy_Passwort", kSeedProxy, r.Proxy_Passwort);
    io.Bool("Allgemein", "Proxy_BasicAuthentication", r.Proxy_BasicAuthentication);

    io.Bool("Home", "ShowMarketing", r.ShowMarketing);

    io.Int("Kontakte", "Width_Panel_Left", r.Kontakte_Width_Panel_Left);
    io.List("Kontakte", "Widths", r.Widths);
    io.List("Kontakte", "Widths_Versandprotokoll", r.Widths_Versandprotokoll);
    io.Int("Kontakte", "Sortierung", r.Sortierung);

    io.Int("SMS", "Height_Panel_LeftTop", r.Height_Panel_LeftTop);
    io.Int("SMS", "Width_Panel_Left", r.SMS_Width_Panel_Left);
    io.Int("SMS", "SortierungKontakte", r.SortierungKontakte);
    io.List("SMS", "Widths_Versendete", r.Widths_Versendete);
    io.Int("SMS", "SortierungVersendete", r.SortierungVersendete);
    io.Bool("SMS", "Login_Speichern", r.Login_Speichern);
    io.Str("SMS", "Login_Username", r.Login_Username);
    io.Passwort("SMS", "Login_Passwort", kSeedLogin, r.Login_Passwort);
    io.Bool("SMS", "Use_Https", r.Use_Https);
    io.Str("SMS", "StandardAbsender", r.StandardAbsender);
    io.Int("SMS", "StandardTyp", r.StandardTyp);
    io.Int("SMS", "ProtokollLimit", r.ProtokollLimit);

    io.Str("Benutzerdaten", "Anrede", r.Anrede);
    io.Str("Benutzerdaten", "Firma", r.Firma);
    io.Str("Benutzerdaten", "Vorname", r.Vorname);
    io.Str("Benutzerdaten", "Nachname", r.Nachname);
    io.Str("Benutzerdaten", "Strasse", r.Strasse);
    io.Str("Benutzerdaten", "PLZ", r.PLZ);
    io.Str("Benutzerdaten", "Ort", r.Ort);
    io.Str("Benutzerdaten", "Land", r.Land);
    io.Str("Benutzerdaten", "Email", r.Email);
    io.Str("Benutzerdaten", "Telefon", r.Telefon);
    io.Str("Benutzerdaten", "Telefax", r.Telefax);
    io.Str("Benutzerdaten", "Mobil", r.Mobil);
    io.Str("Benutzerdaten", "ZahlArt", r.ZahlArt);
    io.Str("Benutzerdaten", "Kreditinstitut", r.Kreditinstitut);
    io.Str("Benutzerdaten", "Kontoinhaber", r.Kontoinhaber);
    io.Str("Benutzerdaten", "Kontonummer", r.Kontonummer);
    io.Str("Benutzerdaten", "Bankleitzahl", r.Bankleitzahl);
    io.Str("Benutzerdaten", "Kartentyp", r.Kartentyp);
    io.Str("Benutzerdaten", "Kartennummer", r.Kartennummer);
    io.Str("Benutzerdaten", "Pruefziffer", r.Pruefziffer);
    io.Date("Benutzerdaten", "GueltigBis", r.GueltigBis);
    io.Str("Benutzerdaten", "Karteninhaber", r.Karteninhaber);
    io.DateTime("Benutzerdaten", "Stand", r.Benutzerdaten_Stand);

    io.Str("Accountstatus", "AccountName", r.AccountName);
    io.Int("Accountstatus", "AccountType", r.AccountType);
    io.Float("Accountstatus", "Kontingent", r.Kontingent);
    io.Int("Accountstatus", "AnzTodo", r.AnzTodo);
    io.Int("Accountstatus", "AnzProtokoll", r.AnzProtokoll);
    io.Bool("Accountstatus", "AutoAktualisierung", r.AutoAktualisierung);
    io.DateTime("Accountstatus", "Stand", r.Accountstatus_Stand);
}

template <class IO, class Rec>
void TransferTail(IO& io, Rec& r)
{
    io.Date("News", "ShowUntil", r.ShowUntil);
    io.Bool("VersionInfo", "ShowUpdates", r.ShowUpdates);
    io.Int("VersionInfo", "Major", r.Major);
    io.Int("VersionInfo", "Minor", r.Minor);
    io.Int("VersionInfo", "Release", r.Release);
}

// The first `n` characters of `text`, one fewer when the cut would split a surrogate pair.
int cutAt(const QString& text, int n)
{
    if (n < text.size() && n > 0 && text[n - 1].isHighSurrogate() && text[n].isLowSurrogate())
        return n - 1;
    return n;
}
}

TIniFileDaten DefaultIniFileDaten()
{
    TIniFileDaten r;
    const QDateTime now = Clock::Now();
    const QDateTime nowSeconds(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    r.StandardAbsender = QString::fromLatin1(kDefaultAbsender);
    for (QString* s : {&r.Anrede, &r.Firma, &r.Vorname, &r.Nachname, &r.Strasse, &r.PLZ, &r.Ort, &r.Land,
                       &r.Email, &r.Telefon, &r.Telefax, &r.Mobil, &r.ZahlArt, &r.Kreditinstitut,
                       &r.Kontoinhaber, &r.Kontonummer, &r.Bankleitzahl, &r.Kartentyp, &r.Kartennummer,
                       &r.Pruefziffer, &r.Karteninhaber, &r.AccountName, &r.Headline, &r.Content})
        *s = QString("");
    r.GueltigBis = now.date();
    r.Benutzerdaten_Stand = nowSeconds;
    r.Accountstatus_Stand = nowSeconds;
    r.ShowUntil = now.date();
    return r;
}

bool LoadIniFileDaten(const QString& fileName, TIniFileDaten& out, QString* error)
{
    WaitCursor wait;
    out = DefaultIniFileDaten();
    ProfileFile file;
    if (!file.Load(fileName, error))
        return false;
    Reader in(file);
    Transfer(in, out);
    in.Int("News", "Index", out.Index);
    in.Str("News", "Headline", out.Headline);
    QString c1(""), c2(""), c3("");
    in.Str("News", "Content", c1);
    in.Str("News", "Content2", c2);
    in.Str("News", "Content3", c3);
    out.Content = c1 + c2 + c3;
    TransferTail(in, out);
    return true;
}

TIniFileDaten LoadIniFileDaten(const QString& fileName)
{
    TIniFileDaten r;
    LoadIniFileDaten(fileName, r);
    return r;
}

bool SaveIniFileDaten(const QString& fileName, const TIniFileDaten& rec, QString* error)
{
    WaitCursor wait;
    ProfileFile file;
    if (!file.Load(fileName, error))
        return false;
    Writer w(file);
    Transfer(w, rec);
    w.Int("News", "Index", rec.Index);
    w.Str("News", "Headline", rec.Headline);
    QString rest = rec.Content;
    QString c1 = rest, c2(""), c3("");
    if (rest.size() > kNewsPart) {
        const int n1 = cutAt(rest, kNewsPart);
        c1 = rest.left(n1);
        rest.remove(0, n1);
        if (rest.size() > kNewsPart) {
            const int n2 = cutAt(rest, kNewsPart);
            c2 = rest.left(n2);
            c3 = rest.mid(n2);
        } else {
            c2 = rest;
        }
    }
    w.Str("News", "Content", c1);
    w.Str("News", "Content2", c2);
    w.Str("News", "Content3", c3);
    TransferTail(w, rec);
    return file.Save(fileName, error);
}

QString ScramblePasswort(const QString& text, quint32 seed, bool unscramble)
{
    quint32 state = seed;
    const int d = unscramble ? -1 : 1;
    QString out = text;
    for (int i = 0; i < out.size(); ++i) {
        const int c = out[i].unicode();
        if (c < 32 || c > 122)
            continue;
        state = state * 134775813u + 1u;
        const int r = int((quint64(state) * 90u) >> 32);
        int c2;
        // The plain rule maps "z" and blank to the same character whenever r > 0; it never
        // produces a blank then, so "z" scrambles to the blank and the blank reads back as "z".
        if (r > 0 && !unscramble && c == 122)
            c2 = 32;
        else if (r > 0 && unscramble && c == 32)
            c2 = 122;
        else {
            c2 = c + d * r;
            if (c2 < 32 || c2 > 122)
                c2 -= d * 90;
        }
        out[i] = QChar(c2);
    }
    return out;
}

QString IntArrayToStr(const QVector<int>& values)
{
    QString s;
    for (int i = 0; i < values.size(); ++i) {
        if (i > 0)
            s += QLatin1Char(',');
        s += QString::number(values[i]);
    }
    return s;
}
