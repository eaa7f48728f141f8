#include "TestEnv.h"
#include "TestProgram.h"
#include "app/HauptForm.h"
#include "contacts/DragDropDBGrid.h"
#include "contacts/KontaktDaten.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/GeburtstagBaum.h"
#include "sms/SmsForm.h"
#include <QAction>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>
#include <memory>

namespace {
QString u8(const char* text) { return QString::fromUtf8(text); }

const char* const kKeineTreffer = "Zu Ihrer Suche wurden keine Einträge gefunden.";
const char* const kKeinZeitraum = "Bitte geben Sie einen Zeitraum mit Anfangs- und Enddatum ein.";
const char* const kUngueltig = "Bitte geben Sie ein gültiges Datum im Format tt.mm. (z.B. '09.02.') an.";

void addKontakt(TestDatabase& db, int id, const QString& vorname, const QString& nachname,
                const QString& geburtsdatum = {}, int mobilSend = 1)
{
    db.Exec(QString("INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, mobil_send, geburtsdatum) "
                    "VALUES (%1, 2, '%2', '%3', '', '0049171%4', %5, %6)")
                .arg(QString::number(id), vorname, nachname, QString::number(1000000 + id), QString::number(mobilSend),
                     geburtsdatum.isEmpty() ? QString("NULL") : "'" + geburtsdatum + "'"));
}
void addGruppe(TestDatabase& db, int id, const QString& name)
{
    db.Exec(QString("INSERT INTO kategorien (id, name) VALUES (%1, '%2')").arg(QString::number(id), name));
}
void zuordnen(TestDatabase& db, int kontakt, int gruppe)
{
    db.Exec(QString("INSERT INTO katzuord (kontakt, kategorie) VALUES (%1, %2)").arg(kontakt).arg(gruppe));
}

// The picker's widgets, found by name.
struct View {
    QWidget* w;
    template <class T> T* get(const char* name) const { return FindChild<T>(w, QLatin1String(name)); }
    QListWidget* Gruppen() const { return get<QListWidget>("ListBox_Kontaktgruppen"); }
    TDragDropDBGrid* Grid() const { return get<TDragDropDBGrid>("Grid_Kontakte"); }
    QTreeView* Tree() const { return get<QTreeView>("TreeView_Geburtstag"); }
    QListView* Chosen() const { return get<QListView>("ListBox_Empfaenger"); }
    QLineEdit* Edit(const char* name) const { return get<QLineEdit>(name); }
    QStringList ChosenTexts() const
    {
        QStringList out;
        for (int i = 0; i < Chosen()->model()->rowCount(); ++i)
            out.append(Chosen()->model()->index(i, 0).data().toString());
        return out;
    }
    QStringList GruppenTexts() const
    {
        QStringList out;
        for (int i = 0; i < Gruppen()->count(); ++i)
            out.append(Gruppen()->item(i)->text());
        return out;
    }
    QStringList GridTexts() const
    {
        QStringList out;
        for (int i = 0; i < Grid()->model()->rowCount(); ++i)
            out.append(Grid()->model()->index(i, 0).data().toString());
        return out;
    }
    // A top-level node of the tree, or its child; invalid when there is none.
    QModelIndex Node(int top, int child = -1) const
    {
        const QModelIndex node = Tree()->model()->index(top, 0);
        return child < 0 || !node.isValid() ? node : Tree()->model()->index(child, 0, node);
    }
    int TopLevelCount() const { return Tree()->model()->rowCount(); }
    int ChildCount(int top) const { return Node(top).isValid() ? Tree()->model()->rowCount(Node(top)) : -1; }
    // The texts of a top-level node's children.
    QStringList Children(int top) const
    {
        QStringList out;
        for (int i = 0; i < ChildCount(top); ++i)
            out.append(Node(top, i).data().toString());
        return out;
    }
    QStringList TopLevel() const
    {
        QStringList out;
        for (int i = 0; i < TopLevelCount(); ++i)
            out.append(Node(i).data().toString());
        return out;
    }
    // Adds a node to the tree's selection.
    void SelectNode(int top, int child = -1) const
    {
        QVERIFY(Node(top, child).isValid());
        Tree()->selectionModel()->select(Node(top, child), QItemSelectionModel::Select);
    }
    void SelectGruppen(const QList<int>& rows) const
    {
        Gruppen()->clearSelection();
        for (int r : rows)
            Gruppen()->item(r)->setSelected(true);
    }
    void SelectGridRow(int row) const
    {
        Grid()->selectionModel()->select(Grid()->model()->index(row, 0),
                                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    void Search(const QString& von, const QString& bis) const
    {
        Edit("Geburtstag_Von")->setText(von);
        Edit("Geburtstag_Bis")->setText(bis);
        get<QToolButton>("Button_Geburtstag_Suchen")->click();
    }
    void Key(QWidget* target, int key) const { QTest::keyClick(target, Qt::Key(key)); }
};

// The picker alone over a fresh database.
struct Picker : View {
    TestDatabase db;
    ScriptedMessages msgs;
    TEmpfaengerAuswaehlenForm form;
    Picker() : View{&form} {}
    ~Picker() { form.hide(); }
    void Show()
    {
        form.show();
        QCoreApplication::processEvents();
    }
};

// The six birthdays of the range table, no group.
void birthdays(TestDatabase& db)
{
    addKontakt(db, 1, "Anna", "Maerz", "1970-03-01");
    addKontakt(db, 2, "Berta", "Schalt", "1992-02-29");
    addKontakt(db, 3, "Carl", "Februar", "1980-02-28");
    addKontakt(db, 4, "Dora", "Zwei", "2000-03-02");
    addKontakt(db, 5, "Emil", "Silvester", "1985-12-31");
    addKontakt(db, 6, "Frida", "Januar", "1990-01-02");
    addKontakt(db, 7, "Gustav", "Ohne");
}
} // namespace

class TestEmpfaengerAuswahl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void cleanup()
    {
        Clock::Set(QDateTime());
        QVERIFY(!ModalTimedOut());
    }
    void neverSmsMemberIsListedThenRefusedByComposer();
    void cancelHandsNothing();
    void sameContactThroughGroupsAndGridListedOnce();
    void groupNodeRemovesEveryMember();
    void groupCountsAndGridOrder();
    void withoutGroupsAndContacts();
    void gridAddsCurrentRowButRemovesOnlySelected();
    void contactSearch();
    void birthdayRanges_data();
    void birthdayRanges();
    void birthdayTreeGroups();
    void birthdaySearchAgain();
    void birthdayTreeSelectionInTreeOrder();
    void birthdayTreeMouseAndKeys();
    void defaultRange_data();
    void defaultRange();
    void invalidBounds_data();
    void invalidBounds();
    void rangeNormalizedOnLeaving();
    void drops_data();
    void drops();
    void gridDragStartsFromSelectedRows();
    void rowNumbersShowWhole_data();
    void rowNumbersShowWhole();
    void dragArmsOnDataCellOnly();
    void everyShowResets();
    void manyIdsReadInTheirOrder();
};

void TestEmpfaengerAuswahl::neverSmsMemberIsListedThenRefusedByComposer()
{
    TestProgram p;
    addGruppe(p.db, 1, "Kunden");
    addKontakt(p.db, 1, "Anna", "Alt");
    addKontakt(p.db, 2, "Nie", "Sms", {}, 0);
    zuordnen(p.db, 1, 1);
    zuordnen(p.db, 2, 1);
    auto* sms = p.Frame()->findChild<TSmsForm*>("SmsForm");
    auto* hinzu = FindChild<QToolButton>(sms, "ToolButton_Empfaenger_Hinzu");
    QVERIFY(hinzu->isEnabled());
    QVERIFY(FindChild<QToolButton>(sms, "SpeedButton_Empfaenger_Waehlen")->isEnabled());
    QStringList chosen;
    OnNextModal([&](QWidget* w) {
        View v{w};
        v.SelectGruppen({1});
        v.get<QPushButton>("Button_An_Kontaktgruppen")->click();
        chosen = v.ChosenTexts();
        QVERIFY(p.msgs.Texts().isEmpty());
        v.get<QPushButton>("Btn_OK")->click();
    });
    hinzu->click();
    chosen.sort();
    QCOMPARE(chosen, QStringList({"Anna Alt <00491711000001>", "Nie Sms <00491711000002>"}));
    QCOMPARE(sms->GetEmpfaenger().Count(), 1);
    QCOMPARE(p.msgs.Count(), 1);
    QVERIFY(p.msgs.Texts().first().contains(
        u8("* 1 Empfänger wurde der Auswahlliste nicht hinzugefügt, da für diesen die Option "
           "'diesen Kontakt nie per SMS anschreiben' aktiviert wurde.")));
}

void TestEmpfaengerAuswahl::cancelHandsNothing()
{
    TestProgram p;
    addKontakt(p.db, 1, "Anna", "Alt");
    auto* sms = p.Frame()->findChild<TSmsForm*>("SmsForm");
    OnNextModal([&](QWidget* w) {
        View v{w};
        v.SelectGruppen({0});
        v.get<QPushButton>("Button_An_Kontaktgruppen")->click();
        QCOMPARE(v.ChosenTexts().size(), 1);
        v.get<QPushButton>("Btn_Abbrechen")->click();
    });
    FindChild<QToolButton>(sms, "SpeedButton_Empfaenger_Waehlen")->click();
    QCOMPARE(sms->GetEmpfaenger().Count(), 0);
    QCOMPARE(p.msgs.Count(), 0);
}

void TestEmpfaengerAuswahl::sameContactThroughGroupsAndGridListedOnce()
{
    Picker f;
    addGruppe(f.db, 1, "Eins");
    addGruppe(f.db, 2, "Zwei");
    addKontakt(f.db, 1, "Anna", "Alt");
    addKontakt(f.db, 2, "Bernd", "Bau");
    zuordnen(f.db, 1, 1);
    zuordnen(f.db, 1, 2);
    zuordnen(f.db, 2, 2);
    f.Show();
    f.SelectGruppen({1, 2});
    f.get<QPushButton>("Button_An_Kontaktgruppen")->click();
    f.SelectGridRow(0);   // Alt, Anna
    f.get<QPushButton>("Button_An_Kontakte")->click();
    QList<int> ids = f.form.GetEmpfaengerIds();
    QCOMPARE(ids.size(), 2);
    std::sort(ids.begin(), ids.end());
    QCOMPARE(ids, QList<int>({1, 2}));
    // The birthday-free contacts again through "[alle Kontakte]": nothing new.
    f.SelectGruppen({0});
    f.Key(f.Gruppen(), Qt::Key_Return);
    QCOMPARE(f.form.GetEmpfaengerIds().size(), 2);
    QVERIFY(!f.form.AddKontakt(1));
    QVERIFY(!f.form.AddKontakt(99));
    QCOMPARE(f.form.GetEmpfaengerIds().size(), 2);
}

void TestEmpfaengerAuswahl::groupNodeRemovesEveryMember()
{
    Picker f;
    addGruppe(f.db, 1, "Familie");
    addKontakt(f.db, 1, "Anna", "Alt", "1970-05-10");
    addKontakt(f.db, 2, "Bernd", "Bau");               // member without a birthday
    addKontakt(f.db, 3, "Carl", "Cor", "1980-05-11");  // no group
    zuordnen(f.db, 1, 1);
    zuordnen(f.db, 2, 1);
    f.Show();
    f.SelectGruppen({0});
    f.get<QPushButton>("Button_An_Kontaktgruppen")->click();
    QCOMPARE(f.form.GetEmpfaengerIds().size(), 3);
    f.get<QTabWidget>("PageControl")->setCurrentIndex(1);
    f.Search("01.05.", "31.05.");
    QCOMPARE(f.TopLevel(), QStringList({"[alle Kontakte]", "Familie"}));
    QCOMPARE(f.Children(1), QStringList({"Anna Alt (10.05.1970)"}));
    f.SelectNode(1);
    f.Key(f.Tree(), Qt::Key_Delete);
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({3}));
    // The root removes every contact.
    f.form.AddKontakt(1);
    f.Tree()->clearSelection();
    f.SelectNode(0);
    f.form.findChild<QAction*>("Geburtstag_Entfernen")->trigger();
    QVERIFY(f.form.GetEmpfaengerIds().isEmpty());
}

