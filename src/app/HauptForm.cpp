#include "app/HauptForm.h"
#include "foundation/AboutForm.h"
#include "exchange/KontakteExportCsvForm.h"
#include "exchange/KontakteImportRelvineForm.h"
#include "exchange/KontakteImportCsvForm.h"
#include "exchange/SmsExportCsvForm.h"
#include "foundation/DatenModul.h"
#include "foundation/EinstellungenForm.h"
#include "foundation/Global.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include "foundation/ProgramDir.h"
#include "foundation/Settings.h"
#include "foundation/WaitCursor.h"
#include "gateway/HomePage.h"
#include "gateway/Hosts.h"
#include "gateway/GatewaySession.h"
#include "gateway/Xml.h"
#include "gateway/UpdateForm.h"
#include "gateway/Version.h"
#include "foundation/FrameWidgets.h"
#include "foundation/WidgetKit.h"
#include "contacts/KontaktePage.h"
#include "platform/ShellOpen.h"
#include "sms/SmsPage.h"
#include "sms/SmsVorlagenForm.h"
#include <QAbstractItemView>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>

THauptForm::THauptForm(Settings& settings, GatewaySession& session, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_session(session)
{
    setObjectName(QStringLiteral("HauptForm"));
    setWindowTitle(QLatin1String(kCaption));
    resize(1004, 716);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    setFont(f);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Panel_Client"));
    auto* h = new QHBoxLayout(central);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    h->addWidget(createLeftBar());

    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(createTopLabel(central));
    right->addWidget(createToolRow(central));
    m_pages = new QStackedWidget(central);
    m_pages->setObjectName(QStringLiteral("Stack_Pages"));
    right->addWidget(m_pages, 1);
    h->addLayout(right, 1);
    setCentralWidget(central);

    createStatusBar();
    createMenu();
}

QWidget* THauptForm::createTopLabel(QWidget* central)
{
    Panel_TopLabel = NewLabel(central, "Panel_TopLabel", QString());
    Panel_TopLabel->setTextFormat(Qt::PlainText);
    Panel_TopLabel->setFixedHeight(30);
    Panel_TopLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Panel_TopLabel->setAutoFillBackground(true);
    Panel_TopLabel->setStyleSheet(QStringLiteral("background: #808080; color: #d4d0c8; font-weight: bold; "
                                                 "font-size: 13px;"));
    return Panel_TopLabel;
}

QWidget* THauptForm::createToolRow(QWidget* central)
{
    auto* toolRow = new QWidget(central);
    toolRow->setObjectName(QStringLiteral("Panel_ToolBar"));
    auto* th = new QHBoxLayout(toolRow);
    th->setContentsMargins(0, 0, 0, 0);
    m_toolBars = new QStackedWidget(toolRow);
    m_toolBars->setObjectName(QStringLiteral("Stack_ToolBars"));
    th->addWidget(m_toolBars, 1);
    auto* logo = NewLabel(toolRow, "Panel_Logo", QStringLiteral("Vornix2"));
    logo->setStyleSheet(QStringLiteral("color: #00468c; font-size: 22px; font-weight: bold; font-style: italic; "
                                       "padding-right: 12px;"));
    th->addWidget(logo);
    toolRow->setFixedHeight(47);
    return toolRow;
}

void THauptForm::createStatusBar()
{
    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar"));
    status->setSizeGripEnabled(true);
    m_statusText = NewLabel(status, "StatusBar_Text", QString());
    m_statusText->setTextFormat(Qt::PlainText);
    status->addWidget(m_statusText, 1);
    setStatusBar(status);
    // The program's status text shows here while the frame lives.
    StatusText::SetSink([this](const QString& text) {
        m_statusText->setText(text);
        m_statusText->repaint();
    });
}

void THauptForm::SetPages(THomePage* home, TKontaktePage* kontakte, TSmsPage* sms)
{
    m_homePage = home;
    m_kontaktePage = kontakte;
    m_smsPage = sms;
    connect(m_homePage, &THomePage::showHomeRequested, this, &THauptForm::Button_MainMenu_HomeClick);
    for (TPage* page : {static_cast<TPage*>(m_homePage), static_cast<TPage*>(m_kontaktePage),
                        static_cast<TPage*>(m_smsPage)}) {
        m_pages->addWidget(page);
        m_toolBars->addWidget(page->ToolBar());
    }
    FormCreate();
}

void THauptForm::SetDialogs(const TFrameDialogs& dialogs)
{
    Q_ASSERT(!m_dialogs && !m_shown);
    m_dialogs.emplace(dialogs);
}

const TFrameDialogs& THauptForm::Dialogs() const
{
    // Given by the start-up before anything can open one; checked at the first show.
    Q_ASSERT(m_dialogs);
    return *m_dialogs;
}

THauptForm::~THauptForm()
{
    StatusText::SetSink({});
}

QWidget* THauptForm::createLeftBar()
{
    auto* left = new QWidget(this);
    left->setObjectName(QStringLiteral("Panel_Left"));
    left->setAutoFillBackground(true);
    left->setStyleSheet(QStringLiteral("#Panel_Left { background: #00468c; }"));
    left->setFixedWidth(56);
    auto* v = new QVBoxLayout(left);
    v->setContentsMargins(5, 8, 5, 8);
    auto* menu = new QWidget(left);
    menu->setObjectName(QStringLiteral("Panel_MainMenu"));
    auto* mv = new QVBoxLayout(menu);
    mv->setContentsMargins(0, 0, 0, 0);
    mv->setSpacing(6);
    auto button = [&](const char* name, TFrameImage image, const QString& hint, void (THauptForm::*slot)()) {
        QToolButton* b = NewToolButton(
            menu, name,
            {.hint = hint, .icon = FrameImage(image, 32), .iconSize = 32, .fixedSize = QSize(46, 45),
             .autoRaise = true, .checkable = true, .autoExclusive = true,
             .styleSheet = QStringLiteral("QToolButton { border: none; border-radius: 4px; }"
                                          "QToolButton:checked { background: #5a8ac0; }"
                                          "QToolButton:hover { background: #3a6aa0; }")});
        connect(b, &QToolButton::clicked, this, slot);
        mv->addWidget(b);
        return b;
    };
    Button_MainMenu_Home = button("Button_MainMenu_Home", TFrameImage::Home, QStringLiteral("wechselt zur Homeseite"),
                                  &THauptForm::Button_MainMenu_HomeClick);
    Button_MainMenu_Kontakte = button("Button_MainMenu_Kontakte", TFrameImage::Kontakte,
                                      QStringLiteral("wechselt zur Kontaktverwaltung"),
                                      &THauptForm::Button_MainMenu_KontakteClick);
    Button_MainMenu_SMS = button("Button_MainMenu_SMS", TFrameImage::Sms, QStringLiteral("wechselt zur SMS-Verwaltung"),
                                 &THauptForm::Button_MainMenu_SMSClick);
    v->addWidget(menu);
    v->addStretch(1);
    return left;
}

QAction* THauptForm::addItem(QMenu* menu, const char* name, const QString& caption, void (THauptForm::*slot)())
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    connect(a, &QAction::triggered, this, [this, slot] { Guard([&] { (this->*slot)(); }); });
    return a;
}

