#include "foundation/Global.h"
#include "foundation/Clock.h"
#include "platform/Cp1252.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "platform/ShellOpen.h"
#include <QUrl>
#include <tuple>

namespace {
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isAsciiLetter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isAsciiDigit(char32_t c) { return c >= '0' && c <= '9'; }

// Zero-padded decimal, independent of the locale.
QString pad(int value, int width) { return QString::number(value).rightJustified(width, u'0'); }

// Trims what the original's Trim did: every character up to the blank.
QString trimBlanks(const QString& text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text.at(b).unicode() <= 0x20)
        ++b;
    while (e > b && text.at(e - 1).unicode() <= 0x20)
        --e;
    return text.mid(b, e - b);
}

// A number field of a typed date or time: digits read while the value is below 1000 (at most
// four significant digits, leading zeros free).
bool scanNumber(const QString& s, qsizetype& pos, int& number, int& length)
{
    const qsizetype start = pos;
    int n = 0;
    while (pos < s.size() && isDigit(s.at(pos)) && n < 1000) {
        n = n * 10 + (s.at(pos).unicode() - '0');
        ++pos;
    }
    if (pos == start)
        return false;
    number = n;
    length = int(pos - start);
    return true;
}

bool scanChar(const QString& s, qsizetype& pos, QChar c)
{
    if (pos < s.size() && s.at(pos) == c) {
        ++pos;
        return true;
    }
    return false;
}

// Reads day "." month ["." year] ["."] in the German order, never through the locale.
// A year of one or two digits falls into the hundred years beginning 50 years before the
// current year, or for a birth date by BirthDateOfShortYear. yearWhenMissing replaces a missing
// year; dotAfterMonth admits "d.m." without one.
QDate scanDate(const QString& s, int yearWhenMissing, bool dotAfterMonth, bool birthDate = false)
{
    qsizetype pos = 0;
    int day = 0, month = 0, year = 0, len = 0;
    if (!scanNumber(s, pos, day, len) || !scanChar(s, pos, u'.') || !scanNumber(s, pos, month, len))
        return {};
    if (scanChar(s, pos, u'.') && pos < s.size()) {
        if (!scanNumber(s, pos, year, len))
            return {};
        if (len <= 2 && birthDate) {
            scanChar(s, pos, u'.');
            return pos == s.size() ? BirthDateOfShortYear(day, month, year) : QDate();
        }
        if (len <= 2) {
            const int base = Clock::Today().year() - 50;
            year += base / 100 * 100;
            if (year < base)
                year += 100;
        }
        scanChar(s, pos, u'.');
    } else {
        if (pos == s.size() && s.endsWith(u'.') && !dotAfterMonth)
            return {};
        year = yearWhenMissing;
    }
    if (pos != s.size() || year < 1 || year > 9999)
        return {};
    const QDate d(year, month, day);
    return d.isValid() ? d : QDate();
}

// Reads hour [":" minute [":" second]].
QTime scanTime(const QString& s)
{
    qsizetype pos = 0;
    int hour = 0, minute = 0, second = 0, len = 0;
    if (!scanNumber(s, pos, hour, len))
        return {};
    if (scanChar(s, pos, u':')) {
        if (!scanNumber(s, pos, minute, len))
            return {};
        if (scanChar(s, pos, u':') && !scanNumber(s, pos, second, len))
            return {};
    }
    if (pos != s.size() || hour > 23 || minute > 59 || second > 59)
        return {};
    return QTime(hour, minute, second);
}

QString formatDate(const QDate& d)
{
    return pad(d.day(), 2) + u'.' + pad(d.month(), 2) + u'.' + pad(d.year(), 4);
}

// The digits-only rule shared by the date normalisers: ddmm + tail.
QString dayMonthFrom(const QString& digits, const QString& tail)
{
    return digits.left(2) + u'.' + digits.mid(2, 2) + u'.' + tail;
}

// Digits only, non-empty: the fields of a gateway date.
bool gatewayField(const QString& text, qsizetype from, qsizetype length, int& value)
{
    const QString part = text.mid(from, length);
    if (part.isEmpty() || !IsDigits(part))
        return false;
    value = part.toInt();
    return true;
}
} // namespace

// ---- Character tests ----

bool IsDigits(const QString& text)
{
    for (QChar c : text)
        if (!isDigit(c))
            return false;
    return true;
}

bool IsDigitsOrChar(const QString& text, QChar ch)
{
    for (QChar c : text)
        if (!isDigit(c) && c != ch)
            return false;
    return true;
}

