#pragma once
#include <QDate>
#include <QDateTime>
#include <QDialog>
#include <functional>

class QCalendarWidget;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TRecipients;

// Asks when a message is to be sent: at a date and time, or on each recipient's birthday at a
// time of day. Checks the input (the recipients' birth dates included) and hands back the time.
class TSmsVersandZeitgesteuertForm : public QDialog {
    Q_OBJECT
public:
    // The composer's current recipients, read by the birthday check.
    using TEmpfaengerQuelle = std::function<const TRecipients&()>;

    explicit TSmsVersandZeitgesteuertForm(QWidget* parent = nullptr);
    ~TSmsVersandZeitgesteuertForm() override;

    void SetEmpfaengerQuelle(TEmpfaengerQuelle quelle) { m_empfaenger = std::move(quelle); }

    bool IsGeburtstag() const;
    // Set by OK: with the birthday option today plus the time of day, else date plus time.
    QDateTime GetVersandzeitpunkt() const { return Versandzeitpunkt; }

public Q_SLOTS:
    void GeburtstagClick();
    void DatumExit();
    void UhrzeitExit();
    void DatumPickerDropDown();
    void DatumPickerCloseUp();
    void Btn_OKClick();
    void Btn_AbbrechenClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildFelder();
    void buildPicker();
    void layoutFelder(QWidget* kopf, QWidget* hinweis, QWidget* linie);
    void FormShow();
    void SetDatumEnabled(bool enabled);
    bool CheckEingaben();

    TEmpfaengerQuelle m_empfaenger;
    QDateTime Versandzeitpunkt;
    // The date the picker holds; its calendar shows it when it drops down.
    QDate m_pickerDate;

    QCheckBox* Geburtstag;
    QLabel* Label_Datum;
    QLineEdit* Datum;
    QToolButton* DatumPicker;
    QFrame* m_pickerPopup;
    QCalendarWidget* m_kalender;
    QLabel* Label_Uhrzeit;
    QLineEdit* Uhrzeit;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;
};
