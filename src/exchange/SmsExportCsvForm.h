#pragma once
#include "exchange/CsvExportForm.h"

// Writes the whole local send log, newest first, into a CSV file of 12 fixed columns. One
// instance for the run.
class TSmsExportCsvForm : public TCsvExportForm {
    Q_OBJECT
public:
    explicit TSmsExportCsvForm(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void Btn_OKClick();

    QStringList Spalten;
};
