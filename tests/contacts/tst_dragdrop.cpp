#include "TestEnv.h"
#include "foundation/DatenModul.h"
#include "foundation/ProgramDir.h"
#include "contacts/DragDropDBGrid.h"
#include "contacts/KontaktForm.h"
#include "contacts/KontaktePage.h"
#include "contacts/KontaktgruppenForm.h"
#include "contacts/KontakteModel.h"
#include <QApplication>
#include <QDragEnterEvent>
#include <QScrollBar>
#include <QHeaderView>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>
#include <csignal>
#include <unistd.h>

namespace {
struct Fixture {
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktForm kontaktForm;
    TKontaktgruppenForm gruppenForm;
    TKontaktePage page{TKontaktDialoge{&kontaktForm, &gruppenForm}};

    Fixture()
    {
        for (int i = 1; i <= 4; ++i)
            db.Exec(QString("INSERT INTO kontakte (id, nachname) VALUES (%1, 'N%1')").arg(i));
        db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'A')");
        db.Exec("INSERT INTO kategorien (id, name) VALUES (2, 'B')");
        db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (1, 1)");
        db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (2, 1)");
        db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (2, 1)");
        page.resize(900, 600);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.Load();
    }
    QListWidget* groups() { return FindChild<QListWidget>(&page, "ListBox_Kontaktgruppen"); }
    TDragDropDBGrid* grid() { return FindChild<TDragDropDBGrid>(&page, "Grid_Kontakte"); }
    QPoint ItemPos(int row) { return groups()->visualItemRect(groups()->item(row)).center(); }
    QPoint BelowItems() { return QPoint(10, groups()->visualItemRect(groups()->item(groups()->count() - 1)).bottom() + 30); }

