#pragma once
#include "foundation/IniFileDaten.h"
#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;
class QWidget;

// The settings dialog "Einstellungen": general settings, proxy, stored login, SMS defaults.
// Works on its own copy of the settings record. The caller hands it the live record with
// SetIniFileDaten before showing it and, when it returns OK, takes the edited copy with
// GetIniFileDaten; the dialog writes no file itself.
class TEinstellungenForm : public QDialog {
    Q_OBJECT
public:
    explicit TEinstellungenForm(QWidget* parent = nullptr);
    ~TEinstellungenForm() override;

    void SetIniFileDaten(const TIniFileDaten& daten);
    TIniFileDaten GetIniFileDaten() const { return m_daten; }

    // Characters the sender field takes by typing; a longer stored value is kept whole.
    static constexpr int kAbsenderMaxLength = 16;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildAllgemeinTab();
    void buildProxy(QVBoxLayout* allgemein);
    void buildSmsTab();
    void connectHandlers();
    void FormShow();
    void Btn_OKClick();
    void Btn_AbbrechenClick();
    void Allgemein_ProxyClick();
    void SMS_Zugangsdaten_SpeichernClick();
    bool CheckEingaben();
    void SetProxyEnabled(bool enabled);
    void SetZugangsdatenEnabled(bool enabled);
    void SMS_AbsenderEdited(const QString& text);
    // Switches to the page, shows the message and focuses the field.
    void Refuse(QWidget* page, QWidget* field, const QString& message);

    TIniFileDaten m_daten;
    QString m_absenderBefore;   // the sender text before the user's last edit

    QTabWidget* PageControl;
    QWidget* TabSheet_Allgemein;
    QWidget* TabSheet_Sms;

    QComboBox* Allgemein_StartOrdner;
    QCheckBox* Allgemein_Starthilfe;
    QCheckBox* Allgemein_Updates;
    QCheckBox* Allgemein_Proxy;
    QLabel* Allgemein_Label_Proxy_Server;
    QLineEdit* Allgemein_Proxy_Server;
    QLabel* Allgemein_Label_Proxy_Port;
    QLineEdit* Allgemein_Proxy_Port;
    QLabel* Allgemein_Label_Proxy_Username;
    QLineEdit* Allgemein_Proxy_Username;
    QLabel* Allgemein_Label_Proxy_Passwort;
    QLineEdit* Allgemein_Proxy_Passwort;
    QGroupBox* Allgemein_Proxy_BasicAuthentication;
    QButtonGroup* m_basicAuthItems;

    QCheckBox* SMS_Zugangsdaten_Speichern;
    QLabel* SMS_Label_Username;
    QLineEdit* SMS_Username;
    QLabel* SMS_Label_Passwort;
    QLineEdit* SMS_Passwort;
    QCheckBox* SMS_HTTPS;
    QLineEdit* SMS_Absender;
    QComboBox* SMS_Typ;
    QComboBox* SMS_ProtokollLimit;

    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;
};

