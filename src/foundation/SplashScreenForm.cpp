#include "foundation/SplashScreenForm.h"
#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>


// Not kept on top: a message box shown during start-up (the connection failure) must not
// end up hidden behind it.
TSplashScreenForm::TSplashScreenForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("SplashScreenForm"));
    setWindowTitle(QStringLiteral("Vornix2"));
    setFixedSize(900, 142);
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TSplashScreenForm::HideAll()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TSplashScreenForm*>(w) && w->isVisible())
            w->hide();
}

TSplashScreenForm::~TSplashScreenForm()
{
    FormHide();
}

void TSplashScreenForm::FormShow()
{
    if (!m_cursorSet) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursorSet = true;
    }
}

void TSplashScreenForm::FormHide()
{
    if (m_cursorSet) {
        QApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
}

void TSplashScreenForm::showEvent(QShowEvent* event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TSplashScreenForm::hideEvent(QHideEvent* event)
{
    FormHide();
    QWidget::hideEvent(event);
}

bool TSplashScreenForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        repaint();
    return QWidget::event(event);
}

void TSplashScreenForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    // The picture: 900 x 140 at (1,1), leaving a one-pixel black frame.
    const QRect picture(1, 1, 898, 140);
    QLinearGradient g(picture.topLeft(), picture.topRight());
    g.setColorAt(0.0, QColor(0, 70, 140));
    g.setColorAt(1.0, QColor(0, 150, 200));
    p.fillRect(picture, g);
    p.setPen(Qt::white);
    QFont f(QStringLiteral("Arial"), 34, QFont::Bold);
    p.setFont(f);
    p.drawText(picture.adjusted(40, 0, 0, -30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vornix2"));
    f.setPointSize(13);
    f.setBold(false);
    p.setFont(f);
    p.drawText(picture.adjusted(44, 60, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Der Massen-SMS Versender"));
}
