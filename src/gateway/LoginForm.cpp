#include "gateway/LoginForm.h"
#include "foundation/WidgetKit.h"
#include "foundation/ClickHandler.h"
#include "foundation/Global.h"
#include "foundation/Messages.h"
#include "gateway/Hosts.h"
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>


TLoginForm::TLoginForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LoginForm"));
    UseDialogKeys(this);
    setWindowTitle(QStringLiteral("Zugangsdaten eingeben"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    Label1 = new QLabel(QStringLiteral("Bitte geben Sie Ihre Vornix2 Zugangsdaten ein."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label4 = new QLabel(QStringLiteral("Neukunde werden"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setTextFormat(Qt::PlainText);
    Label4->setCursor(Qt::PointingHandCursor);
    QFont f = Label4->font();
    f.setUnderline(true);
    Label4->setFont(f);
    Label4->setStyleSheet(QStringLiteral("color: #0000ff;"));
    OnWidgetClick(Label4, [this] { Label4Click(); });

    Label2 = new QLabel(QStringLiteral("Username:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Username = new QLineEdit(this);
    Username->setObjectName(QStringLiteral("Username"));
    Label3 = new QLabel(QStringLiteral("Passwort:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Passwort = new QLineEdit(this);
    Passwort->setObjectName(QStringLiteral("Passwort"));
    Passwort->setEchoMode(QLineEdit::Password);
    CheckBox_Speichern = new QCheckBox(QStringLiteral("Zugangsdaten &speichern"), this);
    CheckBox_Speichern->setObjectName(QStringLiteral("CheckBox_Speichern"));
    Btn_OK = NewPushButton(this, "Btn_OK", QStringLiteral("&OK"), true);
    Btn_Abbrechen = NewPushButton(this, "Btn_Abbrechen", QStringLiteral("A&bbrechen"));

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);   // a dialog border: not resizable
    auto* top = new QHBoxLayout;
    top->addWidget(Label1, 1);
    top->addWidget(Label4);
    layout->addLayout(top);
    auto* grid = new QGridLayout;
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(Username, 0, 1);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(Passwort, 1, 1);
    grid->addWidget(CheckBox_Speichern, 2, 1);
    layout->addLayout(grid);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Btn_OK);
    buttons->addWidget(Btn_Abbrechen);
    layout->addLayout(buttons);

    setTabOrder(Username, Passwort);
    setTabOrder(Passwort, CheckBox_Speichern);
    setTabOrder(CheckBox_Speichern, Btn_OK);
    setTabOrder(Btn_OK, Btn_Abbrechen);

    connect(Btn_OK, &QPushButton::clicked, this, [this] { Btn_OKClick(); });
    connect(Btn_Abbrechen, &QPushButton::clicked, this, [this] { Btn_AbbrechenClick(); });
    Username->setMinimumWidth(220);
}

QString TLoginForm::GetUsername() const { return Username->text(); }
QString TLoginForm::GetPasswort() const { return Passwort->text(); }
bool TLoginForm::IsSpeichern() const { return CheckBox_Speichern->isChecked(); }

void TLoginForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TLoginForm::FormShow()
{
    Username->setText(QString(""));
    Passwort->setText(QString(""));
    CheckBox_Speichern->setChecked(false);
    Username->setFocus();
}

void TLoginForm::Btn_OKClick()
{
    if (Username->text().isEmpty()) {
        Msg::Information(QString::fromUtf8(kMsgUsernameFehlt));
        Username->setFocus();
        return;
    }
    if (Passwort->text().isEmpty()) {
        Msg::Information(QString::fromUtf8(kMsgPasswortFehlt));
        Passwort->setFocus();
        return;
    }
    accept();
}

void TLoginForm::Btn_AbbrechenClick() { reject(); }

void TLoginForm::Label4Click() { OpenUrl(WebUrl(QLatin1String(kRegisterPath)), this); }
