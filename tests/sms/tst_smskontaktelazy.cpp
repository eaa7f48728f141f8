// The SMS page's contact list read page by page: orders, type-ahead and Shift+click ranges
// over more rows than one page.
#include "TestSession.h"
#include "TestEnv.h"
#include "contacts/KontaktDaten.h"
#include "foundation/DatenModul.h"
#include "sms/SmsPage.h"
#include <QComboBox>
#include <QListWidget>
#include <QSqlQuery>
#include <QTableView>
#include <QtTest>

namespace {
constexpr int kSeite = TKontaktDaten::TKontaktListe::kSeite;

struct Fixture {
    TestDatabase db;
    ScriptedMessages msgs;
    TestSession host;
    std::unique_ptr<TSmsPage> page = std::make_unique<TSmsPage>(host.session, TSmsDialoge{});

    // n contacts with tied names (ties go by id), z/Z names at the end of the last-name order
    // and group 1 holding every third contact, every ninth twice.
    explicit Fixture(int n = 700)
    {
        db.Exec(QString(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN
WHILE ("I" <= %1) DO BEGIN
  INSERT INTO kontakte (id, vorname, nachname, firma) VALUES (:"I", 'V' || MOD(:"I", 4),
    IIF(:"I" > %1 - 30, IIF(MOD(:"I", 2) = 0, 'zorn', 'Zorn'), 'N' || LPAD(MOD(:"I", 40), 2, '0')), '');
  IF (MOD(:"I", 3) = 0) THEN INSERT INTO katzuord (kontakt, kategorie) VALUES (:"I", 1);
  IF (MOD(:"I", 9) = 0) THEN INSERT INTO katzuord (kontakt, kategorie) VALUES (:"I", 1);
  "I" = "I" + 1;
END
END)").arg(n));
        db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'Gruppe')");
        page->resize(1000, 700);
        page->show();
        if (!QTest::qWaitForWindowExposed(page.get()))
            qWarning("page not shown");
        page->Load();
    }
    QListWidget* Groups() { return page->findChild<QListWidget*>("ListBox_Sms_Kontaktgruppen"); }
    QTableView* Grid() { return page->findChild<QTableView*>("Grid_Sms_Kontakte"); }
    QList<int> Ids()
    {
        QList<int> out;
        QAbstractItemModel* m = Grid()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, 0).data(Qt::UserRole).toInt();
        return out;
    }
    void Click(int row, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        Grid()->scrollTo(Grid()->model()->index(row, 0));
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, mods,
                          Grid()->visualRect(Grid()->model()->index(row, 0)).center());
    }
};

// The page's statement as the engine runs it at once, ties by id (and assignment).
QList<int> Expected(TestDatabase& db, int group, int order)
{
    const QString by = order == 1 ? "vorname, nachname, firma" : "nachname, vorname, firma";
    QSqlQuery q = group == 0
        ? db.Modul()->Run("SELECT id FROM kontakte ORDER BY " + by + ", id")
        : db.Modul()->Run("SELECT t2.id FROM katzuord t1, kontakte t2 WHERE t1.kategorie=1 AND t1.kontakt=t2.id "
                          "ORDER BY t2." + QString(by).replace(", ", ", t2.") + ", t2.id, t1.id");
    QList<int> ids;
    while (q.next())
        ids << q.value(0).toInt();
    return ids;
}
}

class TestSmsKontakteLazy : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ordersAcrossPages_data();
    void ordersAcrossPages();
    void typeAheadToARowNotYetFetched();
    void shiftClickAcrossUnfetchedRows();
};

void TestSmsKontakteLazy::ordersAcrossPages_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("order");
    QTest::newRow("all, Nachname") << 0 << 0;
    QTest::newRow("all, Vorname") << 0 << 1;
    QTest::newRow("group with doubled assignments, Nachname") << 1 << 0;
    QTest::newRow("group, Vorname") << 1 << 1;
}

void TestSmsKontakteLazy::ordersAcrossPages()
{
    QFETCH(int, group);
    QFETCH(int, order);
    Fixture f(group ? 2000 : 700);
    auto* combo = f.page->findChild<QComboBox*>("Sms_Kontakte_Sortierung");
    combo->setCurrentIndex(order);
    f.Groups()->setCurrentRow(group);
    f.page->ListBox_Sms_KontaktgruppenClick();
    const QList<int> expected = Expected(f.db, group, order);
    QVERIFY(expected.size() > kSeite);
    QCOMPARE(f.Grid()->model()->rowCount(), expected.size());
    QCOMPARE(f.Ids(), expected);
}

void TestSmsKontakteLazy::typeAheadToARowNotYetFetched()
{
    Fixture f;
    const QList<int> expected = Expected(f.db, 0, 0);
    int first = 0;   // the first Zorn or zorn (ids above 670)
    while (expected[first] <= 670)
        ++first;
    QVERIFY(first >= kSeite);
    QCOMPARE(f.page->KontakteModel()->Gehalten(), kSeite);
    f.Grid()->setFocus();
    QTest::keyClick(f.Grid(), 'z');
    QCOMPARE(f.Grid()->currentIndex().row(), first);
    QTest::keyClick(f.Grid(), 'q');   // no match: stays
    QCOMPARE(f.Grid()->currentIndex().row(), first);
}

void TestSmsKontakteLazy::shiftClickAcrossUnfetchedRows()
{
    Fixture f;
    const QList<int> expected = Expected(f.db, 0, 0);
    f.Click(650);
    f.Click(3, Qt::ShiftModifier);   // upwards, across rows never read
    QList<int> rows;
    for (const QModelIndex& i : f.Grid()->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    QCOMPARE(rows.size(), 648);
    QCOMPARE(rows.first(), 3);
    QCOMPARE(rows.last(), 650);
    QCOMPARE(f.page->KontakteModel()->At(400).id, expected[400]);
}

QTEST_MAIN(TestSmsKontakteLazy)
#include "tst_smskontaktelazy.moc"
