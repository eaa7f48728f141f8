#pragma once
#include "foundation/Page.h"
#include <QDate>
#include <QMap>
#include <functional>
#include <initializer_list>
#include <utility>

class QCheckBox;
class QGridLayout;
class QLabel;
class QScrollArea;
class QToolBar;
class QToolButton;
class QPushButton;
class GatewaySession;
class Settings;
class TUserdatenForm;

// The Home page: tips, the current news, the account's user data and status as last fetched.
class THomePage : public TPage {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "  Vornix2 - Der Massen-SMS Versender";
    static constexpr const char* kAbrufen = "<Bitte vom Server abrufen>";
    static constexpr const char* kNichtHinterlegt = "<Nicht hinterlegt>";

    // `userdatenForm`: the account data dialog that "Userdaten ändern" opens.
    THomePage(GatewaySession& session, TUserdatenForm& userdatenForm, QWidget* parent = nullptr);
    QString TitleText() const override;
    QWidget* ToolBar() override;
    // Tips panel, news, user data and account status from the stored values.
    void BeforeSwitch() override;

    void ShowNews();
    void ShowUserdaten();
    void ShowAccountstatus();
    // Fetch from the gateway into the live settings and write the file; true on success.
    bool LoadUserdaten();
    bool LoadAccountstatus();
    // Fetches the news item `id` into the session's news (the page is not redrawn).
    void LoadNews(int id);

    // The check box "Status bei jedem Programmstart automatisch aktualisieren".
    bool AutoAktualisierung() const;
    void SetAutoAktualisierung(bool on);

    static constexpr const char* kMsgUserdatenGeaendert = "Die Benutzerdaten wurden erfolgreich geändert.";

public Q_SLOTS:
    void BitBtn_Userdaten_AbrufenClick();
    void BitBtn_Status_AbrufenClick();
    void BitBtn_Userdaten_AendernClick();
    void BitBtn_Home_HinweistextClick();
    void ToolButton_Neukunde_WerdenClick();

Q_SIGNALS:
    // The page wants to be shown anew (after the tips panel was turned off).
    void showHomeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitNews();
    // A fetch by the login rule: status text, hourglass, the request; `store` takes the reply
    // into the live record, then the login and the file are stored.
    bool fetch(const QString& command, const QString& root, const QString& statusText, const QString& failMessage,
               const std::function<void(const QString&, TIniFileDaten&, const QDateTime&)>& store);
    QLabel* valueLabel(const char* name);
    QWidget* buildMarketing();
    QWidget* buildNews();
    QWidget* buildAccountstatus();
    QWidget* buildBenutzerdaten();
    // The user data's left column (names and the two buttons) and right one (bank or card).
    QWidget* buildBenutzerdatenName(QWidget* panel);
    QWidget* buildBenutzerdatenZahlung(QWidget* panel);
    // A grid of captions and value labels (caption, object name of the value) in `parent`.
    QGridLayout* valueGrid(QWidget* parent, std::initializer_list<std::pair<const char*, const char*>> rows);

    GatewaySession& m_session;
    Settings& m_settings;
    TUserdatenForm& m_userdatenForm;
    QToolBar* ToolBar_Home;
    QWidget* Panel_Home_Marketing;
    class QFrame* Panel_Home_News;
    QLabel* Panel_Home_News_Top;
    QLabel* Label_Home_News_Content;
    QScrollArea* m_newsScroll;
    QWidget* Panel_Home_News_Bottom;
    QLabel* Panel_Home_Accountstatus_Top;
    QLabel* Panel_Home_Benutzerdaten_Top;
    QCheckBox* CheckBox_Home_Accountstatus;
    QWidget* Panel_Benutzerdaten_Bank;
    QWidget* Panel_Benutzerdaten_Kreditkarte;
    QMap<QString, QLabel*> m_labels;
};
