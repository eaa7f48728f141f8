#include "gateway/HomePage.h"
#include "foundation/ClickHandler.h"
#include "foundation/Clock.h"
#include "foundation/Global.h"
#include "foundation/IniFileDaten.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "foundation/WidgetKit.h"
#include "gateway/Account.h"
#include "gateway/Hosts.h"
#include "gateway/HttpRequest.h"
#include "gateway/LoginForm.h"
#include "gateway/UserdatenForm.h"
#include "foundation/Guard.h"
#include "gateway/Xml.h"
#include "foundation/FrameWidgets.h"
#include "foundation/Settings.h"
#include "gateway/GatewaySession.h"
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace {
const char* const kDateTimeFormat = "dd.MM.yyyy HH:mm:ss";

// Texts of the gateway and the user, never markup.
const TLabelLook kCaption{.plainText = true};
// The title strip over a panel.
const TLabelLook kHeader{.bold = true, .plainText = true, .autoFill = true,
                         .styleSheet = "background: #d4d0c8; padding: 3px;"};

// "%0.0f": a half rounds away from zero. std::round is exact where adding 0.5 is not
// (0.49999999999999994 + 0.5 gives 1.0).
QString formatNoDecimals(double value)
{
    return QString::number(std::round(value), 'f', 0);
}
}

THomePage::THomePage(GatewaySession& session, TUserdatenForm& userdatenForm, QWidget* parent)
    : TPage(parent), m_session(session), m_settings(session.GetSettings()), m_userdatenForm(userdatenForm)
{
    setObjectName(QStringLiteral("Panel_Home"));
    connect(&m_session, &GatewaySession::newerNews, this, &THomePage::LoadNews);

    ToolBar_Home = new QToolBar(this);
    ToolBar_Home->setObjectName(QStringLiteral("ToolBar_Home"));
    ToolBar_Home->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // Text under the picture, 107 x 41 pixels.
    auto look = [](const QString& text, const QString& hint, TFrameImage image) {
        return TToolButtonLook{.text = text, .hint = hint, .icon = FrameImage(image, 20), .iconSize = 20,
                               .fixedSize = QSize(107, 41), .autoRaise = true, .style = Qt::ToolButtonTextUnderIcon};
    };
    auto* neukunde = NewToolButton(ToolBar_Home, "ToolButton_Neukunde_Werden",
        look(QStringLiteral("Neukunde werden"),
             QStringLiteral("Sie müssen einen Account bei Vornix erstellen, um SMS versenden zu können"),
             TFrameImage::Home));
    auto* abrufen = NewToolButton(ToolBar_Home, "ToolButton_Home_Userdaten_Abrufen",
        look(QStringLiteral("Userdaten abrufen"), QStringLiteral("Ruft die Userdaten vom Webserver ab"),
             TFrameImage::Kontakte));
    auto* aendern = NewToolButton(ToolBar_Home, "ToolButton_Home_Userdaten_Aendern",
        look(QStringLiteral("Userdaten ändern"), QStringLiteral("Formular zum Ändern der Userdaten auf dem Webserver"),
             TFrameImage::Kontakte));
    auto* status = NewToolButton(ToolBar_Home, "ToolButton_Home_Status_Abrufen",
        look(QStringLiteral("Status abrufen"), QStringLiteral("Ruft die aktuellen Account-Informationen vom Webserver ab"),
             TFrameImage::Sms));
    connect(neukunde, &QToolButton::clicked, this, &THomePage::ToolButton_Neukunde_WerdenClick);
    connect(abrufen, &QToolButton::clicked, this, &THomePage::BitBtn_Userdaten_AbrufenClick);
    connect(aendern, &QToolButton::clicked, this, &THomePage::BitBtn_Userdaten_AendernClick);
    connect(status, &QToolButton::clicked, this, &THomePage::BitBtn_Status_AbrufenClick);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(buildMarketing());
    layout->addWidget(buildNews());
    layout->addWidget(buildAccountstatus());
    layout->addWidget(buildBenutzerdaten());
    layout->addStretch(1);
}