bool IsNumeric(const QString& text) { return IsDigits(text); }

bool IsSafeAbsender(const QString& text)
{
    for (QChar c : text)
        if (!isDigit(c) && c != u'.' && !isAsciiLetter(c.unicode()))
            return false;
    return true;
}

// ---- Display names ----

QString GetKontaktName(const QString& vorname, const QString& nachname, const QString& firma)
{
    if (!vorname.isEmpty() && !nachname.isEmpty())
        return vorname + u' ' + nachname;
    if (!vorname.isEmpty())
        return vorname;
    if (!nachname.isEmpty())
        return nachname;
    if (!firma.isEmpty())
        return QStringLiteral("Firma ") + firma;
    return QStringLiteral("Unbenannt");
}

QString GetKontaktNameReversed(const QString& vorname, const QString& nachname, const QString& firma)
{
    if (!vorname.isEmpty() && !nachname.isEmpty())
        return nachname + QStringLiteral(", ") + vorname;
    return GetKontaktName(vorname, nachname, firma);
}

QString GetKontaktNameSortiert(int sortierung, const QString& vorname, const QString& nachname,
                               const QString& firma)
{
    return sortierung == 1 ? GetKontaktName(vorname, nachname, firma)
                           : GetKontaktNameReversed(vorname, nachname, firma);
}

// ---- Lists ----

QStringList Split(const QString& delimiter, const QString& text, int limit)
{
    QStringList result;
    if (text.isEmpty() || limit < 0)
        return result;
    if (delimiter.isEmpty())
        return {text};
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype at = text.indexOf(delimiter, from);
        if (at < 0 || (limit > 0 && result.size() == limit - 1)) {
            result.append(text.mid(from));
            break;
        }
        result.append(text.mid(from, at - from));
        from = at + delimiter.size();
    }
    return result;
}

QList<int> StrArrayToIntArray(const QStringList& strings)
{
    QList<int> result;
    result.reserve(strings.size());
    for (const QString& s : strings) {
        int v = 0;
        if (!StrToIntStrict(s, v))
            throw ConvertError(u'\'' + s + QStringLiteral("' ist kein gültiger Integerwert"));
        result.append(v);
    }
    return result;
}

bool StrToIntStrict(const QString& text, int& value)
{
    if (text.isEmpty())
        return false;
    qsizetype i = 0;
    bool negative = false;
    if (text.at(0) == u'+' || text.at(0) == u'-') {
        negative = text.at(0) == u'-';
        i = 1;
    }
    if (i == text.size())
        return false;
    qint64 n = 0;
    for (; i < text.size(); ++i) {
        if (!isDigit(text.at(i)))
            return false;
        n = n * 10 + (text.at(i).unicode() - '0');
        if (n > qint64(INT_MAX) + 1)
            return false;
    }
    if (negative)
        n = -n;
    if (n > INT_MAX || n < INT_MIN)
        return false;
    value = int(n);
    return true;
}

// ---- Typed dates and times ----

QString NormalizeDate(const QString& text)
{
    QString s = trimBlanks(text);
    if (IsDigits(s)) {
        if (s.size() == 6)
            s = dayMonthFrom(s, QStringLiteral("19") + s.mid(4, 2));
        else if (s.size() == 8)
            s = dayMonthFrom(s, s.mid(4, 4));
    } else if (IsDigitsOrChar(s, u',')) {
        s.replace(u',', u'.');
    } else if (!IsDigitsOrChar(s, u'.')) {
        return {};
    }
    const QDate d = scanDate(s, Clock::Today().year(), false);
    return d.isValid() ? formatDate(d) : QString();
}

QDate BirthDateOfShortYear(int day, int month, int shortYear)
{
    const QDate today = Clock::Today();
    int year = today.year() / 100 * 100 + shortYear % 100;
    // Compared as numbers: the 29th of February lies after today or not in any year.
    if (std::tuple(year, month, day) > std::tuple(today.year(), today.month(), today.day()))
        year -= 100;
    if (year < 1)
        return {};
    const QDate d(year, month, day);
    return d.isValid() ? d : QDate();
}

QString NormalizeBirthDate(const QString& text)
{
    QString s = trimBlanks(text);
    if (IsDigits(s)) {
        if (s.size() == 6)
            s = dayMonthFrom(s, QStringLiteral("19") + s.mid(4, 2));
        else if (s.size() == 8)
            s = dayMonthFrom(s, s.mid(4, 4));
    } else if (IsDigitsOrChar(s, u',')) {
        s.replace(u',', u'.');
    } else if (!IsDigitsOrChar(s, u'.')) {
        return {};
    }
    const QDate d = scanDate(s, Clock::Today().year(), false, true);
    return d.isValid() ? formatDate(d) : QString();
}

