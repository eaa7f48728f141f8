#pragma once
#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class Settings;

// The update notice "Neue Version von Vornix2 verfügbar": offers the download page and lets
// the user turn further notices off.
class TUpdateForm : public QDialog {
    Q_OBJECT
public:
    explicit TUpdateForm(Settings& settings, QWidget* parent = nullptr);
    ~TUpdateForm() override;

    void SetMajor(int value) { m_major = value; }
    void SetMinor(int value) { m_minor = value; }
    void SetRelease(int value) { m_release = value; }

    // Runs on every way of closing (Ja, Nein, Escape, the window's close button).
    void done(int result) override;

public Q_SLOTS:
    void Btn_JaClick();
    void Btn_NeinClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void FormClose();

    Settings& m_settings;
    int m_major = 0;
    int m_minor = 0;
    int m_release = 0;
    QLabel* Label_Version;
    QCheckBox* KeineWeiterenUpdates;
    QPushButton* Btn_Ja;
    QPushButton* Btn_Nein;
};