void TestEmpfaengerAuswahl::groupCountsAndGridOrder()
{
    Picker f;
    addGruppe(f.db, 1, "Zwei");
    addGruppe(f.db, 2, "Eins");
    addGruppe(f.db, 3, "Leer");
    addKontakt(f.db, 1, "Zora", "Alt");
    addKontakt(f.db, 2, "Anna", "Zahn");
    zuordnen(f.db, 1, 1);
    zuordnen(f.db, 2, 1);
    zuordnen(f.db, 1, 2);
    f.Show();
    QCOMPARE(f.GruppenTexts(), QStringList({u8("[alle Kontakte] (2 Einträge)"), "Eins (1 Eintrag)",
                                            u8("Leer (0 Einträge)"), u8("Zwei (2 Einträge)")}));
    QCOMPARE(f.GridTexts(), QStringList({"Alt, Zora", "Zahn, Anna"}));
    auto* sort = f.get<QComboBox>("Kontakte_Sortierung");
    sort->setCurrentIndex(1);
    Q_EMIT sort->activated(1);
    QCOMPARE(f.GridTexts(), QStringList({"Anna Zahn", "Zora Alt"}));
    // Type-ahead by first name now: "z" goes to Zora.
    f.Key(f.Grid(), Qt::Key_Z);
    QCOMPARE(f.Grid()->currentIndex().row(), 1);
    f.Gruppen()->setCurrentRow(1);
    QCOMPARE(f.GridTexts(), QStringList({"Zora Alt"}));
}

