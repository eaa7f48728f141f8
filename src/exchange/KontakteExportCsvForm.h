#pragma once
#include "exchange/CsvExportForm.h"
#include <QVector>

// Writes all contacts, or those of one group, into a CSV file of 26 fixed columns. One instance
// for the run; its column names also preset the CSV import's mappings.
class TKontakteExportCsvForm : public TCsvExportForm {
    Q_OBJECT
public:
    explicit TKontakteExportCsvForm(QWidget* parent = nullptr);

    // A copy of the 26 column names, in file order.
    QStringList GetSpalten() const { return Spalten; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void LoadKontaktgruppen();
    void Btn_OKClick();

    QStringList Spalten;
    QVector<int> KontaktgruppenIds;   // parallel to Kontaktgruppen; 0 stands for all contacts
    QComboBox* Kontaktgruppen;
};
