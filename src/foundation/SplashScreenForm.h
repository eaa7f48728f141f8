#pragma once
#include <QWidget>

// Shown while the forms are created; the hourglass shows meanwhile.
class TSplashScreenForm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashScreenForm(QWidget* parent = nullptr);
    ~TSplashScreenForm() override;

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

