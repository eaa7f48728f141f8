// The contacts page's list read page by page: everything that may differ from a list read at
// once, with more rows than one page.
#include "TestEnv.h"
#include "contacts/DragDropDBGrid.h"
#include "contacts/KontaktDaten.h"
#include "contacts/KontaktForm.h"
#include "contacts/KontaktePage.h"
#include "contacts/KontaktgruppenForm.h"
#include "contacts/KontakteModel.h"
#include "foundation/DatenModul.h"
#include "foundation/IniFileDaten.h"
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QPushButton>
#include <QSqlQuery>
#include <QToolButton>
#include <QtTest>

namespace {
constexpr int kSeite = TKontaktDaten::TKontaktListe::kSeite;

// n contacts with ties, empty texts, blank-padded names, NULL times on both
// sides of the page ends (every third has a time, so "letzte SMS" puts NULLs from row n/3
// on), last names with z/Z at the end of the Nachname order, and group 1 holding every second
// contact (every tenth twice).
void Fill(TestDatabase& db, int n)
{
    db.Exec(QString(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN
WHILE ("I" <= %1) DO BEGIN
  INSERT INTO kontakte (id, vorname, nachname, firma, mobil, email, mobil_lastsend) VALUES (:"I",
    'V' || MOD(:"I", 3),
    CASE WHEN MOD(:"I", 7) = 0 THEN '' WHEN :"I" > %1 - 40 THEN IIF(MOD(:"I", 2) = 0, 'zeta', 'Zeta')
         WHEN MOD(:"I", 17) = 0 THEN 'N05 '
         ELSE 'N' || LPAD(MOD(:"I", 50), 2, '0') END,
    IIF(MOD(:"I", 5) = 0, '', 'F' || MOD(:"I", 4)),
    IIF(MOD(:"I", 6) = 0, '', '0171' || MOD(:"I", 30)),
    IIF(MOD(:"I", 4) = 0, '', 'e' || MOD(:"I", 9) || '@x.de'),
    IIF(MOD(:"I", 3) = 0, DATEADD(MOD(:"I", 20) MINUTE TO TIMESTAMP '2024-01-01 10:00:00'), NULL));
  IF (MOD(:"I", 2) = 0) THEN INSERT INTO katzuord (kontakt, kategorie) VALUES (:"I", 1);
  IF (MOD(:"I", 10) = 0) THEN INSERT INTO katzuord (kontakt, kategorie) VALUES (:"I", 1);
  "I" = "I" + 1;
END
END)").arg(n));
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'Gruppe')");
}

namespace {
// The order of the page, worked out independently: every row read at once and sorted in
// memory as the database compares (UTF8, binary collation: by code point, the shorter text
// padded with blanks).
// UTF-16 units in code point order: surrogates (planes above the first) after U+FFFF.
inline int codePointRank(char16_t c)
{
    if (c >= 0xE000)
        return c - 0x800;
    if (c >= 0xD800)
        return c + 0x2000;
    return c;
}

int compareDbText(const QString& a, const QString& b)
{
    const qsizetype n = qMax(a.size(), b.size());
    const char16_t* pa = reinterpret_cast<const char16_t*>(a.constData());
    const char16_t* pb = reinterpret_cast<const char16_t*>(b.constData());
    for (qsizetype i = 0; i < n; ++i) {
        const int ca = codePointRank(i < a.size() ? pa[i] : u' ');
        const int cb = codePointRank(i < b.size() ? pb[i] : u' ');
        if (ca != cb)
            return ca - cb;
    }
    return 0;
}

void sortKontakte(QVector<TKontaktZeile>& rows, int sortIndex)
{
    using Key = const QString TKontaktZeile::*;
    auto byTexts = [&](std::initializer_list<Key> keys) {
        const std::vector<Key> k(keys);
        std::sort(rows.begin(), rows.end(), [&k](const TKontaktZeile& x, const TKontaktZeile& y) {
            for (Key key : k) {
                const int c = compareDbText(x.*key, y.*key);
                if (c != 0)
                    return c < 0;
            }
            return x.id < y.id;
        });
    };
    switch (sortIndex) {
    case 1: byTexts({&TKontaktZeile::vorname, &TKontaktZeile::nachname, &TKontaktZeile::firma}); break;
    case 2: byTexts({&TKontaktZeile::firma, &TKontaktZeile::nachname, &TKontaktZeile::vorname}); break;
    case 3: byTexts({&TKontaktZeile::mobil, &TKontaktZeile::nachname, &TKontaktZeile::vorname, &TKontaktZeile::firma}); break;
    case 4:
        // Newest first; never sent last.
        std::sort(rows.begin(), rows.end(), [](const TKontaktZeile& x, const TKontaktZeile& y) {
            const bool vx = x.mobilLastSend.isValid(), vy = y.mobilLastSend.isValid();
            if (vx != vy)
                return vx;
            if (vx && x.mobilLastSend != y.mobilLastSend)
                return x.mobilLastSend > y.mobilLastSend;
            for (Key key : {&TKontaktZeile::nachname, &TKontaktZeile::vorname, &TKontaktZeile::firma}) {
                const int c = compareDbText(x.*key, y.*key);
                if (c != 0)
                    return c < 0;
            }
            return x.id < y.id;
        });
        break;
    case 5: byTexts({&TKontaktZeile::email, &TKontaktZeile::nachname, &TKontaktZeile::vorname, &TKontaktZeile::firma}); break;
    default: byTexts({&TKontaktZeile::nachname, &TKontaktZeile::vorname, &TKontaktZeile::firma}); break;
    }
}


}

QList<int> Expected(int kategorieId, int sortIndex)
{
    QSqlQuery q = DatenModul->Run(
        kategorieId == 0
            ? QString("SELECT id, vorname, nachname, firma, mobil, mobil_lastsend, email FROM kontakte")
            : QString("SELECT DISTINCT k.id, k.vorname, k.nachname, k.firma, k.mobil, k.mobil_lastsend, k.email "
                      "FROM kontakte k JOIN katzuord z ON z.kontakt = k.id WHERE z.kategorie = %1").arg(kategorieId));
    QVector<TKontaktZeile> rows;
    while (q.next()) {
        TKontaktZeile z;
        z.id = q.value(0).toInt();
        z.vorname = q.value(1).toString();
        z.nachname = q.value(2).toString();
        z.firma = q.value(3).toString();
        z.mobil = q.value(4).toString();
        if (!q.isNull(5))
            z.mobilLastSend = q.value(5).toDateTime();
        z.email = q.value(6).toString();
        rows.append(z);
    }
    sortKontakte(rows, sortIndex);
    QList<int> ids;
    for (const TKontaktZeile& z : rows)
        ids << z.id;
    return ids;
}

struct Fixture {
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktForm kontaktForm;
    TKontaktgruppenForm gruppenForm;
    TKontaktePage page{TKontaktDialoge{&kontaktForm, &gruppenForm}};

