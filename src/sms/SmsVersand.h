#pragma once
#include "sms/Recipient.h"
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

// What one sending run sends: taken from the composer when the user sends.
struct TSmsVersandAuftrag {
    int TypIndex = 0;            // 1 flash, else text
    QString Absender;            // as typed, possibly empty
    QString Text;                // as written, markers included, line breaks CR LF
    bool Geburtstag = false;     // on each recipient's next birthday
    bool Sofort = true;          // immediate: no `time` field
    QDateTime Zeitpunkt;         // the chosen time (its time of day in birthday mode)
    QString Username;
    QString Passwort;
};

// The outcome of the requests of one run.
struct TSmsVersandErgebnis {
    QString Rueckgabe;           // every reply body, joined with "\n\r"
    QString ErrorText;           // the failed requests' error texts, joined with "\n\r"
    int ErrorCount = 0;
    int RequestCount = 0;        // requests planned (per recipient: skipped ones included)
    bool Failed() const { return ErrorCount > 0; }
};

// The sending pipeline without widgets: plans the requests, sends them one after another,
// reports progress and stamps the contacts.
class GatewaySession;

class TSmsVersand {
public:
    static constexpr int kBlockSize = 5000;
    static constexpr const char* kPath = "/sms/http2sms.jsp";

    TSmsVersand(GatewaySession& session, const TRecipients& recipients, const TSmsVersandAuftrag& auftrag);

    // Called with each progress text after it went to the status text, before pending
    // events are let through (the composer repaints its own status bar there).
    void SetProgressSink(std::function<void(const QString&)> sink) { m_sink = std::move(sink); }

    // Sends every request. Transport failures show their own box; rejections are collected.
    TSmsVersandErgebnis Run();

    // One request per recipient when the text holds fields or on birthdays.
    bool ProRecipient() const;

    // The `to` of the batch starting at `start`: up to kBlockSize numbers, commas removed.
    static QString GetEmpfaengerBlock(const TRecipients& recipients, int start);
    // One recipient's send time.
    static QDateTime GetVersandzeitpunkt(bool geburtstag, bool sofort, const QDateTime& geburtsdatum,
                                         const QDateTime& zeitpunkt);
    // The text with every automatic field filled for `r`.
    static QString ReplaceAutomatischeFelder(const QString& text, const TRecipient& r);
    // The send request's form fields in their order (without `version`).
    static QStringList SendFields(const QString& username, const QString& passwort, int typIndex,
                                  const QString& to, const QString& from, bool sofort,
                                  const QDateTime& zeitpunkt, const QString& content);
    // Writes the time of the transfer into every recipient's contact row; one commit.
    static void UpdateMobilLastSend(const TRecipients& recipients);

    // The progress text for a percentage.
    static QString ProgressText(int percent);
    // The failure summary for a failed run.
    static QString FehlerMeldung(const TSmsVersandErgebnis& ergebnis);

private:
    QString sendRequest(const QString& to, const QDateTime& zeitpunkt, const QString& content,
                        TSmsVersandErgebnis& ergebnis);
    void progress(int done, int total);

    GatewaySession& m_session;
    const TRecipients& m_recipients;
    TSmsVersandAuftrag m_auftrag;
    std::function<void(const QString&)> m_sink;
};

inline constexpr const char* kMsgVersandFehler =
    "Beim Versand der Nachricht(en) sind Fehler aufgetreten.\n\r%1\n\rBitte betrachten Sie die "
    "Gateway-Rückgabe für weitere Details.";
inline constexpr const char* kVersandRejected = "Die Nachricht(en) wurde(n) vom Server zurückgewiesen.";
inline constexpr const char* kStatusDatenbanken = "Aktualisiere die Datenbanken...";