QLabel* THomePage::valueLabel(const char* name)
{
    auto* l = new QLabel(this);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_labels.insert(QLatin1String(name), l);
    return l;
}

QWidget* THomePage::buildMarketing()
{
    Panel_Home_Marketing = NewPanel(this, "Panel_Home_Marketing");
    auto* v = new QVBoxLayout(Panel_Home_Marketing);
    v->setContentsMargins(0, 0, 0, 6);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(NewLabel(Panel_Home_Marketing, "Panel_Home_Marketing_Top",
                            QStringLiteral("Herzlich Willkommen zu Vornix2"), kHeader),
                   1);
    auto* hide = new QPushButton(QStringLiteral("Ausblenden"), Panel_Home_Marketing);
    hide->setObjectName(QStringLiteral("BitBtn_Home_Hinweistext"));
    hide->setToolTip(QStringLiteral("Blendet den Hinweistext aus"));
    connect(hide, &QPushButton::clicked, this, &THomePage::BitBtn_Home_HinweistextClick);
    top->addWidget(hide);
    v->addLayout(top);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 2, 8, 0);
    auto addText = [&](const QString& text, bool bold) {
        body->addWidget(NewLabel(Panel_Home_Marketing, nullptr, text,
                                 {.bold = bold, .plainText = true, .wordWrap = true}));
    };
    addText(QStringLiteral("Vielen Dank dass Sie sich für Vornix2, die professionelle Lösung zum gewerblichen "
                           "SMS-Versand via Internet, entschieden haben."), false);
    addText(QStringLiteral("Tipps zur Anwendung von Vornix2"), true);
    addText(QStringLiteral("1. Nutzen Sie die einfach zu bedienende Kontaktverwaltung um schnell und gezielt auf "
                           "Personengruppen zuzugreifen."), false);
    addText(QStringLiteral("2. Legen Sie Kontaktgruppen an um Ihre Zielgruppe noch schneller zu finden."), false);
    addText(QStringLiteral("3. Schicken Sie SMS auch wenn Sie gar nicht an Ort und Stelle sind, mit dem "
                           "zeitgesteuerten Versand von Vornix2."), false);
    addText(QStringLiteral("Mehr Tipps finden Sie in der Hilfedatei von Vornix2."), false);
    v->addLayout(body);
    return Panel_Home_Marketing;
}

QWidget* THomePage::buildNews()
{
    Panel_Home_News = NewPanel(this, "Panel_Home_News");
    auto* v = new QVBoxLayout(Panel_Home_News);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    Panel_Home_News_Top = NewLabel(Panel_Home_News, "Panel_Home_News_Top", QStringLiteral("News: "), kHeader);
    v->addWidget(Panel_Home_News_Top);
    m_newsScroll = new QScrollArea(Panel_Home_News);
    m_newsScroll->setObjectName(QStringLiteral("ScrollBox_Home_News"));
    m_newsScroll->setFrameShape(QFrame::NoFrame);
    m_newsScroll->setWidgetResizable(true);
    m_newsScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Label_Home_News_Content = NewLabel(m_newsScroll, "Label_Home_News_Content", QString());
    Label_Home_News_Content->setTextFormat(Qt::PlainText);
    Label_Home_News_Content->setWordWrap(true);
    Label_Home_News_Content->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_Home_News_Content->setContentsMargins(8, 2, 8, 2);
    m_newsScroll->setWidget(Label_Home_News_Content);
    m_newsScroll->viewport()->installEventFilter(this);
    v->addWidget(m_newsScroll);
    Panel_Home_News_Bottom = new QWidget(Panel_Home_News);
    Panel_Home_News_Bottom->setObjectName(QStringLiteral("Panel_Home_News_Bottom"));
    Panel_Home_News_Bottom->setFixedHeight(6);
    v->addWidget(Panel_Home_News_Bottom);
    Panel_Home_News->hide();
    return Panel_Home_News;
}

