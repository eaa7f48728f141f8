#pragma once
#include <QWidget>

// Shown while the forms are created; the hourglass shows meanwhile.
class TSplashScreenForm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashScreenForm(QWidget* parent = nullptr);
    ~TSplashScreenForm() override;
    // Hides the splash screen, if one is up, so that a start-up message is not covered by it.
    static void HideAll();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormShow();
    void FormHide();
    bool m_cursorSet = false;
};

