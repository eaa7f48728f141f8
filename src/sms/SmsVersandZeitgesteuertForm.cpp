#include "sms/SmsVersandZeitgesteuertForm.h"
#include "foundation/Clock.h"
#include "foundation/Global.h"
#include "foundation/Messages.h"
#include "foundation/WidgetKit.h"
#include "sms/Recipient.h"
#include <QCalendarWidget>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const char* const kMsgKeinDatum = "Bitte geben Sie ein Datum für den Versandzeitpunkt ein.";
const char* const kMsgDatumUngueltig = "Bitte geben Sie ein gültiges Datum in der Form tt.mm.jjjj ein.";
const char* const kMsgKeineUhrzeit = "Bitte geben Sie eine Uhrzeit für den Versandzeitpunkt ein.";
const char* const kMsgUhrzeitUngueltig = "Bitte geben Sie eine gültige Uhrzeit in der Form ss:mm ein.";
const char* const kMsgVergangenheit =
    "Der von Ihnen angegebene Zeitpunkt befindet sich in der Vergangenheit.\n\rMöchten Sie dennoch fortfahren?";
const char* const kMsgKeinGeburtsdatum =
    "Sie haben angegeben, dass die Nachricht zum Geburtstag der jeweiligen Kontakte versendet werden soll.\n\r"
    "Jedoch ist für keinen der gewählten Empfänger ein Geburtsdatum hinterlegt. Die Nachricht kann daher "
    "nicht versendet werden.";
const char* const kMsgTeilweiseOhneGeburtsdatum =
    "Sie haben angegeben, dass die Nachricht zum Geburtstag der jeweiligen Kontakte versendet werden soll.\n\r"
    "Für %1 der gewählten %2 Empfänger ist jedoch kein Geburtsdatum hinterlegt. An Kontakte ohne "
    "Geburtsdatum wird keine Nachricht versendet.\n\rMöchten Sie dennoch fortfahren?";

QString formatDatum(const QDate& d) { return d.toString(QStringLiteral("dd.MM.yyyy")); }
}

TSmsVersandZeitgesteuertForm::TSmsVersandZeitgesteuertForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SmsVersandZeitgesteuertForm"));
    UseDialogKeys(this);
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(u("SMS zeitgesteuert versenden"));

    buildFelder();
    buildPicker();
    setTabOrder(Geburtstag, Datum);
    setTabOrder(Datum, DatumPicker);
    setTabOrder(DatumPicker, Uhrzeit);
    setTabOrder(Uhrzeit, Btn_OK);
    setTabOrder(Btn_OK, Btn_Abbrechen);

    connect(Geburtstag, &QCheckBox::clicked, this, &TSmsVersandZeitgesteuertForm::GeburtstagClick);
    connect(DatumPicker, &QToolButton::clicked, this, &TSmsVersandZeitgesteuertForm::DatumPickerDropDown);
    // A day clicked, or Return on the chosen one, is the picker's new date.
    auto choose = [this](const QDate& date) {
        m_pickerDate = date;
        m_pickerPopup->hide();
    };
    connect(m_kalender, &QCalendarWidget::clicked, this, choose);
    connect(m_kalender, &QCalendarWidget::activated, this, choose);
    connect(Btn_OK, &QPushButton::clicked, this, &TSmsVersandZeitgesteuertForm::Btn_OKClick);
    connect(Btn_Abbrechen, &QPushButton::clicked, this, &TSmsVersandZeitgesteuertForm::Btn_AbbrechenClick);
}