QWidget* THomePage::buildAccountstatus()
{
    auto* p = NewPanel(this, "Panel_Home_Accountstatus");
    auto* v = new QVBoxLayout(p);
    v->setContentsMargins(0, 0, 0, 6);
    Panel_Home_Accountstatus_Top = NewLabel(p, "Panel_Home_Accountstatus_Top", QStringLiteral("Account-Informationen"), kHeader);
    v->addWidget(Panel_Home_Accountstatus_Top);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(8, 0, 8, 0);
    row->addWidget(NewLabel(p, nullptr, QStringLiteral("Benutzername:"), kCaption));
    row->addWidget(valueLabel("Label_Home_Benutzername"), 1);
    auto* abrufen = new QPushButton(QStringLiteral("Status abrufen"), p);
    abrufen->setObjectName(QStringLiteral("BitBtn_Status_Abrufen"));
    abrufen->setToolTip(QStringLiteral("Ruft die aktuellen Account-Informationen vom Webserver ab"));
    connect(abrufen, &QPushButton::clicked, this, &THomePage::BitBtn_Status_AbrufenClick);
    row->addWidget(abrufen);
    v->addLayout(row);

    // A check box cannot wrap its caption: the caption is a word-wrapped label beside it.
    auto* checkRow = new QHBoxLayout;
    checkRow->setContentsMargins(8, 0, 8, 0);
    CheckBox_Home_Accountstatus = NewCheckBox(p, "CheckBox_Home_Accountstatus", QString());
    const QString caption = MultiLineCaption(QStringLiteral("Status bei jedem Programmstart automatisch aktualisieren"));
    CheckBox_Home_Accountstatus->setAccessibleName(caption);
    auto* checkCaption = NewLabel(p, "Label_Home_Accountstatus_Caption", QString(caption).remove(QLatin1Char('\r')),
                                  {.buddy = CheckBox_Home_Accountstatus, .plainText = true, .wordWrap = true});
    checkCaption->setFixedWidth(190);
    OnWidgetClick(checkCaption, [this] { CheckBox_Home_Accountstatus->toggle(); });
    checkRow->addWidget(CheckBox_Home_Accountstatus, 0, Qt::AlignTop);
    checkRow->addWidget(checkCaption, 0, Qt::AlignTop);
    checkRow->addStretch(1);
    v->addLayout(checkRow);

    auto* center = new QWidget(p);
    center->setObjectName(QStringLiteral("Panel_Home_Accountstatus_Center"));
    auto* g = new QGridLayout(center);
    g->setContentsMargins(0, 0, 0, 0);
    g->setHorizontalSpacing(12);
    const char* names[] = {"Label_Home_Accountname", "Label_Home_Kontingent", "Label_Home_TodoSchleife",
                           "Label_Home_BereitsVersendet"};
    const QString captions[] = {QStringLiteral("Accountname:"), QStringLiteral("Kontingent:"),
                                QStringLiteral("Todo-Schleife:"), QStringLiteral("Protokoll:")};
    for (int i = 0; i < 4; ++i) {
        g->addWidget(NewLabel(center, nullptr, captions[i], kCaption), i, 0);
        g->addWidget(valueLabel(names[i]), i, 1);
    }
    g->setColumnMinimumWidth(1, 180);
    v->addWidget(center, 0, Qt::AlignHCenter);
    return p;
}