void TestEmpfaengerAuswahl::withoutGroupsAndContacts()
{
    Picker f;
    f.Show();
    QCOMPARE(f.GruppenTexts(), QStringList({u8("[alle Kontakte] (0 Einträge)")}));
    QVERIFY(f.GridTexts().isEmpty());
    f.Key(f.Grid(), Qt::Key_Return);
    f.Key(f.Gruppen(), Qt::Key_Return);
    QVERIFY(f.form.GetEmpfaengerIds().isEmpty());
    QVERIFY(f.msgs.Texts().isEmpty());
    addKontakt(f.db, 1, "Anna", "Alt");
    f.form.hide();
    f.Show();
    QCOMPARE(f.GruppenTexts(), QStringList({"[alle Kontakte] (1 Eintrag)"}));
}

void TestEmpfaengerAuswahl::gridAddsCurrentRowButRemovesOnlySelected()
{
    Picker f;
    addKontakt(f.db, 1, "Anna", "Alt");
    addKontakt(f.db, 2, "Bernd", "Bau");
    f.Show();
    QVERIFY(f.Grid()->selectionModel()->selectedRows().isEmpty());
    f.Key(f.Grid(), Qt::Key_Return);   // the current row, the first
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({1}));
    f.Key(f.Grid(), Qt::Key_Delete);   // nothing selected: nothing removed
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({1}));
    f.SelectGridRow(1);
    f.form.findChild<QAction*>("Kontakte_Hinzufuegen")->trigger();
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({1, 2}));
    f.SelectGridRow(0);
    f.form.findChild<QAction*>("Kontakte_Entfernen")->trigger();
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({2}));
    QCOMPARE(f.ChosenTexts(), QStringList({"Bernd Bau <00491711000002>"}));
    // The chosen list's Delete key removes its selected entries.
    f.Chosen()->selectionModel()->select(f.Chosen()->model()->index(0, 0), QItemSelectionModel::Select);
    f.Key(f.Chosen(), Qt::Key_Delete);
    QVERIFY(f.form.GetEmpfaengerIds().isEmpty());
}

