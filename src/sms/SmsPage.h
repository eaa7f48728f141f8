#pragma once
#include "foundation/Page.h"
#include "sms/SmsKontakteModel.h"
#include <QAbstractTableModel>
#include <QLabel>
#include <QPersistentModelIndex>
#include <QTableView>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QToolBar;
class QToolButton;
class TProtokollModel;

// The SMS page: groups and contacts to send to, the local send log with its search and the
// details of one SMS.
class GatewaySession;
struct TVersandteSms;
class TKontaktForm;
class TKontaktgruppenForm;
class TSmsForm;
class TSmsVersandStatusForm;

// The dialogs the SMS page opens (created once by the start-up).
struct TSmsDialoge {
    TSmsForm* Sms = nullptr;
    TSmsVersandStatusForm* Status = nullptr;
    TKontaktForm* Kontakt = nullptr;
    TKontaktgruppenForm* Gruppe = nullptr;
};

class TSmsPage : public TPage {
    Q_OBJECT
public:
    TSmsPage(GatewaySession& session, const TSmsDialoge& dialoge, QWidget* parent = nullptr);
    ~TSmsPage() override;
    QString TitleText() const override;
    QWidget* ToolBar() override;
    void BeforeSwitch() override;
    void Load() override;
    void RestoreLayout(const TIniFileDaten& ini) override;
    void StoreLayout(TIniFileDaten& ini) const override;
    int GroupIndex() const override;
    void RefreshAfterImport(int previousGroupIndex) override;

    // Group list and contacts.
    void LoadSmsKontaktgruppen();
    QString GetKontaktCountText(int id);
    int LoadSmsKontakte(int id);
    std::unique_ptr<TKontaktDaten::TKontaktListe> NeueSmsKontakte(int id);
    int ZeigeSmsKontakte(std::unique_ptr<TKontaktDaten::TKontaktListe> liste);
    void ResetSmsKontakteSuche();
    void ResetSmsSuche();
    void SendSmsToSelectedKontakte();
    void SendSmsToSelectedKontaktgruppen();
    void SelectGridRange(QTableView* grid, const QPersistentModelIndex& anchor,
                         const QPersistentModelIndex& target);
    void ShowSelectedSmsDetails();
    // The id of the current group (0 for all contacts or none).
    int CurrentGroupId() const;

    // Send log.
    // False when nothing was stored (login cancelled, first page refused); throws DbError.
    bool DownloadProtokoll();
    int LoadProtokoll();
    void ShowSmsDetails(int id);

    TSmsKontakteModel* KontakteModel() const { return m_kontakte; }
    TProtokollModel* ProtokollModel() const { return m_protokoll; }

public Q_SLOTS:
    void ToolButton_Sms_NeuClick();
    void ToolButton_Sms_ProtokollUpdateClick();
    void ToolButton_Sms_Kontakt_SuchenClick();
    void Button_Sms_Kontakte_SuchenClick();
    void Button_Sms_Kontakte_Suchen_StopClick();
    void ToolButton_Sms_SuchenClick();
    void Button_Sms_SuchenClick();
    void Button_Sms_Suchen_StopClick();
    void ListBox_Sms_KontaktgruppenClick();
    void ListBox_Sms_KontaktgruppenDblClick();
    void Sms_Kontakte_SortierungChange();
    void VersendeteSms_SortierungChange();
    void MenuItem1Click();
    void MenuItem2Click();
    void Grid_Sms_KontakteDblClick();
    void SMSsenden1Click();
    void Eigenschaften1Click();
    void Label_SMS_EmpfaengerClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildUi();
    void buildToolBar();
    void buildKontaktgruppen();
    void buildKontakte();
    QSplitter* buildProtokollSuche();
    void buildProtokoll(QSplitter* rightSplitter);
    void buildSmsDetails(QSplitter* rightSplitter);
    // The pop-up menu of a list: "SMS &senden" (default) and "&Eigenschaften".
    QMenu* sendPopup(QAbstractItemView* view, const char* name, const char* sendName, void (TSmsPage::*send)(),
                     QAction*& sendAction, const char* propertiesName, void (TSmsPage::*properties)(),
                     QAction*& propertiesAction);
    void Grid_Sms_KontakteKeyPress(QKeyEvent* event);
    void Grid_Sms_KontakteMouseUp(Qt::KeyboardModifiers modifiers);
    // Shows the composer; on a successful send the status dialog and the reloads.
    // Fills the composer with contacts by id or groups by id (none: empty) and runs it.
    void openComposer(const std::vector<int>& kontaktIds, const std::vector<int>& gruppenIds);
    void showKontaktReadOnly(int id);
    void showGruppeReadOnly(int id);
    void FillSmsDetails(const TVersandteSms& d);
    void clearSmsDetails();
    // A search button: an empty text is refused; without hits the filter goes off again.
    void startSearch(QLineEdit* edit, bool& aktiv, QPushButton* stop, const std::function<int()>& load);

