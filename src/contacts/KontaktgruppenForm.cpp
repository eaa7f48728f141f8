#include "contacts/KontaktgruppenForm.h"
#include "foundation/DatenModul.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "contacts/KontaktForm.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSqlQuery>
#include <QVBoxLayout>

TKontaktgruppenForm* KontaktgruppenForm = nullptr;

TKontaktgruppenForm::TKontaktgruppenForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("KontaktgruppenForm"));
    if (!KontaktgruppenForm)
        KontaktgruppenForm = this;
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);

    auto* label = new QLabel(QStringLiteral("Bezeichnung:"), this);
    Bezeichnung = new QLineEdit(this);
    Bezeichnung->setObjectName(QStringLiteral("Bezeichnung"));
    LimitToColumn(Bezeichnung, 100);
    label->setBuddy(Bezeichnung);
    Btn_OK = new QPushButton(QStringLiteral("&OK"), this);
    Btn_OK->setObjectName(QStringLiteral("Btn_OK"));
    Btn_OK->setDefault(true);
    Btn_Abbrechen = new QPushButton(QStringLiteral("A&bbrechen"), this);
    Btn_Abbrechen->setObjectName(QStringLiteral("Btn_Abbrechen"));

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
    if (KontaktgruppenForm == this)
        KontaktgruppenForm = nullptr;
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
    QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT name FROM kategorien WHERE id=:kategorieid"),
                                  {{QStringLiteral("kategorieid"), KategorieId}});
    if (q.next()) {
        Bezeichnung->setText(TDatenModul::TextValue(q.value(0)));
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
    const bool written = WriteAsUnit(KategorieId, [&](bool isNew) {
        if (isNew) {
            KategorieId = DatenModul->GetNewKategorienId();
            DatenModul->Run(QStringLiteral("INSERT INTO kategorien (id) VALUES (:id)"),
                            {{QStringLiteral("id"), KategorieId}});
        }
        DatenModul->Run(QStringLiteral("UPDATE kategorien SET name=:name WHERE id=:id"),
                        {{QStringLiteral("name"), TDatenModul::Text(Bezeichnung->text())},
                         {QStringLiteral("id"), KategorieId}});
    });
    if (written)
        accept();
}

void TKontaktgruppenForm::Btn_AbbrechenClick() { reject(); }

void TKontaktgruppenForm::DeleteKategorie(int kategorieId)
{
    WaitCursor wait;
    DatenModul->Unit([&] {
        DatenModul->Run(QStringLiteral("DELETE FROM katzuord WHERE kategorie=:kategorieid"),
                        {{QStringLiteral("kategorieid"), kategorieId}});
        DatenModul->Run(QStringLiteral("DELETE FROM kategorien WHERE id=:id"),
                        {{QStringLiteral("id"), kategorieId}});
    });
}

void TKontaktgruppenForm::DeleteKategorieZuordnungen(int kategorieId)
{
    WaitCursor wait;
    DatenModul->Unit([&] {
        DatenModul->Run(QStringLiteral("DELETE FROM katzuord WHERE kategorie=:kategorieid"),
                        {{QStringLiteral("kategorieid"), kategorieId}});
    });
}

void TKontaktgruppenForm::DeleteKontakteOfKategorie(int kategorieId)
{
    WaitCursor wait;
    if (kategorieId == 0) {
        // Every contact: the same outcome as one delete per contact, in two statements.
        QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT FIRST 1 id FROM kontakte"));
        if (!q.next())
            return;
        q = QSqlQuery();
        DatenModul->Unit([&] {
            DatenModul->Run(QStringLiteral("DELETE FROM katzuord WHERE kontakt IN (SELECT id FROM kontakte)"));
            DatenModul->Run(QStringLiteral("DELETE FROM kontakte"));
        });
        return;
    }
    QVector<int> ids;
    {
        QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT kontakt FROM katzuord WHERE kategorie=:kategorieid"),
                                      {{QStringLiteral("kategorieid"), kategorieId}});
        while (q.next())
            ids.append(q.value(0).toInt());
    }
    if (ids.isEmpty())
        return;
    TKontaktForm::DeleteKontakte(ids);
}
