#pragma once
#include "foundation/Page.h"
#include <QListWidget>
#include <QVector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QTableView;
class QToolBar;
class QToolButton;
class TDragDropDBGrid;
class TKontaktePage;
class TKontakteModel;
class TKontaktProtokollModel;

// The group list of the contacts page: one reload per user click or keyboard move (none
// when code selects), and the drop target for contacts dragged from the contact grid.
class TKontaktgruppenListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TKontaktgruppenListBox(TKontaktePage* page, QWidget* parent = nullptr);
    // Selects without running the click handler.
    void SelectSilently(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TKontaktePage* m_page;
    int m_pressedRow = -1;
};

class TKontaktForm;
class TKontaktgruppenForm;

// The contact and group editors that the pages open (created once by the start-up).
struct TKontaktDialoge {
    TKontaktForm* Kontakt = nullptr;
    TKontaktgruppenForm* Gruppe = nullptr;
};

// The Kontakte page of the main window: groups at the left, the contacts of the selected
// group with search and sort at the right, the current contact's details and send log below.
class TKontaktePage : public TPage {
    Q_OBJECT
public:
    explicit TKontaktePage(const TKontaktDialoge& dialoge, QWidget* parent = nullptr);
    ~TKontaktePage() override;

    QString TitleText() const override;
    QWidget* ToolBar() override;
    void BeforeSwitch() override;
    void Load() override;
    void RestoreLayout(const TIniFileDaten& ini) override;
    void StoreLayout(TIniFileDaten& ini) const override;
    int GroupIndex() const override;
    void RefreshAfterImport(int previousGroupIndex) override;

    // Operations of the page.
    void LoadKontaktgruppen();
    int LoadKontakte(int kategorieId);
    void ShowKontaktDetails(int kontaktId);
    QStringList GetKontaktKategorienText(int kontaktId);
    void LoadKontaktProtokoll(const QString& mobil);
    void ShowSelectedKontaktDetails();
    void EditKontakt(int kontaktId);
    void NewKontakt();
    void EditKontaktgruppe(int kategorieId);
    void NewKontaktgruppe();
    void DeleteKontaktgruppe(int kategorieId);
    void ClearKontaktgruppe(int kategorieId);
    void DeleteKontakteOfKontaktgruppe(int kategorieId);
    void ResetKontakteSuche();

    // Handlers.
    void ListBox_KontaktgruppenClick();
    void ListBox_KontaktgruppenDblClick();
    void ToolButton_Kontaktgruppe_NeuClick();
    void ToolButton_Kontaktgruppe_LoeschenClick();
    void Zuordnungenaufheben1Click();
    void Kontaktelschen1Click();
    void Kontakte_SortierungChange();
    void Grid_KontakteDblClick();
    bool Grid_KontakteKeyPress(QKeyEvent* event);
    void ToolButton_Kontakt_NeuClick();
    void ToolButton_Kontakt_LoeschenClick();
    void ToolButton_Kontakt_SuchenClick();
    void Button_Kontakte_SuchenClick();
    void Button_Kontakte_Suchen_StopClick();
    void Label_Kontakte_EmailClick();
    void Label_Kontakte_P_WebseiteClick();
    void Label_Kontakte_F_WebseiteClick();

    // Drag and drop of contacts onto a group.
    void Grid_KontakteMouseDown(QMouseEvent* event);
    void Grid_KontakteStartDrag();
    bool ListBox_KontaktgruppenDragOver(const QMimeData* data, int row);
    void ListBox_KontaktgruppenDragDrop();
    void Grid_KontakteEndDrag();

