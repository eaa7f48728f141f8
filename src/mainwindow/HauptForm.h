#pragma once
#include <QMainWindow>

// The main window: a frame around the pages Home, Kontakte and SMS.
// (Provisional frame; the full frame replaces it.)
class THauptForm : public QMainWindow {
    Q_OBJECT
public:
    explicit THauptForm(QWidget* parent = nullptr);
    ~THauptForm() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    bool m_shown = false;
};

extern THauptForm* HauptForm;