QString NormalizeDateCurrentYear(const QString& text)
{
    const QString year = QString::number(Clock::Today().year());
    QString s = trimBlanks(text);
    if (IsDigits(s)) {
        if (s.size() == 4)
            s = dayMonthFrom(s, year);
        else if (s.size() == 6)
            s = dayMonthFrom(s, s.mid(4, 2));
        else if (s.size() == 8)
            s = dayMonthFrom(s, s.mid(4, 4));
    } else if (IsDigitsOrChar(s, u',') || IsDigitsOrChar(s, u'.')) {
        s.replace(u',', u'.');
        if (s.count(u'.') == 2 && s.endsWith(u'.'))
            s += year;   // "24.12." as "24.12"
        else if (s.size() == 4)
            s += u'.' + year;
    } else {
        return {};
    }
    const QDate d = scanDate(s, Clock::Today().year(), false);
    return d.isValid() ? formatDate(d) : QString();
}

QString NormalizeDayMonth(const QString& text)
{
    // Read in a leap year so that the 29th of February is a day and month like any other.
    constexpr int kLeapYear = 2004;
    QString s = trimBlanks(text);
    if (IsDigits(s)) {
        if (s.size() == 4)
            s = s.left(2) + u'.' + s.mid(2, 2);
    } else if (IsDigitsOrChar(s, u',') || IsDigitsOrChar(s, u'.')) {
        s.replace(u',', u'.');
    } else {
        return {};
    }
    const QDate d = scanDate(s, kLeapYear, true);
    return d.isValid() ? pad(d.day(), 2) + u'.' + pad(d.month(), 2) + u'.' : QString();
}

QString NormalizeTime(const QString& text)
{
    QString s = trimBlanks(text);
    if (IsDigits(s)) {
        if (s.size() == 3)
            s = s.left(1) + u':' + s.mid(1);
        else if (s.size() == 4)
            s = s.left(2) + u':' + s.mid(2);
    } else if (IsDigitsOrChar(s, u'.')) {
        s.replace(u'.', u':');
    } else if (IsDigitsOrChar(s, u',')) {
        s.replace(u',', u':');
    } else if (!IsDigitsOrChar(s, u':')) {
        return {};
    }
    const QTime t = scanTime(s);
    return t.isValid() ? pad(t.hour(), 2) + u':' + pad(t.minute(), 2) : QString();
}

QDate TextToDate(const QString& text) { return scanDate(trimBlanks(text), Clock::Today().year(), false); }

QTime TextToTime(const QString& text) { return scanTime(trimBlanks(text)); }

// ---- Gateway dates ----

QDate ParseGatewayDate(const QString& text, const QDate& defaultValue)
{
    int y = 0, m = 0, d = 0;
    if (!gatewayField(text, 0, 4, y) || !gatewayField(text, 4, 2, m) || !gatewayField(text, 6, 2, d))
        return defaultValue;
    const QDate date(y, m, d);
    return date.isValid() && y >= 1 ? date : defaultValue;
}

QDateTime ParseGatewayDateTime(const QString& text, const QDateTime& defaultValue)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!gatewayField(text, 0, 4, y) || !gatewayField(text, 4, 2, mo) || !gatewayField(text, 6, 2, d)
        || !gatewayField(text, 8, 2, h) || !gatewayField(text, 10, 2, mi) || !gatewayField(text, 12, 2, s))
        return defaultValue;
    const QDate date(y, mo, d);
    if (!date.isValid() || y < 1 || h > 23 || mi > 59 || s > 59)
        return defaultValue;
    return QDateTime(date, QTime(h, mi, s));
}

QString FormatGatewayDateTime(const QDateTime& dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    return pad(d.year(), 4) + pad(d.month(), 2) + pad(d.day(), 2) + pad(t.hour(), 2) + pad(t.minute(), 2)
        + QStringLiteral("00");
}

QDate DatePart(const QDateTime& dateTime) { return dateTime.date(); }
QTime TimePart(const QDateTime& dateTime) { return dateTime.time(); }

// ---- Texts ----

