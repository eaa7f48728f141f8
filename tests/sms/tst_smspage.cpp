#include "TestSession.h"
#include "TestEnv.h"
#include "foundation/DatenModul.h"
#include "foundation/IniFileDaten.h"
#include "sms/Protokoll.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/SmsForm.h"
#include "sms/SmsVersandZeitgesteuertForm.h"
#include "sms/SmsPage.h"
#include "sms/SmsVersandStatusForm.h"
#include "contacts/KontaktForm.h"
#include "contacts/KontaktgruppenForm.h"
#include "foundation/WaitCursor.h"
#include <QListWidget>
#include <QAction>
#include <QMenu>
#include <QApplication>
#include <QKeyEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

namespace {

struct Fixture {
    TestDatabase db;
    ScriptedMessages msgs;
    TestSession host;
    std::unique_ptr<TSmsPage> page = std::make_unique<TSmsPage>(host.session, TSmsDialoge{});

    void Kontakt(int id, const QString& vorname, const QString& nachname, const QString& extra = QString())
    {
        db.Exec(QString("INSERT INTO kontakte (id, vorname, nachname, mobil, email) VALUES (%1, '%2', '%3', '49170%1', '%4')")
                    .arg(QString::number(id), vorname, nachname, extra));
    }
    void Gruppe(int id, const QString& name, const QList<int>& members)
    {
        db.Exec(QString("INSERT INTO kategorien (id, name) VALUES (%1, '%2')").arg(QString::number(id), name));
        for (int k : members)
            db.Exec(QString("INSERT INTO katzuord (kontakt, kategorie) VALUES (%1, %2)").arg(k).arg(id));
    }
    QListWidget* Groups() { return page->findChild<QListWidget*>("ListBox_Sms_Kontaktgruppen"); }
    QTableView* Grid() { return page->findChild<QTableView*>("Grid_Sms_Kontakte"); }
    QStringList Names()
    {
        QStringList out;
        QAbstractItemModel* m = Grid()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, 0).data().toString();
        return out;
    }
    QStringList GroupTexts()
    {
        QStringList out;
        for (int i = 0; i < Groups()->count(); ++i)
            out << Groups()->item(i)->text();
        return out;
    }
    QList<int> SelectedRows()
    {
        QList<int> rows;
        for (const QModelIndex& i : Grid()->selectionModel()->selectedRows())
            rows << i.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    void Click(int row, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const QRect r = Grid()->visualRect(Grid()->model()->index(row, 0));
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, mods, r.center());
    }
    void Show()
    {
        page->resize(1000, 700);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    }
};

// A key with its text, also for characters that QTest cannot type.
void typeChar(QWidget* w, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

} // namespace

class TestSmsPage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void groupCountTexts();
    void loadResetsSearchesAndShowsAllContacts();
    void sortOrdersAndNames();
    void contactSearch();
    void contactSearchWithoutHits();
    void shiftClickRanges_data();
    void shiftClickRanges();
    void rightClickKeepsSelection();
    void typeAhead();
    void systemGroupHasNoProperties();
    void sendToGroupsAddsEachContactOnce();
    void sendToSelectedOrCurrentContacts();
    void successfulSendShowsStatusAndReloads();
    void failedFillOpensNoComposer();
    void propertiesAreReadOnly();
    void logSearchPanelReplacesHint();
    void layoutRestoreAndStore();
};

void TestSmsPage::groupCountTexts()
{
    {
        Fixture f;
        f.page->Load();
        QCOMPARE(f.GroupTexts(), QStringList({"[alle Kontakte] (0 Einträge)"}));
    }
    Fixture f;
    f.Kontakt(1, "Anna", "Berg");
    f.page->Load();
    QCOMPARE(f.GroupTexts(), QStringList({"[alle Kontakte] (1 Eintrag)"}));
    f.Kontakt(2, "Carl", "Dorn");
    f.Gruppe(1, "Zwei", {1, 2});
    f.Gruppe(2, "Eins", {2});
    f.Gruppe(3, "Leer", {});
    f.page->Load();
    QCOMPARE(f.GroupTexts(), QStringList({"[alle Kontakte] (2 Einträge)", "Eins (1 Eintrag)", "Leer (0 Einträge)",
                                          "Zwei (2 Einträge)"}));
    QCOMPARE(f.page->GetKontaktCountText(1), QString("2 Einträge"));
    QCOMPARE(f.page->GetKontaktCountText(2), QString("1 Eintrag"));
    // Item 0 is current and selected; a click on a group loads its contacts.
    QCOMPARE(f.Groups()->currentRow(), 0);
    QVERIFY(f.Groups()->item(0)->isSelected());
    QCOMPARE(f.Names().size(), 2);
    f.Groups()->setCurrentRow(1);
    QCOMPARE(f.Names(), QStringList({"Dorn, Carl"}));
    QCOMPARE(f.page->CurrentGroupId(), 2);
}

