#include "TestEnv.h"
#include "foundation/DatenModul.h"
#include "foundation/Guard.h"
#include "foundation/WaitCursor.h"
#include <QtTest>
#include <stdexcept>

class TestGuard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void guard_data();
    void guard();
    void statusTextScope_data();
    void statusTextScope();
};

void TestGuard::guard_data()
{
    QTest::addColumn<int>("thrown");
    QTest::addColumn<QString>("shown");   // "" when nothing is shown
    QTest::newRow("nothing") << 0 << "";
    QTest::newRow("DbError") << 1 << "Tabelle gesperrt";
    QTest::newRow("TextError") << 2 << "Datei fehlt";
    QTest::newRow("std::exception") << 3 << "Überlauf";
    QTest::newRow("anything else") << 4 << "Es ist ein unbekannter Fehler aufgetreten.";
}

void TestGuard::guard()
{
    QFETCH(int, thrown);
    QFETCH(QString, shown);
    ScriptedMessages msgs;
    bool after = false;
    const bool ok = Guard([&] {
        switch (thrown) {
        case 1: throw DbError(QStringLiteral("Tabelle gesperrt"));
        case 2: throw TextError(QStringLiteral("Datei fehlt"));
        case 3: throw std::overflow_error(QStringLiteral("Überlauf").toLocal8Bit().toStdString());
        case 4: throw 42;
        }
        after = true;
    });
    QCOMPARE(ok, shown.isEmpty());
    QCOMPARE(after, shown.isEmpty());
    if (shown.isEmpty()) {
        QCOMPARE(msgs.Count(), 0);
    } else {
        QCOMPARE(msgs.Count(), 1);
        QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Error);
        QCOMPARE(msgs.Texts().first(), shown);
    }
}

void TestGuard::statusTextScope_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("throws");
    QTest::addColumn<QStringList>("history");
    QTest::newRow("text") << "Bitte warten..." << false << QStringList{"Bitte warten...", ""};
    QTest::newRow("text, thrown") << "Bitte warten..." << true << QStringList{"Bitte warten...", ""};
    QTest::newRow("clear only") << "" << false << QStringList{""};
}

void TestGuard::statusTextScope()
{
    QFETCH(QString, text);
    QFETCH(bool, throws);
    QFETCH(QStringList, history);
    StatusText::ClearHistory();
    try {
        std::optional<StatusTextScope> scope;
        if (text.isEmpty())
            scope.emplace();
        else
            scope.emplace(text);
        if (throws)
            throw std::runtime_error("x");
    } catch (const std::runtime_error&) {
    }
    QCOMPARE(StatusText::History(), history);
    QVERIFY(!StatusText::Current().isNull());
}

QTEST_MAIN(TestGuard)
#include "tst_guard.moc"