QString TruncateText(const QString& text, int n)
{
    if (n <= 0)
        return {};
    if (n >= text.size())
        return text;
    // Count code points: a surrogate pair is one character and is never cut in half.
    qsizetype i = 0;
    for (int count = 0; i < text.size() && count < n; ++count)
        i += (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
    return text.left(i);
}

// ---- Shell openers ----

QString ShellExecuteErrorText(int code)
{
    switch (code) {
    case 0: return QStringLiteral("Das Betriebssystem meldete \"out of memory\".");
    case 2: return QStringLiteral("Die angegebene Datei wurde nicht gefunden.");
    case 3: return QStringLiteral("Der angegebene Pfad konnte nicht gefunden werden.");
    case 5: return QStringLiteral("Das Betriebssystem verweigerte den Zugriff auf die Datei.");
    case 8: return QStringLiteral("Es stand nicht genügend Speicher zur Verfügung, um diese Operation auszuführen.");
    case 11: return QStringLiteral("Die exe-Datei ist ungültig (keine Win32-EXE oder Fehler in EXE-Image)");
    case 26: return QStringLiteral("Es ist eine Zugriffsverletzung aufgetreten.");
    case 27: return QStringLiteral("Die Dateinamenerweiterung ist ungültig oder unvollständig.");
    case 28: return QStringLiteral("Die DDE-Transaktion konnte nicht ausgeführt werden,\rweil ein Timeout gemeldet wurde.");
    case 29: return QStringLiteral("Die DDE-Transaktion schlug fehl.");
    case 30: return QStringLiteral("Die DDE-Transaktion konnte nicht ausgeführt werden,\rweil andere DDE-Transaktionen verarbeitet wurden.");
    case 31: return QStringLiteral("Es wurde kein Programm gefunden, das mit dieser Operation assoziiert ist.");
    case 32: return QStringLiteral("Die angegebene DLL wurde nicht gefunden.");
    default: return QStringLiteral("Es ist ein unbekannter Fehler aufgetreten.");
    }
}

void ShowShellExecuteError(int code, const QString& message)
{
    Msg::Error(message + QStringLiteral("\n\rFehlermeldung: ") + ShellExecuteErrorText(code));
}

namespace {
// The scheme of an address ("scheme:" at its start), lower case; "" when it has none. A host
// followed by a port ("localhost:8080/x") has no scheme.
QString schemeOf(const QString& address)
{
    const qsizetype colon = address.indexOf(u':');
    if (colon <= 0 || !isAsciiLetter(address.at(0).unicode()))
        return {};
    for (qsizetype i = 1; i < colon; ++i) {
        const QChar c = address.at(i);
        if (!isAsciiLetter(c.unicode()) && !isDigit(c) && c != u'+' && c != u'-' && c != u'.')
            return {};
    }
    qsizetype i = colon + 1;
    while (i < address.size() && isDigit(address.at(i)))
        ++i;
    if (i > colon + 1 && (i == address.size() || QStringLiteral("/?#").contains(address.at(i))))
        return {};
    return address.left(colon).toLower();
}

void shellOpen(const QUrl& url, const QString& failureMessage)
{
    bool ok;
    {
        WaitCursor wait;
        ok = ShellOpen::Open(url);
    }
    if (!ok)
        ShowShellExecuteError(kShellErrorNoAssociation, failureMessage);
}
} // namespace

void OpenUrl(const QString& url, QWidget*)
{
    const QString failure = QStringLiteral("Der Standard-Webbrowser konnte nicht geöffnet werden.");
    if (trimBlanks(url).isEmpty()) {
        ShowShellExecuteError(kShellErrorFileNotFound, failure);
        return;
    }
    // Only web pages go to the opener: a bare name could otherwise open a local file or program.
    QString address = trimBlanks(url);
    const QString scheme = schemeOf(address);
    if (scheme.isEmpty())
        address = QStringLiteral("http://") + address;
    else if (scheme != u"http" && scheme != u"https") {
        ShowShellExecuteError(kShellErrorNoAssociation, failure);
        return;
    }
    const QUrl target(address, QUrl::TolerantMode);
    if (!target.isValid() || (target.scheme() != u"http" && target.scheme() != u"https")) {
        ShowShellExecuteError(kShellErrorNoAssociation, failure);
        return;
    }
    shellOpen(target, failure);
}

void OpenMail(const QString& address, QWidget*)
{
    // The address is the path of the mailto URL: a "?" in it cannot add headers or attachments.
    QUrl target;
    target.setScheme(QStringLiteral("mailto"));
    target.setPath(address, QUrl::DecodedMode);
    shellOpen(target, QStringLiteral("Das Standard-Emailprogramm konnte nicht geöffnet werden."));
}

// ---- Mobile numbers and e-mail addresses ----

bool NormalizeMobilnummer(const QStringList& prefixes, QString& number)
{
    QString d;
    d.reserve(number.size());
    for (QChar c : number)
        if (isDigit(c))
            d.append(c);
    if (d.size() <= 2)
        return false;
    // German national numbers are the only national form: 01... is a mobile number in 49.
    if (d.startsWith(QLatin1String("01")))
        d = QStringLiteral("49") + d.mid(1);
    else if (d.startsWith(QLatin1String("00")))
        d = d.mid(2);
    else if (d.startsWith(u'0'))
        d = d.mid(1);
    for (const QString& prefix : prefixes) {
        if (d.startsWith(prefix)) {
            number = QStringLiteral("00") + d;
            return true;
        }
    }
    return false;
}

bool IsValidEmail(const QString& text)
{
    auto isAtom = [](char32_t c) {
        if (c >= 128)
            return true;
        if (c < 33 || c == 127)
            return false;
        return !QStringView(u"(),./:;<>@[\\]\"").contains(QChar(c));
    };
    int state = 0;
    int domainDots = 0;
    for (char32_t c : text.toUcs4()) {
        switch (state) {
        case 0:
        case 5:
            if (isAtom(c))
                state = 1;
            else if (c == '"')
                state = 2;
            else
                return false;
            break;
        case 1:
            if (isAtom(c))
                state = 1;
            else if (c == '@')
                state = 6;
            else if (c == '.')
                state = 5;
            else
                return false;
            break;
        case 2:
            if (c == '\\')
                state = 3;
            else if (c == '"')
                state = 4;
            else if (c == '\r')
                return false;
            break;
        case 3:
            state = 2;
            break;
        case 4:
            if (c == '@')
                state = 6;
            else if (c == '.')
                state = 5;
            else
                return false;
            break;
        case 6:
            if (isAsciiLetter(c))
                state = 7;
            else
                return false;
            break;
        case 7:
            if (isAsciiLetter(c) || isAsciiDigit(c))
                state = 7;
            else if (c == '-')
                state = 8;
            else if (c == '.') {
                state = 6;
                ++domainDots;
            } else
                return false;
            break;
        case 8:
            if (c == '-')
                state = 8;
            else if (isAsciiLetter(c) || isAsciiDigit(c))
                state = 7;
            else
                return false;
            break;
        }
    }
    return state == 7 && domainDots > 0;
}

// ---- SMS length and automatic fields ----

QString SmsWireText(const QString& text)
{
    QString s;
    s.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            s += QStringLiteral("\r\n");
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            s += QStringLiteral("\r\n");
        } else {
            s += c;
        }
    }
    return Cp1252::Fold(s);
}

