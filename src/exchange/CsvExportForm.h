#pragma once
#include "foundation/LaufDialog.h"
#include <QDate>
#include <QDateTime>
#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QVBoxLayout;

// What the two CSV export dialogs share: the file and separator choice, the input checks and
// the run that writes the file with progress.
class TCsvExportForm : public TLaufDialog {
    Q_OBJECT
public:
    // The placeholder of Dateiname while no file is chosen.
    static constexpr const char* kBitteWaehlen = "Bitte wählen...";
    // False, after the message and with the focus on `fokus`, while `dateiname` still shows
    // the placeholder. The import wizard's first step asks the same.
    static bool DateiGewaehlt(const QLineEdit* dateiname, QWidget* fokus);

    // Separator of a `Trennzeichen` index: 1 a comma, 2 a tab, any other a semicolon.
    static char SeparatorOf(int index);

    // "dd.MM.yyyy" and "dd.MM.yyyy HH:mm:ss" (empty for no date), without a format parse per row.
    static QString DatumText(const QDate& date);
    static QString DatumZeitText(const QDateTime& dateTime);

protected:
    // Builds the file and separator sections under the sections the subclass put into Top().
    TCsvExportForm(const QString& objectName, const QString& caption, const QString& dateiHeading,
                   const QString& initialFileName, QWidget* parent);
    QVBoxLayout* Top() const { return m_top; }
    // Adds a heading, a label and a field as one section.
    void AddSection(QVBoxLayout* layout, const QString& heading, const QString& label, QWidget* field,
                    QWidget* extra = nullptr);
    void FinishLayout();

    void ResetInput();   // placeholder file name, semicolon
    void Btn_DateinameClick();
    bool CheckInput();

    // One record: its values in the order of the columns.
    using AddRowFn = std::function<void(const QStringList&)>;
    // Writes the file: header of `spalten`, then the records `rows` hands to its AddRowFn (each
    // line goes out as it comes; no rows are kept), with
    // the progress text (format with "%1" for the percentage) over `count()` rows. The start
    // button, Abbrechen and the close box do nothing while it runs. True after a complete run;
    // a failure has been shown and leaves any earlier file as it was.
    bool RunExport(const QStringList& spalten, const QString& progressFormat,
                   const std::function<int()>& count, const std::function<void(const AddRowFn&)>& rows);

    QLineEdit* Dateiname;
    QPushButton* Btn_Dateiname;
    QComboBox* Trennzeichen;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;
    QStatusBar* StatusBar;

private:
    QVBoxLayout* m_top;
    QVBoxLayout* m_layout;
    QString m_saveName;   // the save dialog keeps the name last chosen
};
