#pragma once
#include <QDialog>
#include <QList>
#include <QSet>
#include <QVector>
#include <memory>

class QComboBox;
class QLineEdit;
class QListView;
class QListWidget;
class QAction;
class QKeyEvent;
class QMenu;
class QAbstractItemView;
class QMimeData;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeView;
class TDragDropDBGrid;
class TSmsKontakteModel;
class TEmpfaengerListe;
class TGeburtstagBaum;

// The recipient picker: contacts are collected from the groups, a searchable contact grid and
// a birthday search into the chosen list. It reads the database only; after OK the composer
// takes the chosen ids (GetEmpfaengerIds) and applies its own rules.
class TEmpfaengerAuswaehlenForm : public QDialog {
    Q_OBJECT
public:
    // Drags between the picker's lists carry their source in this format.
    static constexpr const char* kQuelleMimeType = "application/x-vornix2-empfaenger-quelle";

    explicit TEmpfaengerAuswaehlenForm(QWidget* parent = nullptr);
    ~TEmpfaengerAuswaehlenForm() override;

    // The chosen contacts in the order of adding; readable until the next show.
    QList<int> GetEmpfaengerIds() const;

    // The grid for all contacts (0) or a group's members; the number of rows.
    int OpenKontakte(int kategorieId);
    void LoadKontaktgruppen();
    // "1 Eintrag", else "%d Einträge".
    static QString GetKontakteAnzahl(int anzahl);
    // Appends the contact unless it is listed (no other rule); false when listed or missing.
    bool AddKontakt(int kontaktId);
    bool DeleteKontakt(int kontaktId);
    // Every member of the group (0: every contact).
    void AddKontaktgruppe(int kategorieId);
    void DeleteKontaktgruppe(int kategorieId);
    void AddSelectedKontakte();
    void DeleteSelectedKontakte();
    void AddSelectedKontaktgruppen();
    void DeleteSelectedKontaktgruppen();
    void DeleteSelectedEmpfaenger();
    // 0 when the search found nothing (the root alone), else positive.
    int BuildGeburtstagTree();
    void AddSelectedGeburtstagKontakte();
    void DeleteSelectedGeburtstagKontakte();

    // The drag data of one of the picker's lists (by its object name).
    static QMimeData* CreateDragData(const QString& quelle);
    // The source list named in a drag of this process; empty for any other data.
    static QString DragQuelle(const QMimeData* data);

public Q_SLOTS:
    void Button_Kontakte_SuchenClick();
    void Button_Kontakte_Suchen_StopClick();
    void Kontakte_SortierungChange();
    void ListBox_KontaktgruppenClick();
    void Button_Geburtstag_SuchenClick();
    void Button_Geburtstag_Suchen_StopClick();
    void Btn_OKClick();
    void Btn_AbbrechenClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUi();
    void buildKontakteTab();
    void layoutKontakteTab();
    void buildGeburtstagTab();
    void buildEmpfaengerListe();
    void connectHandlers();
    QMenu* newPopup(const char* name, QWidget* owner);
    QAction* addPopupAction(QMenu* menu, const char* name, const char* text, void (TEmpfaengerAuswaehlenForm::*f)());
    void acceptDrops(QAbstractItemView* view);
    void FormShow();
    int currentGroupId() const;
    void addKontakte(const QVector<int>& ids);
    void removeKontakte(const QSet<int>& ids);
    void setDefaultRange();
    bool dropAllowed(QObject* target, const QMimeData* data) const;
    // The drag and drop events on the views' viewports; true when handled.
    bool dragEvent(QObject* watched, QEvent* event);
    // Enter and Delete in the search edits and lists; true when swallowed.
    bool keyPress(QObject* watched, QKeyEvent* event);
    void dropOn(QObject* target, const QMimeData* data);
    void gridKeyPress(QKeyEvent* event, bool& swallow);
    void normalizeRange(QLineEdit* edit);

    QVector<int> KontaktgruppenIds;
    bool KontakteSucheAktiv = false;
    bool GeburtstagSucheAktiv = false;
    int m_groupRowAtPress = -1;
    bool m_built = false;   // the event filter acts once every widget exists

    QTabWidget* PageControl = nullptr;
    QWidget* TabSheet_Kontakte = nullptr;
    QWidget* TabSheet_Geburtstag = nullptr;
    QListWidget* ListBox_Kontaktgruppen = nullptr;
    QMenu* PopupMenu_Kontaktgruppen = nullptr;
    QLineEdit* Kontakt_Suchen = nullptr;
    QToolButton* Button_Kontakte_Suchen = nullptr;
    QToolButton* Button_Kontakte_Suchen_Stop = nullptr;
    TDragDropDBGrid* Grid_Kontakte = nullptr;
    TSmsKontakteModel* m_kontakte = nullptr;
    QMenu* PopupMenu_Kontakte = nullptr;
    QComboBox* Kontakte_Sortierung = nullptr;
    QPushButton* Button_An_Kontaktgruppen = nullptr;
    QPushButton* Button_An_Kontakte = nullptr;
    QLineEdit* Geburtstag_Von = nullptr;
    QLineEdit* Geburtstag_Bis = nullptr;
    QToolButton* Button_Geburtstag_Suchen = nullptr;
    QToolButton* Button_Geburtstag_Suchen_Stop = nullptr;
    TGeburtstagBaum* m_geburtstag = nullptr;
    QTreeView* TreeView_Geburtstag = nullptr;
    QMenu* PopupMenu_Geburtstag = nullptr;
    QPushButton* Button1 = nullptr;
    QListView* ListBox_Empfaenger = nullptr;
    TEmpfaengerListe* m_empfaenger = nullptr;
    QMenu* PopupMenu_Empfaenger = nullptr;
    QPushButton* Btn_OK = nullptr;
    QPushButton* Btn_Abbrechen = nullptr;
};
