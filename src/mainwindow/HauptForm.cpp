#include "mainwindow/HauptForm.h"
#include <QShowEvent>

THauptForm* HauptForm = nullptr;

THauptForm::THauptForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("HauptForm"));
    setWindowTitle(QStringLiteral("Vornix2 - Der professionelle Massen-SMS Versender"));
    resize(1004, 716);
    if (!HauptForm)
        HauptForm = this;
}

THauptForm::~THauptForm()
{
    if (HauptForm == this)
        HauptForm = nullptr;
}

void THauptForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Restoring from minimised shows again: the first-show work runs once.
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        FormShow();
    }
}

void THauptForm::FormShow() {}