void TestSmsPage::loadResetsSearchesAndShowsAllContacts()
{
    Fixture f;
    f.Kontakt(1, "Anna", "Berg");
    f.page->Load();
    f.page->findChild<QToolButton*>("ToolButton_Sms_Kontakt_Suchen")->click();
    QVERIFY(f.page->findChild<QWidget*>("Panel_Sms_Kontakte_Suche")->isVisibleTo(f.page.get()));
    QVERIFY(f.page->findChild<QToolButton*>("ToolButton_Sms_Kontakt_Suchen")->isChecked());
    f.page->findChild<QLineEdit*>("Sms_Kontakt_Suchen")->setText("Anna");
    f.page->findChild<QPushButton*>("Button_Sms_Kontakte_Suchen")->click();
    QVERIFY(f.page->findChild<QPushButton*>("Button_Sms_Kontakte_Suchen_Stop")->isEnabled());
    f.page->Load();
    QVERIFY(!f.page->findChild<QWidget*>("Panel_Sms_Kontakte_Suche")->isVisibleTo(f.page.get()));
    QVERIFY(!f.page->findChild<QToolButton*>("ToolButton_Sms_Kontakt_Suchen")->isChecked());
    QCOMPARE(f.page->findChild<QLineEdit*>("Sms_Kontakt_Suchen")->text(), QString(""));
    QVERIFY(!f.page->findChild<QPushButton*>("Button_Sms_Kontakte_Suchen_Stop")->isEnabled());
}

void TestSmsPage::sortOrdersAndNames()
{
    Fixture f;
    f.Kontakt(1, "Zora", "Adler");
    f.Kontakt(2, "Anna", "Berg");
    f.Kontakt(3, "Anna", "Adler");
    f.db.Exec("INSERT INTO kontakte (id, firma, mobil) VALUES (4, 'Acme', '4917')");
    f.page->Load();
    QCOMPARE(f.Names(), QStringList({"Firma Acme", "Adler, Anna", "Adler, Zora", "Berg, Anna"}));
    auto* order = f.page->findChild<QComboBox*>("Sms_Kontakte_Sortierung");
    QCOMPARE(order->count(), 2);
    order->setCurrentIndex(1);
    f.page->Sms_Kontakte_SortierungChange();
    QCOMPARE(f.Names(), QStringList({"Firma Acme", "Anna Adler", "Anna Berg", "Zora Adler"}));
    QCOMPARE(f.Grid()->model()->headerData(0, Qt::Horizontal).toString(), QString("Name"));
}

void TestSmsPage::contactSearch()
{
    Fixture f;
    f.Kontakt(1, "Anna", "O''Neil");
    f.Kontakt(2, "Bert", "Maier", "bert@x.de");
    f.Kontakt(3, "Carla", "Schulz");
    f.Gruppe(1, "G", {2, 3});
    f.page->Load();
    f.page->findChild<QToolButton*>("ToolButton_Sms_Kontakt_Suchen")->click();
    auto* edit = f.page->findChild<QLineEdit*>("Sms_Kontakt_Suchen");
    edit->setText("o'n");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(f.msgs.Count(), 0);
    QCOMPARE(f.Names(), QStringList({"O'Neil, Anna"}));
    // Mobile number and e-mail are searched too; the applied filter holds for group clicks.
    edit->setText("@X.DE");
    f.page->findChild<QPushButton*>("Button_Sms_Kontakte_Suchen")->click();
    QCOMPARE(f.Names(), QStringList({"Maier, Bert"}));
    edit->setText("491703");
    f.Groups()->setCurrentRow(1);
    QCOMPARE(f.Names(), QStringList({"Schulz, Carla"}));
    // Closing the panel keeps the filter; the reset clears it and reloads.
    f.page->findChild<QToolButton*>("ToolButton_Sms_Kontakt_Suchen")->click();
    f.page->Sms_Kontakte_SortierungChange();
    QCOMPARE(f.Names(), QStringList({"Schulz, Carla"}));
    f.page->findChild<QPushButton*>("Button_Sms_Kontakte_Suchen_Stop")->click();
    QCOMPARE(edit->text(), QString(""));
    QCOMPARE(f.Names(), QStringList({"Maier, Bert", "Schulz, Carla"}));
    // An empty text is refused.
    f.page->findChild<QPushButton*>("Button_Sms_Kontakte_Suchen")->click();
    QCOMPARE(f.msgs.Texts(), QStringList({"Bitte geben Sie einen Suchbegriff ein."}));
}