void TestEmpfaengerAuswahl::contactSearch()
{
    Picker f;
    addGruppe(f.db, 1, "Kunden");
    addKontakt(f.db, 1, "Anna", "O''Neil");
    addKontakt(f.db, 2, "Bernd", "Bau");
    zuordnen(f.db, 2, 1);
    f.Show();
    auto* edit = f.Edit("Kontakt_Suchen");
    auto* stop = f.get<QToolButton>("Button_Kontakte_Suchen_Stop");
    f.Key(edit, Qt::Key_Return);
    QCOMPARE(f.msgs.Texts(), QStringList({"Bitte geben Sie einen Suchbegriff ein."}));
    edit->setText("o'n");
    f.Key(edit, Qt::Key_Return);
    QCOMPARE(f.GridTexts(), QStringList({"O'Neil, Anna"}));
    QVERIFY(stop->isEnabled());
    QVERIFY(f.form.isVisible());   // Enter did not close the dialog
    f.msgs.Clear();
    edit->setText("nichts");
    f.get<QToolButton>("Button_Kontakte_Suchen")->click();
    QCOMPARE(f.msgs.Texts(), QStringList({u8(kKeineTreffer)}));
    QVERIFY(f.GridTexts().isEmpty());
    // The search is off again: a group shows all its members.
    f.Gruppen()->setCurrentRow(1);
    QCOMPARE(f.GridTexts(), QStringList({"Bau, Bernd"}));
}

void TestEmpfaengerAuswahl::birthdayRanges_data()
{
    QTest::addColumn<QString>("von");
    QTest::addColumn<QString>("bis");
    QTest::addColumn<QStringList>("found");
    const QString a = "Anna Maerz (01.03.1970)", b = "Berta Schalt (29.02.1992)", c = "Carl Februar (28.02.1980)",
                  d = "Dora Zwei (02.03.2000)", e = "Emil Silvester (31.12.1985)", fr = "Frida Januar (02.01.1990)";
    QTest::newRow("one day") << "01.03." << "01.03." << QStringList{a};
    QTest::newRow("29 February alone") << "29.02." << "29.02." << QStringList{b};
    QTest::newRow("over 29 February") << "28.02." << "01.03." << QStringList{a, c, b};
    QTest::newRow("first days of March") << "1.3." << "2.3." << QStringList{a, d};
    QTest::newRow("new year") << "20.12." << "05.01." << QStringList{e, fr};
    QTest::newRow("new year, two days") << "31.12." << "01.01." << QStringList{e};
    QTest::newRow("new year to February") << "30.12." << "28.02." << QStringList{c, e, fr};
    QTest::newRow("whole year") << "01.01." << "31.12." << QStringList{a, c, e, fr, b, d};
    QTest::newRow("nobody") << "03.03." << "30.12." << QStringList{};
}

void TestEmpfaengerAuswahl::birthdayRanges()
{
    QFETCH(QString, von);
    QFETCH(QString, bis);
    QFETCH(QStringList, found);
    Picker f;
    birthdays(f.db);
    f.Show();
    f.Search(von, bis);
    QCOMPARE(f.Children(0), found);
    QCOMPARE(f.TopLevelCount(), 1);
    QCOMPARE(f.get<QToolButton>("Button_Geburtstag_Suchen_Stop")->isEnabled(), !found.isEmpty());
    QCOMPARE(f.msgs.Texts(), found.isEmpty() ? QStringList{u8(kKeineTreffer)} : QStringList{});
    if (!found.isEmpty()) {
        QVERIFY(f.Tree()->isExpanded(f.Node(0)));
        // The root adds what it shows, in its order.
        f.SelectNode(0);
        f.get<QPushButton>("Button1")->click();
        QCOMPARE(f.ChosenTexts().size(), found.size());
    }
}

void TestEmpfaengerAuswahl::birthdayTreeGroups()
{
    Picker f;
    birthdays(f.db);
    addGruppe(f.db, 1, "Zeta");
    addGruppe(f.db, 2, "Alpha");
    addGruppe(f.db, 3, "Leer");
    zuordnen(f.db, 1, 1);   // Anna in Zeta and Alpha
    zuordnen(f.db, 1, 2);
    zuordnen(f.db, 3, 2);   // Carl in Alpha
    zuordnen(f.db, 5, 3);   // Emil, outside the range
    f.Show();
    f.Search("28.02.", "01.03.");
    QCOMPARE(f.TopLevel(), QStringList({"[alle Kontakte]", "Alpha", "Zeta"}));
    QCOMPARE(f.Children(1), QStringList({"Anna Maerz (01.03.1970)", "Carl Februar (28.02.1980)"}));
    QCOMPARE(f.Children(2), QStringList({"Anna Maerz (01.03.1970)"}));
    QVERIFY(f.Tree()->isExpanded(f.Node(1)));
    QVERIFY(f.Tree()->isExpanded(f.Node(2)));
    // Root, both groups and a contact node: Anna once.
    for (int i = 0; i < 3; ++i)
        f.SelectNode(i);
    f.SelectNode(2, 0);
    f.form.findChild<QAction*>("Geburtstag_Hinzufuegen")->trigger();
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({1, 3, 2}));
    // The reset: the root alone, the default range back.
    Clock::Set(QDateTime(QDate(2026, 6, 15), QTime(9, 0)));
    f.get<QToolButton>("Button_Geburtstag_Suchen_Stop")->click();
    QCOMPARE(f.TopLevel(), QStringList({"[alle Kontakte]"}));
    QCOMPARE(f.Edit("Geburtstag_Von")->text(), QString("08.06."));
    QCOMPARE(f.Edit("Geburtstag_Bis")->text(), QString("22.06."));
    QVERIFY(!f.get<QToolButton>("Button_Geburtstag_Suchen_Stop")->isEnabled());
}