void TSmsVersandZeitgesteuertForm::buildFelder()
{
    auto* kopf = NewHeading(this, u("Bitte geben Sie den Zeitpunkt an, zu dem die Nachricht versendet werden soll."));
    auto* hinweis = new QLabel(u("Hinweis: Die Nachricht wird sofort zum Server übertragen und dort bis zum "
                                 "angegebenen\nZeitpunkt zurückgehalten."),
                               this);
    auto* linie = new QFrame(this);
    linie->setFrameShape(QFrame::HLine);
    linie->setFrameShadow(QFrame::Sunken);

    Geburtstag = NewCheckBox(this, "Geburtstag", u("Nachricht zum &Geburtstag des jeweiligen Kontakts versenden"));
    Label_Datum = NewLabel(this, "Label_Datum", u("Datum:"));
    Datum = NewEdit(this, "Datum");
    Datum->setToolTip(u("das Datum des Versandzeitpunkts"));
    Datum->installEventFilter(this);
    Label_Datum->setBuddy(Datum);
    DatumPicker = NewToolButton(this, "DatumPicker",
                                {.iconSize = 0, .arrow = Qt::DownArrow, .focus = Qt::StrongFocus});
    DatumPicker->setFixedWidth(18);
    Label_Uhrzeit = NewLabel(this, "Label_Uhrzeit", u("Uhrzeit:"));
    Uhrzeit = NewEdit(this, "Uhrzeit");
    Uhrzeit->setToolTip(u("die Uhrzeit des Versandzeitpunkts"));
    Uhrzeit->installEventFilter(this);
    Label_Uhrzeit->setBuddy(Uhrzeit);
    NewOkAbbrechen(this, Btn_OK, Btn_Abbrechen);
    layoutFelder(kopf, hinweis, linie);
}

// The picker's calendar drops down below the date; it writes the date only when it closes.
void TSmsVersandZeitgesteuertForm::buildPicker()
{
    m_pickerPopup = new QFrame(this, Qt::Popup);
    m_pickerPopup->setObjectName(QStringLiteral("DatumPicker_Popup"));
    m_pickerPopup->setFrameShape(QFrame::StyledPanel);
    m_kalender = new QCalendarWidget(m_pickerPopup);
    m_kalender->setObjectName(QStringLiteral("DatumPicker_Kalender"));
    m_kalender->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    auto* popupLayout = new QVBoxLayout(m_pickerPopup);
    popupLayout->setContentsMargins(1, 1, 1, 1);
    popupLayout->addWidget(m_kalender);
    m_pickerPopup->installEventFilter(this);
}