void TestSmsPage::contactSearchWithoutHits()
{
    Fixture f;
    f.Kontakt(1, "Anna", "Berg");
    f.Gruppe(1, "G", {1});
    f.page->Load();
    auto* edit = f.page->findChild<QLineEdit*>("Sms_Kontakt_Suchen");
    edit->setText("nichts");
    f.page->findChild<QPushButton*>("Button_Sms_Kontakte_Suchen")->click();
    QCOMPARE(f.msgs.Texts(), QStringList({"Zu Ihrer Suche wurden keine Einträge gefunden."}));
    QCOMPARE(f.Names(), QStringList());
    QVERIFY(!f.page->findChild<QPushButton*>("Button_Sms_Kontakte_Suchen_Stop")->isEnabled());
    // The filter is off: the next group click shows the group unfiltered, also a click on the
    // group already chosen; a click that changes the group loads once.
    f.Show();
    auto clickGroup = [&](int row) {
        QTest::mouseClick(f.Groups()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          f.Groups()->visualItemRect(f.Groups()->item(row)).center());
    };
    StatusText::ClearHistory();
    clickGroup(0);
    QCOMPARE(f.Names(), QStringList({"Berg, Anna"}));
    QCOMPARE(StatusText::History().count("Bitte warten... die Kontaktdaten werden eingelesen."), 1);
    clickGroup(1);
    QCOMPARE(f.Names(), QStringList({"Berg, Anna"}));
    QCOMPARE(StatusText::History().count("Bitte warten... die Kontaktdaten werden eingelesen."), 2);
    QCOMPARE(f.page->CurrentGroupId(), 1);
}

void TestSmsPage::shiftClickRanges_data()
{
    // Clicks on rows with their keys (S Shift, C Ctrl), and the rows selected after the last.
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QList<int>>("selected");
    QTest::newRow("downwards") << QList<int>{1, 5} << "-S" << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("upwards") << QList<int>{5, 1} << "-S" << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("on the anchor") << QList<int>{3, 3} << "-S" << QList<int>{3};
    QTest::newRow("second shift click shrinks") << QList<int>{1, 5, 3} << "-SS" << QList<int>{1, 2, 3};
    QTest::newRow("second shift click turns") << QList<int>{4, 6, 2} << "-SS" << QList<int>{2, 3, 4};
    QTest::newRow("plain click starts again") << QList<int>{1, 5, 7} << "-S-" << QList<int>{7};
    QTest::newRow("ctrl adds one") << QList<int>{7, 0} << "-C" << QList<int>{0, 7};
    // The Ctrl+click is a click without Shift: it sets the anchor; the Shift+click clears.
    QTest::newRow("ctrl then shift") << QList<int>{1, 6, 3} << "-CS" << QList<int>{3, 4, 5, 6};
    QTest::newRow("shift without anchor") << QList<int>{4} << "S" << QList<int>{4};
}

void TestSmsPage::shiftClickRanges()
{
    QFETCH(QList<int>, rows);
    QFETCH(QString, keys);
    QFETCH(QList<int>, selected);
    Fixture f;
    for (int i = 1; i <= 8; ++i)
        f.Kontakt(i, "V", QString("N%1").arg(i));
    f.page->Load();
    f.Show();
    for (int i = 0; i < rows.size(); ++i)
        f.Click(rows[i], keys[i] == 'S' ? Qt::ShiftModifier : keys[i] == 'C' ? Qt::ControlModifier : Qt::NoModifier);
    QCOMPARE(f.SelectedRows(), selected);
    // After a reload the old anchor is gone: a Shift+click only sets the new anchor.
    f.page->Sms_Kontakte_SortierungChange();
    f.Click(3, Qt::ShiftModifier);
    QCOMPARE(f.SelectedRows(), QList<int>({3}));
    f.Click(4, Qt::ShiftModifier);
    QCOMPARE(f.SelectedRows(), QList<int>({3, 4}));
}