QGridLayout* THomePage::valueGrid(QWidget* parent, std::initializer_list<std::pair<const char*, const char*>> rows)
{
    auto* g = new QGridLayout(parent);
    g->setContentsMargins(8, 0, 8, 0);
    g->setHorizontalSpacing(10);
    int r = 0;
    for (const auto& [caption, name] : rows) {
        g->addWidget(NewLabel(parent, nullptr, QString::fromUtf8(caption), kCaption), r, 0, Qt::AlignTop);
        g->addWidget(valueLabel(name), r, 1, Qt::AlignTop);
        ++r;
    }
    g->setRowStretch(r, 1);
    g->setColumnStretch(1, 1);
    return g;
}

QWidget* THomePage::buildBenutzerdaten()
{
    auto* p = NewPanel(this, "Panel_Home_Benutzerdaten");
    auto* v = new QVBoxLayout(p);
    v->setContentsMargins(0, 0, 0, 6);
    Panel_Home_Benutzerdaten_Top = NewLabel(p, "Panel_Home_Benutzerdaten_Top", QStringLiteral("Userdaten"), kHeader);
    v->addWidget(Panel_Home_Benutzerdaten_Top);

    auto* h = new QHBoxLayout;
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(buildBenutzerdatenName(p), 1);
    auto* center = new QWidget(p);
    center->setObjectName(QStringLiteral("Panel_Home_Benutzerdaten_Center"));
    valueGrid(center, {{"Straße:", "Label_Home_Strasse"}, {"PLZ:", "Label_Home_PLZ"}, {"Ort:", "Label_Home_Ort"},
                       {"Land:", "Label_Home_Land"}, {"Email:", "Label_Home_Email"},
                       {"Telefon:", "Label_Home_Telefon"}, {"Telefax:", "Label_Home_Telefax"},
                       {"Mobil:", "Label_Home_Mobil"}});
    h->addWidget(center, 1);
    h->addWidget(buildBenutzerdatenZahlung(p), 1);
    v->addLayout(h);
    return p;
}

QWidget* THomePage::buildBenutzerdatenName(QWidget* panel)
{
    auto* left = new QWidget(panel);
    left->setObjectName(QStringLiteral("Panel_Home_Benutzerdaten_Left"));
    auto* lg = valueGrid(left, {{"Anrede:", "Label_Home_Anrede"}, {"Firma:", "Label_Home_Firma"},
                                {"Vorname:", "Label_Home_Vorname"}, {"Nachname:", "Label_Home_Nachname"}});
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    auto* abrufen = NewPushButton(left, "BitBtn_Userdaten_Abrufen", QStringLiteral("Userdaten abrufen"));
    abrufen->setToolTip(QStringLiteral("Ruft die Userdaten vom Webserver ab"));
    connect(abrufen, &QPushButton::clicked, this, &THomePage::BitBtn_Userdaten_AbrufenClick);
    auto* aendern = NewPushButton(left, "BitBtn_Userdaten_Aendern", QStringLiteral("Userdaten ändern"));
    aendern->setToolTip(QStringLiteral("Formular zum Ändern der Userdaten auf dem Webserver"));
    connect(aendern, &QPushButton::clicked, this, &THomePage::BitBtn_Userdaten_AendernClick);
    buttons->addWidget(abrufen);
    buttons->addWidget(aendern);
    buttons->addStretch(1);
    lg->addLayout(buttons, 5, 0, 1, 2);
    return left;
}