    std::vector<int> SmsKontaktgruppenIds;
    bool SmsKontakteSucheOffen = false;
    bool SmsKontakteSucheAktiv = false;
    bool SmsSucheOffen = false;
    bool SmsSucheAktiv = false;
    QPersistentModelIndex SmsKontakteAnker;
    QPersistentModelIndex SmsKontakteZiel;
    bool m_downloading = false;
    GatewaySession& m_session;
    TSmsDialoge m_dialoge;
    bool m_groupChangedByPress = false;
    int m_leftWidth = 240;    // SMS_Width_Panel_Left
    int m_topHeight = 150;    // Height_Panel_LeftTop
    void applyPanelSizes();

    TSmsKontakteModel* m_kontakte;
    TProtokollModel* m_protokoll;

    QToolBar* ToolBar_SmsVersand;
    QToolButton* ToolButton_Sms_Neu;
    QToolButton* ToolButton_Sms_ProtokollUpdate;
    QToolButton* ToolButton_Sms_Kontakt_Suchen;
    QToolButton* ToolButton_Sms_Suchen;
    QSplitter* Panel_SMS_Splitter;
    QWidget* Panel_SMS_Left;
    QSplitter* Panel_SMS_LeftSplitter;
    QListWidget* ListBox_Sms_Kontaktgruppen;
    QMenu* PopupMenu_Sms_Kontaktgruppen;
    QAction* MenuItem1;
    QAction* MenuItem2;
    QWidget* Panel_Sms_Kontakte_Suche;
    QLineEdit* Sms_Kontakt_Suchen;
    QPushButton* Button_Sms_Kontakte_Suchen;
    QPushButton* Button_Sms_Kontakte_Suchen_Stop;
    QComboBox* Sms_Kontakte_Sortierung;
    TSmsKontakteGrid* Grid_Sms_Kontakte;
    QMenu* PopupMenu_Sms_Kontakte;
    QAction* SMSsenden1;
    QAction* Eigenschaften1;
    QWidget* Panel_Sms_Suche;
    QLineEdit* Sms_Suchen;
    QPushButton* Button_Sms_Suchen;
    QPushButton* Button_Sms_Suchen_Stop;
    QWidget* Panel_Sms_Versendete_Hinweis;
    QComboBox* VersendeteSms_Sortierung;
    QTableView* Grid_VersendeteSms;
    QLabel* Panel_SMS_Content_Headline;
    QLabel* Label_SMS_Versandzeitpunkt;
    QLabel* Label_SMS_EmpfaengerNummer;
    QLabel* Label_SMS_Empfaenger;
    QLabel* Label_SMS_Absender;
    QLabel* Label_SMS_Typ;
    QLabel* Label_SMS_MessageId;
    QLabel* Label_SMS_RequestId;
    QLabel* Label_SMS_SenderIp;
    QLabel* Label_SMS_MsgParts;
    QLabel* Label_SMS_Op;
    QLabel* Label_SMS_Versandstatus;
    QPlainTextEdit* Memo_SMS_TextSMS;
};