void TestSmsPage::rightClickKeepsSelection()
{
    Fixture f;
    for (int i = 1; i <= 6; ++i)
        f.Kontakt(i, "V", QString("N%1").arg(i));
    f.Gruppe(1, "A", {1});
    f.Gruppe(2, "B", {2});
    f.page->Load();
    f.Show();
    f.Click(1);
    f.Click(3, Qt::ControlModifier);
    // The pop-up menu's commands act on what was selected before the right click.
    QTest::mouseClick(f.Grid()->viewport(), Qt::RightButton, Qt::NoModifier,
                      f.Grid()->visualRect(f.Grid()->model()->index(5, 0)).center());
    f.page->findChild<QMenu*>("PopupMenu_Sms_Kontakte")->hide();
    QCOMPARE(f.SelectedRows(), QList<int>({1, 3}));
    QCOMPARE(f.Grid()->currentIndex().row(), 3);
    f.Groups()->item(1)->setSelected(true);
    StatusText::ClearHistory();
    QTest::mouseClick(f.Groups()->viewport(), Qt::RightButton, Qt::NoModifier,
                      f.Groups()->visualItemRect(f.Groups()->item(2)).center());
    f.page->findChild<QMenu*>("PopupMenu_Sms_Kontaktgruppen")->hide();
    QCOMPARE(f.Groups()->currentRow(), 0);
    QVERIFY(f.Groups()->item(0)->isSelected() && f.Groups()->item(1)->isSelected());
    QVERIFY(!f.Groups()->item(2)->isSelected());
    QVERIFY(StatusText::History().isEmpty());
}

void TestSmsPage::typeAhead()
{
    Fixture f;
    f.Kontakt(1, "Zora", "Adler");
    f.Kontakt(2, "Björn", "müller");
    f.Kontakt(3, "Max", "Meier");
    f.Kontakt(4, "Öskar", "Ünal");
    f.page->Load();
    f.Show();
    QTableView* grid = f.Grid();
    grid->setFocus();
    // Last-name order: Adler, Meier, müller, Ünal.
    QCOMPARE(f.Names().first(), QString("Adler, Zora"));
    QTest::keyClicks(grid, "m");
    QCOMPARE(grid->currentIndex().row(), 1);
    QTest::keyClicks(grid, "U");
    QCOMPARE(grid->currentIndex().row(), 1);   // no last name starts with U
    typeChar(grid, QString::fromUtf8("ü"));
    QCOMPARE(grid->currentIndex().row(), 3);
    typeChar(grid, QString::fromUtf8("ß"));
    QCOMPARE(grid->currentIndex().row(), 3);
    // Moving does not select; one character, always from the top.
    QVERIFY(f.SelectedRows().isEmpty());
    QTest::keyClicks(grid, "ME");
    QCOMPARE(grid->currentIndex().row(), 1);
    // First-name order searches the first name.
    auto* order = f.page->findChild<QComboBox*>("Sms_Kontakte_Sortierung");
    order->setCurrentIndex(1);
    f.page->Sms_Kontakte_SortierungChange();
    typeChar(grid, QString::fromUtf8("ö"));
    QCOMPARE(f.Names().at(grid->currentIndex().row()), QString::fromUtf8("Öskar Ünal"));
    QTest::keyClicks(grid, "z");
    QCOMPARE(f.Names().at(grid->currentIndex().row()), QString("Zora Adler"));
}

void TestSmsPage::systemGroupHasNoProperties()
{
    Fixture f;
    f.page->Load();
    f.page->findChild<QAction*>("MenuItem2")->trigger();
    QCOMPARE(f.msgs.Texts(), QStringList({"Für diese Systemkategorie stehen keine Eigenschaften zur Verfügung."}));
}

void TestSmsPage::logSearchPanelReplacesHint()
{
    Fixture f;
    f.page->Load();
    QWidget* panel = f.page->findChild<QWidget*>("Panel_Sms_Suche");
    QWidget* hint = f.page->findChild<QWidget*>("Panel_Sms_Versendete_Hinweis");
    auto* button = f.page->findChild<QToolButton*>("ToolButton_Sms_Suchen");
    QVERIFY(!panel->isVisibleTo(f.page.get()));
    QVERIFY(hint->isVisibleTo(f.page.get()));
    button->click();
    QVERIFY(panel->isVisibleTo(f.page.get()));
    QVERIFY(!hint->isVisibleTo(f.page.get()));
    QVERIFY(button->isChecked());
    button->click();
    QVERIFY(!panel->isVisibleTo(f.page.get()));
    QVERIFY(hint->isVisibleTo(f.page.get()));
    QVERIFY(!button->isChecked());
}

