#pragma once
#include <QMainWindow>
#include <optional>

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

// What the frame opens, each dialog once: handed over together, as references, so that none
// can be missing.
struct TFrameDialogs {
    TUpdateForm& Update;                          // the update notice of the version check
    TEinstellungenForm& Einstellungen;            // the settings dialog
    TAboutForm& About;
    TKontakteExportCsvForm& KontakteExport;       // the two CSV exports
    TSmsExportCsvForm& SmsExport;
    TKontakteImportCsvForm& KontakteImportCsv;    // the CSV import wizard
    TSmsVorlagenForm& SmsVorlagen;                // the template window
    TKontakteImportRelvineForm& KontakteImportRelvine;   // the web subscribers
    QDialog& OutlookImport;                       // the imports from Outlook and the two earlier editions
    QDialog& KompaktImport;
    QDialog& ZenitImport;
};

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
    // The dialogs of the menu and the version check, built by the start-up; given once,
    // before the first show.
    void SetDialogs(const TFrameDialogs& dialogs);

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
    QWidget* createTopLabel(QWidget* central);
    QWidget* createToolRow(QWidget* central);
    void createStatusBar();
    QAction* addItem(QMenu* menu, const char* name, const QString& caption, void (THauptForm::*slot)());
    const TFrameDialogs& Dialogs() const;
    void ShowImport(QDialog& form);

    bool m_shown = false;
    Settings& m_settings;
    GatewaySession& m_session;
    std::optional<TFrameDialogs> m_dialogs;

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

