#include "gateway/UserdatenForm.h"
#include "foundation/Guard.h"
#include "foundation/IniFileDaten.h"
#include "foundation/Messages.h"
#include "foundation/Settings.h"
#include "foundation/WaitCursor.h"
#include "foundation/WidgetKit.h"
#include "gateway/GatewaySession.h"
#include "gateway/HttpRequest.h"
#include "gateway/LoginForm.h"
#include "gateway/Xml.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {
// Fields and their captions line up in every panel.
constexpr int kFeldBreite = 170;
constexpr int kCaptionBreite = 105;

// Caption and edit pairs, two to a row.
QGridLayout* pairs()
{
    auto* g = new QGridLayout;
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(5);
    g->setColumnMinimumWidth(2, 120);
    // The room left over goes behind the last pair, so that the columns of all panels line up.
    g->setColumnStretch(4, 1);
    return g;
}

void addPair(QGridLayout* g, int row, int col, QLabel* label, QWidget* field)
{
    g->addWidget(label, row, col * 2);
    g->addWidget(field, row, col * 2 + 1);
}

// A caption for `field` in its panel.
void addPair(QGridLayout* g, int row, int col, const char* caption, QWidget* field)
{
    addPair(g, row, col,
            NewLabel(field->parentWidget(), nullptr, u(caption),
                     {.buddy = field, .plainText = true, .minimumWidth = kCaptionBreite}),
            field);
}

QVBoxLayout* panelLayout(QWidget* panel)
{
    auto* v = new QVBoxLayout(panel);
    v->setContentsMargins(10, 6, 10, 6);
    v->setSpacing(6);
    return v;
}
}

