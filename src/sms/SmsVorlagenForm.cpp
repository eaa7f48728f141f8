#include "sms/SmsVorlagenForm.h"
#include "foundation/DatenModul.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "foundation/WidgetKit.h"
#include "sms/SmsVorlagenDaten.h"
#include "sms/SmsVorlagenEditForm.h"
#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const char* const kMsgLoeschen = "Sind Sie sicher, dass Sie die gewählte SMS-Vorlage löschen möchten?";

}

TSmsVorlagenForm::TSmsVorlagenForm(TSmsVorlagenEditForm* editForm, QWidget* parent)
    : QDialog(parent), m_editForm(editForm)
{
    setObjectName(QStringLiteral("SmsVorlagenForm"));
    UseDialogKeys(this);
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("SMS-Vorlagen"));

    QHBoxLayout* toolBar = buildToolBar();
    QWidget* left = buildVorlagenListe();
    buildPopupMenu();
    QWidget* right = buildVorlage();
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setChildrenCollapsible(false);
    splitter->setSizes({200, 340});

    StatusBar = NewDialogStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(toolBar);
    layout->addWidget(splitter, 1);
    layout->addWidget(StatusBar);
    setFixedSize(580, 400);

    connect(ToolButton_Vorlage_Neu, &QToolButton::clicked, this, &TSmsVorlagenForm::ToolButton_Vorlage_NeuClick);
    connect(ToolButton_Vorlage_Loeschen, &QToolButton::clicked, this,
            &TSmsVorlagenForm::ToolButton_Vorlage_LoeschenClick);
    // The selection, not the click: keyboard moves change it too.
    connect(ListBox_SmsVorlagen, &QListWidget::itemSelectionChanged, this,
            &TSmsVorlagenForm::ListBox_SmsVorlagenClick);
    connect(ListBox_SmsVorlagen, &QListWidget::itemDoubleClicked, this,
            &TSmsVorlagenForm::ListBox_SmsVorlagenDblClick);
    connect(ListBox_SmsVorlagen, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu->popup(ListBox_SmsVorlagen->viewport()->mapToGlobal(pos));
    });
    connect(SmsTypText_Sendetext, &QPlainTextEdit::textChanged, this,
            &TSmsVorlagenForm::SmsTypText_SendetextChange);
}

QHBoxLayout* TSmsVorlagenForm::buildToolBar()
{
    ToolButton_Vorlage_Neu = NewToolButton(this, "ToolButton_Vorlage_Neu",
                                           {.text = QStringLiteral("Neu"), .hint = u("legt eine neue SMS-Vorlage an"),
                                            .icon = style()->standardIcon(QStyle::SP_FileIcon), .iconSize = 24,
                                            .autoRaise = true, .style = Qt::ToolButtonTextUnderIcon});
    ToolButton_Vorlage_Loeschen = NewToolButton(
        this, "ToolButton_Vorlage_Loeschen",
        {.text = u("Löschen"), .hint = u("löscht die aktuell gewählte SMS-Vorlage"),
         .icon = style()->standardIcon(QStyle::SP_TrashIcon), .iconSize = 24, .autoRaise = true,
         .style = Qt::ToolButtonTextUnderIcon});
    auto* toolBar = new QHBoxLayout;
    toolBar->addWidget(ToolButton_Vorlage_Neu);
    toolBar->addWidget(ToolButton_Vorlage_Loeschen);
    toolBar->addStretch();
    return toolBar;
}

QWidget* TSmsVorlagenForm::buildVorlagenListe()
{
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    ListBox_SmsVorlagen = new QListWidget(left);
    ListBox_SmsVorlagen->setObjectName(QStringLiteral("ListBox_SmsVorlagen"));
    ListBox_SmsVorlagen->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox_SmsVorlagen->setContextMenuPolicy(Qt::CustomContextMenu);
    leftLayout->addWidget(NewHeading(this, u("Vorhandene SMS-Vorlagen")));
    leftLayout->addWidget(ListBox_SmsVorlagen);
    return left;
}

void TSmsVorlagenForm::buildPopupMenu()
{
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    QAction* bearbeiten = PopupMenu->addAction(QStringLiteral("&Bearbeiten"));
    bearbeiten->setObjectName(QStringLiteral("Bearbeiten1"));
    QAction* neu = PopupMenu->addAction(QStringLiteral("&Neu"));
    neu->setObjectName(QStringLiteral("Neu1"));
    PopupMenu->addSeparator();
    QAction* loeschen = PopupMenu->addAction(u("&Löschen"));
    loeschen->setObjectName(QStringLiteral("Lschen1"));
    PopupMenu->setDefaultAction(bearbeiten);
    connect(bearbeiten, &QAction::triggered, this, &TSmsVorlagenForm::ListBox_SmsVorlagenDblClick);
    connect(neu, &QAction::triggered, this, &TSmsVorlagenForm::ToolButton_Vorlage_NeuClick);
    connect(loeschen, &QAction::triggered, this, &TSmsVorlagenForm::ToolButton_Vorlage_LoeschenClick);
}

