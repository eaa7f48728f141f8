#include "foundation/EinstellungenForm.h"
#include "foundation/WidgetKit.h"
#include "foundation/Global.h"
#include "foundation/Messages.h"
#include "foundation/AbsenderRegel.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>


namespace {
// The log limits in the order of the list; the last entry stands for no limit.
const int kProtokollLimits[] = {500, 2500, 5000, 10000, 25000, 50000, 100000, -1};
constexpr int kProtokollLimitCount = int(sizeof(kProtokollLimits) / sizeof(kProtokollLimits[0]));

}

TEinstellungenForm::TEinstellungenForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EinstellungenForm"));
    UseDialogKeys(this);
    setWindowTitle(QStringLiteral("Einstellungen"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    layout->addWidget(PageControl);

    buildAllgemeinTab();
    buildSmsTab();
    NewOkAbbrechen(this, Btn_OK, Btn_Abbrechen);
    layout->addLayout(NewOkAbbrechenRow(Btn_OK, Btn_Abbrechen));
    connectHandlers();
    m_daten = DefaultIniFileDaten();
    resize(480, 520);
}

void TEinstellungenForm::buildAllgemeinTab()
{
    // Page Allgemein
    TabSheet_Allgemein = new QWidget;
    TabSheet_Allgemein->setObjectName(QStringLiteral("TabSheet_Allgemein"));
    auto* allgemein = new QVBoxLayout(TabSheet_Allgemein);
    auto* start = NewCaptionedPanel(TabSheet_Allgemein, QStringLiteral("Programmstart und -ende"));
    auto* startLayout = new QVBoxLayout(start);
    Allgemein_StartOrdner = NewDropDown(start, "Allgemein_StartOrdner",
                                     {QStringLiteral("Home"), QStringLiteral("Kontakte"), QStringLiteral("SMS")});
    startLayout->addWidget(NewLabel(start, "Allgemein_Label_StartOrdner", QStringLiteral("Bei Programmstart zu folgendem Ordner wechseln:"),
             {.buddy = Allgemein_StartOrdner}));
    startLayout->addWidget(Allgemein_StartOrdner);
    allgemein->addWidget(start);
    auto* hinweise = NewCaptionedPanel(TabSheet_Allgemein, QStringLiteral("Hinweistexte"));
    auto* hinweiseLayout = new QVBoxLayout(hinweise);
    Allgemein_Starthilfe = NewCheckBox(hinweise, "Allgemein_Starthilfe",
                                    QStringLiteral("\"Starthilfe\" auf der Home-Seite einblenden"));
    Allgemein_Updates = NewCheckBox(hinweise, "Allgemein_Updates",
                                 QStringLiteral("Automatisch nach aktualisierten Programm-Versionen prüfen"));
    hinweiseLayout->addWidget(Allgemein_Starthilfe);
    hinweiseLayout->addWidget(Allgemein_Updates);
    allgemein->addWidget(hinweise);
    buildProxy(allgemein);
    allgemein->addStretch();
    PageControl->addTab(TabSheet_Allgemein, QStringLiteral("&Allgemein"));
}

void TEinstellungenForm::buildProxy(QVBoxLayout* allgemein)
{
    auto* proxy = NewCaptionedPanel(TabSheet_Allgemein, QStringLiteral("Proxy-Einstellungen (HTTP/HTTPS)"));
    auto* proxyLayout = new QGridLayout(proxy);
    Allgemein_Proxy = NewCheckBox(proxy, "Allgemein_Proxy", QStringLiteral("Proxy-Server verwenden"));
    proxyLayout->addWidget(Allgemein_Proxy, 0, 0, 1, 2);
    Allgemein_Proxy_Server = NewEdit(proxy, "Allgemein_Proxy_Server");
    Allgemein_Label_Proxy_Server = NewLabel(proxy, "Allgemein_Label_Proxy_Server", QStringLiteral("Proxy-Server:"),
             {.buddy = Allgemein_Proxy_Server});
    Allgemein_Proxy_Port = NewEdit(proxy, "Allgemein_Proxy_Port");
    Allgemein_Label_Proxy_Port = NewLabel(proxy, "Allgemein_Label_Proxy_Port", QStringLiteral("Proxy-Port:"),
             {.buddy = Allgemein_Proxy_Port});
    Allgemein_Proxy_Username = NewEdit(proxy, "Allgemein_Proxy_Username");
    Allgemein_Label_Proxy_Username = NewLabel(proxy, "Allgemein_Label_Proxy_Username", QStringLiteral("Proxy-Username:"),
             {.buddy = Allgemein_Proxy_Username});
    Allgemein_Proxy_Passwort = NewEdit(proxy, "Allgemein_Proxy_Passwort");
    Allgemein_Proxy_Passwort->setEchoMode(QLineEdit::Password);
    Allgemein_Label_Proxy_Passwort = NewLabel(proxy, "Allgemein_Label_Proxy_Passwort", QStringLiteral("Proxy-Passwort:"),
             {.buddy = Allgemein_Proxy_Passwort});
    proxyLayout->addWidget(Allgemein_Label_Proxy_Server, 1, 0);
    proxyLayout->addWidget(Allgemein_Proxy_Server, 1, 1);
    proxyLayout->addWidget(Allgemein_Label_Proxy_Port, 2, 0);
    proxyLayout->addWidget(Allgemein_Proxy_Port, 2, 1);
    proxyLayout->addWidget(Allgemein_Label_Proxy_Username, 3, 0);
    proxyLayout->addWidget(Allgemein_Proxy_Username, 3, 1);
    proxyLayout->addWidget(Allgemein_Label_Proxy_Passwort, 4, 0);
    proxyLayout->addWidget(Allgemein_Proxy_Passwort, 4, 1);

    // A radio group of two columns: item 0 "Nein", item 1 "Ja".
    Allgemein_Proxy_BasicAuthentication = NewCaptionedPanel(
        proxy, QStringLiteral("Basic Authentication (RFC 2617)"), "Allgemein_Proxy_BasicAuthentication");
    auto* authLayout = new QHBoxLayout(Allgemein_Proxy_BasicAuthentication);
    m_basicAuthItems = new QButtonGroup(this);
    const QString authItems[] = {QStringLiteral("Nein"), QStringLiteral("Ja")};
    for (int i = 0; i < 2; ++i) {
        auto* r = new QRadioButton(authItems[i], Allgemein_Proxy_BasicAuthentication);
        r->setObjectName(QStringLiteral("Allgemein_Proxy_BasicAuthentication_%1").arg(i));
        m_basicAuthItems->addButton(r, i);
        authLayout->addWidget(r);
    }
    proxyLayout->addWidget(Allgemein_Proxy_BasicAuthentication, 5, 0, 1, 2);
    allgemein->addWidget(proxy);
}

void TEinstellungenForm::buildSmsTab()
{
    // Page SMS
    TabSheet_Sms = new QWidget;
    TabSheet_Sms->setObjectName(QStringLiteral("TabSheet_Sms"));
    auto* sms = new QVBoxLayout(TabSheet_Sms);
    auto* zugang = NewCaptionedPanel(TabSheet_Sms, QStringLiteral("Zugangsinformationen"));
    auto* zugangLayout = new QGridLayout(zugang);
    SMS_Zugangsdaten_Speichern = NewCheckBox(zugang, "SMS_Zugangsdaten_Speichern", QStringLiteral("Zugangsdaten speichern"));
    SMS_Username = NewEdit(zugang, "SMS_Username");
    SMS_Label_Username = NewLabel(zugang, "SMS_Label_Username", QStringLiteral("Username:"), {.buddy = SMS_Username});
    SMS_Passwort = NewEdit(zugang, "SMS_Passwort");
    SMS_Passwort->setEchoMode(QLineEdit::Password);
    SMS_Label_Passwort = NewLabel(zugang, "SMS_Label_Passwort", QStringLiteral("Passwort:"), {.buddy = SMS_Passwort});
    SMS_HTTPS = NewCheckBox(zugang, "SMS_HTTPS",
                         QStringLiteral("stets eine gesicherte HTTPS-Verbindung zum Server aufbauen (empfohlen)"));
    zugangLayout->addWidget(SMS_Zugangsdaten_Speichern, 0, 0, 1, 2);
    zugangLayout->addWidget(SMS_Label_Username, 1, 0);
    zugangLayout->addWidget(SMS_Username, 1, 1);
    zugangLayout->addWidget(SMS_Label_Passwort, 2, 0);
    zugangLayout->addWidget(SMS_Passwort, 2, 1);
    zugangLayout->addWidget(SMS_HTTPS, 3, 0, 1, 2);
    sms->addWidget(zugang);
    auto* standard = NewCaptionedPanel(TabSheet_Sms, QStringLiteral("Standardwerte"));
    auto* standardLayout = new QGridLayout(standard);
    SMS_Absender = NewEdit(standard, "SMS_Absender");
    SMS_Typ = NewDropDown(standard, "SMS_Typ", {QStringLiteral("Text-SMS"), QStringLiteral("Flash-SMS")});
    standardLayout->addWidget(NewLabel(standard, "SMS_Label_Absender", QStringLiteral("Standard-Absender:"),
             {.buddy = SMS_Absender}), 0, 0);
    standardLayout->addWidget(SMS_Absender, 0, 1);
    standardLayout->addWidget(NewLabel(standard, "SMS_Label_Typ", QStringLiteral("Standard-SMS-Typ:"),
             {.buddy = SMS_Typ}), 1, 0);
    standardLayout->addWidget(SMS_Typ, 1, 1);
    sms->addWidget(standard);
    auto* weitere = NewCaptionedPanel(TabSheet_Sms, QStringLiteral("Weitere Einstellungen"));
    auto* weitereLayout = new QVBoxLayout(weitere);
    SMS_ProtokollLimit = NewDropDown(weitere, "SMS_ProtokollLimit",
                                  {QStringLiteral("500 Einträge"), QStringLiteral("2.500 Einträge"),
                                   QStringLiteral("5.000 Einträge"), QStringLiteral("10.000 Einträge"),
                                   QStringLiteral("25.000 Einträge"), QStringLiteral("50.000 Einträge"),
                                   QStringLiteral("100.000 Einträge"), QStringLiteral("unbeschränkt")});
    weitereLayout->addWidget(NewLabel(weitere, "SMS_Label_ProtokollLimit", QStringLiteral("Herunterladen des SMS-Protokolls beschränken auf:"),
             {.buddy = SMS_ProtokollLimit}));
    weitereLayout->addWidget(SMS_ProtokollLimit);
    sms->addWidget(weitere);
    sms->addStretch();
    PageControl->addTab(TabSheet_Sms, QStringLiteral("&SMS"));
}

void TEinstellungenForm::connectHandlers()
{
    // The original wires the proxy handler to all three check boxes of the page.
    for (QCheckBox* c : {Allgemein_Proxy, Allgemein_Starthilfe, Allgemein_Updates})
        connect(c, &QCheckBox::clicked, this, [this] { Allgemein_ProxyClick(); });
    connect(SMS_Zugangsdaten_Speichern, &QCheckBox::clicked, this, [this] { SMS_Zugangsdaten_SpeichernClick(); });
    connect(SMS_Absender, &QLineEdit::textEdited, this, [this](const QString& t) { SMS_AbsenderEdited(t); });
    // After every change, typed or set from code (the field's text, not the signal's).
    connect(SMS_Absender, &QLineEdit::textChanged, this, [this] { m_absenderBefore = SMS_Absender->text(); });
    connect(Btn_OK, &QPushButton::clicked, this, [this] { Btn_OKClick(); });
    connect(Btn_Abbrechen, &QPushButton::clicked, this, [this] { Btn_AbbrechenClick(); });
}

TEinstellungenForm::~TEinstellungenForm()
{
}

void TEinstellungenForm::SetIniFileDaten(const TIniFileDaten& daten) { m_daten = daten; }

void TEinstellungenForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TEinstellungenForm::FormShow()
{
    const TIniFileDaten& d = m_daten;
    const QSignalBlocker b1(Allgemein_StartOrdner), b2(SMS_Typ), b3(SMS_ProtokollLimit);

    Allgemein_StartOrdner->setCurrentIndex(d.StartOrdner >= 0 && d.StartOrdner < Allgemein_StartOrdner->count()
                                               ? d.StartOrdner : -1);
    Allgemein_Proxy->setChecked(d.Proxy);
    SetProxyEnabled(Allgemein_Proxy->isChecked());
    Allgemein_Proxy_Server->setText(d.Proxy_Server);
    Allgemein_Proxy_Port->setText(QString::number(d.Proxy_Port));
    Allgemein_Proxy_Username->setText(d.Proxy_Username);
    Allgemein_Proxy_Passwort->setText(d.Proxy_Passwort);
    m_basicAuthItems->button(d.Proxy_BasicAuthentication ? 1 : 0)->setChecked(true);

    Allgemein_Starthilfe->setChecked(d.ShowMarketing);
    Allgemein_Updates->setChecked(d.ShowUpdates);

    SMS_Zugangsdaten_Speichern->setChecked(d.Login_Speichern);
    SetZugangsdatenEnabled(SMS_Zugangsdaten_Speichern->isChecked());
    SMS_Username->setText(d.Login_Username);
    SMS_Passwort->setText(d.Login_Passwort);
    SMS_HTTPS->setChecked(d.Use_Https);
    SMS_Absender->setText(d.StandardAbsender);
    SMS_Typ->setCurrentIndex(d.StandardTyp >= 0 && d.StandardTyp < SMS_Typ->count() ? d.StandardTyp : -1);

    int limit = kProtokollLimitCount - 1;
    for (int i = 0; i < kProtokollLimitCount - 1; ++i)
        if (kProtokollLimits[i] == d.ProtokollLimit)
            limit = i;
    SMS_ProtokollLimit->setCurrentIndex(limit);

    PageControl->setCurrentWidget(TabSheet_Allgemein);
    Allgemein_StartOrdner->setFocus();
}

void TEinstellungenForm::Refuse(QWidget* page, QWidget* field, const QString& message)
{
    PageControl->setCurrentWidget(page);
    Msg::Information(message);
    // A proxy field is disabled while the proxy is off; its box is what the user needs then.
    if (!field->isEnabled() && field == Allgemein_Proxy_Port)
        field = Allgemein_Proxy;
    field->setFocus();
}

bool TEinstellungenForm::CheckEingaben()
{
    int port = 0;
    if (!StrToIntStrict(Allgemein_Proxy_Port->text(), port)) {
        Refuse(TabSheet_Allgemein, Allgemein_Proxy_Port,
               QStringLiteral("Bitte geben Sie in das Feld 'Proxy-Port' eine gültige ganze Zahl ein."));
        return false;
    }
    if (port < 0) {
        Refuse(TabSheet_Allgemein, Allgemein_Proxy_Port,
               QStringLiteral("Bitte geben Sie in das Feld 'Proxy-Port' eine Zahl größer oder gleich Null ein."));
        return false;
    }

    if (SMS_Zugangsdaten_Speichern->isChecked()) {
        if (SMS_Username->text().isEmpty()) {
            Refuse(TabSheet_Sms, SMS_Username, QStringLiteral("Bitte geben Sie Ihren Username ein."));
            return false;
        }
        if (SMS_Passwort->text().isEmpty()) {
            Refuse(TabSheet_Sms, SMS_Passwort, QStringLiteral("Bitte geben Sie Ihr Passwort ein."));
            return false;
        }
    }

    const QString absender = SMS_Absender->text();
    const TAbsenderBefund befund = CheckAbsender(absender);
    if (befund == TAbsenderBefund::ZuLang) {
        Refuse(TabSheet_Sms, SMS_Absender,
               QStringLiteral("Der von Ihnen eingegebene SMS-Absender ist zu lang\n\r"
                              "Der Absender darf numerisch (d.h. falls lediglich Zahlen vorkommen) maximal 16 "
                              "Zeichen, andernfalls maximal 11 Zeichen lang sein."));
        return false;
    }
    if (befund == TAbsenderBefund::Zeichen) {
        PageControl->setCurrentWidget(TabSheet_Sms);
        if (!Msg::Question(QStringLiteral(
                "In dem von Ihnen gewählten SMS-Absender kommen problematische Zeichen vor.\n\r"
                "Einige Provider und/oder Mobiltelefone können nur einige wenige Zeichen im Absender verarbeiten.\n\r"
                "Wir empfehlen daher lediglich die Zeichen '0-9', 'a-z', 'A-Z' und '.' zu verwenden.\n\r"
                "Falls Sie andere Zeichen verwenden, können Zustellungsprobleme auftreten und/oder der Absender "
                "wird auf einigen Endgeräten verfälscht dargestellt.\n\r"
                "Möchten Sie dennoch fortfahren?"))) {
            SMS_Absender->setFocus();
            return false;
        }
    }
    return true;
}

void TEinstellungenForm::Btn_OKClick()
{
    if (!CheckEingaben())
        return;
    TIniFileDaten& d = m_daten;
    d.StartOrdner = Allgemein_StartOrdner->currentIndex();
    d.Proxy = Allgemein_Proxy->isChecked();
    d.Proxy_Server = Allgemein_Proxy_Server->text();
    StrToIntStrict(Allgemein_Proxy_Port->text(), d.Proxy_Port);
    d.Proxy_Username = Allgemein_Proxy_Username->text();
    d.Proxy_Passwort = Allgemein_Proxy_Passwort->text();
    d.Proxy_BasicAuthentication = m_basicAuthItems->checkedId() == 1;
    d.ShowMarketing = Allgemein_Starthilfe->isChecked();
    d.ShowUpdates = Allgemein_Updates->isChecked();
    d.Login_Speichern = SMS_Zugangsdaten_Speichern->isChecked();
    // Unticking the box removes the stored login.
    d.Login_Username = d.Login_Speichern ? SMS_Username->text() : QString("");
    d.Login_Passwort = d.Login_Speichern ? SMS_Passwort->text() : QString("");
    d.Use_Https = SMS_HTTPS->isChecked();
    d.StandardAbsender = SMS_Absender->text();
    d.StandardTyp = SMS_Typ->currentIndex();
    const int limit = SMS_ProtokollLimit->currentIndex();
    d.ProtokollLimit = limit >= 0 && limit < kProtokollLimitCount ? kProtokollLimits[limit] : -1;
    accept();
}

void TEinstellungenForm::Btn_AbbrechenClick() { reject(); }

void TEinstellungenForm::Allgemein_ProxyClick() { SetProxyEnabled(Allgemein_Proxy->isChecked()); }

void TEinstellungenForm::SMS_Zugangsdaten_SpeichernClick()
{
    SetZugangsdatenEnabled(SMS_Zugangsdaten_Speichern->isChecked());
}

void TEinstellungenForm::SetProxyEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{
             Allgemein_Label_Proxy_Server, Allgemein_Proxy_Server, Allgemein_Label_Proxy_Port, Allgemein_Proxy_Port,
             Allgemein_Label_Proxy_Username, Allgemein_Proxy_Username, Allgemein_Label_Proxy_Passwort,
             Allgemein_Proxy_Passwort, Allgemein_Proxy_BasicAuthentication})
        w->setEnabled(enabled);
}

