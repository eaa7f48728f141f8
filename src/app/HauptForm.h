#pragma once
#include <QMainWindow>

class GatewaySession;
class QAction;
class QDialog;
class QLabel;
class QMenu;
class QStackedWidget;
class QToolButton;
class Settings;
class THomePage;
class TKontaktePage;
class TSmsPage;
class TPage;
class TAboutForm;
class TEinstellungenForm;
class TUpdateForm;
class TKontakteExportCsvForm;
class TKontakteImportCsvForm;
class TSmsExportCsvForm;
class TSmsVorlagenForm;
class TKontakteImportRelvineForm;

// The main window: a frame around the pages Home, Kontakte and SMS, with the main menu. It
// reads the settings at its first show and writes them back at close; the services it works
// with are handed to it.
class THauptForm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Vornix2 - Der professionelle Massen-SMS Versender";

    THauptForm(Settings& settings, GatewaySession& session, QWidget* parent = nullptr);
    ~THauptForm() override;

    // The three pages, built by the start-up with the dialogs they open; the frame takes them.
    void SetPages(THomePage* home, TKontaktePage* kontakte, TSmsPage* sms);

    Settings& GetSettings() const { return m_settings; }
    GatewaySession& Session() const { return m_session; }

    // Compares the latest known version with the program's own and shows the update notice
    // (silent: only when newer and notices are on; else also "already the newest").
    void CheckVersion(bool silent);
    // The update notice it shows (created by the start-up with the other dialogs).
    void SetUpdateForm(TUpdateForm* form) { m_updateForm = form; }
    // The settings dialog and the about box of the menu.
    void SetEinstellungenForm(TEinstellungenForm* form) { m_einstellungenForm = form; }
    void SetAboutForm(TAboutForm* form) { m_aboutForm = form; }
    // The two CSV exports of the menu.
    void SetExportForms(TKontakteExportCsvForm* kontakte, TSmsExportCsvForm* sms)
    {
        m_kontakteExportForm = kontakte;
        m_smsExportForm = sms;
    }
    // The CSV import wizard of the menu.
    void SetKontakteImportCsvForm(TKontakteImportCsvForm* form) { m_kontakteImportCsvForm = form; }
    // The template window of the menu.
    void SetSmsVorlagenForm(TSmsVorlagenForm* form) { m_smsVorlagenForm = form; }
    // The import of the web subscribers of the menu.
    void SetKontakteImportRelvineForm(TKontakteImportRelvineForm* form) { m_kontakteImportRelvineForm = form; }
    // The imports from Outlook and from the two earlier editions of the menu.
    void SetAltImportForms(QDialog* outlook, QDialog* kompakt, QDialog* zenit)
    {
        m_outlookImportForm = outlook;
        m_kompaktImportForm = kompakt;
        m_zenitImportForm = zenit;
    }
    THomePage* HomePage() const { return m_homePage; }
    TKontaktePage* KontaktePage() const { return m_kontaktePage; }
    TSmsPage* SmsPage() const { return m_smsPage; }
    TPage* CurrentPage() const;

    // Reloads the page shown after an import; previous index of the Kontakte group list.
    void RefreshAfterImport(int previousGroupIndex);
    // Shows `page`: tool bar and title, BeforeSwitch, panels, pending events, Load.
    void ShowPage(TPage* page);

public Q_SLOTS:
    void Button_MainMenu_HomeClick();
    void Button_MainMenu_KontakteClick();
    void Button_MainMenu_SMSClick();

    void Kontakte1Click();
    void KontakteausOutlook1Click();
    void KontakteausRelvine1Click();
    void Kontakte2Click();
    void SMSProtokollalsCSVDatei1Click();
    void Beenden1Click();
    void Benutzerdatenndern1Click();
    void SMSVorlagen1Click();
    void ImportausVornixKompakt1Click();
    void ImportausVornixZenit1Click();
    void Optionen1Click();
    void VornixHilfe1Click();
    void Neukundewerden1Click();
    void Vornix2Webseite1Click();
    void Vornix2Mitgliederbereich1Click();
    void Vornix2PrepaidKontingentaufladen1Click();
    void Vornix2TechnischeDokumentation1Click();
    void NachAktualisierungensuchen1Click();
    void Info1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void createMenu();
    QWidget* createLeftBar();
    QAction* addItem(QMenu* menu, const char* name, const QString& caption, void (THauptForm::*slot)());

    bool m_shown = false;
    Settings& m_settings;
    GatewaySession& m_session;
    TUpdateForm* m_updateForm = nullptr;
    TEinstellungenForm* m_einstellungenForm = nullptr;
    TAboutForm* m_aboutForm = nullptr;
    TKontakteExportCsvForm* m_kontakteExportForm = nullptr;
    TSmsExportCsvForm* m_smsExportForm = nullptr;
    TKontakteImportCsvForm* m_kontakteImportCsvForm = nullptr;
    TSmsVorlagenForm* m_smsVorlagenForm = nullptr;
    TKontakteImportRelvineForm* m_kontakteImportRelvineForm = nullptr;
    QDialog* m_outlookImportForm = nullptr;
    QDialog* m_kompaktImportForm = nullptr;
    QDialog* m_zenitImportForm = nullptr;

    QToolButton* Button_MainMenu_Home;
    QToolButton* Button_MainMenu_Kontakte;
    QToolButton* Button_MainMenu_SMS;
    QLabel* Panel_TopLabel;
    QStackedWidget* m_toolBars;
    QStackedWidget* m_pages;
    QLabel* m_statusText;
    THomePage* m_homePage = nullptr;
    TKontaktePage* m_kontaktePage = nullptr;
    TSmsPage* m_smsPage = nullptr;
};

