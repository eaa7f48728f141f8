#pragma once
#include <QDialog>
#include <QVector>

class QLineEdit;
class QPushButton;

// The group editor: names a new contact group or renames one. One instance for the run.
class TKontaktgruppenForm : public QDialog {
    Q_OBJECT
public:
    explicit TKontaktgruppenForm(QWidget* parent = nullptr);
    ~TKontaktgruppenForm() override;

    void SetKategorieId(int id) { KategorieId = id; }
    int GetKategorieId() const { return KategorieId; }
    void SetReadOnly(bool value);

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