    // State, readable by tests and the frame.
    const QVector<int>& KontaktgruppenIds() const { return m_kontaktgruppenIds; }
    bool KontakteSucheAktiv() const { return m_sucheAktiv; }
    bool KontakteSucheSichtbar() const { return m_sucheSichtbar; }
    TKontakteModel* KontakteModel() const { return m_kontakteModel; }
    // The ids of the selected rows in grid order, else the current row's id.
    QVector<int> GewaehlteKontaktIds() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolBar();
    void buildGruppenPanel();
    QWidget* buildKontaktListe();
    QWidget* buildDetails();
    void buildDetailLabels(QWidget* labels);
    void layoutDetailLabels(QWidget* labels);
    void buildKontaktProtokoll(QWidget* details, QWidget* scroll);
    void buildSplitters(QWidget* right, QWidget* details);
    void buildPopupMenus();
    void connectHandlers();
    TKontaktDialoge m_dialoge;
    int SelectedKategorieId() const;
    void SelectKontaktgruppe(int kategorieId);
    // Loads the groups, selects the group (entry 0 when it is gone) and shows its contacts.
    void ReloadKontaktgruppen(int selectId);
    // Runs the operation with the selected group's id; entry 0 gets the refusal instead,
    // unless there is none. Nothing when no entry is selected.
    void WithSelectedKontaktgruppe(const char* refusal, void (TKontaktePage::*operation)(int));
    // Asks, runs the group operation and reloads the groups.
    template <class F> void KontaktgruppenOperation(const QString& question, int kategorieId, F&& operation);
    void SetCurrentKontaktRow(int row, bool select);
    void Locate(int kontaktId);

    QVector<int> m_kontaktgruppenIds;
    bool m_sucheAktiv = false;
    bool m_sucheSichtbar = false;
    int m_dragItemIndex = -1;
    int m_leftWidth = 170;

    QToolBar* ToolBar_Kontakte;
    QToolButton* ToolButton_Kontaktgruppe_Neu;
    QToolButton* ToolButton_Kontaktgruppe_Loeschen;
    QToolButton* ToolButton_Kontakt_Neu;
    QToolButton* ToolButton_Kontakt_Loeschen;
    QToolButton* ToolButton_Kontakt_Suchen;
    QSplitter* Splitter_Kontakte;
    QWidget* Panel_Kontakte_Left;
    TKontaktgruppenListBox* ListBox_Kontaktgruppen;
    QComboBox* Kontakte_Sortierung;
    QWidget* Panel_Kontakte_Suche;
    QLineEdit* Kontakt_Suchen;
    QToolButton* Button_Kontakte_Suchen;
    QToolButton* Button_Kontakte_Suchen_Stop;
    TDragDropDBGrid* Grid_Kontakte;
    TKontakteModel* m_kontakteModel;
    QLabel* Panel_Kontaktdetails_Headline;
    QTableView* Grid_Kontakte_Versandprotokoll;
    TKontaktProtokollModel* m_protokollModel;
    QMenu* PopupMenu_Kontaktgruppen;
    QMenu* PopupMenu_Kontakte;
    QList<QLabel*> m_detailLabels;
    QLabel* Label_Kontakte_Name;
    QLabel* Label_Kontakte_P_Strasse;
    QLabel* Label_Kontakte_P_Ort;
    QLabel* Label_Kontakte_P_Land;
    QLabel* Label_Kontakte_P_Telefon;
    QLabel* Label_Kontakte_P_Telefax;
    QLabel* Label_Kontakte_P_Webseite;
    QLabel* Label_Kontakte_Firma;
    QLabel* Label_Kontakte_F_Strasse;
    QLabel* Label_Kontakte_F_Ort;
    QLabel* Label_Kontakte_F_Land;
    QLabel* Label_Kontakte_F_Telefon;
    QLabel* Label_Kontakte_F_Telefax;
    QLabel* Label_Kontakte_F_Webseite;
    QLabel* Label_Kontakte_Mobil;
    QLabel* Label_Kontakte_Email;
    QLabel* Label_Kontakte_Geburtsdatum;
    QLabel* Label_Kontakte_Geschlecht;
    QLabel* Label_Kontakte_LetzteSMS;
    QLabel* Label_Kontakte_Kategorien;
    QLabel* Label_Kontakte_KdNr;
};
