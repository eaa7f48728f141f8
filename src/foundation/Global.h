#pragma once
#include "foundation/TextError.h"
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

class QWidget;

// A text that does not convert to a number (StrArrayToIntArray).
class ConvertError : public TextError {
public:
    using TextError::TextError;
};

// ---- Character tests (all true for the empty text) ----
bool IsDigits(const QString& text);
bool IsDigitsOrChar(const QString& text, QChar c);
// Sender numbers.
bool IsNumeric(const QString& text);
// ".", "0"-"9", "A"-"Z", "a"-"z" only: what the gateway takes as a sender.
bool IsSafeAbsender(const QString& text);

// ---- Display names of a contact (no trimming: a name of blanks counts as given) ----
QString GetKontaktName(const QString& vorname, const QString& nachname, const QString& firma);
QString GetKontaktNameReversed(const QString& vorname, const QString& nachname, const QString& firma);
// The name as a contact list with the order "Nachname" (0) or "Vorname" (1) shows it: first name
// first for order 1, last name first for any other.
QString GetKontaktNameSortiert(int sortierung, const QString& vorname, const QString& nachname,
                               const QString& firma);

// ---- Lists ----
// Cuts text at each delimiter; a delimiter at the very end gives no empty last element.
// With limit n > 0 the n-th element takes the rest; 0 means no limit; negative gives [].
QStringList Split(const QString& delimiter, const QString& text, int limit = 0);
// Each element as a decimal integer; throws ConvertError on the first that is none.
QList<int> StrArrayToIntArray(const QStringList& strings);
// The whole text as a decimal integer (optional sign, no blanks, within int); false otherwise.
bool StrToIntStrict(const QString& text, int& value);

// ---- Typed dates and times: the normal form, or "" when not a valid date/time ----
// "dd.MM.yyyy"; six digits are taken as ddmm19yy.
QString NormalizeDate(const QString& text);
// "dd.MM.yyyy" for a birth date: as NormalizeDate, but a year of one or two digits is read by
// BirthDateOfShortYear, so that the date never lies after today.
QString NormalizeBirthDate(const QString& text);
// The birth date of a year given with one or two digits: in the current hundred years unless
// that date lies after today, else in the hundred years before. Invalid for no such date.
QDate BirthDateOfShortYear(int day, int month, int shortYear);
// "dd.MM.yyyy"; a day and month alone ("24.12", "24.12.", "2412") get the current year.
QString NormalizeDateCurrentYear(const QString& text);
// "dd.MM." (day and month of birthday bounds); without a year read in a leap year.
QString NormalizeDayMonth(const QString& text);
// "HH:mm".
QString NormalizeTime(const QString& text);
// The text as it stands read as a date day.month[.year] (no year: the current one) or a time
// hour[:minute[:second]], blanks around it allowed; invalid when it is none.
QDate TextToDate(const QString& text);
QTime TextToTime(const QString& text);

// ---- Gateway dates: digit strings yyyymmdd[hhnnss] ----
QDate ParseGatewayDate(const QString& text, const QDate& defaultValue);
QDateTime ParseGatewayDateTime(const QString& text, const QDateTime& defaultValue);
// The form the gateway takes for a send time: "yyyyMMddHHmm00".
QString FormatGatewayDateTime(const QDateTime& dateTime);
QDate DatePart(const QDateTime& dateTime);
QTime TimePart(const QDateTime& dateTime);

// ---- Texts ----
// The first n characters (code points) of text.
QString TruncateText(const QString& text, int n);

// ---- Shell openers; both report their own failures ----
// Opens a web page in the default browser. Only http and https addresses are opened; a text
// without a scheme gets "http://" in front, any other scheme is refused.
void OpenUrl(const QString& url, QWidget* parent = nullptr);
// Opens the default mail program on an address.
void OpenMail(const QString& address, QWidget* parent = nullptr);
// The opener's failure codes (those of the Windows shell).
constexpr int kShellErrorNoAssociation = 31;
constexpr int kShellErrorFileNotFound = 2;
QString ShellExecuteErrorText(int code);
// Shows "<message>\n\rFehlermeldung: <text of the code>" as an error box.
void ShowShellExecuteError(int code, const QString& message);

// ---- Mobile numbers and e-mail addresses ----
// Brings a typed mobile number into the form "00" + country prefix + number. True and number
// replaced when it begins with one of the prefixes (tried in list order); false and number
// unchanged otherwise.
bool NormalizeMobilnummer(const QStringList& prefixes, QString& number);
bool IsValidEmail(const QString& text);

// ---- SMS length and automatic fields ----
// The text as it goes to the gateway: every line break as CR LF, characters Windows-1252
// lacks as "?".
QString SmsWireText(const QString& text);
// What the text costs in characters: the GSM extension characters count twice, a line break
// two, everything else once (counted in code points).
int GetSmsLength(const QString& text);
QString GetSmsLengthText(int length);
int GetSmsCount(int length);
// Whether text holds an automatic field "<$*...*$>".
bool HasAutomatischeFelder(const QString& text);

// ---- Send log display texts ----
QString GetProtokollContentText(const QString& typ, const QString& content);
QString GetProtokollStatusText(int statusId);
