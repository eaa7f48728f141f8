#include "sms/SmsVersandStatusForm.h"
#include "foundation/WidgetKit.h"
#include "foundation/Clock.h"
#include "platform/Cp1252.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "gateway/Xml.h"
#include "platform/AtomicFile.h"
#include "platform/FileDialogs.h"
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>


QString TSmsVersandStatus::AnzahlEmpfaengerText() const
{
    if (Requests <= 1 || FailedRequests == 0)
        return QString::number(Recipients);
    if (FailedRequests == 1)
        return QString::number(Recipients) + QStringLiteral(" (1 fehlerhafter Request)");
    return QString::number(Recipients) + QStringLiteral(" (") + QString::number(FailedRequests)
        + QStringLiteral(" fehlerhafte Requests)");
}

TSmsVersandStatus ParseSmsVersandStatus(const QString& rueckgabe)
{
    TSmsVersandStatus s;
    QSet<QString> seen;
    TXmlCursor reports(rueckgabe);
    bool first = true;
    QString report;
    qsizetype before = reports.Position();
    while (reports.Next(QStringLiteral("smsreport"), report) && reports.Position() > before) {
        before = reports.Position();
        ++s.Requests;
        if (XmlElement(report, QStringLiteral("result")) != QLatin1String("SUCCESS"))
            ++s.FailedRequests;
        s.Date = XmlElement(report, QStringLiteral("date"));
        const QString deliverDate = XmlElement(report, QStringLiteral("deliverDate"));
        // The day is the first ten characters of the delivery date.
        if (!first && !s.Variabel && s.DeliverDate.left(10) != deliverDate.left(10))
            s.Variabel = true;
        s.DeliverDate = deliverDate;
        s.MsgParts = XmlElement(report, QStringLiteral("msgParts"));
        TXmlCursor recipients(XmlElement(report, QStringLiteral("recipients")));
        QString item;
        while (recipients.Next(QStringLiteral("recipient"), item))
            ++s.Recipients;
        TXmlCursor warnings(XmlElement(report, QStringLiteral("warnings")));
        while (warnings.Next(QStringLiteral("warning"), item)) {
            if (!seen.contains(item)) {
                seen.insert(item);
                s.Warnings.append(item);
            }
        }
        first = false;
    }
    return s;
}

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

TSmsVersandStatusForm::TSmsVersandStatusForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SmsVersandStatusForm"));
    UseDialogKeys(this);
    setWindowTitle(QStringLiteral("Status des SMS-Versands"));
    buildFelder();
    Btn_OK = NewPushButton(this, "Btn_OK", QStringLiteral("&OK"), true);
    Button_RueckgabeSpeichern = NewPushButton(this, "Button_RueckgabeSpeichern", QStringLiteral("In &Datei speichern"));
    connect(Btn_OK, &QPushButton::clicked, this, &TSmsVersandStatusForm::Btn_OKClick);
    connect(Button_RueckgabeSpeichern, &QPushButton::clicked, this,
            &TSmsVersandStatusForm::Button_RueckgabeSpeichernClick);
    layoutFelder();
}

void TSmsVersandStatusForm::buildFelder()
{
    auto readOnlyEdit = [this](const char* name, const char* hint) {
        QLineEdit* e = NewEdit(this, name);
        e->setReadOnly(true);
        e->setToolTip(QString::fromUtf8(hint));
        return e;
    };
    auto memo = [this](const char* name) {
        auto* m = new QPlainTextEdit(this);
        m->setObjectName(QLatin1String(name));
        m->setReadOnly(true);
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        return m;
    };

    Label1 = NewLabel(this, "Label1", u("Die Nachricht(en) wurden erfolgreich an den Server übertragen."),
                      {.bold = true});

    Annahme = readOnlyEdit("Annahme", "der Zeitpunkt zu dem der SMS-Server die Nachricht entgegengenommen hat.");
    Versandzeitpunkt = readOnlyEdit("Versandzeitpunkt", "der Zeitpunkt zu dem die SMS versendet werden soll.");
    Nachrichtenteile = readOnlyEdit("Nachrichtenteile",
                                    "gibt die Anzahl Nachrichtenteile an, aus der die SMS besteht.");
    AnzahlEmpfaenger = readOnlyEdit("AnzahlEmpfaenger",
                                    "gibt die Anzahl der vom Server als gültig erkannten Empfänger an.");
    Warnmeldungen = memo("Warnmeldungen");
    Warnmeldungen->setToolTip(QString::fromUtf8("gibt alle generierten Warnmeldungen aus. Warnmeldungen "
                                                "sind nicht-kritische, aber wichtige Hinweise."));
    Warnmeldungen->setMaximumHeight(90);
    Rueckgabe = memo("Rueckgabe");
}

