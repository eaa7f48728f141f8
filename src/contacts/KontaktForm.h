#pragma once
#include <QDate>
#include <QDialog>
#include <QVector>
#include <functional>

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QToolButton;
class QWidget;

// The contact editor: creates, edits or shows a contact on four tabs. One instance for the
// run, reused for every contact.
class TKontaktForm : public QDialog {
    Q_OBJECT
public:
    explicit TKontaktForm(QWidget* parent = nullptr);
    ~TKontaktForm() override;

    void SetKontaktId(int id) { KontaktId = id; }
    int GetKontaktId() const { return KontaktId; }
    void SetReadOnly(bool value);

    // The dialling prefixes the mobile number is checked against.
    static QStringList LaenderVorwahlen();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildAllgemeinTab();
    void layoutAllgemeinTab();
    // The contact fields behind one address tab's edits.
    struct TAdressFelder;
    QWidget* buildAdressTab(const char* tabName, const QString& headingText, const QString& prefix,
                            const TAdressFelder& felder, QLineEdit*& strasse, QLineEdit*& plz, QLineEdit*& ort, QComboBox*& land,
                            QLineEdit*& telefon, QLineEdit*& telefax, QLineEdit*& webseite);
    void buildKategorienTab();
    void connectHandlers();
    void FormShow();
    void Btn_OKClick();
    void Btn_AbbrechenClick();
    void VornameExit();
    void MobilExit();
    void EmailExit();
    void GeburtsdatumExit();
    void DateTimePicker_GeburtsdatumChange(const QDate& date);
    void Btn_KategorienKontaktClick();
    void Btn_KategorienKontaktAllClick();
    void Btn_KategorienVerfuegbareClick();
    void Btn_KategorienVerfuegbareAllClick();

    void LoadGeschlecht();
    void LoadKategorien();
    void LoadKontaktKategorien();
    void LoadKontakt();
    void InitNeuerKontakt();
    void MoveKategorie(int id, bool toKontakt);
    void MoveSelectedKategorie(bool toKontakt);
    void MoveAllKategorien(bool toKontakt);
    void UpdateCaption();
    bool CheckEingaben();
    // Puts the normal form of the mobile number into the field; false when it is refused.
    bool NormalizeMobil();
    void SetLand(QComboBox* combo, const QString& text);
    void SetPickerDate(const QDate& date);
    // Puts the focus back into a field after the current event, with the exit checks held.
    void RefocusLater(QWidget* field);
    void ShowPicker();

    int KontaktId = -1;
    QVector<int> GeschlechtIds;
    QVector<int> KategorienVerfuegbareIds;
    QVector<int> KategorienKontaktIds;

    int m_suppressExit = 0;
    int m_refocusPending = 0;   // a field's "correct it" is about to take the focus back
    // A field left for Abbrechen: its leave check waits until the focus moves on from there
    // (a click on Abbrechen or Esc closes without asking).
    QObject* m_exitPending = nullptr;
    void FieldExit(QObject* field);
    QDate m_pickerDate;

    QTabWidget* PageControl;
    QWidget* TabSheet_Allgemein;
    QWidget* TabSheet_Privat;
    QWidget* TabSheet_Geschaeftlich;
    QWidget* TabSheet_Kategorien;
    QComboBox* Geschlecht;
    QLineEdit* Vorname;
    QLineEdit* Nachname;
    QLineEdit* Firma;
    QLineEdit* KdNr;
    QLineEdit* Mobil;
    QCheckBox* NieAnschreibenSMS;
    QLineEdit* Email;
    QCheckBox* NieAnschreibenEmail;
    QLineEdit* Geburtsdatum;
    QToolButton* DateTimePicker_Geburtsdatum;
    QCalendarWidget* Calendar_Geburtsdatum;
    QLabel* LastSend;
    QLineEdit* P_Strasse;
    QLineEdit* P_PLZ;
    QLineEdit* P_Ort;
    QComboBox* P_Land;
    QLineEdit* P_Telefon;
    QLineEdit* P_Telefax;
    QLineEdit* P_Webseite;
    QLineEdit* F_Strasse;
    QLineEdit* F_PLZ;
    QLineEdit* F_Ort;
    QComboBox* F_Land;
    QLineEdit* F_Telefon;
    QLineEdit* F_Telefax;
    QLineEdit* F_Webseite;
    QListWidget* ListBox_KategorienKontakt;
    QListWidget* ListBox_KategorienVerfuegbare;
    QPushButton* Btn_KategorienKontakt;
    QPushButton* Btn_KategorienKontaktAll;
    QPushButton* Btn_KategorienVerfuegbare;
    QPushButton* Btn_KategorienVerfuegbareAll;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;
};


// An editor's write on OK as one unit; `write` is told whether the id (below 0) asks for a
// new row. On failure everything is rolled back, the error is shown, a new row's id is set
// back to -1 and false is returned: the dialog stays open.
bool WriteAsUnit(int& id, const std::function<void(bool isNew)>& write);
// The length of a text as the database counts it: characters, not UTF-16 units.
int DbTextLength(const QString& text);
// Limits typing into the edit to a column's width in characters; a text set from code (a
// stored value) is never cut.
QLineEdit* LimitToColumn(QLineEdit* edit, int width);
