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
QLineEdit* edit(QWidget* parent, const char* name, bool enabled = true)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMinimumWidth(170);
    e->setEnabled(enabled);
    return e;
}

QLabel* caption(QWidget* parent, const char* text, QWidget* buddy, const char* name = nullptr)
{
    auto* l = new QLabel(u(text), parent);
    l->setTextFormat(Qt::PlainText);
    l->setMinimumWidth(105);
    if (name)
        l->setObjectName(QLatin1String(name));
    l->setBuddy(buddy);
    return l;
}

QComboBox* dropDown(QWidget* parent, const char* name, const QStringList& items)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    c->setEnabled(false);
    c->setMinimumWidth(170);
    return c;
}

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

    Panel_Top = new QWidget(this);
    Panel_Top->setObjectName(QStringLiteral("Panel_Top"));
    auto* top = panelLayout(Panel_Top);
    Label1 = new QLabel(u("Mit diesem Formular können Sie die von Ihnen bei unserem Dienst Vornix gespeicherten "
                          "Benutzerdaten ändern."), Panel_Top);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    top->addWidget(Label1);
    CheckBox_Passwort = new QCheckBox(u("Passwort des Accounts ändern"), Panel_Top);
    CheckBox_Passwort->setObjectName(QStringLiteral("CheckBox_Passwort"));
    top->addWidget(CheckBox_Passwort);

    Passwort = edit(Panel_Top, "Passwort");
    SetPasswordStars(Passwort);
    PasswortKontrolle = edit(Panel_Top, "PasswortKontrolle");
    SetPasswordStars(PasswortKontrolle);
    Label_Passwort = caption(Panel_Top, "Passwort:", Passwort, "Label_Passwort");
    Label_PasswortKontrolle = caption(Panel_Top, "Passwort-Konrtolle:", PasswortKontrolle, "Label_PasswortKontrolle");
    Anrede = dropDown(Panel_Top, "Anrede", {u("Firma"), u("Frau"), u("Herr")});
    Vorname = edit(Panel_Top, "Vorname", false);
    Nachname = edit(Panel_Top, "Nachname", false);
    Firma = edit(Panel_Top, "Firma", false);
    Strasse = edit(Panel_Top, "Strasse");
    PLZ = edit(Panel_Top, "PLZ");
    Ort = edit(Panel_Top, "Ort");
    Land = edit(Panel_Top, "Land");
    Email = edit(Panel_Top, "Email");
    Mobil = edit(Panel_Top, "Mobil");
    Telefon = edit(Panel_Top, "Telefon");
    Telefax = edit(Panel_Top, "Telefax");
    auto* g = pairs();
    addPair(g, 0, 0, Label_Passwort, Passwort);
    addPair(g, 0, 1, Label_PasswortKontrolle, PasswortKontrolle);
    g->setRowMinimumHeight(1, 8);
    addPair(g, 2, 0, caption(Panel_Top, "Anrede:", Anrede), Anrede);
    addPair(g, 2, 1, caption(Panel_Top, "Firma:", Firma), Firma);
    addPair(g, 3, 0, caption(Panel_Top, "Vorname:", Vorname), Vorname);
    addPair(g, 3, 1, caption(Panel_Top, "Nachname:", Nachname), Nachname);
    addPair(g, 4, 0, caption(Panel_Top, "Straße:", Strasse), Strasse);
    addPair(g, 4, 1, caption(Panel_Top, "Postleitzahl:", PLZ), PLZ);
    addPair(g, 5, 0, caption(Panel_Top, "Ort:", Ort), Ort);
    addPair(g, 5, 1, caption(Panel_Top, "Land:", Land), Land);
    addPair(g, 6, 0, caption(Panel_Top, "Email:", Email), Email);
    addPair(g, 6, 1, caption(Panel_Top, "Mobil:", Mobil), Mobil);
    addPair(g, 7, 0, caption(Panel_Top, "Telefon:", Telefon), Telefon);
    addPair(g, 7, 1, caption(Panel_Top, "Telefax:", Telefax), Telefax);
    top->addLayout(g);
    Label14 = new QLabel(u("Bitte prüfen Sie alle Angaben sorgfältig, bevor Sie die Daten ändern."), Panel_Top);
    Label14->setObjectName(QStringLiteral("Label14"));
    Label14->setTextFormat(Qt::PlainText);
    top->addWidget(Label14);

    Panel_BezahlArt = new QWidget(this);
    Panel_BezahlArt->setObjectName(QStringLiteral("Panel_BezahlArt"));
    BezahlVariante = dropDown(Panel_BezahlArt, "BezahlVariante", {u("Lastschrift/Abbuchung"), u("PayPal")});
    auto* bg = pairs();
    addPair(bg, 0, 0, caption(Panel_BezahlArt, "Bezahl-Variante:", BezahlVariante), BezahlVariante);
    panelLayout(Panel_BezahlArt)->addLayout(bg);

    // Card payment is no longer offered: the panel stays hidden and nothing of it is sent.
    Panel_Kreditkarte = new QWidget(this);
    Panel_Kreditkarte->setObjectName(QStringLiteral("Panel_Kreditkarte"));
    auto* kg = pairs();
    auto* kartentyp = dropDown(Panel_Kreditkarte, "Kartentyp", {});
    auto* kartennummer = edit(Panel_Kreditkarte, "Kartennummer");
    auto* pruefziffer = edit(Panel_Kreditkarte, "Pruefziffer");
    auto* gueltigBis = edit(Panel_Kreditkarte, "GueltigBis");
    auto* karteninhaber = edit(Panel_Kreditkarte, "Karteninhaber");
    addPair(kg, 0, 0, caption(Panel_Kreditkarte, "Kartentyp:", kartentyp), kartentyp);
    addPair(kg, 0, 1, caption(Panel_Kreditkarte, "Kartennummer:", kartennummer), kartennummer);
    addPair(kg, 1, 0, caption(Panel_Kreditkarte, "Prüfziffer:", pruefziffer), pruefziffer);
    addPair(kg, 1, 1, caption(Panel_Kreditkarte, "Gültig bis:", gueltigBis), gueltigBis);
    addPair(kg, 2, 0, caption(Panel_Kreditkarte, "Karteninhaber:", karteninhaber), karteninhaber);
    panelLayout(Panel_Kreditkarte)->addLayout(kg);
    Panel_Kreditkarte->hide();

    Panel_Bankdaten = new QWidget(this);
    Panel_Bankdaten->setObjectName(QStringLiteral("Panel_Bankdaten"));
    Kreditinstitut = edit(Panel_Bankdaten, "Kreditinstitut");
    Bankleitzahl = edit(Panel_Bankdaten, "Bankleitzahl");
    Kontonummer = edit(Panel_Bankdaten, "Kontonummer");
    Kontoinhaber = edit(Panel_Bankdaten, "Kontoinhaber");
    auto* kb = pairs();
    addPair(kb, 0, 0, caption(Panel_Bankdaten, "Kreditinstitut:", Kreditinstitut), Kreditinstitut);
    addPair(kb, 0, 1, caption(Panel_Bankdaten, "Bankleitzahl:", Bankleitzahl), Bankleitzahl);
    addPair(kb, 1, 0, caption(Panel_Bankdaten, "Kontonummer:", Kontonummer), Kontonummer);
    addPair(kb, 1, 1, caption(Panel_Bankdaten, "Kontoinhaber:", Kontoinhaber), Kontoinhaber);
    panelLayout(Panel_Bankdaten)->addLayout(kb);

    Panel_Buttons = new QWidget(this);
    Panel_Buttons->setObjectName(QStringLiteral("Panel_Buttons"));
    Btn_OK = new QPushButton(u("&OK"), Panel_Buttons);
    Btn_OK->setObjectName(QStringLiteral("Btn_OK"));
    Btn_OK->setDefault(true);
    Btn_Abbrechen = new QPushButton(u("A&bbrechen"), Panel_Buttons);
    Btn_Abbrechen->setObjectName(QStringLiteral("Btn_Abbrechen"));
    auto* buttons = new QHBoxLayout(Panel_Buttons);
    buttons->setContentsMargins(10, 6, 10, 6);
    buttons->addStretch(1);
    buttons->addWidget(Btn_OK);
    buttons->addWidget(Btn_Abbrechen);

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

void TUserdatenForm::showStatus(const QString& text)
{
    StatusText::Set(text);
    if (text.isEmpty())
        StatusBar->clearMessage();
    else
        StatusBar->showMessage(text);
    StatusBar->repaint();
}

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