int GetSmsLength(const QString& text)
{
    const QString wire = SmsWireText(text);
    int length = 0;
    for (QChar c : wire) {
        // After folding every character is a single UTF-16 unit.
        ++length;
        switch (c.unicode()) {
        case 0x20AC: case '|': case '^': case '{': case '}': case '[': case ']': case '\\': case '~':
            ++length;
            break;
        default:
            break;
        }
    }
    return length;
}

int GetSmsCount(int length)
{
    return length <= 160 ? 1 : (length + 152) / 153;
}

QString GetSmsLengthText(int length)
{
    return QStringLiteral("%1 Zeichen, dies entspricht %2 SMS").arg(length).arg(GetSmsCount(length));
}

bool HasAutomatischeFelder(const QString& text)
{
    const qsizetype open = text.indexOf(QLatin1String("<$*"));
    // The closing marker may share the opening one's "$*": "<$*$>" holds a field.
    return open >= 0 && text.indexOf(QLatin1String("*$>"), open + 1) >= 0;
}

// ---- Send log display texts ----

QString GetProtokollContentText(const QString& typ, const QString& content)
{
    if (typ.isEmpty())
        return {};
    if (typ.startsWith(QLatin1String("Tx")) || typ.startsWith(QLatin1String("Fs")))
        return content;
    return QStringLiteral("(Multimedia-SMS)");
}

QString GetProtokollStatusText(int statusId)
{
    switch (statusId) {
    case 0: return QStringLiteral("Zugestellt");
    case 1: return QStringLiteral("Weitere Zustellversuche");
    case 2: return QStringLiteral("Nicht zugestellt");
    default: return QStringLiteral("Unbekannt");
    }
}