void TEinstellungenForm::SetZugangsdatenEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{SMS_Label_Username, SMS_Username, SMS_Label_Passwort, SMS_Passwort})
        w->setEnabled(enabled);
}

// The typing limit of the sender: an edit may not make the text longer than the limit, but
// a longer stored value stays whole and can be shortened. What does not fit of an insertion
// (typed or pasted) is dropped.
void TEinstellungenForm::SMS_AbsenderEdited(const QString& text)
{
    const QString& before = m_absenderBefore;
    if (text.size() <= kAbsenderMaxLength || text.size() <= before.size())
        return;
    int prefix = 0;
    const int shorter = int(qMin(before.size(), text.size()));
    while (prefix < shorter && before[prefix] == text[prefix])
        ++prefix;
    int suffix = 0;
    while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == text[text.size() - 1 - suffix])
        ++suffix;
    const int unchanged = prefix + suffix;   // characters of the old text the edit kept
    const QString inserted = text.mid(prefix, text.size() - unchanged);
    const int room = qMax(0, kAbsenderMaxLength - unchanged);
    const QString result = text.left(prefix) + inserted.left(room) + text.right(suffix);
    const QSignalBlocker block(SMS_Absender);
    SMS_Absender->setText(result);
    SMS_Absender->setCursorPosition(prefix + int(qMin<qsizetype>(room, inserted.size())));
    m_absenderBefore = result;
}
