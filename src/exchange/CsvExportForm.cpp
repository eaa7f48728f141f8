#include "exchange/CsvExportForm.h"
#include "foundation/WidgetKit.h"
#include "exchange/CsvDatei.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "platform/FileDialogs.h"
#include <QComboBox>
#include <QFileInfo>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

char TCsvExportForm::SeparatorOf(int index)
{
    switch (index) {
    case 1: return ',';
    case 2: return '\t';
    default: return ';';
    }
}

TCsvExportForm::TCsvExportForm(const QString& objectName, const QString& caption,
                               const QString& dateiHeading, const QString& initialFileName,
                               QWidget* parent)
    : TLaufDialog(parent), m_saveName(initialFileName)
{
    setObjectName(objectName);
    UseDialogKeys(this);
    setWindowTitle(caption);
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);

    Dateiname = NewEdit(this, "Dateiname", 360);
    Dateiname->setEnabled(false);
    Btn_Dateiname = NewPushButton(this, "Btn_Dateiname", QStringLiteral("..."));
    Btn_Dateiname->setFixedWidth(32);
    Trennzeichen = NewDropDown(this, "Trennzeichen",
                               {QStringLiteral("Semikolon"), QStringLiteral("Komma"), QStringLiteral("Tabulator")});
    NewOkAbbrechen(this, Btn_OK, Btn_Abbrechen);
    StatusBar = NewDialogStatusBar(this);

    m_layout = new QVBoxLayout(this);
    m_top = new QVBoxLayout;
    m_layout->addLayout(m_top);
    AddSection(m_layout, dateiHeading, QStringLiteral("Dateiname für den CSV-Export:"), Dateiname,
               Btn_Dateiname);
    AddSection(m_layout, QStringLiteral("Bitte wählen Sie das Trennzeichen für die CSV-Datei aus."),
               QStringLiteral("Trennzeichen für die CSV-Datei:"), Trennzeichen);

    connect(Btn_Dateiname, &QPushButton::clicked, this, &TCsvExportForm::Btn_DateinameClick);
    connect(Btn_Abbrechen, &QPushButton::clicked, this, &TCsvExportForm::reject);
}

void TCsvExportForm::AddSection(QVBoxLayout* layout, const QString& heading, const QString& label,
                                QWidget* field, QWidget* extra)
{
    QLabel* head = NewHeading(this, heading);
    QLabel* caption = NewLabel(this, nullptr, label, {.buddy = extra ? extra : field});
    auto* row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(field, 1);
    if (extra)
        row->addWidget(extra);
    layout->addWidget(head);
    layout->addLayout(row);
    layout->addSpacing(8);
}

void TCsvExportForm::FinishLayout()
{
    AddOkAbbrechenRow(m_layout, Btn_OK, Btn_Abbrechen, StatusBar);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TCsvExportForm::ResetInput()
{
    Dateiname->setText(QString::fromUtf8(kBitteWaehlen));
    Trennzeichen->setCurrentIndex(0);
}

void TCsvExportForm::Btn_DateinameClick()
{
    // The dialog's own overwrite question is left out: CheckInput asks it.
    const QString name = FileDialogs::GetSaveFileName(
        this, QStringLiteral("Datei für den CSV-Export"), m_saveName,
        QStringLiteral("CSV-Dateien (*.csv)"), QStringLiteral("csv"),
        QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty())
        return;
    m_saveName = name;
    Dateiname->setText(name);
}

namespace {
void putNumber(QChar*& out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    out += width;
}

bool putDate(QChar*& out, const QDate& d)
{
    if (d.year() < 0 || d.year() > 9999)
        return false;
    putNumber(out, d.day(), 2);
    *out++ = u'.';
    putNumber(out, d.month(), 2);
    *out++ = u'.';
    putNumber(out, d.year(), 4);
    return true;
}
}

QString TCsvExportForm::DatumText(const QDate& date)
{
    if (!date.isValid())
        return QString();
    QString text(10, Qt::Uninitialized);
    QChar* out = text.data();
    return putDate(out, date) ? text : date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString TCsvExportForm::DatumZeitText(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return QString();
    QString text(19, Qt::Uninitialized);
    QChar* out = text.data();
    if (!putDate(out, dateTime.date()))
        return dateTime.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    const QTime t = dateTime.time();
    *out++ = u' ';
    putNumber(out, t.hour(), 2);
    *out++ = u':';
    putNumber(out, t.minute(), 2);
    *out++ = u':';
    putNumber(out, t.second(), 2);
    return text;
}

bool TCsvExportForm::DateiGewaehlt(const QLineEdit* dateiname, QWidget* fokus)
{
    if (dateiname->text() != QString::fromUtf8(kBitteWaehlen))
        return true;
    Msg::Information(QStringLiteral("Bitte wählen Sie zunächst eine Datei, in die alle "
                                    "betreffenden Datensätze exportiert werden sollen."));
    fokus->setFocus();
    return false;
}

bool TCsvExportForm::CheckInput()
{
    const QString name = Dateiname->text();
    if (!DateiGewaehlt(Dateiname, Btn_Dateiname))
        return false;
    if (QFileInfo::exists(name)
        && !Msg::WarningQuestion(QStringLiteral("Die Datei '%1' existiert bereits.\n\rSind Sie sicher, "
                                                "dass Sie diese Datei überschreiben möchten?").arg(name))) {
        Btn_Dateiname->setFocus();
        return false;
    }
    return true;
}

bool TCsvExportForm::RunExport(const QStringList& spalten, const QString& progressFormat,
                               const std::function<int()>& count,
                               const std::function<void(const AddRowFn&)>& rows)
{
    if (m_running)
        return false;
    const QString path = Dateiname->text();
    const char separator = SeparatorOf(Trennzeichen->currentIndex());
    // Progress steps let events through: nothing may start a second run or close the dialog.
    m_running = true;
    Btn_OK->setEnabled(false);
    Btn_Abbrechen->setEnabled(false);
    const bool ok = Guard([&] {
        WaitCursor wait;
        TDialogStatus status(StatusBar, progressFormat.arg(0));
        TCsvDatei csv;
        csv.SetSpalten(spalten);
        csv.OpenWrite(path, separator);
        const int total = count();
        const int step = ProgressStep(total);
        int written = 0;
        rows([&](const QStringList& values) {
            csv.AddValues(values);
            ++written;
            if (written % step == 0) {
                StatusBar->showMessage(progressFormat.arg(ProgressPercent(written, total)));
                StatusBar->repaint();
                ProcessPendingEvents();
            }
        });
        csv.CloseWrite();
    });
    Btn_OK->setEnabled(true);
    Btn_Abbrechen->setEnabled(true);
    m_running = false;
    return ok;
}