void TSmsVersandStatusForm::layoutFelder()
{
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("Zeitpunkt der Annahme:"), Annahme);
    form->addRow(QString::fromUtf8("Gewünschter Versandzeitpunkt:"), Versandzeitpunkt);
    form->addRow(QString::fromUtf8("Anzahl Nachrichtenteile"), Nachrichtenteile);
    form->addRow(QString::fromUtf8("Anzahl gültige Empfänger:"), AnzahlEmpfaenger);
    form->addRow(QString::fromUtf8("Generierte Warnmeldungen:"), Warnmeldungen);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button_RueckgabeSpeichern);
    buttons->addStretch();
    buttons->addWidget(Btn_OK);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(form);
    layout->addWidget(NewLabel(this, nullptr, QString::fromUtf8("Gateway-Rückgabe:")));
    layout->addWidget(Rueckgabe, 1);
    layout->addLayout(buttons);
    setFixedSize(560, 520);
}

TSmsVersandStatusForm::~TSmsVersandStatusForm()
{
}

bool TSmsVersandStatusForm::IsSuccess() const
{
    return m_rueckgabe.contains(QStringLiteral("<result>SUCCESS</result>"), Qt::CaseSensitive);
}

QString TSmsVersandStatusForm::ProposedFileName()
{
    return QStringLiteral("vornix2_") + Clock::Today().toString(QStringLiteral("yyyyMMdd"))
        + QStringLiteral(".txt");
}

void TSmsVersandStatusForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TSmsVersandStatusForm::FormShow()
{
    WaitCursor wait;   // tens of thousands of replies take a while
    Rueckgabe->setPlainText(SplitLines(m_rueckgabe).join(QLatin1Char('\n')));
    const TSmsVersandStatus s = ParseSmsVersandStatus(m_rueckgabe);
    Annahme->setText(s.Date);
    Versandzeitpunkt->setText(s.Variabel ? QStringLiteral("<variabel>") : s.DeliverDate);
    Nachrichtenteile->setText(s.MsgParts);
    AnzahlEmpfaenger->setText(s.AnzahlEmpfaengerText());
    Warnmeldungen->setPlainText(s.Warnings.join(QLatin1Char('\n')));
    Btn_OK->setFocus();
}

void TSmsVersandStatusForm::Btn_OKClick() { accept(); }

void TSmsVersandStatusForm::Button_RueckgabeSpeichernClick()
{
    // The dialog's own overwrite question is off: ours follows.
    QString fileName = FileDialogs::GetSaveFileName(
        this, QString::fromUtf8("Gateway-Rückgabe als Text-Datei speichern"), ProposedFileName(),
        QStringLiteral("Textdatei (*.txt)"), QFileDialog::DontConfirmOverwrite);
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".txt");
    if (QFileInfo::exists(fileName)
        && !Msg::Question(QString::fromUtf8(kMsgDateiExistiert).arg(QFileInfo(fileName).fileName())))
        return;
    QByteArray bytes;
    bytes.reserve(m_rueckgabe.size() + 64);
    for (const QString& line : SplitLines(m_rueckgabe)) {
        bytes += Cp1252::Encode(line);
        bytes += "\r\n";
    }
    QString error;
    if (!WriteFileAtomically(fileName, bytes, &error)) {
        Msg::Error(error);
        return;
    }
    Msg::Information(QString::fromUtf8(kMsgRueckgabeGespeichert));
}