    // A drag over the group list as the window system delivers it: enter, moves, drop.
    // Returns whether the drop was accepted.
    bool Drop(const QMimeData& data, QList<QPoint> path)
    {
        QWidget* target = groups()->viewport();
        QDragEnterEvent enter(path.first(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        bool lastAccepted = false;
        for (const QPoint& p : path) {
            QDragMoveEvent move(p, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &move);
            lastAccepted = move.isAccepted();
        }
        // Qt delivers a drop only where the last move was accepted.
        if (!lastAccepted)
            return false;
        QDropEvent drop(path.last(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }
    bool Drop(QList<QPoint> path)
    {
        std::unique_ptr<QMimeData> data(grid()->CreateDragData());
        return Drop(*data, path);
    }
    void SelectRows(const QList<int>& rows)
    {
        for (int r : rows)
            grid()->selectionModel()->select(grid()->model()->index(r, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QList<int> Ids()
    {
        QList<int> out;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            out << grid()->model()->index(r, 0).data(TKontakteModel::IdRole).toInt();
        return out;
    }
    QString Pairs()
    {
        return db.Scalar("SELECT LIST(kontakt||':'||kategorie) FROM (SELECT kontakt, kategorie FROM katzuord "
                         "ORDER BY kontakt, kategorie)");
    }
};
}

class TestDragDrop : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void drop_data();
    void drop();
    void refusedDropsWriteNothing_data();
    void refusedDropsWriteNothing();
    void highlightWithoutReloadAndRestore();
    void longGroupListScrollsWhileDragging();
    void dragStartsOnlyFromDataCells();
    void dropIsCommitted();
    void dropSurvivesAKill();
};

void TestDragDrop::drop_data()
{
    QTest::addColumn<QList<int>>("selected");   // grid rows; empty: the current row alone
    QTest::addColumn<int>("target");            // list index
    QTest::addColumn<QString>("pairs");
    QTest::newRow("three selected onto B") << QList<int>{0, 2, 3} << 2 << "1:1,1:2,2:1,2:1,3:2,4:2";
    QTest::newRow("current row onto B") << QList<int>{} << 2 << "1:1,1:2,2:1,2:1";
    QTest::newRow("members onto own group: nothing new, duplicate left") << QList<int>{0, 1} << 1 << "1:1,2:1,2:1";
    QTest::newRow("all onto A") << QList<int>{0, 1, 2, 3} << 1 << "1:1,2:1,2:1,3:1,4:1";
}

void TestDragDrop::drop()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, target);
    QFETCH(QString, pairs);
    Fixture f;
    f.SelectRows(selected);
    QVERIFY(f.Drop({f.ItemPos(target)}));
    QCOMPARE(f.Pairs(), pairs);
    // A repeated drop adds nothing.
    QVERIFY(f.Drop({f.ItemPos(target)}));
    QCOMPARE(f.Pairs(), pairs);
    QCOMPARE(f.messages.Count(), 0);
}

void TestDragDrop::refusedDropsWriteNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("entry 0") << "entry0";
    QTest::newRow("below the groups") << "below";
    QTest::newRow("foreign format") << "text";
    QTest::newRow("another grid") << "othergrid";
    QTest::newRow("another process") << "otherpid";
}

void TestDragDrop::refusedDropsWriteNothing()
{
    QFETCH(QString, kind);
    Fixture f;
    f.SelectRows({0, 1, 2, 3});
    const QString before = f.Pairs();
    QMimeData data;
    QPoint at = f.ItemPos(2);
    const QByteArray mime(TDragDropDBGrid::kMimeType);
    if (kind == "entry0") {
        at = f.ItemPos(0);
        data.setData(mime, f.grid()->DragTag());
    } else if (kind == "below") {
        at = f.BelowItems();
        data.setData(mime, f.grid()->DragTag());
    } else if (kind == "text") {
        data.setText("4");
    } else if (kind == "othergrid") {
        data.setData(mime, QByteArray::number(QCoreApplication::applicationPid()) + ":Grid_Sms_Kontakte");
    } else {
        data.setData(mime, "1:Grid_Kontakte");
    }
    QVERIFY(!f.Drop(data, {at}));
    // Nor does a drop event sent where no move was accepted.
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.groups()->viewport(), &drop);
    QCOMPARE(f.Pairs(), before);
    QCOMPARE(f.groups()->currentRow(), 0);
}

void TestDragDrop::highlightWithoutReloadAndRestore()
{
    Fixture f;
    f.groups()->setCurrentRow(1);
    f.page.ListBox_KontaktgruppenClick();
    QCOMPARE(f.Ids(), (QList<int>{1, 2}));
    f.page.Grid_KontakteStartDrag();
    std::unique_ptr<QMimeData> data(f.grid()->CreateDragData());
    QWidget* target = f.groups()->viewport();
    QDragEnterEvent enter(f.ItemPos(2), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(f.ItemPos(2), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QVERIFY(move.isAccepted());
    QCOMPARE(f.groups()->currentRow(), 2);
    QCOMPARE(f.Ids(), (QList<int>{1, 2}));   // highlighted, not loaded
    QDragMoveEvent refused(f.ItemPos(0), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &refused);
    QVERIFY(!refused.isAccepted());
    QCOMPARE(f.groups()->currentRow(), 2);   // the last accepted target stays highlighted
    f.page.Grid_KontakteEndDrag();           // cancelled
    QCOMPARE(f.groups()->currentRow(), 1);
    QCOMPARE(f.Ids(), (QList<int>{1, 2}));
    QCOMPARE(f.Pairs(), QString("1:1,2:1,2:1"));
}

void TestDragDrop::longGroupListScrollsWhileDragging()
{
    Fixture f;
    for (int i = 3; i <= 80; ++i)
        f.db.Exec(QString("INSERT INTO kategorien (id, name) VALUES (%1, 'G%1')").arg(i, 3, 10, QChar('0')));
    f.page.Load();
    QScrollBar* bar = f.groups()->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), 0);
    f.page.Grid_KontakteStartDrag();
    std::unique_ptr<QMimeData> data(f.grid()->CreateDragData());
    QWidget* target = f.groups()->viewport();
    // Resting at the bottom edge brings the groups below into reach.
    const QPoint edge(10, target->height() - 2);
    QDragEnterEvent enter(edge, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(edge, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QVERIFY(move.isAccepted());
    QTRY_VERIFY(bar->value() > 0);
    // Leaving the list stops it.
    QDragLeaveEvent leave;
    QApplication::sendEvent(target, &leave);
    const int stopped = bar->value();
    QTest::qWait(200);
    QCOMPARE(bar->value(), stopped);
    f.page.Grid_KontakteEndDrag();
    QCOMPARE(f.Pairs(), QString("1:1,2:1,2:1"));
}

void TestDragDrop::dragStartsOnlyFromDataCells()
{
    Fixture f;
    f.groups()->setCurrentRow(2);
    int started = 0;
    auto original = f.grid()->OnStartDrag;
    f.grid()->OnStartDrag = [&](TDragDropDBGrid* g) { ++started; original(g); };
    QWidget* vp = f.grid()->viewport();
    const QPoint cell = f.grid()->visualRect(f.grid()->model()->index(1, 0)).center();
    const QPoint below(cell.x(), f.grid()->visualRect(f.grid()->model()->index(3, 0)).bottom() + 40);
    const int far = QApplication::startDragDistance() + 10;

    // A plain click selects and starts nothing.
    QTest::mouseClick(vp, Qt::LeftButton, {}, cell);
    QCOMPARE(started, 0);
    QCOMPARE(f.grid()->currentIndex().row(), 1);
    // Press on a data cell and move past the drag distance: the drag runs (and ends at once
    // on this platform) and ends with the group selection it started with.
    QTest::mousePress(vp, Qt::LeftButton, {}, cell);
    QVERIFY(f.grid()->DragArmed());
    for (int dx : {2, far}) {   // the view enters its dragging state first, then starts
        QMouseEvent move(QEvent::MouseMove, QPointF(cell + QPoint(dx, 0)), vp->mapToGlobal(QPointF(cell + QPoint(dx, 0))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
    }
    QTest::mouseRelease(vp, Qt::LeftButton, {}, cell + QPoint(far, 0));
    QCOMPARE(started, 1);
    QCOMPARE(f.groups()->currentRow(), 2);
    // Empty area below the rows, the header and the right button arm nothing.
    QTest::mousePress(vp, Qt::LeftButton, {}, below);
    QVERIFY(!f.grid()->DragArmed());
    QTest::mouseRelease(vp, Qt::LeftButton, {}, below);
    QTest::mousePress(vp, Qt::RightButton, {}, cell);
    QVERIFY(!f.grid()->DragArmed());
    QTest::mouseRelease(vp, Qt::RightButton, {}, cell);
    QTest::mousePress(f.grid()->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    QVERIFY(!f.grid()->DragArmed());
    QTest::mouseRelease(f.grid()->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    QCOMPARE(started, 1);
}

void TestDragDrop::dropIsCommitted()
{
    Fixture f;
    QVERIFY(f.Drop({f.ItemPos(2)}));
    // Another connection sees only what is committed.
    f.db.Modul()->RefreshReadDatabase();
    QSqlQuery q(f.db.Modul()->ReadDatabase());
    QVERIFY(q.exec("SELECT COUNT(*) FROM katzuord WHERE kategorie=2"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 1);
}

void TestDragDrop::dropSurvivesAKill()
{
    TestProgramDir dir;
    {
        TDatenModul modul;
        QVERIFY(modul.Connect(nullptr));
        modul.Run("INSERT INTO kontakte (id, nachname) VALUES (1, 'N')");
        modul.Run("INSERT INTO kategorien (id, name) VALUES (1, 'A')");
        modul.Commit();
        modul.DataModuleDestroy();
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VORNIX2_DROP_CHILD", dir.Path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);   // killed right after the drop
    TDatenModul modul;
    QVERIFY(modul.Connect(nullptr));
    QSqlQuery q = modul.Run("SELECT COUNT(*) FROM katzuord WHERE kontakt=1 AND kategorie=1");
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 1);
}

// The child of dropSurvivesAKill: drops contact 1 onto group A and dies at once.
static int dropAndDie(const QString& dirPath)
{
    SetProgramDir(dirPath);
    auto* modul = new TDatenModul;
    if (!modul->Connect(nullptr))
        return 2;
    ScriptedMessages messages;
    auto* kontaktForm = new TKontaktForm;
    auto* gruppenForm = new TKontaktgruppenForm;
    auto* page = new TKontaktePage(TKontaktDialoge{kontaktForm, gruppenForm});
    page->resize(800, 600);
    page->show();
    page->Load();
    auto* groups = page->findChild<QListWidget*>("ListBox_Kontaktgruppen");
    auto* grid = page->findChild<TDragDropDBGrid*>("Grid_Kontakte");
    std::unique_ptr<QMimeData> data(grid->CreateDragData());
    const QPoint at = groups->visualItemRect(groups->item(1)).center();
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(groups->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(groups->viewport(), &move);
    QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(groups->viewport(), &drop);
    ::kill(::getpid(), SIGKILL);
    return 3;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString childDir = qEnvironmentVariable("VORNIX2_DROP_CHILD");
    if (!childDir.isEmpty())
        return dropAndDie(childDir);
    TestDragDrop test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dragdrop.moc"