// The chosen template: its type, name, text and length.
QWidget* TSmsVorlagenForm::buildVorlage()
{
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    SmsTyp = NewLabel(right, "SmsTyp", QStringLiteral("-"));
    VorlagenName = NewLabel(right, "VorlagenName", QStringLiteral("-"));
    VorlagenName->setTextFormat(Qt::PlainText);   // the user's own name for it
    SmsTypText_Sendetext = new QPlainTextEdit(right);
    SmsTypText_Sendetext->setObjectName(QStringLiteral("SmsTypText_Sendetext"));
    SmsTypText_Sendetext->setReadOnly(true);
    SmsTypText_Sendetext->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SmsTypText_Sendetext_AnzahlZeichen = NewLabel(right, "SmsTypText_Sendetext_AnzahlZeichen", QStringLiteral("-"));
    auto* details = new QGridLayout;
    details->addWidget(new QLabel(QStringLiteral("SMS-Typ:"), right), 0, 0);
    details->addWidget(SmsTyp, 0, 1);
    details->addWidget(new QLabel(QStringLiteral("Name:"), right), 1, 0);
    details->addWidget(VorlagenName, 1, 1);
    details->addWidget(new QLabel(QStringLiteral("Sendetext:"), right), 2, 0, Qt::AlignTop);
    details->addWidget(SmsTypText_Sendetext, 2, 1);
    details->addWidget(SmsTypText_Sendetext_AnzahlZeichen, 3, 1);
    details->setColumnStretch(1, 1);
    rightLayout->addWidget(NewHeading(this, u("Inhalt der SMS-Vorlagen")));
    rightLayout->addLayout(details);
    return right;
}

TSmsVorlagenForm::~TSmsVorlagenForm()
{
}

void TSmsVorlagenForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TSmsVorlagenForm::FormShow()
{
    Guard([&] { LoadVorlagen(); });
    ListBox_SmsVorlagenClick();
}

void TSmsVorlagenForm::LoadVorlagen()
{
    WaitCursor wait;
    TDialogStatus status(StatusBar, u("Bitte warten... die SMS-Vorlagen werden eingelesen."), TStatusEcho::AlsoStatusText);
    // Programmatic changes are no click on the list.
    const QSignalBlocker blocker(ListBox_SmsVorlagen);
    ListBox_SmsVorlagen->setUpdatesEnabled(false);
    ListBox_SmsVorlagen->clear();
    VorlagenIds.clear();
    try {
        QStringList names;
        for (const TSmsVorlagenEintrag& e : TSmsVorlagenDaten::VorlagenListe()) {
            VorlagenIds.append(e.id);
            names.append(e.name);
        }
        ListBox_SmsVorlagen->addItems(names);
    } catch (...) {
        ListBox_SmsVorlagen->setUpdatesEnabled(true);
        throw;
    }
    ListBox_SmsVorlagen->setUpdatesEnabled(true);
}

int TSmsVorlagenForm::selectedIndex() const
{
    const QList<QListWidgetItem*> selected = ListBox_SmsVorlagen->selectedItems();
    if (selected.isEmpty())
        return -1;
    const int row = ListBox_SmsVorlagen->row(selected.first());
    return row < VorlagenIds.size() ? row : -1;
}

void TSmsVorlagenForm::ListBox_SmsVorlagenClick()
{
    const int index = selectedIndex();
    Guard([&] { ShowVorlage(index >= 0 ? VorlagenIds.at(index) : -1); });
}

void TSmsVorlagenForm::ShowVorlage(int id)
{
    WaitCursor wait;
    TDialogStatus status(StatusBar, u("Bitte warten... die SMS-Vorlage wird eingelesen."), TStatusEcho::AlsoStatusText);
    TSmsVorlage vorlage;
    bool found = false;
    try {
        if (id >= 0)
            found = TSmsVorlagenDaten::LadeVorlage(id, vorlage);
    } catch (...) {
        SmsTypText_SendetextChange();
        throw;
    }
    if (found) {
        // Only type 0 is ever written; a stored 2 is no type this program knows.
        SmsTyp->setText(vorlage.typ == 2 ? QStringLiteral("unbekannt") : QStringLiteral("Text-Nachricht"));
        VorlagenName->setText(vorlage.name);
        SmsTypText_Sendetext->setPlainText(vorlage.content);
    } else {
        SmsTyp->setText(QStringLiteral("-"));
        VorlagenName->setText(QStringLiteral("-"));
        SmsTypText_Sendetext->clear();
    }
    SmsTypText_SendetextChange();
}

void TSmsVorlagenForm::SmsTypText_SendetextChange()
{
    const QString text = MemoSendetext(SmsTypText_Sendetext);
    SmsTypText_Sendetext_AnzahlZeichen->setText(text.isEmpty() ? QStringLiteral("-") : VorlagenZeichenText(text));
}

void TSmsVorlagenForm::ToolButton_Vorlage_NeuClick()
{
    m_editForm->SetVorlagenId(-1);
    if (m_editForm->exec() != QDialog::Accepted)
        return;
    Guard([&] { LoadVorlagen(); });
    ListBox_SmsVorlagenClick();
}

void TSmsVorlagenForm::ListBox_SmsVorlagenDblClick()
{
    const int index = selectedIndex();
    if (index < 0)
        return;
    m_editForm->SetVorlagenId(VorlagenIds.at(index));
    if (m_editForm->exec() != QDialog::Accepted)
        return;
    Guard([&] { LoadVorlagen(); });
    // The same position, whichever template the new name order put there.
    if (index < ListBox_SmsVorlagen->count()) {
        const QSignalBlocker blocker(ListBox_SmsVorlagen);
        ListBox_SmsVorlagen->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    }
    ListBox_SmsVorlagenClick();
}

void TSmsVorlagenForm::ToolButton_Vorlage_LoeschenClick()
{
    const int index = selectedIndex();
    if (index < 0)
        return;
    if (!Msg::WarningQuestion(u(kMsgLoeschen)))
        return;
    if (!Guard([&] { m_editForm->DeleteVorlage(VorlagenIds.at(index)); }))
        return;
    Guard([&] { LoadVorlagen(); });
    ListBox_SmsVorlagenClick();
}
