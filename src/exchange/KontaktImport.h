#pragma once
#include <QString>
#include <QVector>

class QComboBox;
class QStatusBar;

// What the import dialogs share: the group choice and the progress in their status bar.

// Fills the group choice: "[keiner Kontaktgruppe zuordnen]" with id 0, then every group by
// name; `ids` runs parallel to the items.
void LadeImportKontaktgruppen(QComboBox* box, QVector<int>& ids);

// The progress of an import over `total` items in the dialog's status bar: the text (with
// one "%d" for the percentage, "%%" for a percent sign) with 0 at the start, then after every
// ProgressStep(total) items, repainted with pending events let through.
class TImportFortschritt {
public:
    TImportFortschritt(QStatusBar* bar, QString format, int total);
    // Counts one item imported.
    void Weiter();
    int Anzahl() const { return m_anzahl; }
    // The text with the percentage filled in.
    static QString Text(const QString& format, int percent);

private:
    void zeige(int percent);

    QStatusBar* m_bar;
    QString m_format;
    int m_total;
    int m_step;
    int m_anzahl = 0;
};
