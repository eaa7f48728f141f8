#include "contacts/KontaktgruppenForm.h"
#include "foundation/WidgetKit.h"
#include "contacts/KontaktDaten.h"
#include "foundation/DatenModul.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "contacts/KontaktForm.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>


TKontaktgruppenForm::TKontaktgruppenForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("KontaktgruppenForm"));
    UseDialogKeys(this);
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);

    auto* label = new QLabel(QStringLiteral("Bezeichnung:"), this);
    Bezeichnung = NewEdit(this, "Bezeichnung");
    LimitToColumn(Bezeichnung, TKontaktDaten::kKategorieNameBreite);
    label->setBuddy(Bezeichnung);
    NewOkAbbrechen(this, Btn_OK, Btn_Abbrechen);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Btn_OK);
    buttons->addWidget(Btn_Abbrechen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(Bezeichnung);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Bezeichnung->setMinimumWidth(300);

    connect(Btn_OK, &QPushButton::clicked, this, &TKontaktgruppenForm::Btn_OKClick);
    connect(Btn_Abbrechen, &QPushButton::clicked, this, &TKontaktgruppenForm::Btn_AbbrechenClick);
}

TKontaktgruppenForm::~TKontaktgruppenForm()
{
}

void TKontaktgruppenForm::SetReadOnly(bool value)
{
    Bezeichnung->setEnabled(!value);
    Btn_OK->setEnabled(!value);
}

void TKontaktgruppenForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TKontaktgruppenForm::FormShow()
{
    try {
        if (KategorieId >= 0) {
            setWindowTitle(QStringLiteral("Kontaktgruppe editieren"));
            LoadKategorie();
        } else {
            setWindowTitle(QStringLiteral("Neue Kontaktgruppe anlegen"));
            InitNeueKategorie();
        }
    } catch (const DbError& e) {
        Msg::Error(e.Text());
    }
    if (Bezeichnung->isEnabled())
        Bezeichnung->setFocus();
}

void TKontaktgruppenForm::LoadKategorie()
{
    QString name;
    if (TKontaktDaten::LadeKategorie(KategorieId, name)) {
        Bezeichnung->setText(name);
        return;
    }
    Msg::Information(QStringLiteral("Dieser Eintrag wurde zwischenzeitlich von einem anderen "
                                    "Benutzer verschoben oder gelöscht."));
    KategorieId = -1;
    Bezeichnung->clear();
}

void TKontaktgruppenForm::InitNeueKategorie() { Bezeichnung->clear(); }

bool TKontaktgruppenForm::CheckEingaben()
{
    if (Bezeichnung->text().isEmpty()) {
        Msg::Information(QStringLiteral("Bitte geben Sie eine Bezeichnung für die Kontaktgruppe ein."));
        Bezeichnung->setFocus();
        return false;
    }
    return true;
}

void TKontaktgruppenForm::Btn_OKClick()
{
    if (!CheckEingaben())
        return;
    const bool written = WriteAsUnit(KategorieId, [&](bool) {
        TKontaktDaten::SpeichereKategorie(KategorieId, Bezeichnung->text());
    });
    if (written)
        accept();
}

void TKontaktgruppenForm::Btn_AbbrechenClick() { reject(); }
