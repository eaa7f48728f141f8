#include "sms/SmsVorlagenEditForm.h"
#include "contacts/KontaktForm.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "foundation/WidgetKit.h"
#include "sms/AutomatischeFelder.h"
#include "sms/SmsVorlagenDaten.h"
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const char* const kMsgKeinName = "Bitte geben Sie einen Namen für diese SMS-Vorlage ein.";
const char* const kMsgKeinText = "Bitte geben Sie einen Sendetext für diese SMS-Vorlage ein.";
}

QString MemoSendetext(const QPlainTextEdit* memo)
{
    // The raw text keeps no-break spaces; blocks and line separators are the line breaks.
    QString text = memo->document()->toRawText();
    text.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    text.replace(QChar(QChar::LineSeparator), QStringLiteral("\r\n"));
    return text;
}

QString VorlagenZeichenText(const QString& text)
{
    if (HasAutomatischeFelder(text))
        return u("Zeichenanzahl abhängig von den automatischen Feldern");
    return GetSmsLengthText(GetSmsLength(text));
}

TSmsVorlagenEditForm::TSmsVorlagenEditForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SmsVorlagenEditForm"));
    UseDialogKeys(this);
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(u("Neue SMS-Vorlage erstellen"));

    Bezeichnung = NewEdit(this, "Bezeichnung");
    LimitToColumn(Bezeichnung, 100);
    SmsTyp_Text_Sendetext = new QPlainTextEdit(this);
    SmsTyp_Text_Sendetext->setObjectName(QStringLiteral("SmsTyp_Text_Sendetext"));
    SmsTyp_Text_Sendetext->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on: a tab character has no place in an SMS.
    SmsTyp_Text_Sendetext->setTabChangesFocus(true);
    SmsTyp_Text_Sendetext->installEventFilter(this);
    SmsTyp_Text_Sendetext_AnzahlZeichen = NewLabel(this, "SmsTyp_Text_Sendetext_AnzahlZeichen", QString());
    SmsTyp_Text_AutomatischeFelder = NewDropDown(this, "SmsTyp_Text_AutomatischeFelder", {});
    for (const TAutomatischesFeld& f : kAutomatischeFelder)
        SmsTyp_Text_AutomatischeFelder->addItem(u(f.item));
    Button_SmsTyp_Text_AutomatischesFeld_Insert = new QPushButton(u("Ein&fügen"), this);
    Button_SmsTyp_Text_AutomatischesFeld_Insert->setObjectName(
        QStringLiteral("Button_SmsTyp_Text_AutomatischesFeld_Insert"));
    Button_SmsTyp_Text_AutomatischesFeld_Insert->setFlat(true);
    NewOkAbbrechen(this, Btn_OK, Btn_Abbrechen);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Name:"), this), 0, 0);
    grid->addWidget(Bezeichnung, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Sendetext:"), this), 1, 0, Qt::AlignTop);
    grid->addWidget(SmsTyp_Text_Sendetext, 1, 1, 1, 2);
    grid->addWidget(SmsTyp_Text_Sendetext_AnzahlZeichen, 2, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("autom. Feld:"), this), 3, 0);
    grid->addWidget(SmsTyp_Text_AutomatischeFelder, 3, 1);
    grid->addWidget(Button_SmsTyp_Text_AutomatischesFeld_Insert, 3, 2);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Btn_OK);
    buttons->addWidget(Btn_Abbrechen);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setFixedSize(460, 300);

    connect(SmsTyp_Text_Sendetext, &QPlainTextEdit::textChanged, this,
            &TSmsVorlagenEditForm::SmsTyp_Text_SendetextChange);
    connect(Button_SmsTyp_Text_AutomatischesFeld_Insert, &QPushButton::clicked, this,
            &TSmsVorlagenEditForm::Button_SmsTyp_Text_AutomatischesFeld_InsertClick);
    connect(Btn_OK, &QPushButton::clicked, this, &TSmsVorlagenEditForm::Btn_OKClick);
    connect(Btn_Abbrechen, &QPushButton::clicked, this, &TSmsVorlagenEditForm::Btn_AbbrechenClick);
    SmsTyp_Text_SendetextChange();
}

TSmsVorlagenEditForm::~TSmsVorlagenEditForm()
{
}

void TSmsVorlagenEditForm::DeleteVorlage(int id)
{
    DatenModul->Unit([&] { TSmsVorlagenDaten::LoescheVorlage(id); });
}

void TSmsVorlagenEditForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TSmsVorlagenEditForm::FormShow()
{
    {
        WaitCursor wait;
        TSmsVorlage vorlage;
        bool found = false;
        if (VorlagenId >= 0) {
            setWindowTitle(u("Vorhandene SMS-Vorlage editieren"));
            if (!Guard([&] { found = TSmsVorlagenDaten::LadeVorlage(VorlagenId, vorlage); })) {
                // Unread, the template must not be overwritten nor made anew: the editor closes.
                QTimer::singleShot(0, this, &QDialog::reject);
                return;
            }
        }
        if (found) {
            Bezeichnung->setText(vorlage.name);
            SmsTyp_Text_Sendetext->setPlainText(vorlage.content);
        } else {
            // A row gone in the meantime: OK stores a new template.
            VorlagenId = -1;
            setWindowTitle(u("Neue SMS-Vorlage erstellen"));
            Bezeichnung->clear();
            SmsTyp_Text_Sendetext->clear();
        }
        SmsTyp_Text_SendetextChange();
        SmsTyp_Text_AutomatischeFelder->setCurrentIndex(0);
    }
    Bezeichnung->setFocus();
}

void TSmsVorlagenEditForm::SmsTyp_Text_SendetextChange()
{
    SmsTyp_Text_Sendetext_AnzahlZeichen->setText(VorlagenZeichenText(MemoSendetext(SmsTyp_Text_Sendetext)));
}

void TSmsVorlagenEditForm::Button_SmsTyp_Text_AutomatischesFeld_InsertClick()
{
    const int index = SmsTyp_Text_AutomatischeFelder->currentIndex();
    if (index < 0 || index >= kAutomatischeFelderAnzahl)
        return;
    // Before the selection's start; a selected text stays in place.
    QTextCursor cursor = SmsTyp_Text_Sendetext->textCursor();
    const int start = cursor.selectionStart();
    cursor.clearSelection();
    cursor.setPosition(start);
    cursor.insertText(AutomatischesFeldMarker(index));
    SmsTyp_Text_Sendetext->setTextCursor(cursor);
    SmsTyp_Text_Sendetext->setFocus();
}

bool TSmsVorlagenEditForm::CheckEingaben()
{
    if (Bezeichnung->text().isEmpty()) {
        Msg::Information(u(kMsgKeinName));
        Bezeichnung->setFocus();
        return false;
    }
    if (SmsTyp_Text_Sendetext->document()->isEmpty()) {
        Msg::Information(u(kMsgKeinText));
        SmsTyp_Text_Sendetext->setFocus();
        return false;
    }
    return true;
}

void TSmsVorlagenEditForm::Btn_OKClick()
{
    if (!CheckEingaben())
        return;
    const QString content = MemoSendetext(SmsTyp_Text_Sendetext);
    const QString name = Bezeichnung->text();
    if (WriteAsUnit(VorlagenId, [&](bool) { TSmsVorlagenDaten::SpeichereVorlage(VorlagenId, content, name); }))
        accept();
}

void TSmsVorlagenEditForm::Btn_AbbrechenClick() { reject(); }

bool TSmsVorlagenEditForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SmsTyp_Text_Sendetext && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;   // no line break from the keyboard
    }
    return QDialog::eventFilter(watched, event);
}