// A second search replaces the first one's tree: its nodes show and add the second result only.
// The texts of all nodes, whatever characters the names hold.
void TestEmpfaengerAuswahl::birthdaySearchAgain()
{
    Picker f;
    birthdays(f.db);
    // Names beyond Latin-1 after Latin-1 ones: the texts before them stay as they were.
    addKontakt(f.db, 8, u8("Zoë"), u8("Brontë"), "1975-05-05");
    addKontakt(f.db, 9, u8("Łukasz"), u8("Wójcik"), "1995-06-01");
    addGruppe(f.db, 1, "Zeta");
    zuordnen(f.db, 3, 1);   // Carl
    zuordnen(f.db, 5, 1);   // Emil
    f.Show();
    // The tree's model stays consistent (parents, rows, indexes) through every search.
    QAbstractItemModelTester tester(f.Tree()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    f.Search("01.01.", "31.12.");
    QCOMPARE(f.Children(0),
             QStringList({"Anna Maerz (01.03.1970)", u8("Zoë Brontë (05.05.1975)"), "Carl Februar (28.02.1980)",
                          "Emil Silvester (31.12.1985)", "Frida Januar (02.01.1990)", "Berta Schalt (29.02.1992)",
                          u8("Łukasz Wójcik (01.06.1995)"), "Dora Zwei (02.03.2000)"}));
    QCOMPARE(f.Children(1), QStringList({"Carl Februar (28.02.1980)", "Emil Silvester (31.12.1985)"}));
    f.Search("28.02.", "01.03.");
    QCOMPARE(f.Children(0),
             QStringList({"Anna Maerz (01.03.1970)", "Carl Februar (28.02.1980)", "Berta Schalt (29.02.1992)"}));
    QCOMPARE(f.TopLevel(), QStringList({"[alle Kontakte]", "Zeta"}));
    QCOMPARE(f.Children(1), QStringList({"Carl Februar (28.02.1980)"}));
    f.SelectNode(0);
    f.form.findChild<QAction*>("Geburtstag_Hinzufuegen")->trigger();
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({1, 3, 2}));
}

// Whatever order the nodes were selected in, and however the selection's ranges overlap, the
// chosen list gets the selected nodes' contacts in the tree's order, each once.
void TestEmpfaengerAuswahl::birthdayTreeSelectionInTreeOrder()
{
    Picker f;
    birthdays(f.db);
    addGruppe(f.db, 1, "Zeta");
    zuordnen(f.db, 4, 1);   // Dora
    zuordnen(f.db, 1, 1);   // Anna
    f.Show();
    f.Search("01.01.", "31.12.");
    // Anna, Carl, Emil, Frida, Berta, Dora; under Zeta Anna, Dora.
    QCOMPARE(f.Children(1), QStringList({"Anna Maerz (01.03.1970)", "Dora Zwei (02.03.2000)"}));
    f.SelectNode(1, 1);   // Dora under Zeta first
    QItemSelection overlapping;
    overlapping.select(f.Node(0, 2), f.Node(0, 3));   // Emil, Frida
    overlapping.select(f.Node(0, 1), f.Node(0, 2));   // Carl, Emil
    f.Tree()->selectionModel()->select(overlapping, QItemSelectionModel::Select);
    f.form.findChild<QAction*>("Geburtstag_Hinzufuegen")->trigger();
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({3, 5, 6, 4}));
    // A group selected after its own child: all its members, in its order, the child once.
    f.Tree()->clearSelection();
    f.SelectNode(1, 0);
    f.SelectNode(1);
    f.SelectNode(0, 4);   // Berta
    f.get<QPushButton>("Button1")->click();
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({3, 5, 6, 4, 2, 1}));
    // Removing takes the same nodes: the group's members and Berta.
    f.form.findChild<QAction*>("Geburtstag_Entfernen")->trigger();
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({3, 5, 6}));
}

// The tree's own gestures: a double click adds the node under the mouse, a right click selects
// the node under it alone, Enter adds and Delete removes the selection.
void TestEmpfaengerAuswahl::birthdayTreeMouseAndKeys()
{
    Picker f;
    birthdays(f.db);
    addGruppe(f.db, 1, "Zeta");
    zuordnen(f.db, 3, 1);   // Carl
    zuordnen(f.db, 2, 1);   // Berta
    f.Show();
    f.get<QTabWidget>("PageControl")->setCurrentIndex(1);
    f.Search("28.02.", "01.03.");
    QCOMPARE(f.Children(0), QStringList({"Anna Maerz (01.03.1970)", "Carl Februar (28.02.1980)",
                                         "Berta Schalt (29.02.1992)"}));
    QTreeView* tree = f.Tree();
    QWidget* vp = tree->viewport();
    QCOMPARE(f.Node(0, 1).data(TGeburtstagBaum::WertRole).toInt(), 3);
    QCOMPARE(f.Node(1).data(TGeburtstagBaum::WertRole).toInt(), -1);
    QCOMPARE(f.Node(0).data(TGeburtstagBaum::WertRole).toInt(), 0);
    QVERIFY(tree->dragEnabled());
    QVERIFY(f.Node(0, 1).flags() & Qt::ItemIsDragEnabled);
    QVERIFY(!(f.Node(0, 1).flags() & Qt::ItemIsEditable));

    const QPoint carl = tree->visualRect(f.Node(0, 1)).center();
    QVERIFY(vp->rect().contains(carl));
    // The view takes the double click that follows a press and release on the node.
    QTest::mouseClick(vp, Qt::LeftButton, {}, carl);
    QTest::mouseDClick(vp, Qt::LeftButton, {}, carl);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, carl);
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({3}));
    QVERIFY(!vp->findChild<QLineEdit*>());   // no editor opened

    tree->clearSelection();
    const QPoint zeta = tree->visualRect(f.Node(1)).center();
    QTest::mousePress(vp, Qt::RightButton, {}, zeta);
    QTest::mouseRelease(vp, Qt::RightButton, {}, zeta);
    QCOMPARE(tree->selectionModel()->selectedIndexes(), QModelIndexList({f.Node(1)}));
    f.Key(tree, Qt::Key_Return);
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({3, 2}));
    QVERIFY(f.form.isVisible());   // Enter did not close the dialog
    f.form.AddKontakt(1);
    f.Key(tree, Qt::Key_Delete);
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({1}));
}

