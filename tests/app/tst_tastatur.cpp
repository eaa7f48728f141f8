#include "TestEnv.h"
#include "TestProgram.h"
#include "app/HauptForm.h"
#include "platform/FileDialogs.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>
#include <memory>

// Return and Esc in every dialog of the program: Return on a focused push or tool button
// presses that button and no other; elsewhere the dialog's default button; Esc cancels.
namespace {

struct TDialog {
    const char* name;
    const char* defaultButton;   // "" where the dialog has none
    const char* cancelButton;    // the button that cancels
};

const TDialog kDialoge[] = {
    {"LoginForm", "Btn_OK", "Btn_Abbrechen"},
    {"UserdatenForm", "Btn_OK", "Btn_Abbrechen"},
    {"UpdateForm", "Btn_Ja", "Btn_Nein"},
    {"EinstellungenForm", "Btn_OK", "Btn_Abbrechen"},
    {"AboutForm", "Btn_OK", ""},
    {"KontaktForm", "Btn_OK", "Btn_Abbrechen"},
    {"KontaktgruppenForm", "Btn_OK", "Btn_Abbrechen"},
    {"KontakteExportCsvForm", "Btn_OK", "Btn_Abbrechen"},
    {"SmsExportCsvForm", "Btn_OK", "Btn_Abbrechen"},
    {"ImportDatenKompaktForm", "Btn_OK", "Btn_Abbrechen"},
    {"ImportDatenZenitForm", "Btn_OK", "Btn_Abbrechen"},
    {"KontakteImportOutlookForm", "Btn_OK", "Btn_Abbrechen"},
    {"KontakteImportCsvForm", "Btn_Step1_Weiter", "Btn_Step1_Abbrechen"},
    {"KontakteImportRelvineForm", "Btn_Step1_Weiter", "Btn_Step1_Abbrechen"},
    {"SmsVersandStatusForm", "Btn_OK", ""},
    {"SmsVersandZeitgesteuertForm", "Btn_OK", "Btn_Abbrechen"},
    {"SmsVorlagenForm", "", ""},
    {"SmsVorlagenEditForm", "Btn_OK", "Btn_Abbrechen"},
    {"EmpfaengerAuswaehlenForm", "", "Btn_Abbrechen"},
    {"SmsForm", "", ""},
};

bool isButton(const QWidget* w) { return qobject_cast<const QPushButton*>(w) || qobject_cast<const QToolButton*>(w); }

bool canTakeFocus(const QWidget* w) { return w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus); }

// The widgets of a shown dialog that a user can focus with Tab: every button, and the first
// field that is no button (in the picker every list, its sort box and its tab bar).
QStringList focusTargets(QDialog* dialog, bool everyField)
{
    QStringList out;
    bool fieldTaken = false;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (w->window() != dialog || w->objectName().isEmpty() || !canTakeFocus(w))
            continue;
        if (isButton(w)) {
            out.append(w->objectName());
            continue;
        }
        const bool field = qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractItemView*>(w)
            || qobject_cast<QComboBox*>(w);
        if (field && (everyField || !fieldTaken)) {
            out.append(w->objectName());
            fieldTaken = true;
        }
    }
    return out;
}

void closeNested(QWidget* w)
{
    if (auto* d = qobject_cast<QDialog*>(w))
        d->reject();
    else
        w->close();
}

} // namespace

class TestTastatur : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgram> m_program;
    std::unique_ptr<OpenedUrls> m_urls;

    QDialog* dialog(const QString& name) const { return m_program->Frame()->findChild<QDialog*>(name); }

private Q_SLOTS:
    void initTestCase()
    {
        // A file dialog is cancelled, a web address is only recorded.
        FileDialogs::SetResponder([](const FileDialogs::Request&) { return QString(); });
        m_urls = std::make_unique<OpenedUrls>();
        m_program = std::make_unique<TestProgram>();
        m_program->Start();
        m_program->msgs.SetDefaultAnswer(false);
    }
    void cleanupTestCase()
    {
        m_program.reset();
        FileDialogs::SetResponder({});
    }
    void init() { ResetModalTimeout(); }

    void returnAndEsc_data();
    void returnAndEsc();
};

void TestTastatur::returnAndEsc_data()
{
    QTest::addColumn<QString>("dialogName");
    QTest::addColumn<QString>("focus");   // the focused widget
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("pressed");   // the one button that must have been pressed, "" none
    QTest::addColumn<bool>("cancelled");   // the dialog ends cancelled (else: not cancelled)

    for (const TDialog& d : kDialoge) {
        QDialog* dlg = dialog(QLatin1String(d.name));
        QVERIFY2(dlg, d.name);
        dlg->show();
        QCoreApplication::processEvents();
        const bool picker = QLatin1String(d.name) == QLatin1String("EmpfaengerAuswaehlenForm");
        QStringList targets = focusTargets(dlg, picker);
        if (picker)
            targets.append(QStringLiteral("qt_tabwidget_tabbar"));
        dlg->hide();
        QCoreApplication::processEvents();
        const QString cancel = QLatin1String(d.cancelButton);
        for (const QString& target : targets) {
            QWidget* w = dlg->findChild<QWidget*>(target);
            const bool button = w && isButton(w);
            QString pressed = button ? target : QLatin1String(d.defaultButton);
            // Return in the picker's lists, sort box and tab bar is the control's own.
            QTest::addRow("%s %s Return", d.name, qPrintable(target))
                << QString::fromLatin1(d.name) << target << int(Qt::Key_Return) << pressed
                << (!cancel.isEmpty() && pressed == cancel);
        }
        if (!targets.isEmpty())
            QTest::addRow("%s Esc", d.name) << QString::fromLatin1(d.name) << targets.constLast()
                                           << int(Qt::Key_Escape) << QString() << true;
    }
}

void TestTastatur::returnAndEsc()
{
    QFETCH(QString, dialogName);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, pressed);
    QFETCH(bool, cancelled);
    QDialog* dlg = dialog(dialogName);
    QVERIFY(dlg);
    m_program->gw.ClearRequests();

    QStringList clicked;
    QList<QMetaObject::Connection> spies;
    for (QAbstractButton* b : dlg->findChildren<QAbstractButton*>())
        spies.append(connect(b, &QAbstractButton::clicked, this, [&clicked, b] { clicked.append(b->objectName()); }));

    bool focused = false;
    bool stayedOpen = false;
    OnNextModal([&](QWidget* w) {
        QWidget* target = w->findChild<QWidget*>(focus);
        if (!target)
            return;
        target->setFocus(Qt::TabFocusReason);
        focused = QApplication::focusWidget() == target;
        // A dialog, message or file dialog that the button opens is closed at once.
        OnNextModal(closeNested, 3000, false);
        QTest::keyClick(target, Qt::Key(key));
        QCoreApplication::processEvents();
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        stayedOpen = w->isVisible();
        if (stayedOpen)
            static_cast<QDialog*>(w)->reject();
    });
    const int rc = dlg->exec();
    for (const auto& c : spies)
        disconnect(c);
    QVERIFY2(focused, qPrintable(focus));

    if (pressed.isEmpty())
        QCOMPARE(clicked, QStringList());
    else
        QCOMPARE(clicked, QStringList{pressed});
    if (cancelled) {
        QVERIFY(!stayedOpen);
        QCOMPARE(rc, int(QDialog::Rejected));
        // Cancelling sends nothing to the service.
        QCOMPARE(m_program->gw.Count(), 0);
    }
}

QTEST_MAIN(TestTastatur)
#include "tst_tastatur.moc"
