#include "foundation/Clock.h"

namespace Clock {
namespace {
QDateTime& fixedTime()
{
    static QDateTime t;
    return t;
}
}

QDateTime Now()
{
    return fixedTime().isValid() ? fixedTime() : QDateTime::currentDateTime();
}

QDate Today() { return Now().date(); }

void Set(const QDateTime& fixed) { fixedTime() = fixed; }
}
