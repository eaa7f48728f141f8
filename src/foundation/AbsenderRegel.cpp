#include "foundation/AbsenderRegel.h"
#include "foundation/Global.h"

TAbsenderBefund CheckAbsender(const QString& absender)
{
    if (absender.isEmpty())
        return TAbsenderBefund::Leer;
    const auto length = absender.toUcs4().size();
    const bool numeric = IsNumeric(absender);
    if (length > 16 || (!numeric && length > 11))
        return TAbsenderBefund::ZuLang;
    if (!numeric && !IsSafeAbsender(absender))
        return TAbsenderBefund::Zeichen;
    return TAbsenderBefund::Ok;
}