QWidget* THomePage::buildBenutzerdatenZahlung(QWidget* panel)
{
    auto* right = new QWidget(panel);
    auto* rv = new QVBoxLayout(right);
    rv->setContentsMargins(0, 0, 0, 0);
    Panel_Benutzerdaten_Bank = new QWidget(right);
    Panel_Benutzerdaten_Bank->setObjectName(QStringLiteral("Panel_Benutzerdaten_Bank"));
    valueGrid(Panel_Benutzerdaten_Bank, {{"Kreditinstitut:", "Label_Home_Kreditinstitut"},
                                         {"Kontoinhaber:", "Label_Home_Kontoinhaber"},
                                         {"Kontonummer:", "Label_Home_Kontonummer"},
                                         {"Bankleitzahl:", "Label_Home_Bankleitzahl"}});
    Panel_Benutzerdaten_Kreditkarte = new QWidget(right);
    Panel_Benutzerdaten_Kreditkarte->setObjectName(QStringLiteral("Panel_Benutzerdaten_Kreditkarte"));
    valueGrid(Panel_Benutzerdaten_Kreditkarte, {{"Kartentyp:", "Label_Home_Kartentyp"},
                                                {"Kartennummer:", "Label_Home_Kartennummer"},
                                                {"Karteninhaber:", "Label_Home_Karteninhaber"},
                                                {"Gültig bis:", "Label_Home_GueltigBis"},
                                                {"Prüfziffer:", "Label_Home_Pruefziffer"}});
    rv->addWidget(Panel_Benutzerdaten_Bank);
    rv->addWidget(Panel_Benutzerdaten_Kreditkarte);
    rv->addStretch(1);
    return right;
}

QString THomePage::TitleText() const { return QLatin1String(kTitle); }
QWidget* THomePage::ToolBar() { return ToolBar_Home; }

void THomePage::BeforeSwitch()
{
    Panel_Home_Marketing->setVisible(m_settings.Live().ShowMarketing);
    ShowNews();
    ShowUserdaten();
    ShowAccountstatus();
}

void THomePage::ShowNews()
{
    const TNews& news = m_session.News();
    if (news.Index > 0 && news.ShowUntil.isValid() && Clock::Today() <= news.ShowUntil) {
        Panel_Home_News_Top->setText(QStringLiteral("News: ") + news.Headline);
        Label_Home_News_Content->setText(news.Content);
        fitNews();
        Panel_Home_News->show();
    } else {
        Panel_Home_News->hide();
    }
}

void THomePage::fitNews()
{
    // The content's height at the width it wraps to, at most 100 pixels; the rest scrolls.
    // Before the panel is laid out its width follows from the page's; a later layout fits it
    // again (eventFilter).
    int width = m_newsScroll->viewport()->width();
    if (width < 100 || !m_newsScroll->isVisible()) {
        // A page never laid out has no width of its own yet: the frame's less its left bar.
        const QMargins m = layout()->contentsMargins();
        const QWidget* frame = window();
        const QWidget* leftBar = frame->findChild<QWidget*>(QStringLiteral("Panel_Left"));
        const int page = testAttribute(Qt::WA_Resized) ? this->width()
                                                       : frame->width() - (leftBar ? leftBar->width() : 0);
        width = page - m.left() - m.right() - 2 * Panel_Home_News->frameWidth();
    }
    const int content = qMin(100, Label_Home_News_Content->heightForWidth(qMax(100, width)));
    Panel_Home_News->setFixedHeight(content + Panel_Home_News_Top->sizeHint().height()
                                    + Panel_Home_News_Bottom->height() + 2 * Panel_Home_News->frameWidth());
}

bool THomePage::eventFilter(QObject* watched, QEvent* event)
{
    // A new width wraps the news anew.
    if (watched == m_newsScroll->viewport() && event->type() == QEvent::Resize && Panel_Home_News->isVisible())
        fitNews();
    return TPage::eventFilter(watched, event);
}