    explicit Fixture(int n = 700, int sortIndex = 0)
    {
        Fill(db, n);
        TIniFileDaten ini;
        ini.Sortierung = sortIndex;
        page.RestoreLayout(ini);
        page.resize(1000, 600);
        page.show();
        if (!QTest::qWaitForWindowExposed(&page))
            qWarning("page not shown");
        page.Load();
    }
    template <class T> T* w(const char* name) { return FindChild<T>(&page, QLatin1String(name)); }
    TDragDropDBGrid* grid() { return w<TDragDropDBGrid>("Grid_Kontakte"); }
    TKontakteModel* model() { return page.KontakteModel(); }
    QList<int> Ids()
    {
        QList<int> out;
        for (int r = 0; r < model()->rowCount(); ++r)
            out << model()->index(r, 0).data(TKontakteModel::IdRole).toInt();
        return out;
    }
    int CurrentId() { return model()->Id(grid()->currentIndex().row()); }
    QString Headline() { return w<QLabel>("Panel_Kontaktdetails_Headline")->text(); }
    QString Name(int id) { return db.Scalar(QString("SELECT TRIM(vorname || ' ' || nachname) FROM kontakte WHERE id=%1").arg(id)); }
    void ClickGroup(int row)
    {
        QListWidget* l = w<QListWidget>("ListBox_Kontaktgruppen");
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
    }
};
}

class TestKontakteLazy : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void cleanup() { QVERIFY(!ModalTimedOut()); }
    void firstScreenHoldsOnePage();
    void ordersAcrossPages_data();
    void ordersAcrossPages();
    void currentRowMovedPastTheFetchedEnd();
    void typeAheadToARowNotYetFetched_data();
    void typeAheadToARowNotYetFetched();
    void shiftClickAcrossUnfetchedRows();
    void deleteWhileHalfFetched();
    void locateAfterEditFarDown();
    void denseGroupWalksTheIndex();
    void oldSchemaGetsItsIndexes();
};

void TestKontakteLazy::firstScreenHoldsOnePage()
{
    Fixture f(3 * kSeite + 10);
    QCOMPARE(f.model()->rowCount(), 3 * kSeite + 10);
    QCOMPARE(f.model()->Gehalten(), kSeite);
    QCOMPARE(f.grid()->currentIndex().row(), 0);
    QCOMPARE(f.Headline(), "  " + f.Name(f.CurrentId()));
}

void TestKontakteLazy::ordersAcrossPages_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("group");   // list row of the group
    for (int i : {0, 1, 2, 3, 4, 5, 9}) {
        QTest::addRow("order %d, all", i) << i << 0;
        QTest::addRow("order %d, group", i) << i << 1;
    }
}