void THauptForm::createMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto sub = [](QMenu* parent, const char* name, const QString& title) {
        QMenu* m = parent->addMenu(title);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("_Action"));
        return m;
    };
    QMenu* datei = bar->addMenu(QStringLiteral("&Datei"));
    datei->setObjectName(QStringLiteral("Datei1"));
    QMenu* imp = sub(datei, "Importieren1", QStringLiteral("&Importieren"));
    addItem(imp, "Kontakte1", QStringLiteral("Kontakte aus &CSV-Datei..."), &THauptForm::Kontakte1Click);
    addItem(imp, "KontakteausOutlook1", QStringLiteral("Kontakte aus &Outlook..."), &THauptForm::KontakteausOutlook1Click);
    addItem(imp, "KontakteausRelvine1", QStringLiteral("Kontakte aus &Relvine..."), &THauptForm::KontakteausRelvine1Click);
    QMenu* exp = sub(datei, "Exportieren1", QStringLiteral("&Exportieren"));
    addItem(exp, "Kontakte2", QStringLiteral("&Kontakte als CSV-Datei..."), &THauptForm::Kontakte2Click);
    addItem(exp, "SMSProtokollalsCSVDatei1", QStringLiteral("SMS-&Protokoll als CSV-Datei..."),
            &THauptForm::SMSProtokollalsCSVDatei1Click);
    datei->addSeparator();
    addItem(datei, "Beenden1", QStringLiteral("&Beenden"), &THauptForm::Beenden1Click);

    QMenu* extras = bar->addMenu(QStringLiteral("E&xtras"));
    extras->setObjectName(QStringLiteral("Extras2"));
    addItem(extras, "Benutzerdatenndern1", QStringLiteral("&Userdaten ändern..."), &THauptForm::Benutzerdatenndern1Click);
    extras->addSeparator();
    addItem(extras, "SMSVorlagen1", QStringLiteral("SMS-&Vorlagen..."), &THauptForm::SMSVorlagen1Click);
    extras->addSeparator();
    addItem(extras, "ImportausVornixKompakt1", QStringLiteral("Import aus Vornix &Kompakt..."),
            &THauptForm::ImportausVornixKompakt1Click);
    addItem(extras, "ImportausVornixZenit1", QStringLiteral("Import aus Vornix &Zenit..."),
            &THauptForm::ImportausVornixZenit1Click);
    extras->addSeparator();
    addItem(extras, "Optionen1", QStringLiteral("&Optionen..."), &THauptForm::Optionen1Click);

    QMenu* help = bar->addMenu(QStringLiteral("&?"));
    help->setObjectName(QStringLiteral("N1"));
    QAction* hilfe = addItem(help, "VornixHilfe1", QStringLiteral("Vornix-&Hilfe"), &THauptForm::VornixHilfe1Click);
    hilfe->setShortcut(QKeySequence(Qt::Key_F1));
    hilfe->setShortcutContext(Qt::ApplicationShortcut);
    help->addSeparator();
    addItem(help, "Neukundewerden1", QStringLiteral("&Neukunde werden"), &THauptForm::Neukundewerden1Click);
    help->addSeparator();
    addItem(help, "Vornix2Webseite1", QStringLiteral("Vornix2 &Webseite"), &THauptForm::Vornix2Webseite1Click);
    addItem(help, "Vornix2Mitgliederbereich1", QStringLiteral("Vornix2 &Mitgliederbereich"),
            &THauptForm::Vornix2Mitgliederbereich1Click);
    addItem(help, "Vornix2PrepaidKontingentaufladen1", QStringLiteral("Vornix2 &Prepaid-Kontingent aufladen"),
            &THauptForm::Vornix2PrepaidKontingentaufladen1Click);
    addItem(help, "Vornix2TechnischeDokumentation1", QStringLiteral("Vornix2 &Technische Dokumentation"),
            &THauptForm::Vornix2TechnischeDokumentation1Click);
    help->addSeparator();
    addItem(help, "NachAktualisierungensuchen1", QStringLiteral("&Nach Aktualisierungen &suchen"),
            &THauptForm::NachAktualisierungensuchen1Click);
    help->addSeparator();
    addItem(help, "Info1", QStringLiteral("&Info"), &THauptForm::Info1Click);
}