void THomePage::ShowUserdaten()
{
    static const char* const personal[] = {"Label_Home_Anrede", "Label_Home_Firma", "Label_Home_Vorname",
                                           "Label_Home_Nachname", "Label_Home_Strasse", "Label_Home_PLZ",
                                           "Label_Home_Ort", "Label_Home_Land", "Label_Home_Email",
                                           "Label_Home_Telefon", "Label_Home_Telefax", "Label_Home_Mobil"};
    static const char* const bank[] = {"Label_Home_Kreditinstitut", "Label_Home_Kontoinhaber",
                                       "Label_Home_Kontonummer", "Label_Home_Bankleitzahl"};
    static const char* const card[] = {"Label_Home_Kartentyp", "Label_Home_Kartennummer",
                                       "Label_Home_Karteninhaber", "Label_Home_GueltigBis",
                                       "Label_Home_Pruefziffer"};
    const TIniFileDaten& d = m_settings.Live();
    auto set = [this](const char* name, const QString& text) { m_labels.value(QLatin1String(name))->setText(text); };
    if (!d.Email.isEmpty()) {
        Panel_Home_Benutzerdaten_Top->setText(QStringLiteral("Userdaten (Stand: %1)")
                                                  .arg(d.Benutzerdaten_Stand.toString(QLatin1String(kDateTimeFormat))));
        const QString values[] = {d.Anrede, d.Firma, d.Vorname, d.Nachname, d.Strasse, d.PLZ,
                                  d.Ort, d.Land, d.Email, d.Telefon, d.Telefax, d.Mobil};
        for (int i = 0; i < 12; ++i)
            set(personal[i], values[i]);
        if (d.ZahlArt == QLatin1String("PayPal")) {
            Panel_Benutzerdaten_Bank->hide();
        } else {
            set(bank[0], d.Kreditinstitut);
            set(bank[1], d.Kontoinhaber);
            set(bank[2], d.Kontonummer);
            set(bank[3], d.Bankleitzahl);
            Panel_Benutzerdaten_Bank->show();
        }
        Panel_Benutzerdaten_Kreditkarte->hide();
    } else {
        Panel_Home_Benutzerdaten_Top->setText(QStringLiteral("Userdaten"));
        const QString abrufen = QLatin1String(kAbrufen);
        for (const char* n : personal)
            set(n, abrufen);
        for (const char* n : bank)
            set(n, abrufen);
        for (const char* n : card)
            set(n, abrufen);
        Panel_Benutzerdaten_Kreditkarte->show();
        Panel_Benutzerdaten_Bank->hide();
    }
}

void THomePage::ShowAccountstatus()
{
    const TIniFileDaten& d = m_settings.Live();
    auto set = [this](const char* name, const QString& text) { m_labels.value(QLatin1String(name))->setText(text); };
    set("Label_Home_Benutzername", d.Login_Username.isEmpty() ? QString::fromUtf8(kNichtHinterlegt) : d.Login_Username);
    if (d.AnzProtokoll < 0) {
        Panel_Home_Accountstatus_Top->setText(QStringLiteral("Account-Informationen"));
        for (const char* n : {"Label_Home_Accountname", "Label_Home_Kontingent", "Label_Home_TodoSchleife",
                              "Label_Home_BereitsVersendet"})
            set(n, QLatin1String(kAbrufen));
        return;
    }
    Panel_Home_Accountstatus_Top->setText(QStringLiteral("Account-Informationen (Stand: %1)")
                                              .arg(d.Accountstatus_Stand.toString(QLatin1String(kDateTimeFormat))));
    set("Label_Home_Accountname", d.AccountName);
    set("Label_Home_Kontingent", d.AccountType != 0 ? formatNoDecimals(d.Kontingent) + QStringLiteral(" SMS")
                                                    : QStringLiteral("<Rechnungskunde>"));
    set("Label_Home_TodoSchleife", QString::number(d.AnzTodo) + QStringLiteral(" SMS"));
    set("Label_Home_BereitsVersendet", QString::number(d.AnzProtokoll) + QStringLiteral(" SMS"));
}