void TestKontakteLazy::ordersAcrossPages()
{
    QFETCH(int, index);
    QFETCH(int, group);
    Fixture f(700, index);
    if (group)
        f.ClickGroup(group);
    const QList<int> expected = Expected(group ? 1 : 0, index > 5 ? 0 : index);
    QCOMPARE(f.model()->rowCount(), expected.size());
    QCOMPARE(f.Ids(), expected);
    if (index == 4 && !group) {
        // Never sent from row 233 on: the NULLs run across the ends of pages 1 and 2.
        QCOMPARE(f.model()->index(kSeite - 1, TKontakteModel::MOBIL_LASTSEND).data().toString(), QString());
        QCOMPARE(f.model()->index(232, TKontakteModel::MOBIL_LASTSEND).data().toString().isEmpty(), false);
        QCOMPARE(f.model()->index(2 * kSeite, TKontakteModel::MOBIL_LASTSEND).data().toString(), QString());
    }
    if (group) {
        // The count of assignments to the group, doubled rows counted.
        QCOMPARE(f.model()->index(expected.indexOf(10), 0).data(TKontakteModel::CountRole).toInt(), 2);
        QCOMPARE(f.model()->index(expected.indexOf(2), 0).data(TKontakteModel::CountRole).toInt(), 1);
    }
}