void THauptForm::FormCreate()
{
    // The four data grids move their current row with the mouse wheel.
    for (const char* name : {"Grid_Kontakte", "Grid_Kontakte_Versandprotokoll", "Grid_Sms_Kontakte",
                             "Grid_VersendeteSms"})
        InstallGridWheel(findChild<QAbstractItemView*>(QLatin1String(name)));
}

// ---- version ----

void THauptForm::CheckVersion(bool silent)
{
    const int major = m_session.VersionMajor();
    const int minor = m_session.VersionMinor();
    const int release = m_session.VersionRelease();
    if (!IsNewerVersion(major, minor, release)) {
        if (!silent)
            Msg::Information(QStringLiteral("Sie besitzen bereits die aktuellste Version von Vornix2."));
        return;
    }
    if (silent && !m_settings.Live().ShowUpdates)
        return;
    TUpdateForm& form = Dialogs().Update;
    form.SetMajor(major);
    form.SetMinor(minor);
    form.SetRelease(release);
    form.exec();
}

// ---- first show and close ----

void THauptForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Restoring from minimised shows again: the first-show work runs once.
    if (!m_shown && !event->spontaneous()) {
        // A frame built without its dialogs or pages is a fault of the start-up: stop here
        // rather than let a menu command do nothing.
        if (!m_dialogs || !m_homePage || !m_kontaktePage || !m_smsPage)
            qFatal("The main window was shown without its dialogs or pages.");
        m_shown = true;
        FormShow();
    }
}

