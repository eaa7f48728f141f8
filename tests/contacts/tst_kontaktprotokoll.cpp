#include "TestEnv.h"
#include "contacts/KontaktForm.h"
#include "contacts/KontaktgruppenForm.h"
#include "contacts/KontaktePage.h"
#include "contacts/KontakteModel.h"
#include "foundation/DatenModul.h"
#include <QSqlQuery>
#include <QTableView>
#include <QtTest>

// What the contact's send log on the contacts page shows of long entries.
class TestKontaktProtokoll : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cellText_data();
    void cellText();
    void longEntryIsCutInTheGrid();
};

void TestKontaktProtokoll::cellText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    const QString long300 = QString(300, u'a');
    QTest::newRow("short, lines joined") << QString("eins\r\nzwei\ndrei\rvier") << QString("eins zwei drei vier");
    QTest::newRow("exactly the limit") << long300 << long300;
    QTest::newRow("beyond the limit") << long300 + "bcd" << long300;
    // A character outside the BMP is not split at the cut.
    QTest::newRow("pair at the cut") << QString(299, u'a') + QString::fromUtf8("\xF0\x9F\x98\x80") + "x"
                                     << QString(299, u'a');
    QTest::newRow("pair before the cut") << QString(298, u'a') + QString::fromUtf8("\xF0\x9F\x98\x80") + "xy"
                                         << QString(298, u'a') + QString::fromUtf8("\xF0\x9F\x98\x80");
}

void TestKontaktProtokoll::cellText()
{
    QFETCH(QString, text);
    QFETCH(QString, cell);
    QCOMPARE(KontaktProtokollCellText(text), cell);
}

void TestKontaktProtokoll::longEntryIsCutInTheGrid()
{
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktForm kontaktForm;
    TKontaktgruppenForm gruppenForm;
    TKontaktePage page{TKontaktDialoge{&kontaktForm, &gruppenForm}};
    page.resize(1100, 700);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));

    db.Exec("INSERT INTO kontakte (id, vorname, nachname, mobil) VALUES (1, 'Eva', 'Muster', '00491711')");
    // Two megabytes in lines of 80 characters, as a faulty gateway reply could leave it.
    QString line = QString(79, u'x') + u'\n';
    QString content;
    content.reserve(2'000'000);
    while (content.size() < 2'000'000)
        content += line;
    QSqlQuery q = db.Modul()->Query();
    q.prepare("INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) "
              "VALUES ('00491711', ?, 'Tx', 1, '2025-01-01 10:00:00')");
    q.addBindValue(content);
    QVERIFY(q.exec());
    db.Modul()->Commit();

    page.Load();
    auto* grid = FindChild<QTableView>(&page, "Grid_Kontakte_Versandprotokoll");
    QAbstractItemModel* log = grid->model();
    QCOMPARE(log->rowCount(), 1);
    const QString cell = log->index(0, TKontaktProtokollModel::CONTENT).data().toString();
    QCOMPARE(cell.size(), kKontaktProtokollCellTextMax);
    QVERIFY(cell.startsWith(QString(79, u'x') + u' ' + u'x'));
    QVERIFY(!cell.contains(u'\n'));
    // The tooltip keeps the whole message.
    QVERIFY(log->index(0, TKontaktProtokollModel::CONTENT).data(Qt::ToolTipRole).toString().size()
            >= content.size());
}

QTEST_MAIN(TestKontaktProtokoll)
#include "tst_kontaktprotokoll.moc"
