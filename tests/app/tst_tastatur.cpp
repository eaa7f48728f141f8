#include "TestEnv.h"
#include "TestProgram.h"
#include "app/HauptForm.h"
#include "platform/FileDialogs.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
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
    void contactEditorCancelAsksNothing_data();
    void contactEditorCancelAsksNothing();
    void pastedNameKeepsItsBeginning_data();
    void pastedNameKeepsItsBeginning();
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

// The e-mail field's "correct it?" question waits when the field is left for Abbrechen: a click
// on Abbrechen or Esc closes the editor without it; moving on to another field asks.
void TestTastatur::contactEditorCancelAsksNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("click on Abbrechen") << "click" << false << true;
    QTest::newRow("Esc") << "esc" << false << true;
    QTest::newRow("Tab to Abbrechen, Return") << "tab return" << false << true;
    QTest::newRow("Tab to the next field") << "tab field" << true << false;
    QTest::newRow("Tab to Abbrechen and on") << "tab tab" << true << false;
}

void TestTastatur::contactEditorCancelAsksNothing()
{
    QFETCH(QString, how);
    QFETCH(bool, asked);
    QFETCH(bool, cancelled);
    QDialog* dlg = dialog(QStringLiteral("KontaktForm"));
    QVERIFY(dlg);
    m_program->msgs.Clear();
    bool stayedOpen = false;
    OnNextModal([&](QWidget* w) {
        auto* email = w->findChild<QLineEdit*>(QStringLiteral("Email"));
        auto* cancel = w->findChild<QPushButton*>(QStringLiteral("Btn_Abbrechen"));
        email->setFocus(Qt::TabFocusReason);
        email->setText(QStringLiteral("kein at zeichen"));
        if (how == QLatin1String("click")) {
            QTest::mouseClick(cancel, Qt::LeftButton);
        } else if (how == QLatin1String("esc")) {
            QTest::keyClick(email, Qt::Key_Escape);
        } else if (how == QLatin1String("tab field")) {
            w->findChild<QWidget*>(QStringLiteral("NieAnschreibenEmail"))->setFocus(Qt::TabFocusReason);
        } else {
            cancel->setFocus(Qt::TabFocusReason);
            if (how == QLatin1String("tab return"))
                QTest::keyClick(cancel, Qt::Key_Return);
            else
                w->findChild<QWidget*>(QStringLiteral("Btn_OK"))->setFocus(Qt::TabFocusReason);
        }
        QCoreApplication::processEvents();
        stayedOpen = w->isVisible();
        if (stayedOpen)
            static_cast<QDialog*>(w)->reject();
    });
    const int rc = dlg->exec();
    bool question = false;
    for (const QString& text : m_program->msgs.Texts())
        question = question || text.startsWith(QString::fromUtf8("Die von Ihnen eingegebene Email-Adresse"));
    QCOMPARE(question, asked);
    QCOMPARE(!stayedOpen && rc == QDialog::Rejected, cancelled);
}

// A name pasted longer than its column keeps its first 100 characters; typing at the limit
// inserts nothing.
void TestTastatur::pastedNameKeepsItsBeginning_data()
{
    QTest::addColumn<QString>("dialogName");
    QTest::addColumn<QString>("before");   // the text in the field, cursor at its end
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    const QString a100(100, QLatin1Char('a'));
    const QString b150(150, QLatin1Char('b'));
    for (const char* name : {"SmsVorlagenEditForm", "KontaktgruppenForm"}) {
        QTest::addRow("%s paste 150", name) << name << QString() << b150 << b150.left(100);
        QTest::addRow("%s paste after 40", name)
            << name << QString(40, QLatin1Char('x')) << b150 << QString(40, QLatin1Char('x')) + b150.left(60);
        QTest::addRow("%s type at the limit", name) << name << a100 << QStringLiteral("z") << a100;
        QTest::addRow("%s paste 100", name) << name << QString() << a100 << a100;
    }
}

void TestTastatur::pastedNameKeepsItsBeginning()
{
    QFETCH(QString, dialogName);
    QFETCH(QString, before);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    QDialog* dlg = dialog(dialogName);
    QVERIFY(dlg);
    QString text;
    OnNextModal([&](QWidget* w) {
        auto* edit = w->findChild<QLineEdit*>(QStringLiteral("Bezeichnung"));
        edit->setFocus(Qt::TabFocusReason);
        edit->clear();
        QTest::keyClicks(edit, before);
        QApplication::clipboard()->setText(pasted);
        QTest::keySequence(edit, QKeySequence::Paste);
        text = edit->text();
        static_cast<QDialog*>(w)->reject();
    });
    dlg->exec();
    QCOMPARE(text, expected);
}

QTEST_MAIN(TestTastatur)
#include "tst_tastatur.moc"