void TestEmpfaengerAuswahl::defaultRange_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("von");
    QTest::addColumn<QString>("bis");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("10 December") << QDate(2026, 12, 10) << "03.12." << "17.12." << QStringList{};
    QTest::newRow("30 December") << QDate(2026, 12, 30) << "23.12." << "06.01."
                                 << QStringList{"Emil Silvester (31.12.1985)", "Frida Januar (02.01.1990)"};
    QTest::newRow("1 March") << QDate(2027, 3, 1) << "22.02." << "08.03."
                             << QStringList{"Anna Maerz (01.03.1970)", "Carl Februar (28.02.1980)",
                                            "Berta Schalt (29.02.1992)", "Dora Zwei (02.03.2000)"};
}

void TestEmpfaengerAuswahl::defaultRange()
{
    QFETCH(QDate, today);
    QFETCH(QString, von);
    QFETCH(QString, bis);
    QFETCH(QStringList, found);
    Clock::Set(QDateTime(today, QTime(12, 0)));
    Picker f;
    birthdays(f.db);
    f.Show();
    QCOMPARE(f.Edit("Geburtstag_Von")->text(), von);
    QCOMPARE(f.Edit("Geburtstag_Bis")->text(), bis);
    QCOMPARE(f.TopLevel(), QStringList({"[alle Kontakte]"}));
    f.get<QToolButton>("Button_Geburtstag_Suchen")->click();
    QCOMPARE(f.Children(0), found);
}

void TestEmpfaengerAuswahl::invalidBounds_data()
{
    QTest::addColumn<QString>("von");
    QTest::addColumn<QString>("bis");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("both empty") << "" << "" << u8(kKeinZeitraum) << "Geburtstag_Von";
    QTest::newRow("end empty") << "01.01." << "" << u8(kKeinZeitraum) << "Geburtstag_Von";
    QTest::newRow("start empty") << "" << "01.01." << u8(kKeinZeitraum) << "Geburtstag_Von";
    QTest::newRow("start no date") << "31.02." << "01.03." << u8(kUngueltig) << "Geburtstag_Von";
    QTest::newRow("start without dot") << "01.03" << "01.04." << u8(kUngueltig) << "Geburtstag_Von";
    QTest::newRow("end no date") << "01.03." << "1.13." << u8(kUngueltig) << "Geburtstag_Bis";
    QTest::newRow("end text") << "01.03." << "Mai" << u8(kUngueltig) << "Geburtstag_Bis";
}

void TestEmpfaengerAuswahl::invalidBounds()
{
    QFETCH(QString, von);
    QFETCH(QString, bis);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    Picker f;
    birthdays(f.db);
    f.Show();
    QCOMPARE(f.form.focusWidget(), f.Edit("Kontakt_Suchen"));
    f.Search(von, bis);
    QCOMPARE(f.msgs.Texts(), QStringList({message}));
    QCOMPARE(f.form.focusWidget(), f.Edit(focus.toLatin1().constData()));
    QCOMPARE(f.TopLevel(), QStringList({"[alle Kontakte]"}));
    QVERIFY(!f.get<QToolButton>("Button_Geburtstag_Suchen_Stop")->isEnabled());
}

void TestEmpfaengerAuswahl::rangeNormalizedOnLeaving()
{
    Picker f;
    birthdays(f.db);
    f.Show();
    QVERIFY(QTest::qWaitForWindowActive(&f.form));
    f.get<QTabWidget>("PageControl")->setCurrentIndex(1);
    auto* von = f.Edit("Geburtstag_Von");
    auto* bis = f.Edit("Geburtstag_Bis");
    von->setFocus();
    von->setText("2802");
    f.Key(von, Qt::Key_Return);   // Enter moves on to the end, leaving the start
    QCOMPARE(QApplication::focusWidget(), bis);
    QCOMPARE(von->text(), QString("28.02."));
    bis->setText("xx");
    f.Key(bis, Qt::Key_Tab);      // not a day: left as typed
    QCOMPARE(bis->text(), QString("xx"));
    bis->setFocus();
    bis->setText("1.3.");
    f.Key(bis, Qt::Key_Return);   // Enter searches on the text as it stands
    QCOMPARE(f.Children(0), QStringList({"Anna Maerz (01.03.1970)", "Carl Februar (28.02.1980)",
                                         "Berta Schalt (29.02.1992)"}));
    QVERIFY(f.form.isVisible());
}

