#pragma once
#include <QString>

// What the sender of an SMS draws before sending.
enum class TAbsenderBefund {
    Ok,
    ZuLang,    // refused with a notice
    Zeichen,   // characters some phones garble: asks whether to go on
    Leer,      // none given (the gateway assigns one): asks whether to go on
};

// Numeric senders may have 16 characters, others 11; lengths count characters as typed.
TAbsenderBefund CheckAbsender(const QString& absender);
// The notice or question of a finding other than Ok ("" for Ok).
QString AbsenderMeldung(TAbsenderBefund befund);