bool THomePage::fetch(const QString& command, const QString& root, const QString& statusText,
                      const QString& failMessage,
                      const std::function<void(const QString&, TIniFileDaten&, const QDateTime&)>& store)
{
    const std::optional<TLogin> login = AcquireLogin(m_session, m_settings.Live(), this);
    if (!login)
        return false;
    StatusTextScope status(statusText);
    WaitCursor wait;
    QStringList params{QStringLiteral("username=") + login->Username, QStringLiteral("password=") + login->Passwort};
    const TGatewayReply answer = m_session.Post(command, std::move(params), root, failMessage);
    if (!answer.Success)
        return false;
    const QString& reply = answer.Response;
    const QDateTime now = Clock::Now();
    // The data hold for this run also when the file cannot be written; a login is then not
    // stored (and the failure not reported twice).
    if (m_settings.Edit([&](TIniFileDaten& rec) { store(reply, rec, now); }, Settings::EditMode::WriteOrKeep))
        StoreLogin(m_settings, *login);
    return true;
}

bool THomePage::LoadUserdaten()
{
    return fetch(QStringLiteral("/smscommand/UserData.do"), QStringLiteral("UserData"),
                 QStringLiteral("Bitte warten... die Benutzerdaten werden vom Server abgerufen."),
                 QStringLiteral("Die Benutzerdaten konnten nicht erfolgreich vom Server abgerufen werden."),
                 ApplyUserData);
}

bool THomePage::LoadAccountstatus()
{
    return fetch(QStringLiteral("/smscommand/UserDataDetail.do"), QStringLiteral("UserDataDetail"),
                 QStringLiteral("Bitte warten... die Account-Informationen werden vom Server abgerufen."),
                 QStringLiteral("Die Account-Informationen konnten nicht erfolgreich vom Server abgerufen werden."),
                 ApplyUserDataDetail);
}

void THomePage::LoadNews(int id)
{
    WaitCursor wait;
    TPostOptions options;
    options.ShowErrors = false;
    options.CheckNews = false;
    const TGatewayReply reply =
        m_session.Post(QStringLiteral("/smscommand/News.do"), {QStringLiteral("id=") + QString::number(id)},
                       QStringLiteral("News"),
                       QStringLiteral("Die News konnten nicht erfolgreich vom Server abgerufen werden."), options);
    if (!reply.Success)
        return;
    const QString news = XmlElement(reply.Response, QStringLiteral("News"));
    // The id the reply names, not the one asked for.
    const int newsId = XmlElementInt(news, QStringLiteral("Id"), 0);
    if (newsId <= 0)
        return;
    TNews n;
    n.Index = newsId;
    n.Headline = XmlElement(news, QStringLiteral("Headline"));
    n.Content = XmlElement(news, QStringLiteral("Content"));
    n.ShowUntil = ParseGatewayDate(XmlElement(news, QStringLiteral("ShowUntil")), Clock::Today());
    m_session.SetNews(n);
}

bool THomePage::AutoAktualisierung() const { return CheckBox_Home_Accountstatus->isChecked(); }
void THomePage::SetAutoAktualisierung(bool on) { CheckBox_Home_Accountstatus->setChecked(on); }

void THomePage::BitBtn_Userdaten_AbrufenClick()
{
    if (LoadUserdaten())
        ShowUserdaten();
}

void THomePage::BitBtn_Status_AbrufenClick()
{
    if (LoadAccountstatus())
        ShowAccountstatus();
}

void THomePage::BitBtn_Userdaten_AendernClick()
{
    Guard([&] {
        if (!m_userdatenForm.LoadUserdaten())
            return;
        if (m_userdatenForm.exec() != QDialog::Accepted)
            return;
        // The changed data as the service now holds them; the change stands also when this
        // fetch fails.
        LoadUserdaten();
        ShowUserdaten();
        Msg::Information(QString::fromUtf8(kMsgUserdatenGeaendert));
    });
}

void THomePage::BitBtn_Home_HinweistextClick()
{
    m_settings.Edit([](TIniFileDaten& rec) { rec.ShowMarketing = false; }, Settings::EditMode::WriteOrKeep);
    Q_EMIT showHomeRequested();
}

void THomePage::ToolButton_Neukunde_WerdenClick()
{
    OpenUrl(WebUrl(QStringLiteral("/deeplink/register")), this);
}