void TestEmpfaengerAuswahl::drops_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QList<int>>("ids");
    const QList<int> before{1, 2};
    const QString chosen = "ListBox_Empfaenger";
    QTest::newRow("groups to chosen") << 0 << "ListBox_Kontaktgruppen" << chosen << true << QList<int>{1, 2, 4};
    QTest::newRow("grid to chosen") << 0 << "Grid_Kontakte" << chosen << true << QList<int>{1, 2, 3};
    QTest::newRow("tree on contacts tab") << 0 << "TreeView_Geburtstag" << chosen << false << before;
    QTest::newRow("tree to chosen") << 1 << "TreeView_Geburtstag" << chosen << true << QList<int>{1, 2, 5};
    QTest::newRow("groups on birthday tab") << 1 << "ListBox_Kontaktgruppen" << chosen << false << before;
    QTest::newRow("grid on birthday tab") << 1 << "Grid_Kontakte" << chosen << false << before;
    QTest::newRow("chosen to chosen") << 0 << chosen << chosen << false << before;
    QTest::newRow("chosen to groups") << 0 << chosen << "ListBox_Kontaktgruppen" << true << QList<int>{2};
    QTest::newRow("chosen to grid") << 0 << chosen << "Grid_Kontakte" << true << QList<int>{2};
    QTest::newRow("chosen to tree") << 1 << chosen << "TreeView_Geburtstag" << true << QList<int>{2};
    QTest::newRow("grid to grid") << 0 << "Grid_Kontakte" << "Grid_Kontakte" << false << before;
    QTest::newRow("grid to tree") << 1 << "Grid_Kontakte" << "TreeView_Geburtstag" << false << before;
    QTest::newRow("foreign data") << 0 << "" << chosen << false << before;
}

void TestEmpfaengerAuswahl::drops()
{
    QFETCH(int, tab);
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(bool, accepted);
    QFETCH(QList<int>, ids);
    Picker f;
    addGruppe(f.db, 1, "Kunden");
    addKontakt(f.db, 1, "Anna", "A");
    addKontakt(f.db, 2, "Bernd", "B");
    addKontakt(f.db, 3, "Carl", "C");
    addKontakt(f.db, 4, "Dora", "D");
    addKontakt(f.db, 5, "Emil", "E", "1990-06-01");
    zuordnen(f.db, 4, 1);
    f.Show();
    f.form.AddKontakt(1);
    f.form.AddKontakt(2);
    f.Chosen()->selectionModel()->select(f.Chosen()->model()->index(0, 0), QItemSelectionModel::Select);
    f.SelectGridRow(2);   // C, Carl
    f.SelectGruppen({1});
    f.Search("01.06.", "01.06.");
    f.SelectNode(0, 0);
    f.get<QTabWidget>("PageControl")->setCurrentIndex(tab);

    std::unique_ptr<QMimeData> data;
    if (source.isEmpty()) {
        // A drag of the contacts page's grid: its own tag only.
        data = std::make_unique<QMimeData>();
        data->setData(TDragDropDBGrid::kMimeType, f.Grid()->DragTag());
    } else {
        data.reset(TEmpfaengerAuswaehlenForm::CreateDragData(source));
    }
    auto* view = f.form.findChild<QAbstractItemView*>(target);
    QWidget* vp = view->viewport();
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    // A drop where the enter was refused does nothing either.
    QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &drop);
    QCOMPARE(drop.isAccepted(), accepted);
    QCOMPARE(f.form.GetEmpfaengerIds(), ids);
}

void TestEmpfaengerAuswahl::dragArmsOnDataCellOnly()
{
    Picker f;
    addKontakt(f.db, 1, "Anna", "A");
    f.Show();
    TDragDropDBGrid* grid = f.Grid();
    const QPoint cell = grid->visualRect(grid->model()->index(0, 0)).center();
    QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
    QVERIFY(grid->DragArmed());
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
    QVERIFY(!grid->DragArmed());
    const QPoint below(cell.x(), grid->viewport()->height() - 2);
    QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    QVERIFY(!grid->DragArmed());
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, below);
}

void TestEmpfaengerAuswahl::everyShowResets()
{
    Clock::Set(QDateTime(QDate(2026, 12, 10), QTime(8, 0)));
    Picker f;
    birthdays(f.db);
    addGruppe(f.db, 1, "Kunden");
    f.Show();
    f.Edit("Kontakt_Suchen")->setText("Anna");
    f.get<QToolButton>("Button_Kontakte_Suchen")->click();
    f.get<QComboBox>("Kontakte_Sortierung")->setCurrentIndex(1);
    f.Gruppen()->setCurrentRow(1);
    f.form.AddKontakt(1);
    f.get<QTabWidget>("PageControl")->setCurrentIndex(1);
    f.Search("01.01.", "31.12.");
    QVERIFY(f.TopLevelCount() > 0 && f.Children(0).size() == 6);
    f.form.hide();
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>({1}));   // readable until the next show

    f.Show();
    QCOMPARE(f.Edit("Kontakt_Suchen")->text(), QString());
    QVERIFY(!f.get<QToolButton>("Button_Kontakte_Suchen_Stop")->isEnabled());
    QCOMPARE(f.get<QComboBox>("Kontakte_Sortierung")->currentIndex(), 0);
    QCOMPARE(f.Gruppen()->currentRow(), 0);
    QCOMPARE(f.GridTexts().size(), 7);
    QCOMPARE(f.Edit("Geburtstag_Von")->text(), QString("03.12."));
    QCOMPARE(f.Edit("Geburtstag_Bis")->text(), QString("17.12."));
    QVERIFY(!f.get<QToolButton>("Button_Geburtstag_Suchen_Stop")->isEnabled());
    QCOMPARE(f.TopLevel(), QStringList({"[alle Kontakte]"}));
    QCOMPARE(f.ChildCount(0), 0);
    QVERIFY(f.form.GetEmpfaengerIds().isEmpty());
    QVERIFY(f.ChosenTexts().isEmpty());
    QCOMPARE(f.get<QTabWidget>("PageControl")->currentIndex(), 0);
    QCOMPARE(f.form.focusWidget(), f.Edit("Kontakt_Suchen"));
    QVERIFY(!QApplication::overrideCursor());
}

