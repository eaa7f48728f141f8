#include "TestEnv.h"
#include "foundation/Messages.h"
#include "app/StartUp.h"
#include <QPushButton>
#include <QMessageBox>
#include <QtTest>

Q_DECLARE_METATYPE(Msg::Kind)

// The real boxes (no responder): icon, buttons and text as plain text.
class TestMessages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void cleanup() { QVERIFY(!ModalTimedOut()); }
    void boxes_data();
    void boxes();
    // Installs the translation for the rest of the run: keep it last.
    void germanStandardButtons_data();
    void germanStandardButtons();
};

void TestMessages::boxes_data()
{
    QTest::addColumn<Msg::Kind>("kind");
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("yesNo");
    QTest::newRow("information") << Msg::Kind::Information << int(QMessageBox::Information) << false;
    QTest::newRow("error") << Msg::Kind::Error << int(QMessageBox::Critical) << false;
    QTest::newRow("warning") << Msg::Kind::Warning << int(QMessageBox::Warning) << false;
    QTest::newRow("question") << Msg::Kind::Question << int(QMessageBox::Question) << true;
    QTest::newRow("warning question") << Msg::Kind::WarningQuestion << int(QMessageBox::Warning) << true;
    QTest::newRow("information question") << Msg::Kind::InformationQuestion << int(QMessageBox::Information) << true;
}

void TestMessages::boxes()
{
    QFETCH(Msg::Kind, kind);
    QFETCH(int, icon);
    QFETCH(bool, yesNo);
    QCOMPARE(Msg::IsQuestion(kind), yesNo);
    const QString text = QStringLiteral("<b>Müller</b>\n\rzweite\r\ndritte");
    for (bool answerYes : {true, false}) {
        if (!yesNo && !answerYes)
            continue;
        QString shown;
        Qt::TextFormat format = Qt::RichText;
        int shownIcon = -1;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        OnNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            shown = box->text();
            format = box->textFormat();
            shownIcon = int(box->icon());
            buttons = box->standardButtons();
            defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
            box->button(yesNo ? (answerYes ? QMessageBox::Yes : QMessageBox::No) : QMessageBox::Ok)->click();
        });
        bool result = false;
        switch (kind) {
        case Msg::Kind::Information: Msg::Information(text); result = true; break;
        case Msg::Kind::Error: Msg::Error(text); result = true; break;
        case Msg::Kind::Warning: Msg::Warning(text); result = true; break;
        case Msg::Kind::Question: result = Msg::Question(text); break;
        case Msg::Kind::WarningQuestion: result = Msg::WarningQuestion(text); break;
        case Msg::Kind::InformationQuestion: result = Msg::InformationQuestion(text); break;
        }
        QCOMPARE(shown, QStringLiteral("<b>Müller</b>\nzweite\ndritte"));
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(shownIcon, icon);
        if (yesNo) {
            QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(defaultButton, QMessageBox::Yes);
            QCOMPARE(result, answerYes);
        } else {
            QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
    }
}

void TestMessages::germanStandardButtons_data()
{
    QTest::addColumn<Msg::Kind>("kind");
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("information") << Msg::Kind::Information << QStringList{"OK"};
    QTest::newRow("error") << Msg::Kind::Error << QStringList{"OK"};
    QTest::newRow("question") << Msg::Kind::Question << QStringList{"&Ja", "&Nein"};
    QTest::newRow("warning question") << Msg::Kind::WarningQuestion << QStringList{"&Ja", "&Nein"};
}

void TestMessages::germanStandardButtons()
{
    QFETCH(Msg::Kind, kind);
    QFETCH(QStringList, buttons);
    InstallGermanTranslation(*qobject_cast<QApplication*>(qApp));
    QStringList shown;
    OnNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        for (QAbstractButton* b : box->buttons())
            shown << b->text();
        box->button(Msg::IsQuestion(kind) ? QMessageBox::No : QMessageBox::Ok)->click();
    });
    switch (kind) {
    case Msg::Kind::Information: Msg::Information("Hinweis"); break;
    case Msg::Kind::Error: Msg::Error("Fehler"); break;
    case Msg::Kind::Question: QVERIFY(!Msg::Question("Frage?")); break;
    case Msg::Kind::WarningQuestion: QVERIFY(!Msg::WarningQuestion("Sicher?")); break;
    default: QFAIL("kind without a row"); break;
    }
    shown.sort();
    buttons.sort();
    QCOMPARE(shown, buttons);
}

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
