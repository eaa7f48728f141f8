#include "sms/Absender.h"

namespace {
const char* const kMsgAbsenderZuLang =
    "Der von Ihnen eingegebene Absender ist zu lang\n\rDer Absender darf numerisch (d.h. falls "
    "lediglich Zahlen vorkommen) maximal 16 Zeichen, andernfalls maximal 11 Zeichen lang sein.";
const char* const kMsgAbsenderZeichen =
    "In dem von Ihnen gewählten Absender kommen problematische Zeichen vor.\n\rEinige Provider "
    "und/oder Mobiltelefone können nur einige wenige Zeichen im Absender verarbeiten.\n\rWir "
    "empfehlen daher lediglich die Zeichen '0-9', 'a-z', 'A-Z' und '.' zu verwenden.\n\rFalls Sie "
    "andere Zeichen verwenden, können Zustellungsprobleme auftreten und/oder der Absender wird auf "
    "einigen Endgeräten verfälscht dargestellt.\n\rMöchten Sie dennoch fortfahren?";
const char* const kMsgAbsenderLeer =
    "Sie haben für Ihre Nachricht keinen Absender eingegeben.\n\rMöchten Sie dennoch fortfahren? "
    "(beim Versand wird automatisch ein Standard-Absender zugewiesen)";
}

QString AbsenderMeldung(TAbsenderBefund befund)
{
    switch (befund) {
    case TAbsenderBefund::ZuLang:
        return QString::fromUtf8(kMsgAbsenderZuLang);
    case TAbsenderBefund::Zeichen:
        return QString::fromUtf8(kMsgAbsenderZeichen);
    case TAbsenderBefund::Leer:
        return QString::fromUtf8(kMsgAbsenderLeer);
    case TAbsenderBefund::Ok:
        break;
    }
    return QString();
}
