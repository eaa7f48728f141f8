#pragma once
#include "contacts/KontaktDaten.h"
#include "foundation/LaufDialog.h"
#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <utility>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QStatusBar;
class QStringListModel;
class QWidget;
class TCsvDatei;

// The wizard that turns every record of a CSV file with a header line into a new contact.
// Step 1: file, separator and an optional group; "Weiter" reads the file. Step 2: each of the
// 24 contact fields mapped to a column (preset from the contacts export's column names);
// "Fertigstellen" writes the contacts as one unit.
class TKontakteImportCsvForm : public TLaufDialog {
    Q_OBJECT
public:
    // One mapping list: its object name, the contact field it fills, the position of its
    // preset in the export's column names, and the rule of its value.
    enum class Regel { Text, Geschlecht, Flag, Datum, Mobil };
    struct Zuordnung {
        const char* liste;
        const char* label;
        TKontaktFeld feld;
        int exportSpalte;
        Regel regel;
    };
    // The 24 mappings in the order in which their columns enter the update.
    static const std::vector<Zuordnung>& Zuordnungen();

    // exportSpalten: the contacts export's column names (the presets).
    explicit TKontakteImportCsvForm(QStringList exportSpalten, QWidget* parent = nullptr);
    ~TKontakteImportCsvForm() override;

    // One record as a contact: the field of each mapping whose column name is not empty (in
    // the order of Zuordnungen()) is given and holds the column's value. An invalid date is
    // left out.
    static void Werte(const TCsvDatei& csv, int row, const QStringList& spalten,
                      const QStringList& laenderVorwahlen, TImportKontakt& kontakt);
    // The same for many records: the mappings' columns and names looked up once.
    class TWerteLeser {
    public:
        TWerteLeser(const TCsvDatei& csv, const QStringList& spalten, QStringList laenderVorwahlen);
        void Werte(int row, TImportKontakt& kontakt) const;

    private:
        struct Feld;
        const TCsvDatei& m_csv;
        std::vector<Feld> m_felder;
        QStringList m_vorwahlen;
    };
    // Position of `name` in `items` ignoring case (first match), 0 when absent.
    static int IndexOfSpalte(const QStringList& items, const QString& name);

    // Ignored while the import runs; releases the file read.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void LoadKontaktgruppen();
    void Btn_DateinameClick();
    bool CheckStep1();
    void Btn_Step1_WeiterClick();
    void Btn_Step2_ZurueckClick();
    bool CheckStep2();
    void Btn_Step2_WeiterClick();
    void ShowStep(int step);
    QWidget* BuildStep1();
    QWidget* BuildStep2();
    // The mapping lists with their labels under the section titles, in rows as kLayout lays them.
    QWidget* BuildZuordnungsListen();

    QStringList m_exportSpalten;
    std::unique_ptr<TCsvDatei> CsvDatei;
    QVector<int> KontaktgruppenIds;   // parallel to Kontaktgruppen; 0 means no group
    QString m_openName;               // the open dialog keeps the name last chosen

    QStackedWidget* m_panels;
    QWidget* Panel_Step1;
    QWidget* Panel_Step2;
    QLineEdit* Dateiname;
    QPushButton* Btn_Dateiname;
    QComboBox* Trennzeichen;
    QComboBox* Kontaktgruppen;
    QPushButton* Btn_Step1_Weiter;
    QPushButton* Btn_Step1_Abbrechen;
    QScrollArea* ScrollBox1;
    QVector<QComboBox*> m_listen;     // parallel to Zuordnungen()
    QStringListModel* m_spaltenModel; // "[keine Zuordnung]" + the file's columns, shared by the lists
    QPushButton* Btn_Step2_Zurueck;
    QPushButton* Btn_Step2_Weiter;
    QPushButton* Btn_Step2_Abbrechen;
    QStatusBar* StatusBar;
};
