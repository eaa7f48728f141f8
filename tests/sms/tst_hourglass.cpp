#include "TestEnv.h"
#include "TestSession.h"
#include "sms/Recipient.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/SmsForm.h"
#include "sms/SmsVersandZeitgesteuertForm.h"
#include "sms/SmsVersandStatusForm.h"
#include <QAbstractItemModel>
#include <QApplication>
#include <QListView>
#include <QPlainTextEdit>
#include <QtTest>

// Filling long lists shows the hourglass while it runs.
class TestHourglass : public QObject {
    Q_OBJECT
private slots:
    void composerListFilling();
    void statusDialogShowing();
};

void TestHourglass::composerListFilling()
{
    TestDatabase db;
    TestSession host;
    ScriptedMessages messages;
    TEmpfaengerAuswaehlenForm auswahl;
    TSmsVersandZeitgesteuertForm zeit;
    TSmsForm form(host.session, nullptr, auswahl, zeit);
    for (int i = 0; i < 3; ++i) {
        TRecipient r;
        r.Mobil = QString("4917000000%1").arg(i);
        QVERIFY(form.AddEmpfaenger(r));
    }
    auto* list = form.findChild<QListView*>("Empfaenger");
    QVERIFY(list);
    bool hourglass = false;
    connect(list->model(), &QAbstractItemModel::modelReset, this,
            [&] { hourglass = QApplication::overrideCursor() != nullptr; });
    form.RefreshEmpfaengerList();
    QVERIFY(hourglass);
    QVERIFY(!QApplication::overrideCursor());
}

void TestHourglass::statusDialogShowing()
{
    TSmsVersandStatusForm form;
    form.SetRueckgabe("<smsreport><result>SUCCESS</result></smsreport>");
    auto* text = form.findChild<QPlainTextEdit*>("Rueckgabe");
    QVERIFY(text);
    bool hourglass = false;
    connect(text, &QPlainTextEdit::textChanged, this,
            [&] { hourglass = QApplication::overrideCursor() != nullptr; });
    form.show();
    QVERIFY(hourglass);
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TestHourglass)
#include "tst_hourglass.moc"