TUserdatenForm::TUserdatenForm(Settings& settings, GatewaySession& session, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_session(session)
{
    setObjectName(QStringLiteral("UserdatenForm"));
    UseDialogKeys(this);
    setWindowTitle(u("Userdaten ändern"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    buildTopPanel();
    buildBezahlPanels();
    buildBankPanel();
    buildButtonPanel();
    StatusBar = NewDialogStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The dialog's height is the sum of the visible panels: without the bank panel it is lower.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (QWidget* w : {Panel_Top, Panel_BezahlArt, Panel_Kreditkarte, Panel_Bankdaten, Panel_Buttons})
        layout->addWidget(w);
    layout->addWidget(StatusBar);

    QWidget* order[] = {CheckBox_Passwort, Passwort, PasswortKontrolle, Strasse, PLZ, Ort, Land, Email, Mobil,
                        Telefon, Telefax, Kreditinstitut, Bankleitzahl, Kontonummer, Kontoinhaber, Btn_OK,
                        Btn_Abbrechen};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(CheckBox_Passwort, &QCheckBox::toggled, this, [this] { CheckBox_PasswortClick(); });
    connect(BezahlVariante, &QComboBox::activated, this, [this] { BezahlVarianteChange(); });
    connect(Btn_OK, &QPushButton::clicked, this, &TUserdatenForm::Btn_OKClick);
    connect(Btn_Abbrechen, &QPushButton::clicked, this, &TUserdatenForm::Btn_AbbrechenClick);
    BezahlVarianteChange();
}

// The account's address; the password only when the user asks to change it.
void TUserdatenForm::buildTopPanel()
{
    Panel_Top = new QWidget(this);
    Panel_Top->setObjectName(QStringLiteral("Panel_Top"));
    auto* top = panelLayout(Panel_Top);
    Label1 = NewLabel(Panel_Top, "Label1",
                      u("Mit diesem Formular können Sie die von Ihnen bei unserem Dienst Vornix gespeicherten "
                        "Benutzerdaten ändern."),
                      {.bold = true, .plainText = true, .wordWrap = true});
    top->addWidget(Label1);
    CheckBox_Passwort = NewCheckBox(Panel_Top, "CheckBox_Passwort", u("Passwort des Accounts ändern"));
    top->addWidget(CheckBox_Passwort);

    Passwort = NewEdit(Panel_Top, "Passwort", kFeldBreite);
    SetPasswordStars(Passwort);
    PasswortKontrolle = NewEdit(Panel_Top, "PasswortKontrolle", kFeldBreite);
    SetPasswordStars(PasswortKontrolle);
    Label_Passwort = NewLabel(Panel_Top, "Label_Passwort", u("Passwort:"),
                              {.buddy = Passwort, .plainText = true, .minimumWidth = kCaptionBreite});
    Label_PasswortKontrolle = NewLabel(Panel_Top, "Label_PasswortKontrolle", u("Passwort-Konrtolle:"),
                                       {.buddy = PasswortKontrolle, .plainText = true, .minimumWidth = kCaptionBreite});
    Anrede = NewDropDown(Panel_Top, "Anrede", {u("Firma"), u("Frau"), u("Herr")}, kFeldBreite);
    Vorname = NewEdit(Panel_Top, "Vorname", kFeldBreite);
    Nachname = NewEdit(Panel_Top, "Nachname", kFeldBreite);
    Firma = NewEdit(Panel_Top, "Firma", kFeldBreite);
    Strasse = NewEdit(Panel_Top, "Strasse", kFeldBreite);
    PLZ = NewEdit(Panel_Top, "PLZ", kFeldBreite);
    Ort = NewEdit(Panel_Top, "Ort", kFeldBreite);
    Land = NewEdit(Panel_Top, "Land", kFeldBreite);
    Email = NewEdit(Panel_Top, "Email", kFeldBreite);
    Mobil = NewEdit(Panel_Top, "Mobil", kFeldBreite);
    Telefon = NewEdit(Panel_Top, "Telefon", kFeldBreite);
    Telefax = NewEdit(Panel_Top, "Telefax", kFeldBreite);
    // The name and the salutation are the account's: shown, not changed here.
    for (QWidget* w : std::initializer_list<QWidget*>{Anrede, Vorname, Nachname, Firma})
        w->setEnabled(false);
    layoutTopPanel(top);
}

void TUserdatenForm::layoutTopPanel(QVBoxLayout* top)
{
    auto* g = pairs();
    addPair(g, 0, 0, Label_Passwort, Passwort);
    addPair(g, 0, 1, Label_PasswortKontrolle, PasswortKontrolle);
    g->setRowMinimumHeight(1, 8);
    addPair(g, 2, 0, "Anrede:", Anrede);
    addPair(g, 2, 1, "Firma:", Firma);
    addPair(g, 3, 0, "Vorname:", Vorname);
    addPair(g, 3, 1, "Nachname:", Nachname);
    addPair(g, 4, 0, "Straße:", Strasse);
    addPair(g, 4, 1, "Postleitzahl:", PLZ);
    addPair(g, 5, 0, "Ort:", Ort);
    addPair(g, 5, 1, "Land:", Land);
    addPair(g, 6, 0, "Email:", Email);
    addPair(g, 6, 1, "Mobil:", Mobil);
    addPair(g, 7, 0, "Telefon:", Telefon);
    addPair(g, 7, 1, "Telefax:", Telefax);
    top->addLayout(g);
    Label14 = NewLabel(Panel_Top, "Label14", u("Bitte prüfen Sie alle Angaben sorgfältig, bevor Sie die Daten ändern."),
                       {.plainText = true});
    top->addWidget(Label14);
}

void TUserdatenForm::buildBezahlPanels()
{
    Panel_BezahlArt = new QWidget(this);
    Panel_BezahlArt->setObjectName(QStringLiteral("Panel_BezahlArt"));
    BezahlVariante = NewDropDown(Panel_BezahlArt, "BezahlVariante", {u("Lastschrift/Abbuchung"), u("PayPal")},
                                 kFeldBreite);
    BezahlVariante->setEnabled(false);
    auto* bg = pairs();
    addPair(bg, 0, 0, "Bezahl-Variante:", BezahlVariante);
    panelLayout(Panel_BezahlArt)->addLayout(bg);

    // Card payment is no longer offered: the panel stays hidden and nothing of it is sent.
    Panel_Kreditkarte = new QWidget(this);
    Panel_Kreditkarte->setObjectName(QStringLiteral("Panel_Kreditkarte"));
    auto* kg = pairs();
    auto* kartentyp = NewDropDown(Panel_Kreditkarte, "Kartentyp", {}, kFeldBreite);
    kartentyp->setEnabled(false);
    auto* kartennummer = NewEdit(Panel_Kreditkarte, "Kartennummer", kFeldBreite);
    auto* pruefziffer = NewEdit(Panel_Kreditkarte, "Pruefziffer", kFeldBreite);
    auto* gueltigBis = NewEdit(Panel_Kreditkarte, "GueltigBis", kFeldBreite);
    auto* karteninhaber = NewEdit(Panel_Kreditkarte, "Karteninhaber", kFeldBreite);
    addPair(kg, 0, 0, "Kartentyp:", kartentyp);
    addPair(kg, 0, 1, "Kartennummer:", kartennummer);
    addPair(kg, 1, 0, "Prüfziffer:", pruefziffer);
    addPair(kg, 1, 1, "Gültig bis:", gueltigBis);
    addPair(kg, 2, 0, "Karteninhaber:", karteninhaber);
    panelLayout(Panel_Kreditkarte)->addLayout(kg);
    Panel_Kreditkarte->hide();
}

void TUserdatenForm::buildBankPanel()
{
    Panel_Bankdaten = new QWidget(this);
    Panel_Bankdaten->setObjectName(QStringLiteral("Panel_Bankdaten"));
    Kreditinstitut = NewEdit(Panel_Bankdaten, "Kreditinstitut", kFeldBreite);
    Bankleitzahl = NewEdit(Panel_Bankdaten, "Bankleitzahl", kFeldBreite);
    Kontonummer = NewEdit(Panel_Bankdaten, "Kontonummer", kFeldBreite);
    Kontoinhaber = NewEdit(Panel_Bankdaten, "Kontoinhaber", kFeldBreite);
    auto* kb = pairs();
    addPair(kb, 0, 0, "Kreditinstitut:", Kreditinstitut);
    addPair(kb, 0, 1, "Bankleitzahl:", Bankleitzahl);
    addPair(kb, 1, 0, "Kontonummer:", Kontonummer);
    addPair(kb, 1, 1, "Kontoinhaber:", Kontoinhaber);
    panelLayout(Panel_Bankdaten)->addLayout(kb);
}

void TUserdatenForm::buildButtonPanel()
{
    Panel_Buttons = new QWidget(this);
    Panel_Buttons->setObjectName(QStringLiteral("Panel_Buttons"));
    NewOkAbbrechen(Panel_Buttons, Btn_OK, Btn_Abbrechen);
    auto* buttons = NewOkAbbrechenRow(Btn_OK, Btn_Abbrechen);
    Panel_Buttons->setLayout(buttons);
    buttons->setContentsMargins(10, 6, 10, 6);
}

void TUserdatenForm::showStatus(const QString& text) { ShowDialogStatus(StatusBar, text); }

bool TUserdatenForm::LoadUserdaten()
{
    const std::optional<TLogin> login = AcquireLogin(m_session, m_settings.Live(), parentWidget());
    if (!login)
        return false;
    auto clearStatus = qScopeGuard([this] { showStatus(QString("")); });
    QStringList params{QStringLiteral("username=") + login->Username, QStringLiteral("password=") + login->Passwort,
                       QStringLiteral("asterisk=0")};
    const TGatewayReply reply =
        m_session.Post(QLatin1String(kCommand), std::move(params), QStringLiteral("UserData"), u(kMsgLesenFehler));
    if (!reply.Success)
        return false;

    const QString data = XmlElement(reply.Response, QStringLiteral("UserData"));
    const QString bank = XmlElement(data, QStringLiteral("BankData"));
    auto get = [](const QString& from, const char* tag) { return XmlElement(from, QLatin1String(tag)); };
    // Without regard to case; a title of no item leaves the salutation empty.
    Anrede->setCurrentIndex(Anrede->findText(get(data, "Title"), Qt::MatchFixedString));
    Vorname->setText(get(data, "Prename"));
    Nachname->setText(get(data, "Surname"));
    Firma->setText(get(data, "Company"));
    Strasse->setText(get(data, "Street"));
    PLZ->setText(get(data, "ZipCode"));
    Ort->setText(get(data, "City"));
    Land->setText(get(data, "Country"));
    Email->setText(get(data, "Email"));
    Mobil->setText(get(data, "Mobile"));
    Telefon->setText(get(data, "Phone"));
    Telefax->setText(get(data, "Fax"));
    {
        const QSignalBlocker blocker(BezahlVariante);
        BezahlVariante->setCurrentIndex(get(data, "MethodOfPayment") == QLatin1String("PayPal") ? 1 : 0);
    }
    BezahlVarianteChange();
    Kreditinstitut->setText(get(bank, "CreditInstitution"));
    Bankleitzahl->setText(get(bank, "BankCode"));
    Kontonummer->setText(get(bank, "AccountNumber"));
    Kontoinhaber->setText(get(bank, "AccountHolder"));

    StoreLogin(m_settings, *login);
    return true;
}

void TUserdatenForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TUserdatenForm::FormShow()
{
    {
        const QSignalBlocker blocker(CheckBox_Passwort);
        CheckBox_Passwort->setChecked(false);
    }
    CheckBox_PasswortClick();
    Passwort->setText(QString(""));
    PasswortKontrolle->setText(QString(""));
    Strasse->setFocus();
}

void TUserdatenForm::CheckBox_PasswortClick() { SetPasswortEnabled(CheckBox_Passwort->isChecked()); }

void TUserdatenForm::SetPasswortEnabled(bool enabled)
{
    for (QWidget* w : {static_cast<QWidget*>(Label_Passwort), static_cast<QWidget*>(Passwort),
                       static_cast<QWidget*>(Label_PasswortKontrolle), static_cast<QWidget*>(PasswortKontrolle)})
        w->setEnabled(enabled);
}

void TUserdatenForm::BezahlVarianteChange()
{
    Panel_Kreditkarte->hide();
    Panel_Bankdaten->setVisible(BezahlVariante->currentIndex() != 1);
    // A fixed-size layout takes the height of the panels shown at once, also before the show.
    layout()->activate();
}

bool TUserdatenForm::CheckEingaben()
{
    auto fail = [](const char* text, QWidget* field) {
        Msg::Information(u(text));
        field->setFocus();
        return false;
    };
    if (CheckBox_Passwort->isChecked()) {
        if (Passwort->text().isEmpty())
            return fail(kMsgPasswortLeer, Passwort);
        if (Passwort->text().size() < 5)
            return fail(kMsgPasswortKurz, Passwort);
        if (Passwort->text() != PasswortKontrolle->text())
            return fail(kMsgPasswortUngleich, Passwort);
    }
    if (BezahlVariante->currentIndex() < 0)
        return fail(kMsgBezahlVariante, BezahlVariante);
    if (!Panel_Bankdaten->isHidden()) {
        if (Kreditinstitut->text().isEmpty())
            return fail(kMsgKreditinstitut, Kreditinstitut);
        if (Bankleitzahl->text().isEmpty())
            return fail(kMsgBankleitzahl, Bankleitzahl);
        if (Kontonummer->text().isEmpty())
            return fail(kMsgKontonummer, Kontonummer);
        if (Kontoinhaber->text().isEmpty())
            return fail(kMsgKontoinhaber, Kontoinhaber);
    }
    return true;
}

void TUserdatenForm::Btn_OKClick()
{
    Guard([&] {
        if (!CheckEingaben())
            return;
        const std::optional<TLogin> login = AcquireLogin(m_session, m_settings.Live(), this);
        if (!login)
            return;
        auto clearStatus = qScopeGuard([this] { showStatus(QString("")); });
        showStatus(u(kMsgHochladen));
        WaitCursor wait;
        const bool passwortAendern = CheckBox_Passwort->isChecked();
        const QString passwortNeu = Passwort->text();
        QStringList params{QStringLiteral("action=update"), QStringLiteral("username=") + login->Username,
                           QStringLiteral("password=") + login->Passwort};
        if (passwortAendern)
            params << QStringLiteral("passwordnew=") + passwortNeu;
        params << QStringLiteral("street=") + Strasse->text() << QStringLiteral("zipcode=") + PLZ->text()
               << QStringLiteral("city=") + Ort->text() << QStringLiteral("country=") + Land->text()
               << QStringLiteral("email=") + Email->text() << QStringLiteral("mobile=") + Mobil->text()
               << QStringLiteral("phone=") + Telefon->text() << QStringLiteral("fax=") + Telefax->text()
               << QStringLiteral("methodofpayment=") + QString::number(BezahlVariante->currentIndex())
               // Sent also for PayPal, as the edits hold them.
               << QStringLiteral("creditinstitution=") + Kreditinstitut->text()
               << QStringLiteral("accountnumber=") + Kontonummer->text()
               << QStringLiteral("bankcode=") + Bankleitzahl->text()
               << QStringLiteral("accountholder=") + Kontoinhaber->text();
        if (!m_session.Post(QLatin1String(kCommand), std::move(params), QStringLiteral("UserData"),
                            u(kMsgSendenFehler)).Success)
            return;   // open with the input, to correct and retry
        if (passwortAendern)
            keepNewPasswort(*login, passwortNeu);
        else
            StoreLogin(m_settings, *login);
        accept();
    });
}

void TUserdatenForm::keepNewPasswort(const TLogin& login, const QString& passwortNeu)
{
    TLogin neu = login;
    neu.Passwort = passwortNeu;
    if (login.FromDialog) {
        // A login typed for this update and to be stored: stored with the password now in force.
        StoreLogin(m_settings, neu);
        return;
    }
    // The stored login was used: it now holds the new password.
    const TIniFileDaten& current = m_settings.Live();
    if (!current.Login_Speichern || current.Login_Username != login.Username)
        return;
    // A file that cannot be written is reported; this run still logs in with the new password.
    m_settings.Edit([&](TIniFileDaten& rec) { rec.Login_Passwort = passwortNeu; }, Settings::EditMode::WriteOrKeep);
}

void TUserdatenForm::Btn_AbbrechenClick() { reject(); }
