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

    Label1 = NewLabel(this, "Label1", QStringLiteral("Bitte geben Sie Ihre Vornix2 Zugangsdaten ein."));
    Label4 = NewClickLabel(this, QStringLiteral("Label4"), QStringLiteral("Neukunde werden"), "#0000ff");
    OnWidgetClick(Label4, [this] { Label4Click(); });

    Label2 = NewLabel(this, "Label2", QStringLiteral("Username:"));
    Username = NewEdit(this, "Username");
    Label3 = NewLabel(this, "Label3", QStringLiteral("Passwort:"));
    Passwort = NewEdit(this, "Passwort");
    Passwort->setEchoMode(QLineEdit::Password);
    CheckBox_Speichern = NewCheckBox(this, "CheckBox_Speichern", QStringLiteral("Zugangsdaten &speichern"));
    NewOkAbbrechen(this, Btn_OK, Btn_Abbrechen);

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
    AddOkAbbrechenRow(layout, Btn_OK, Btn_Abbrechen);

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