void THauptForm::FormShow()
{
    const bool exists = QFileInfo::exists(ProgramFile(QLatin1String(kIniFileName)));
    Guard([&] {
        QString error;
        if (!m_settings.Load(&error)) {
            // An unreadable file is left alone: this run works on the defaults and does not
            // write them over it at close.
            Msg::Error(QStringLiteral("Die Einstellungsdatei \"%1\" konnte nicht gelesen werden.\n\r"
                                      "Fehlermeldung: %2\n\r"
                                      "Die Einstellungen werden beim Beenden nicht gespeichert.")
                           .arg(m_settings.FileName(), error));
        }
    });
    Guard([&] {
        // The defaults become the first file.
        if (!exists && m_settings.IsLoaded())
            m_settings.Edit({});
    });
    Guard([&] { DatenModul->LoadLaenderVorwahlen(); });
    Guard([&] {
        // The session takes back the version and the news it kept at the last close.
        m_session.RestoreVersion(m_settings.Live());
        CheckVersion(true);
    });
    Guard([&] { m_session.RestoreNews(m_settings.Live()); });
    Guard([&] {
        m_homePage->SetAutoAktualisierung(m_settings.Live().AutoAktualisierung);
        if (m_settings.Live().AutoAktualisierung)
            m_homePage->LoadAccountstatus();
    });
    Guard([&] {
        for (TPage* page : {static_cast<TPage*>(m_homePage), static_cast<TPage*>(m_kontaktePage),
                            static_cast<TPage*>(m_smsPage)})
            page->RestoreLayout(m_settings.Live());
    });
    Guard([&] {
        switch (m_settings.Live().StartOrdner) {
        case 1:
            Button_MainMenu_KontakteClick();
            break;
        case 2:
            Button_MainMenu_SMSClick();
            break;
        default:
            Button_MainMenu_HomeClick();
            break;
        }
    });
}

void THauptForm::closeEvent(QCloseEvent* event)
{
    // The close always goes on; what fails is reported.
    Guard([&] { FormClose(); });
    event->accept();
    QMainWindow::closeEvent(event);
}

void THauptForm::FormClose()
{
    if (!m_shown)
        return;
    // A record that never held the file's contents would overwrite the stored login: the
    // file is written only when it was loaded. A failure is reported with the normal cursor.
    m_settings.Edit([&](TIniFileDaten& rec) {
        WaitCursor wait;
        rec.AutoAktualisierung = m_homePage->AutoAktualisierung();
        for (TPage* page : {static_cast<TPage*>(m_homePage), static_cast<TPage*>(m_kontaktePage),
                            static_cast<TPage*>(m_smsPage)})
            page->StoreLayout(rec);
        m_session.StoreInto(rec);
    });
}

// ---- pages ----

TPage* THauptForm::CurrentPage() const { return qobject_cast<TPage*>(m_pages->currentWidget()); }

void THauptForm::ShowPage(TPage* page)
{
    m_toolBars->setCurrentWidget(page->ToolBar());
    Panel_TopLabel->setText(page->TitleText());
    page->BeforeSwitch();
    m_pages->setCurrentWidget(page);
    if (page == m_homePage)
        Button_MainMenu_Home->setChecked(true);
    else if (page == m_kontaktePage)
        Button_MainMenu_Kontakte->setChecked(true);
    else
        Button_MainMenu_SMS->setChecked(true);
    ProcessPendingEvents();
    page->Load();
}

void THauptForm::Button_MainMenu_HomeClick() { Guard([&] { ShowPage(m_homePage); }); }
void THauptForm::Button_MainMenu_KontakteClick() { Guard([&] { ShowPage(m_kontaktePage); }); }
void THauptForm::Button_MainMenu_SMSClick() { Guard([&] { ShowPage(m_smsPage); }); }

void THauptForm::RefreshAfterImport(int previousGroupIndex)
{
    if (TPage* page = CurrentPage())
        page->RefreshAfterImport(previousGroupIndex);
}

// ---- main menu ----

// Shows an import dialog; after OK the page shown is reloaded with the Kontakte page's group
// index from before the import.
void THauptForm::ShowImport(QDialog& form)
{
    const int groupIndex = m_kontaktePage->GroupIndex();
    if (form.exec() == QDialog::Accepted)
        Guard([&] { RefreshAfterImport(groupIndex); });
}

