#include "foundation/AboutForm.h"
#include "foundation/WidgetKit.h"
#include "foundation/ClickHandler.h"
#include "foundation/Global.h"
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>



TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    UseDialogKeys(this);
    setWindowTitle(QStringLiteral("Info"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    auto* layout = new QVBoxLayout(this);
    auto* picture = NewLabel(this, "Image1", QStringLiteral("Vornix2"));
    QFont pf(QStringLiteral("Arial"), 24, QFont::Bold);
    picture->setFont(pf);
    picture->setStyleSheet(QStringLiteral("color: white; background: #00468c; padding: 12px;"));
    layout->addWidget(picture);

    auto* notice = new QLabel(QStringLiteral("Vornix2 - Der Massen-SMS Versender"), this);
    layout->addWidget(notice);
    Label_Version = NewLabel(this, "Label_Version", QString());
    layout->addWidget(Label_Version);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Vertriebsanfragen:"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Telefon 0800 1234567, Telefax 0800 1234568"), this), 0, 1);
    Label19 = NewClickLabel(this, QStringLiteral("Label19"), QLatin1String(kSalesMail));
    grid->addWidget(Label19, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Technische Anfragen:"), this), 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("Telefon 0800 1234569, Telefax 0800 1234570"), this), 2, 1);
    Label22 = NewClickLabel(this, QStringLiteral("Label22"), QLatin1String(kSupportMail));
    grid->addWidget(Label22, 3, 1);
    // The numbers stay beside their captions; the spare width goes to the right.
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* hint = new QLabel(QStringLiteral("Fragen zu Preisen, Verträgen und Ihrem Kontingent richten Sie bitte an den "
                                           "Vertrieb, Fragen zur Bedienung und zur Schnittstelle an die Technik."), this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    Memo_Bemerkungen = new QPlainTextEdit(this);
    Memo_Bemerkungen->setObjectName(QStringLiteral("Memo_Bemerkungen"));
    Memo_Bemerkungen->setReadOnly(true);
    Memo_Bemerkungen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_Bemerkungen->setPlainText(QStringLiteral(
        "Alle genannten Marken- und Produktnamen sind Warenzeichen oder eingetragene Warenzeichen "
        "ihrer jeweiligen Inhaber.\n\n"
        "Dieses Produkt verwendet die Bibliotheken Qt, libcurl, OpenSSL und Firebird.\n\n"
        "Die Nutzung des SMS-Dienstes unterliegt den Allgemeinen Geschäftsbedingungen des Anbieters."));
    layout->addWidget(Memo_Bemerkungen);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("Btn_OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);

    OnWidgetClick(Label19, [this] { Label19Click(); });
    OnWidgetClick(Label22, [this] { Label22Click(); });
    resize(460, 420);
}

TAboutForm::~TAboutForm()
{
}

void TAboutForm::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TAboutForm::FormShow()
{
    Label_Version->setText(QStringLiteral("Version %1.%2.%3").arg(2).arg(1).arg(1));
}

void TAboutForm::Label19Click() { OpenMail(QLatin1String(kSalesMail), this); }
void TAboutForm::Label22Click() { OpenMail(QLatin1String(kSupportMail), this); }