void TestKontakteLazy::currentRowMovedPastTheFetchedEnd()
{
    Fixture f;
    const QList<int> expected = Expected(0, 0);
    f.grid()->setFocus();
    QTest::keyClick(f.grid(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(f.grid()->currentIndex().row(), expected.size() - 1);
    QCOMPARE(f.CurrentId(), expected.last());
    QCOMPARE(f.Headline(), "  " + f.Name(expected.last()));
    QVERIFY(f.model()->Gehalten() < expected.size());
    QTest::keyClick(f.grid(), Qt::Key_Up);
    QCOMPARE(f.CurrentId(), expected[expected.size() - 2]);
    QTest::keyClick(f.grid(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(f.CurrentId(), expected.first());
    // Down across the first page's end, one row at a time from the cursor.
    for (int i = 0; i < kSeite; ++i)
        QTest::keyClick(f.grid(), Qt::Key_Down);
    QCOMPARE(f.CurrentId(), expected[kSeite]);
    QCOMPARE(f.Headline(), "  " + f.Name(expected[kSeite]));
}

void TestKontakteLazy::typeAheadToARowNotYetFetched_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("field");
    QTest::newRow("Nachname, lower key finds Zeta first") << 0 << "z" << "nachname";
    QTest::newRow("Nachname, upper key") << 0 << "Z" << "nachname";
    QTest::newRow("Firma order, by last name") << 2 << "z" << "nachname";
    QTest::newRow("letzte SMS order, by last name") << 4 << "Z" << "nachname";
    QTest::newRow("Vorname order, by first name") << 1 << "v" << "vorname";
}

void TestKontakteLazy::typeAheadToARowNotYetFetched()
{
    QFETCH(int, index);
    QFETCH(QString, key);
    QFETCH(QString, field);
    Fixture f(700, index);
    const QList<int> expected = Expected(0, index);
    // The first row of the list whose field begins with the key, either case.
    int row = -1;
    for (int i = 0; i < expected.size() && row < 0; ++i)
        if (f.db.Scalar(QString("SELECT %1 FROM kontakte WHERE id=%2").arg(field).arg(expected[i]))
                .startsWith(key, Qt::CaseInsensitive))
            row = i;
    QVERIFY(row >= 0);
    QVERIFY(index != 0 || row >= kSeite);
    f.page.Load();   // nothing but the first page held
    f.grid()->setFocus();
    QTest::keyClick(f.grid(), key.at(0).toLatin1());
    QCOMPARE(f.grid()->currentIndex().row(), row);
    QCOMPARE(f.CurrentId(), expected[row]);
    QCOMPARE(f.Headline(), "  " + f.Name(expected[row]));
    QTest::keyClick(f.grid(), 'q');   // no match: stays
    QCOMPARE(f.grid()->currentIndex().row(), row);
}

void TestKontakteLazy::shiftClickAcrossUnfetchedRows()
{
    Fixture f;
    const QList<int> expected = Expected(0, 0);
    QTableView* g = f.grid();
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(f.model()->index(2, 0)).center());
    g->scrollTo(f.model()->index(650, 0));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ShiftModifier, g->visualRect(f.model()->index(650, 0)).center());
    QCOMPARE(f.page.GewaehlteKontaktIds(), expected.mid(2, 649));
}

void TestKontakteLazy::deleteWhileHalfFetched()
{
    Fixture f;
    QList<int> expected = Expected(0, 0);
    QTableView* g = f.grid();
    // A selection on the first page and one far beyond it; the rows between never read.
    g->selectionModel()->select(f.model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    g->selectionModel()->select(f.model()->index(600, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(f.model()->Gehalten() < expected.size());
    f.w<QToolButton>("ToolButton_Kontakt_Loeschen")->click();
    QCOMPARE(f.messages.Count(), 1);
    const int gone1 = expected.takeAt(600), gone2 = expected.takeAt(1);
    QCOMPARE(f.db.Scalar(QString("SELECT COUNT(*) FROM kontakte WHERE id IN (%1,%2)").arg(gone1).arg(gone2)), "0");
    QCOMPARE(f.model()->rowCount(), expected.size());
    QCOMPARE(f.Ids(), expected);
    QCOMPARE(f.grid()->currentIndex().row(), 0);
}

void TestKontakteLazy::locateAfterEditFarDown()
{
    Fixture f;
    const QList<int> expected = Expected(0, 0);
    const int id = expected[640];
    OnNextModal([](QWidget* w) { FindChild<QPushButton>(w, "Btn_OK")->click(); });
    f.page.EditKontakt(id);
    QCOMPARE(f.grid()->currentIndex().row(), 640);
    QCOMPARE(f.CurrentId(), id);
    QCOMPARE(f.Headline(), "  " + f.Name(id));
}

void TestKontakteLazy::denseGroupWalksTheIndex()
{
    // A group of more than 20,000 members is read along the order's index.
    Fixture f(40000, 3);
    f.ClickGroup(1);
    const QList<int> expected = Expected(1, 3);
    QCOMPARE(f.model()->rowCount(), expected.size());
    QVERIFY(expected.size() >= 20000);
    for (int r : {0, kSeite - 1, kSeite, 12345, int(expected.size()) - 1})
        QCOMPARE(f.model()->Id(r), expected[r]);
    QCOMPARE(f.model()->index(expected.indexOf(39990), 0).data(TKontakteModel::CountRole).toInt(), 2);
    int first = -1;
    for (int i = 0; i < expected.size() && first < 0; ++i)
        if (f.db.Scalar(QString("SELECT nachname FROM kontakte WHERE id=%1").arg(expected[i])).startsWith("z", Qt::CaseInsensitive))
            first = i;
    f.grid()->setFocus();
    QTest::keyClick(f.grid(), 'z');
    QCOMPARE(f.grid()->currentIndex().row(), first);
}

void TestKontakteLazy::oldSchemaGetsItsIndexes()
{
    Fixture f(700);
    const QStringList names = TKontaktDaten::ListenIndizes();
    const QString count = QString("SELECT COUNT(*) FROM RDB$INDICES WHERE TRIM(RDB$INDEX_NAME) IN ('%1')")
                              .arg(names.join("','"));
    // The schema before the lists' indexes (dropped with no other connection on the table).
    const auto reopen = [&] {
        f.page.KontakteModel()->Clear();
        f.db.Modul()->DataModuleDestroy();
        QVERIFY(f.db.Modul()->Connect(nullptr));
    };
    reopen();
    for (const QString& name : names)
        if (f.db.Scalar("SELECT COUNT(*) FROM RDB$INDICES WHERE TRIM(RDB$INDEX_NAME)='" + name + "'") == "1")
            f.db.Exec("DROP INDEX " + name);
    QCOMPARE(f.db.Scalar(count), "0");
    // An earlier build's Email key of blank-padded texts: the same order at several times the size.
    const QString padded = "SELECT COUNT(*) FROM RDB$INDICES WHERE RDB$INDEX_NAME='IX_KONTAKTE_EMAIL'";
    f.db.Exec("CREATE INDEX ix_kontakte_email ON kontakte COMPUTED BY (RPAD(email, 255) || RPAD(nachname, 60) || "
              "RPAD(vorname, 60) || RPAD(firma, 60) || LPAD(id + 2147483648, 10, '0'))");
    auto* combo = f.w<QComboBox>("Kontakte_Sortierung");
    QList<QList<int>> before;
    for (int i = 0; i <= 5; ++i) {
        combo->setCurrentIndex(i);
        emit combo->activated(i);
        before << f.Ids();
        QCOMPARE(before.last(), Expected(0, i));
    }
    // Opened again, as the start-up does: the indexes are made, the lists stay the same.
    reopen();
    QVERIFY(TKontaktDaten::SichereListenIndizes());
    QCOMPARE(f.db.Scalar(count), QString::number(names.size()));
    QCOMPARE(f.db.Scalar(padded), "0");
    QVERIFY(TKontaktDaten::SichereListenIndizes());   // nothing left to make
    for (int i = 0; i <= 5; ++i) {
        combo->setCurrentIndex(i);
        emit combo->activated(i);
        QCOMPARE(f.Ids(), before[i]);
    }
}

QTEST_MAIN(TestKontakteLazy)
#include "tst_kontaktelazy.moc"
