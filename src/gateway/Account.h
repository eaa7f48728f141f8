#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>

struct TIniFileDaten;

// The account's replies taken into the settings record. `reply` is the whole reply; `now` the
// default of the dates that are missing or unreadable (its day for the card's expiry).

// UserData: address, payment, bank and card details, and their date.
void ApplyUserData(const QString& reply, TIniFileDaten& rec, const QDateTime& now);
// UserDataDetail: the account's name, type, contingent, counters and their date.
void ApplyUserDataDetail(const QString& reply, TIniFileDaten& rec, const QDateTime& now);

// The first day of the month given by the first six characters (yyyyMM); else `def`.
QDate ParseGueltigBis(const QString& text, const QDate& def);