void TestSmsPage::layoutRestoreAndStore()
{
    Fixture f;
    TIniFileDaten ini;
    ini.SortierungKontakte = 1;
    ini.SortierungVersendete = 2;
    ini.Widths_Versendete = {100, 90, 80, 70};
    ini.SMS_Width_Panel_Left = 260;
    ini.Height_Panel_LeftTop = 170;
    f.page->RestoreLayout(ini);
    TIniFileDaten out;
    f.page->StoreLayout(out);
    QCOMPARE(out.SortierungKontakte, 1);
    QCOMPARE(out.SortierungVersendete, 2);
    QCOMPARE(out.Widths_Versendete, QVector<int>({100, 90, 80, 70}));
    QCOMPARE(out.SMS_Width_Panel_Left, 260);
    QCOMPARE(out.Height_Panel_LeftTop, 170);
    // A list of another length leaves the design widths; an unknown index no selection.
    ini.Widths_Versendete = {1, 2, 3};
    ini.SortierungKontakte = 5;
    TSmsPage other(f.host.session, TSmsDialoge{});
    other.RestoreLayout(ini);
    other.StoreLayout(out);
    QCOMPARE(out.Widths_Versendete, QVector<int>({131, 102, 336, 70}));
    QCOMPARE(out.SortierungKontakte, -1);
}

namespace {
// The dialogs the page opens, as start-up creates them.
struct Dialogs {
    TSmsVersandStatusForm statusForm;
    TEmpfaengerAuswaehlenForm auswahl;
    TSmsVersandZeitgesteuertForm zeit;
    TSmsForm smsForm;
    TKontaktForm kontaktForm;
    TKontaktgruppenForm gruppenForm;
    // The fixture's page anew, now opening these dialogs.
    explicit Dialogs(Fixture& f) : smsForm(f.host.session, &statusForm, auswahl, zeit)
    {
        f.page = std::make_unique<TSmsPage>(f.host.session,
                                            TSmsDialoge{&smsForm, &statusForm, &kontaktForm, &gruppenForm});
    }
};

// The recipients the composer holds when it shows; closed without sending.
QList<int> recipientsOnShow(const std::function<void()>& open, int* doppelt = nullptr)
{
    QList<int> ids;
    OnNextModal([&](QWidget* w) {
        auto* form = qobject_cast<TSmsForm*>(w);
        QVERIFY(form);
        for (int i = 0; i < form->GetEmpfaenger().Count(); ++i)
            ids << form->GetEmpfaenger().At(i).Id;
        if (doppelt)
            *doppelt = form->GetEmpfaenger().AnzahlDoppelt();
        form->reject();
    });
    open();
    return ids;
}
} // namespace

void TestSmsPage::sendToGroupsAddsEachContactOnce()
{
    Fixture f;
    Dialogs d(f);
    for (int i = 1; i <= 3; ++i)
        f.Kontakt(i, "V", QString("N%1").arg(i));
    f.Gruppe(1, "G", {1, 3});
    f.page->Load();
    f.Groups()->item(0)->setSelected(true);
    f.Groups()->item(1)->setSelected(true);
    int doppelt = -1;
    StatusText::ClearHistory();
    const QList<int> ids = recipientsOnShow([&] { f.page->findChild<QAction*>("MenuItem1")->trigger(); }, &doppelt);
    QCOMPARE(ids, QList<int>({1, 2, 3}));
    QCOMPARE(doppelt, 2);
    // Closing without sending reloads nothing.
    QVERIFY(!StatusText::History().contains("Bitte warten... das Versandprotokoll wird eingelesen."));
    QVERIFY(!StatusText::History().contains("Bitte warten... die Kontaktdaten werden eingelesen."));
    // The empty composer of the tool button.
    QCOMPARE(recipientsOnShow([&] { f.page->findChild<QToolButton*>("ToolButton_Sms_Neu")->click(); }), QList<int>());
}