void TSmsVersandZeitgesteuertForm::layoutFelder(QWidget* kopf, QWidget* hinweis, QWidget* linie)
{
    auto* felder = new QGridLayout;
    felder->addWidget(Geburtstag, 0, 0, 1, 4);
    felder->addWidget(Label_Datum, 1, 0);
    felder->addWidget(Datum, 1, 1);
    felder->addWidget(DatumPicker, 1, 2);
    felder->addWidget(Label_Uhrzeit, 2, 0);
    felder->addWidget(Uhrzeit, 2, 1);
    felder->setColumnMinimumWidth(1, 110);
    felder->setColumnStretch(3, 1);
    felder->setHorizontalSpacing(4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(kopf);
    layout->addWidget(hinweis);
    layout->addWidget(linie);
    layout->addLayout(felder);
    layout->addStretch();
    layout->addLayout(NewOkAbbrechenRow(Btn_OK, Btn_Abbrechen));
    setFixedSize(470, 220);
}

TSmsVersandZeitgesteuertForm::~TSmsVersandZeitgesteuertForm() = default;

bool TSmsVersandZeitgesteuertForm::IsGeburtstag() const { return Geburtstag->isChecked(); }

void TSmsVersandZeitgesteuertForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TSmsVersandZeitgesteuertForm::FormShow()
{
    Geburtstag->setChecked(false);
    GeburtstagClick();
    const QDateTime now = Clock::Now();
    Datum->setText(formatDatum(now.date()));
    Uhrzeit->setText(now.time().toString(QStringLiteral("HH:mm")));
    m_pickerDate = now.date();
    Datum->setFocus();
}

void TSmsVersandZeitgesteuertForm::GeburtstagClick() { SetDatumEnabled(!Geburtstag->isChecked()); }

void TSmsVersandZeitgesteuertForm::SetDatumEnabled(bool enabled)
{
    Label_Datum->setEnabled(enabled);
    Datum->setEnabled(enabled);
    DatumPicker->setEnabled(enabled);
}

void TSmsVersandZeitgesteuertForm::DatumExit()
{
    if (Datum->text().isEmpty())
        return;
    const QString normal = NormalizeDateCurrentYear(Datum->text());
    if (normal.isEmpty())
        return;
    Datum->setText(normal);
    m_pickerDate = TextToDate(normal);
}

void TSmsVersandZeitgesteuertForm::UhrzeitExit()
{
    if (Uhrzeit->text().isEmpty())
        return;
    const QString normal = NormalizeTime(Uhrzeit->text());
    if (!normal.isEmpty())
        Uhrzeit->setText(normal);
}

void TSmsVersandZeitgesteuertForm::DatumPickerDropDown()
{
    {
        const QSignalBlocker block(m_kalender);
        m_kalender->setSelectedDate(m_pickerDate);
    }
    m_pickerPopup->adjustSize();
    m_pickerPopup->move(Datum->mapToGlobal(QPoint(0, Datum->height())));
    m_pickerPopup->show();
    m_kalender->setFocus(Qt::PopupFocusReason);
}

void TSmsVersandZeitgesteuertForm::DatumPickerCloseUp()
{
    // The picker's date, also when it closed without a choice.
    Datum->setText(formatDatum(m_pickerDate));
}

bool TSmsVersandZeitgesteuertForm::CheckEingaben()
{
    const bool geburtstag = Geburtstag->isChecked();
    QDate datum;
    if (!geburtstag) {
        if (Datum->text().isEmpty()) {
            Msg::Information(u(kMsgKeinDatum));
            Datum->setFocus();
            return false;
        }
        datum = TextToDate(Datum->text());
        if (!datum.isValid()) {
            Msg::Information(u(kMsgDatumUngueltig));
            Datum->setFocus();
            return false;
        }
    }
    if (Uhrzeit->text().isEmpty()) {
        Msg::Information(u(kMsgKeineUhrzeit));
        Uhrzeit->setFocus();
        return false;
    }
    const QTime zeit = TextToTime(Uhrzeit->text());
    if (!zeit.isValid()) {
        Msg::Information(u(kMsgUhrzeitUngueltig));
        Uhrzeit->setFocus();
        return false;
    }
    if (!geburtstag) {
        if (QDateTime(datum, zeit) < Clock::Now() && !Msg::Question(u(kMsgVergangenheit))) {
            Datum->setFocus();
            return false;
        }
    } else if (m_empfaenger) {
        const TRecipients& empfaenger = m_empfaenger();
        int ohne = 0;
        for (const TRecipient& r : empfaenger.Items())
            if (r.GeburtsdatumIsNull)
                ++ohne;
        const int alle = empfaenger.Count();
        if (alle > 0 && ohne == alle) {
            Msg::Information(u(kMsgKeinGeburtsdatum));
            return false;
        }
        if (ohne > 0
            && !Msg::Question(u(kMsgTeilweiseOhneGeburtsdatum).arg(QString::number(ohne), QString::number(alle))))
            return false;
    }
    return true;
}

void TSmsVersandZeitgesteuertForm::Btn_OKClick()
{
    if (!CheckEingaben())
        return;
    const QTime zeit = TextToTime(Uhrzeit->text());
    Versandzeitpunkt = Geburtstag->isChecked() ? QDateTime(Clock::Today(), zeit)
                                               : QDateTime(TextToDate(Datum->text()), zeit);
    accept();
}

void TSmsVersandZeitgesteuertForm::Btn_AbbrechenClick() { reject(); }

bool TSmsVersandZeitgesteuertForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pickerPopup && event->type() == QEvent::Hide) {
        DatumPickerCloseUp();
    } else if (event->type() == QEvent::FocusOut && isVisible()) {
        // Leaving the field for another control of this dialog; a message box or the picker's
        // popup taking the focus is no leaving.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == Datum)
                DatumExit();
            else if (watched == Uhrzeit)
                UhrzeitExit();
        }
    }
    return QDialog::eventFilter(watched, event);
}
