#include "gateway/Account.h"
#include "foundation/Global.h"
#include "foundation/IniFileDaten.h"
#include "gateway/Xml.h"
#include <QLocale>
#include <cmath>

namespace {
QString get(const QString& from, const char* tag) { return XmlElement(from, QLatin1String(tag)); }

int intOrZero(const QString& text)
{
    int v = 0;
    return ParseStrictInt(text, v) ? v : 0;
}

// "." or "," as the decimal mark, no thousands separator; 0 when not a number.
double decimalOrZero(const QString& text)
{
    QString t = text;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    return ok && std::isfinite(v) && t.trimmed() == t ? v : 0.0;
}
}

void ApplyUserData(const QString& reply, TIniFileDaten& rec, const QDateTime& now)
{
    const QString data = get(reply, "UserData");
    const QString bank = get(data, "BankData");
    rec.Anrede = get(data, "Title");
    rec.Firma = get(data, "Company");
    rec.Vorname = get(data, "Prename");
    rec.Nachname = get(data, "Surname");
    rec.Strasse = get(data, "Street");
    rec.PLZ = get(data, "ZipCode");
    rec.Ort = get(data, "City");
    rec.Land = get(data, "Country");
    rec.Telefon = get(data, "Phone");
    rec.Telefax = get(data, "Fax");
    rec.Mobil = get(data, "Mobile");
    rec.Email = get(data, "Email");
    rec.ZahlArt = get(data, "MethodOfPayment");
    rec.Kreditinstitut = get(bank, "CreditInstitution");
    rec.Kontonummer = get(bank, "AccountNumber");
    rec.Bankleitzahl = get(bank, "BankCode");
    rec.Kontoinhaber = get(bank, "AccountHolder");
    // The card values: the first element of the name anywhere inside UserData.
    rec.Kartentyp = get(data, "Type");
    rec.Kartennummer = get(data, "Number");
    rec.Pruefziffer = get(data, "CheckDigit");
    rec.GueltigBis = ParseGueltigBis(get(data, "ValidTo"), now.date());
    rec.Karteninhaber = get(data, "CardHolder");
    rec.Benutzerdaten_Stand = ParseGatewayDateTime(get(data, "Date"), now);
}

void ApplyUserDataDetail(const QString& reply, TIniFileDaten& rec, const QDateTime& now)
{
    const QString data = get(reply, "UserDataDetail");
    rec.Kontingent = decimalOrZero(get(data, "PrepaidContingent"));
    rec.AccountName = get(data, "AccountName");
    rec.AccountType = intOrZero(get(data, "AccountType"));
    rec.AnzTodo = intOrZero(get(data, "CountTodo"));
    rec.AnzProtokoll = intOrZero(get(data, "CountProtocol"));
    rec.Accountstatus_Stand = ParseGatewayDateTime(get(data, "Date"), now);
}

QDate ParseGueltigBis(const QString& text, const QDate& def)
{
    if (text.size() < 6)
        return def;
    for (int i = 0; i < 6; ++i)
        if (!text.at(i).isDigit() || text.at(i).unicode() > '9')
            return def;
    const QDate d(text.left(4).toInt(), text.mid(4, 2).toInt(), 1);
    return d.isValid() ? d : def;
}
