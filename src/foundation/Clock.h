#pragma once
#include <QDate>
#include <QDateTime>

// "Now" for everything that depends on the day (birthdays, defaults, send times);
// tests fix it.
namespace Clock {
QDateTime Now();
QDate Today();
void Set(const QDateTime& fixed);   // an invalid value returns to the system clock
}
