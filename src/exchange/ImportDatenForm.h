#pragma once
#include "foundation/LaufDialog.h"
#include <QDialog>
#include <QString>

class AltDatenbank;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QVBoxLayout;

// The points in which the imports from the two earlier editions differ.
struct TAltEdition {
    bool zenit = false;                 // password, flags as "integer = 1", empty categories kept
    QString objectName, caption;
    QString label1, label2, label3;
    QString alias;                      // in the alias file
    QString suffix;                     // after each imported group's name
    QString hinweis;                    // the notice before the start
    QString startText;                  // the first status text
    QString fehlerFormat;               // "...Fehlermeldung: %s"
    QString erfolg;
};

// The import of the categories, contacts and assignments of an earlier edition's database as
// new groups, contacts and assignments. One algorithm for both editions; the whole run is one
// unit, so a failure writes nothing.
class TImportDatenForm : public TLaufDialog {
    Q_OBJECT
public:

    // The import itself over a connected earlier database, into the open transaction; progress
    // in `statusBar` (may be null). The caller runs it as one unit.
    static void Importiere(const TAltEdition& edition, AltDatenbank& alt, bool kategorien,
                           bool kontakte, bool zuordnungen, QStatusBar* statusBar);

protected:
    // `aliasDatei`: the alias file naming the earlier database.
    TImportDatenForm(TAltEdition edition, QString aliasDatei, QWidget* parent);
    void showEvent(QShowEvent* event) override;

    bool CheckInput();
    void Btn_OKClick();

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* PasswortDb = nullptr;    // Zenit only
    QCheckBox* Import_Kategorien;
    QCheckBox* Import_Kontakte;
    QCheckBox* Import_KatZuOrd;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;
    QStatusBar* StatusBar;

private:
    void FormShow();

    TAltEdition m_edition;
    QString m_aliasDatei;
};
