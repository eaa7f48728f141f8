#pragma once
#include "foundation/LaufDialog.h"
#include "sms/Recipient.h"
#include <QDialog>
#include <QString>
#include <QVector>

class GatewaySession;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QStatusBar;
class Settings;

// ---- The web subscribers' list as the gateway sends it (no widgets) ----

inline constexpr const char* kRelvinePath = "/smscommand/Relvine.do";

// The salutation code of a subscriber's Title, compared exactly: "Herr" 2, "Frau" 3, else 1.
int RelvineGeschlecht(const QString& title);
// The entries of a list reply: the Contact items of the first ContactList in the first
// Relvine element, up to the first empty or missing one. Only Id (0 when missing or not an
// integer), Geschlecht, Vorname, Nachname and Mobil are set, all as received.
QVector<TRecipient> ParseRelvineKontakte(const QString& reply);
// "<name> <<mobile as received>>" of one entry.
QString RelvineZeile(const TRecipient& entry);
// The count line under the list.
QString RelvineAnzahlText(int count);

// The two-step wizard "Kontakte aus Relvine Datenbank importieren": fetches the subscribers
// from the gateway, lets the user delete some of them on the service, and imports the rest as
// new contacts, optionally into one group. Accepted only after a finished import.
class TKontakteImportRelvineForm : public TLaufDialog {
    Q_OBJECT
public:
    TKontakteImportRelvineForm(Settings& settings, GatewaySession& session, QWidget* parent = nullptr);

    // The entries listed, parallel to the lines of ListBox_Kontakte.
    const QVector<TRecipient>& GetEintraege() const { return Eintraege; }

Q_SIGNALS:
    // The link "Mitgliederbereich" was clicked; the frame opens the member area.
    void mitgliederbereichClicked();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildStep1();
    void layoutStep1(QLabel* label34);
    void buildStep2();
    enum class TDeleteResult { Done, Aborted };

    void FormShow();
    void LoadKontaktgruppen();
    void Btn_Step1_WeiterClick();
    bool LoadFromServer();
    void AddEntry(const TRecipient& entry);
    void DeleteSelected();
    TDeleteResult DeleteEntry(int index);
    void Btn_Step2_WeiterClick();
    void UpdateCount();
    void placeLink();
    void setRunning(bool running);

    Settings& m_settings;
    GatewaySession& m_session;
    QVector<int> KontaktgruppenIds;   // parallel to Kontaktgruppen; 0: no group
    QVector<TRecipient> Eintraege;     // parallel to the lines of ListBox_Kontakte

    QStackedWidget* m_steps;
    QWidget* Panel_Step1;
    QLabel* Label3;
    QLabel* Label4;
    QComboBox* Kontaktgruppen;
    QPushButton* Btn_Step1_Weiter;
    QPushButton* Btn_Step1_Abbrechen;
    QWidget* Panel_Step2;
    QListWidget* ListBox_Kontakte;
    QLabel* LabelCount;
    QPushButton* Button1;
    QPushButton* Btn_Step2_Weiter;
    QPushButton* Btn_Step2_Abbrechen;
    QStatusBar* StatusBar;
};
