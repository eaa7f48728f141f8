#pragma once
#include <QString>

// What the sender of an SMS draws before sending or storing it as the default.
enum class TAbsenderBefund {
    Ok,
    ZuLang,    // refused with a notice
    Zeichen,   // characters some phones garble: asks whether to go on
    Leer,      // none given (the gateway assigns one)
};

// Numeric senders may have 16 characters, others 11. Lengths count characters as typed (code
// points, as the composer counts), so a character outside the BMP counts once. Too long comes
// before problematic characters.
TAbsenderBefund CheckAbsender(const QString& absender);