// The composer reads the chosen ids back; a long list takes one pass over the table and must
// give what one read per id gives: the order of the ids, a missing id skipped, a repeated id
// repeated.
void TestEmpfaengerAuswahl::manyIdsReadInTheirOrder()
{
    TestDatabase db;
    constexpr int n = 2500;
    DatenModul->Unit([&] {
        QSqlQuery q = DatenModul->Query();
        TDatenModul::Prepare(q, "INSERT INTO kontakte (id, vorname, mobil) VALUES (:id, :v, :m)");
        for (int i = 1; i <= n; ++i) {
            q.bindValue(":id", i);
            q.bindValue(":v", QString("V%1").arg(i));
            q.bindValue(":m", QString("0049171%1").arg(i));
            TDatenModul::Exec(q);
        }
    });
    for (const int count : {3, n}) {
        QList<int> ids;
        for (int i = count; i >= 1; --i)
            ids.append(i);
        ids.insert(1, 99999);
        ids.append(count);
        QList<int> expected = ids;
        expected.removeAll(99999);
        QList<int> read;
        QStringList names;
        TKontaktDaten::EmpfaengerByIds(ids, [&](const TKontaktEmpfaenger& k) {
            read.append(k.id);
            names.append(k.vorname);
        });
        QCOMPARE(read, expected);
        QCOMPARE(names.first(), QString("V%1").arg(count));
        QCOMPARE(names.last(), QString("V%1").arg(count));
    }
}

QTEST_MAIN(TestEmpfaengerAuswahl)
#include "tst_empfaengerauswahl.moc"

// The grid's rows can be dragged: the view starts its drag itself (press on a row, move past
// the drag distance), and what it carries adds the selected contacts to the chosen list.
void TestEmpfaengerAuswahl::gridDragStartsFromSelectedRows()
{
    Picker f;
    addKontakt(f.db, 1, "Anna", "A");
    addKontakt(f.db, 2, "Bernd", "B");
    addKontakt(f.db, 3, "Carl", "C");
    f.Show();
    TDragDropDBGrid* grid = f.Grid();
    QAbstractItemModel* model = grid->model();
    QVERIFY(model->flags(model->index(1, 0)) & Qt::ItemIsDragEnabled);
    int started = 0;
    grid->OnStartDrag = [&](TDragDropDBGrid*) { ++started; };
    QWidget* vp = grid->viewport();
    const QPoint cell = grid->visualRect(model->index(1, 0)).center();
    const int far = QApplication::startDragDistance() + 10;
    QTest::mousePress(vp, Qt::LeftButton, {}, cell);
    QVERIFY(grid->DragArmed());
    for (int dx : {2, far}) {   // the view enters its dragging state first, then starts
        QMouseEvent move(QEvent::MouseMove, QPointF(cell + QPoint(dx, 0)), vp->mapToGlobal(QPointF(cell + QPoint(dx, 0))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
    }
    QTest::mouseRelease(vp, Qt::LeftButton, {}, cell + QPoint(far, 0));
    QCOMPARE(started, 1);
    QCOMPARE(grid->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(grid->selectionModel()->selectedRows().first().row(), 1);

    // What the grid's drag carries, dropped on the chosen list.
    std::unique_ptr<QMimeData> data(grid->CreateDragData());
    std::unique_ptr<QMimeData> quelle(TEmpfaengerAuswaehlenForm::CreateDragData(grid->objectName()));
    const QString type = QLatin1String(TEmpfaengerAuswaehlenForm::kQuelleMimeType);
    data->setData(type, quelle->data(type));
    QWidget* target = f.Chosen()->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCOMPARE(f.form.GetEmpfaengerIds(), QList<int>{2});
}

void TestEmpfaengerAuswahl::rowNumbersShowWhole_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("9") << 9;
    QTest::newRow("12") << 12;
    QTest::newRow("105") << 105;
}

void TestEmpfaengerAuswahl::rowNumbersShowWhole()
{
    QFETCH(int, count);
    Picker f;
    for (int i = 1; i <= count; ++i)
        addKontakt(f.db, i, QString("V%1").arg(i), QString("N%1").arg(i, 3, 10, QChar('0')));
    f.Show();
    QHeaderView* numbers = f.Grid()->verticalHeader();
    QCOMPARE(f.Grid()->model()->rowCount(), count);
    QCOMPARE(f.Grid()->model()->headerData(count - 1, Qt::Vertical).toString(), QString::number(count));
    // The header's room for its text: its width less the style's margins on both sides.
    const int margin = numbers->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, numbers);
    QVERIFY2(numbers->width() - 2 * margin >= numbers->fontMetrics().horizontalAdvance(QString::number(count)),
             qPrintable(QString::number(numbers->width())));
}