void TestSmsPage::sendToSelectedOrCurrentContacts()
{
    Fixture f;
    Dialogs d(f);
    for (int i = 1; i <= 5; ++i)
        f.Kontakt(i, "V", QString("N%1").arg(i));
    f.page->Load();
    f.Show();
    // Nothing selected: Enter sends to the current row.
    f.Grid()->setFocus();
    QTest::keyClicks(f.Grid(), "n");
    QCOMPARE(f.SelectedRows(), QList<int>());
    QCOMPARE(recipientsOnShow([&] { QTest::keyClick(f.Grid(), Qt::Key_Return); }), QList<int>({1}));
    // Three rows selected (picked in another order): in the grid's order.
    f.Click(4);
    f.Click(0, Qt::ControlModifier);
    f.Click(2, Qt::ControlModifier);
    QCOMPARE(recipientsOnShow([&] { f.page->findChild<QAction*>("SMSsenden1")->trigger(); }), QList<int>({1, 3, 5}));
    // A double click sends to the row it selects.
    QCOMPARE(recipientsOnShow([&] {
                 const QPoint at = f.Grid()->visualRect(f.Grid()->model()->index(1, 0)).center();
                 QTest::mousePress(f.Grid()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
                 QTest::mouseRelease(f.Grid()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
                 QTest::mouseDClick(f.Grid()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
             }),
             QList<int>({2}));
}

void TestSmsPage::successfulSendShowsStatusAndReloads()
{
    Fixture f;
    Dialogs d(f);
    f.Kontakt(1, "Anna", "Berg");
    f.page->Load();
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('1', 'neu', 'Tx', 0)");
    bool statusShown = false;
    OnNextModal([&](QWidget* w) {
        QCOMPARE(w->objectName(), QString("SmsForm"));
        // What a successful send does: the composer closes with OK.
        OnNextModal([&](QWidget* s) {
            statusShown = s == &d.statusForm;
            static_cast<QDialog*>(s)->accept();
        });
        static_cast<QDialog*>(w)->accept();
    });
    StatusText::ClearHistory();
    f.page->findChild<QToolButton*>("ToolButton_Sms_Neu")->click();
    QVERIFY(statusShown);
    QVERIFY(StatusText::History().contains("Bitte warten... die Kontaktdaten werden eingelesen."));
    QCOMPARE(f.page->ProtokollModel()->rowCount(), 1);
    // The group counts are not reloaded.
    QVERIFY(!StatusText::History().contains("Bitte warten... die Kontaktgruppen werden eingelesen."));
}

void TestSmsPage::failedFillOpensNoComposer()
{
    Fixture f;
    Dialogs d(f);
    f.Kontakt(1, "Anna", "Berg");
    // The composer's read of a contact fails.
    f.db.Exec("ALTER TABLE kontakte DROP mobil_lastsend");
    f.page->Load();
    bool opened = false;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        if (auto* w = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            opened = true;
            w->reject();
        }
    });
    f.page->findChild<QAction*>("SMSsenden1")->trigger();
    QVERIFY(!opened);
    QCOMPARE(f.msgs.Count(), 1);
    QCOMPARE(f.msgs.Messages().first().kind, Msg::Kind::Error);
}

void TestSmsPage::propertiesAreReadOnly()
{
    Fixture f;
    Dialogs d(f);
    f.Kontakt(1, "Anna", "Berg");
    f.Gruppe(4, "Gruppe", {1});
    f.page->Load();
    bool kontaktShown = false;
    OnNextModal([&](QWidget* w) {
        kontaktShown = w == &d.kontaktForm;
        QVERIFY(!w->findChild<QWidget*>("Btn_OK")->isEnabled());
        static_cast<QDialog*>(w)->reject();
    });
    f.page->findChild<QAction*>("Eigenschaften1")->trigger();
    QVERIFY(kontaktShown);
    bool gruppeShown = false;
    f.Groups()->setCurrentRow(1);
    OnNextModal([&](QWidget* w) {
        gruppeShown = w == &d.gruppenForm;
        QVERIFY(!w->findChild<QWidget*>("Btn_OK")->isEnabled());
        static_cast<QDialog*>(w)->reject();
    });
    f.page->findChild<QAction*>("MenuItem2")->trigger();
    QVERIFY(gruppeShown);
    // Editable again for the other callers.
    QVERIFY(d.kontaktForm.findChild<QWidget*>("Btn_OK")->isEnabled());
    QVERIFY(d.gruppenForm.findChild<QWidget*>("Btn_OK")->isEnabled());
    QCOMPARE(f.msgs.Count(), 0);
    // The recipient label of the details opens the contact of a known number only.
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('491701', 'x', 'Tx', 0)");
    f.page->ShowSmsDetails(f.db.Scalar("SELECT id FROM protokoll").toInt());
    kontaktShown = false;
    OnNextModal([&](QWidget* w) {
        kontaktShown = w == &d.kontaktForm;
        static_cast<QDialog*>(w)->reject();
    });
    f.page->Label_SMS_EmpfaengerClick();
    QVERIFY(kontaktShown);
}

QTEST_MAIN(TestSmsPage)
#include "tst_smspage.moc"
