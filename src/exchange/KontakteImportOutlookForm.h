#pragma once
#include "contacts/KontaktDaten.h"
#include "foundation/LaufDialog.h"
#include "platform/OutlookKontakte.h"
#include <QDialog>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <utility>

class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;

// Opens the contact source of one run (the Outlook data file; a fake in tests).
using OutlookQuelle = std::function<std::unique_ptr<IOutlookKontakte>()>;

// Copies every contact of Outlook's default contacts folder into the contacts as new ones,
// optionally into one group. The whole run is one unit: a failure writes nothing.
class TKontakteImportOutlookForm : public TLaufDialog {
    Q_OBJECT
public:
    explicit TKontakteImportOutlookForm(OutlookQuelle quelle, QWidget* parent = nullptr);

    // The salutation of an Outlook contact: 3 female, 2 male, 1 unknown.
    static int Geschlecht(int gender, const QString& title);
    // One contact as it is imported. Reads the properties in Outlook's order; throws
    // OutlookFehler when one cannot be read.
    static TImportKontakt Kontakt(const OutlookKontakt& kontakt, const QStringList& laenderVorwahlen);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void LoadKontaktgruppen();
    bool CheckInput();
    void Btn_OKClick();
    // The import; false when it failed (already shown) or the choice of the file was cancelled.
    // `anzahl` is the number imported.
    bool Importiere(int kategorieId, int& anzahl);

    OutlookQuelle m_quelle;
    QVector<int> KontaktgruppenIds;   // parallel to Kontaktgruppen; 0: no group

    QLabel* Label33;
    QLabel* Label34;
    QComboBox* Kontaktgruppen;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;
    QStatusBar* StatusBar;
};
