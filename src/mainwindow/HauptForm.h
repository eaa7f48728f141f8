#pragma once
#include "foundation/IniFileDaten.h"
#include "gateway/GatewayHost.h"
#include <QDate>
#include <QMainWindow>
#include <QStringList>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QStackedWidget;
class QToolButton;
class THomePage;
class TKontaktePage;
class TSmsPage;
class TPage;

// The news item last fetched from the gateway.
struct TNews {
    int Index = 0;
    QString Headline;
    QString Content;
    QDate ShowUntil;
};

// The main window: a frame around the pages Home, Kontakte and SMS. It owns the live settings
// record, the settings file path, the country prefix list and the one HTTP client.
class THauptForm : public QMainWindow, public IGatewayHost {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Vornix2 - Der professionelle Massen-SMS Versender";

    explicit THauptForm(QWidget* parent = nullptr);
    ~THauptForm() override;

    // The settings: a copy of the live record, the file path, and a re-read of the file.
    TIniFileDaten GetIniFileDaten() const override;
    QString GetIniFileName() const override;
    void ReloadIniFileDaten() override;
    // The frame's own pages change the live record in place and then write the file
    // with SaveLiveIniFileDaten.
    TIniFileDaten& LiveIniFileDaten() { return m_iniFileDaten; }
    // Writes the live record; a failure is reported. False on failure.
    bool SaveLiveIniFileDaten();
    // The country dialling prefixes in database order, loaded once at first show.
    QStringList GetLaenderVorwahlen() const { return m_laenderVorwahlen; }

    THttpClient& HttpClient() override;

    // The news item held (shown on the Home page).
    int GetNewsIndex() const override { return m_news.Index; }
    void LoadNews(int index) override;
    const TNews& News() const { return m_news; }
    void SetNews(const TNews& news) { m_news = news; }

    // The latest version the gateway announced.
    void SetVersionMajor(int value) override { m_versionMajor = value; }
    void SetVersionMinor(int value) override { m_versionMinor = value; }
    void SetVersionRelease(int value) override { m_versionRelease = value; }
    int VersionMajor() const { return m_versionMajor; }
    int VersionMinor() const { return m_versionMinor; }
    int VersionRelease() const { return m_versionRelease; }
    // Compares the latest known version with the program's own and shows the update notice
    // (silent: only when newer and notices are on; else also "already the newest").
    void CheckVersion(bool silent);

    THomePage* HomePage() const { return m_homePage; }
    TKontaktePage* KontaktePage() const { return m_kontaktePage; }
    TSmsPage* SmsPage() const { return m_smsPage; }
    TPage* CurrentPage() const;

    // Reloads the page shown after an import; previous index of the Kontakte group list.
    void RefreshAfterImport(int previousGroupIndex);
    // Shows `page`: tool bar and title, BeforeSwitch, panels, pending events, Load.
    void ShowPage(TPage* page);

    // Web pages: the web host followed by `path`, opened through OpenUrl.
    static QString WebPage(const QString& path);

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
    void LoadLaenderVorwahlen();
    static void ReportSaveError(const QString& error);
    void createMenu();
    QWidget* createLeftBar();
    QAction* addItem(QMenu* menu, const char* name, const QString& caption, void (THauptForm::*slot)());

    bool m_shown = false;
    // True once the live record holds what the file held (or the defaults when there was
    // none); only such a record is written at close.
    bool m_iniLoaded = false;
    QString m_iniFileName;
    TIniFileDaten m_iniFileDaten;
    QStringList m_laenderVorwahlen;
    TNews m_news;
    int m_versionMajor = 2;
    int m_versionMinor = 1;
    int m_versionRelease = 1;
    std::unique_ptr<THttpClient> m_httpClient;   // created on first use

    QToolButton* Button_MainMenu_Home;
    QToolButton* Button_MainMenu_Kontakte;
    QToolButton* Button_MainMenu_SMS;
    QLabel* Panel_TopLabel;
    QStackedWidget* m_toolBars;
    QStackedWidget* m_pages;
    QLabel* m_statusText;
    THomePage* m_homePage;
    TKontaktePage* m_kontaktePage;
    TSmsPage* m_smsPage;
};

extern THauptForm* HauptForm;
