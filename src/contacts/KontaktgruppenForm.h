#pragma once
#include <QDialog>
#include <QVector>

class QLineEdit;
class QPushButton;

// The group editor: names a new contact group or renames one. One instance for the run.
// It also holds the group delete operations, which use none of the dialog's state.
class TKontaktgruppenForm : public QDialog {
    Q_OBJECT
public:
    explicit TKontaktgruppenForm(QWidget* parent = nullptr);
    ~TKontaktgruppenForm() override;

    void SetKategorieId(int id) { KategorieId = id; }
    int GetKategorieId() const { return KategorieId; }
    void SetReadOnly(bool value);

    // The group's assignments, then the group; the contacts stay. One unit.
    static void DeleteKategorie(int kategorieId);
    // All assignments to the group; contacts and group stay. One unit.
    static void DeleteKategorieZuordnungen(int kategorieId);
    // Deletes every contact of the group (0: every contact) with all its assignments; the
    // group stays. One unit.
    static void DeleteKontakteOfKategorie(int kategorieId);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void Btn_OKClick();
    void Btn_AbbrechenClick();
    void LoadKategorie();
    void InitNeueKategorie();
    bool CheckEingaben();

    int KategorieId = 0;
    QLineEdit* Bezeichnung;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;
};

extern TKontaktgruppenForm* KontaktgruppenForm;