// The import dialogs come with their own work; each remembers the group index and reloads
// the page shown after OK.
void THauptForm::Kontakte1Click() { ShowImport(Dialogs().KontakteImportCsv); }
void THauptForm::KontakteausOutlook1Click() { ShowImport(Dialogs().OutlookImport); }
void THauptForm::KontakteausRelvine1Click() { ShowImport(Dialogs().KontakteImportRelvine); }
void THauptForm::Kontakte2Click() { Dialogs().KontakteExport.exec(); }
void THauptForm::SMSProtokollalsCSVDatei1Click() { Dialogs().SmsExport.exec(); }
void THauptForm::Beenden1Click() { close(); }
void THauptForm::Benutzerdatenndern1Click() { m_homePage->BitBtn_Userdaten_AendernClick(); }
void THauptForm::SMSVorlagen1Click() { Dialogs().SmsVorlagen.exec(); }
void THauptForm::ImportausVornixKompakt1Click() { ShowImport(Dialogs().KompaktImport); }
void THauptForm::ImportausVornixZenit1Click() { ShowImport(Dialogs().ZenitImport); }
void THauptForm::Optionen1Click()
{
    TEinstellungenForm& form = Dialogs().Einstellungen;
    // The dialog edits a copy; Abbrechen discards it.
    form.SetIniFileDaten(m_settings.Get());
    if (form.exec() != QDialog::Accepted)
        return;
    const TIniFileDaten daten = form.GetIniFileDaten();
    // Written whole, also over a file that failed to load; the change holds for this run also
    // when the file could not be written.
    m_settings.Edit([&](TIniFileDaten& rec) { rec = daten; }, Settings::EditMode::WriteOrKeep);
}

void THauptForm::VornixHilfe1Click()
{
    const QString file = HelpFile();
    // A missing help is told as the shell tells of a missing file; the opener cannot know it.
    if (!QFileInfo(file).isFile()) {
        ShowShellExecuteError(kShellErrorFileNotFound,
                              QStringLiteral("Die Hilfedatei '%1' konnte nicht geöffnet werden.")
                                  .arg(QDir::toNativeSeparators(file)));
        return;
    }
    // Nothing is shown when no program can open the help file.
    ShellOpen::Open(QUrl::fromLocalFile(file));
}

void THauptForm::Neukundewerden1Click() { m_homePage->ToolButton_Neukunde_WerdenClick(); }
void THauptForm::Vornix2Webseite1Click() { OpenUrl(WebUrl(QStringLiteral("/deeplink/website")), this); }
void THauptForm::Vornix2Mitgliederbereich1Click() { OpenUrl(WebUrl(QStringLiteral("/deeplink/memberarea")), this); }

void THauptForm::Vornix2PrepaidKontingentaufladen1Click()
{
    if (Msg::Question(QStringLiteral("Ihr SMS-Kontingent können Sie im Mitgliederbereich neu aufladen.\n\r"
                                     "Möchten Sie sich jetzt in den Mitgliederbereich einloggen?")))
        OpenUrl(WebUrl(QStringLiteral("/deeplink/memberarea")), this);
}

void THauptForm::Vornix2TechnischeDokumentation1Click()
{
    OpenUrl(WebUrl(QStringLiteral("/deeplink/technicaldocumentation")), this);
}

void THauptForm::NachAktualisierungensuchen1Click()
{
    StatusText::Set(QStringLiteral("Bitte warten... die Versions-Informationen werden vom Server abgerufen."));
    // The session takes the version the reply announces; the notice follows when one came.
    bool announced = false;
    const QMetaObject::Connection listen =
        connect(&m_session, &GatewaySession::versionAnnounced, this, [&] { announced = true; });
    bool ok = false;
    {
        WaitCursor wait;
        ok = m_session
                 .Post(QStringLiteral("/smscommand/Version.do"), {}, QStringLiteral("Version"),
                       QStringLiteral("Die Versions-Informationen konnten nicht erfolgreich vom Server "
                                      "abgerufen werden."))
                 .Success;
    }
    disconnect(listen);
    if (ok && announced)
        CheckVersion(false);
    StatusText::Set(QString(""));
}

void THauptForm::Info1Click() { Dialogs().About.exec(); }
