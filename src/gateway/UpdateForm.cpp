#include "gateway/UpdateForm.h"
#include "foundation/WidgetKit.h"
#include "foundation/Global.h"
#include "foundation/IniFileDaten.h"
#include "foundation/Messages.h"
#include "foundation/Settings.h"
#include "gateway/Hosts.h"
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TUpdateForm::TUpdateForm(Settings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("UpdateForm"));
    UseDialogKeys(this);
    setWindowTitle(QStringLiteral("Neue Version von Vornix2 verfügbar"));
    setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(16, 16, 16, 12);
    v->setSpacing(10);
    auto* label1 = NewHeading(this, QStringLiteral("Es ist eine neue Version von Vornix2 verfügbar."), "Label1");
    v->addWidget(label1);
    Label_Version = NewLabel(this, "Label_Version", QString());
    Label_Version->setTextFormat(Qt::PlainText);
    v->addWidget(Label_Version);
    auto* label3 = NewLabel(this, "Label3", QStringLiteral("Möchten Sie jetzt die Webseite besuchen, um weitere Informationen zu erhalten?"));
    v->addWidget(label3);
    KeineWeiterenUpdates = NewCheckBox(this, "KeineWeiterenUpdates", QStringLiteral("künftig keine weiteren Update-Meldungen anzeigen"));
    v->addWidget(KeineWeiterenUpdates);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Btn_Ja = NewPushButton(this, "Btn_Ja", QStringLiteral("&Ja"), true);
    Btn_Nein = NewPushButton(this, "Btn_Nein", QStringLiteral("&Nein"));
    buttons->addWidget(Btn_Ja);
    buttons->addWidget(Btn_Nein);
    v->addLayout(buttons);
    connect(Btn_Ja, &QPushButton::clicked, this, &TUpdateForm::Btn_JaClick);
    connect(Btn_Nein, &QPushButton::clicked, this, &TUpdateForm::Btn_NeinClick);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TUpdateForm::~TUpdateForm()
{
}

void TUpdateForm::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TUpdateForm::FormShow()
{
    Label_Version->setText(
        QStringLiteral("Die Version %1.%2.%3 können Sie im Download-Bereich der Webseite herunterladen.")
            .arg(m_major)
            .arg(m_minor)
            .arg(m_release));
    KeineWeiterenUpdates->setChecked(false);
    Btn_Ja->setFocus();
}

void TUpdateForm::Btn_JaClick()
{
    OpenUrl(WebUrl(QStringLiteral("/deeplink/download")), this);
    accept();
}

void TUpdateForm::Btn_NeinClick() { reject(); }

void TUpdateForm::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TUpdateForm::FormClose()
{
    if (!KeineWeiterenUpdates->isChecked())
        return;
    m_settings.Edit([](TIniFileDaten& rec) { rec.ShowUpdates = false; }, Settings::EditMode::WriteOrDiscard);
}
