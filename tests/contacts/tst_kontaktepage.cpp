#include "TestEnv.h"
#include "foundation/DatenModul.h"
#include "foundation/IniFileDaten.h"
#include "gateway/UpdateForm.h"
#include "contacts/DragDropDBGrid.h"
#include "app/HauptForm.h"
#include "app/StartUp.h"
#include "contacts/KontaktForm.h"
#include "contacts/KontaktePage.h"
#include "contacts/KontaktgruppenForm.h"
#include "contacts/KontakteModel.h"
#include "platform/ShellOpen.h"
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTextDocument>
#include <QToolButton>
#include <QSet>
#include <QImage>
#include <QtTest>

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

// A key with a non-ASCII text (QTest's key helpers take ASCII only).
void typeChar(QWidget* w, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

// The page on its own with the two editors it opens, over a fresh database.
struct Fixture {
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktForm kontaktForm;
    TKontaktgruppenForm gruppenForm;
    TKontaktePage page{TKontaktDialoge{&kontaktForm, &gruppenForm}};

    Fixture()
    {
        page.resize(1100, 700);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
    }
    template <class T> T* w(const char* name) { return FindChild<T>(&page, QLatin1String(name)); }
    QListWidget* groups() { return w<QListWidget>("ListBox_Kontaktgruppen"); }
    TDragDropDBGrid* grid() { return w<TDragDropDBGrid>("Grid_Kontakte"); }
    QAbstractItemModel* log() { return w<QTableView>("Grid_Kontakte_Versandprotokoll")->model(); }
    QString label(const char* name) { return w<QLabel>(name)->text(); }

    void Kontakt(int id, const QString& vorname, const QString& nachname, const QString& firma = QString(),
                 const QString& mobil = QString(), const QString& email = QString(), const QString& lastSend = "NULL")
    {
        QSqlQuery q = db.Modul()->Query();
        q.prepare("INSERT INTO kontakte (id, vorname, nachname, firma, mobil, email, mobil_lastsend) "
                  "VALUES (?, ?, ?, ?, ?, ?, " + lastSend + ")");
        q.addBindValue(id);
        for (const QString& s : {vorname, nachname, firma, mobil, email})
            q.addBindValue(TDatenModul::Text(s));
        QVERIFY(q.exec());
        db.Modul()->Commit();
    }
    void Gruppe(int id, const QString& name) { db.Exec(QString("INSERT INTO kategorien (id, name) VALUES (%1, '%2')").arg(id).arg(name)); }
    void Zuordnung(int kontakt, int kategorie)
    {
        db.Exec(QString("INSERT INTO katzuord (kontakt, kategorie) VALUES (%1, %2)").arg(kontakt).arg(kategorie));
    }
    void ClickGroup(int row)
    {
        QListWidget* l = groups();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
    }
    QStringList Names()
    {
        QStringList out;
        QAbstractItemModel* m = grid()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, 0).data().toString();
        return out;
    }
    QList<int> Ids()
    {
        QList<int> out;
        QAbstractItemModel* m = grid()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, 0).data(TKontakteModel::IdRole).toInt();
        return out;
    }
    QStringList GroupItems()
    {
        QStringList out;
        for (int i = 0; i < groups()->count(); ++i)
            out << groups()->item(i)->text();
        return out;
    }
    void Search(const QString& text)
    {
        w<QLineEdit>("Kontakt_Suchen")->setText(text);
        w<QToolButton>("Button_Kontakte_Suchen")->click();
    }
    void SelectRows(const QList<int>& rows)
    {
        QItemSelectionModel* sel = grid()->selectionModel();
        sel->clearSelection();
        for (int r : rows)
            sel->select(grid()->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QString Count(const char* table) { return db.Scalar(QString("SELECT COUNT(*) FROM ") + table); }
    // A right press as the window system delivers it (the press, then the context menu
    // request); the menu must open, and is closed again.
    void RightClick(QWidget* viewport, const QPoint& at, QMenu* menu)
    {
        QTest::mousePress(viewport, Qt::RightButton, {}, at);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &request);
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
        QTest::mouseRelease(viewport, Qt::RightButton, {}, at);
    }
};
}

class TestKontaktePage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void toolButtonsHavePicturesOfTheirOwn();
    void cleanup() { QVERIFY(!ModalTimedOut()); }
    void groupListWithEntryZero();
    void search_data();
    void search();
    void searchWithoutHitsThenClickShowsGroup();
    void searchPanelStates();
    void sortOrders_data();
    void sortOrders();
    void memoryOrderIsTheDatabaseOrder_data();
    void memoryOrderIsTheDatabaseOrder();
    void details();
    void detailsWithoutSalutationOrNumber();
    void deleteContacts();
    void failedDeleteIsShownAndRolledBack();
    void groupCommands_data();
    void groupCommands();
    void entryZeroRefusals();
    void popupMenusActOnWhatIsPointedAt();
    void editorsFromThePage();
    void keys();
    void labelsOpenMailAndWeb();
    void layoutRoundTrip();
    void inTheMainWindow();
};

void TestKontaktePage::groupListWithEntryZero()
{
    Fixture f;
    f.page.Load();
    QCOMPARE(f.GroupItems(), QStringList{"[alle Kontaktgruppen]"});
    QCOMPARE(f.page.KontaktgruppenIds(), QVector<int>{0});
    f.Gruppe(7, "Zulu");
    f.Gruppe(3, "Alpha");
    f.page.Load();
    QCOMPARE(f.GroupItems(), (QStringList{"[alle Kontaktgruppen]", "Alpha", "Zulu"}));
    QCOMPARE(f.page.KontaktgruppenIds(), (QVector<int>{0, 3, 7}));
    QCOMPARE(f.groups()->currentRow(), 0);
}

void TestKontaktePage::search_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("group");   // list index
    QTest::addColumn<QList<int>>("ids");
    QTest::newRow("quote") << "o'b" << 0 << QList<int>{1};
    QTest::newRow("percent matches all") << "%" << 0 << QList<int>{5, 3, 4, 2, 1, 6};
    QTest::newRow("case") << "anna" << 0 << QList<int>{1, 6};
    QTest::newRow("underscore wildcard") << "a_m" << 0 << QList<int>{4, 2};
    QTest::newRow("umlaut case") << u("müller") << 0 << QList<int>{2};
    QTest::newRow("placeholders typed") << "%1x%2" << 0 << QList<int>{5};
    QTest::newRow("colon name") << ":id" << 0 << QList<int>{5};
    QTest::newRow("inside a group only members") << "a" << 1 << QList<int>{2, 1};
    QTest::newRow("blank is a search") << " " << 0 << QList<int>{5};
}

void TestKontaktePage::search()
{
    QFETCH(QString, text);
    QFETCH(int, group);
    QFETCH(QList<int>, ids);
    Fixture f;
    f.Kontakt(1, "Anna", "O'Brien", "", "00491711", "anna@x.de");
    f.Kontakt(2, "Bernd", u("Müller"), "", "00491712", "a_m@x.de");
    f.Kontakt(3, "Zoe", "Adler", "", "00491713", "z@x.de");
    f.Kontakt(4, "Armin", "Meier", "", "00491714", "m@x.de");
    f.Kontakt(5, "", "", "%1x%2 :id AG", "00491715", "");
    f.Kontakt(6, "Johanna", "Zander", "", "00491716", "j@x.de");
    f.Gruppe(1, "G");
    f.Zuordnung(1, 1);
    f.Zuordnung(2, 1);
    f.page.Load();
    f.groups()->setCurrentRow(group);
    f.page.ListBox_KontaktgruppenClick();
    f.Search(text);
    QCOMPARE(f.messages.Count(), 0);
    QCOMPARE(f.Ids(), ids);
    QVERIFY(f.page.KontakteSucheAktiv());
    QVERIFY(f.w<QToolButton>("Button_Kontakte_Suchen_Stop")->isEnabled());
}

void TestKontaktePage::searchWithoutHitsThenClickShowsGroup()
{
    Fixture f;
    f.Kontakt(1, "Anna", "A");
    f.Kontakt(2, "Berta", "B");
    f.Kontakt(3, "Carl", "C");
    f.Gruppe(1, "G");
    f.Zuordnung(1, 1);
    f.Zuordnung(2, 1);
    f.page.Load();
    f.ClickGroup(1);
    QCOMPARE(f.Ids(), (QList<int>{1, 2}));
    f.Search("nichts");
    QCOMPARE(f.messages.Texts(), QStringList{u("Zu Ihrer Suche wurden keine Einträge gefunden.")});
    QCOMPARE(f.messages.Messages().first().kind, Msg::Kind::Information);
    QVERIFY(f.Ids().isEmpty());
    QVERIFY(!f.page.KontakteSucheAktiv());
    QVERIFY(!f.w<QToolButton>("Button_Kontakte_Suchen_Stop")->isEnabled());
    QCOMPARE(f.label("Panel_Kontaktdetails_Headline"), QString("  Kontaktdetails"));
    f.ClickGroup(1);   // the group already selected
    QCOMPARE(f.Ids(), (QList<int>{1, 2}));
    // A keyboard move reloads too; selecting from code does not.
    QTest::keyClick(f.groups(), Qt::Key_Up);
    QCOMPARE(f.Ids(), (QList<int>{1, 2, 3}));
    f.groups()->setCurrentRow(1);
    QCOMPARE(f.Ids(), (QList<int>{1, 2, 3}));
    // A press dragged on to another item: the highlighted group is shown.
    f.Gruppe(2, "H");
    f.Zuordnung(3, 2);
    f.page.Load();
    QListWidget* l = f.groups();
    const QPoint from = l->visualItemRect(l->item(1)).center(), to = l->visualItemRect(l->item(2)).center();
    QTest::mousePress(l->viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), l->viewport()->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(l->viewport(), &move);
    QTest::mouseRelease(l->viewport(), Qt::LeftButton, {}, to);
    QCOMPARE(l->currentRow(), 2);
    QCOMPARE(f.Ids(), QList<int>{3});
}

void TestKontaktePage::searchPanelStates()
{
    Fixture f;
    f.Kontakt(1, "Anna", "A");
    f.Kontakt(2, "Berta", "B");
    f.page.Load();
    auto* panel = f.w<QWidget>("Panel_Kontakte_Suche");
    auto* tool = f.w<QToolButton>("ToolButton_Kontakt_Suchen");
    QVERIFY(!panel->isVisible());
    tool->click();
    QVERIFY(panel->isVisible() && tool->isChecked() && f.page.KontakteSucheSichtbar());
    QCOMPARE(QApplication::focusWidget(), f.w<QWidget>("Kontakt_Suchen"));
    f.w<QToolButton>("Button_Kontakte_Suchen")->click();
    QCOMPARE(f.messages.Texts(), QStringList{"Bitte geben Sie einen Suchbegriff ein."});
    f.w<QLineEdit>("Kontakt_Suchen")->setText("ann");
    QTest::keyClick(f.w<QLineEdit>("Kontakt_Suchen"), Qt::Key_Return);
    QCOMPARE(f.Ids(), QList<int>{1});
    tool->click();   // closing the panel keeps the filter
    QVERIFY(!panel->isVisible());
    f.ClickGroup(0);
    QCOMPARE(f.Ids(), QList<int>{1});
    tool->click();
    f.w<QToolButton>("Button_Kontakte_Suchen_Stop")->click();
    QVERIFY(panel->isVisible());
    QVERIFY(f.w<QLineEdit>("Kontakt_Suchen")->text().isEmpty());
    QCOMPARE(f.Ids(), (QList<int>{1, 2}));
    f.Search("ann");
    f.page.BeforeSwitch();
    f.page.Load();   // coming back to the page: search closed, all contacts
    QVERIFY(!panel->isVisible() && !tool->isChecked() && !f.page.KontakteSucheAktiv());
    QCOMPARE(f.Ids(), (QList<int>{1, 2}));
}

void TestKontaktePage::sortOrders_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<QStringList>("names");
    const QStringList reversed{"Unbenannt", "Firma X", "Adler, Carl", "Berg, Anna", "Cramer, Bert"};
    QTest::newRow("Nachname") << 0 << QList<int>{5, 4, 1, 2, 3} << reversed;
    QTest::newRow("Vorname") << 1 << QList<int>{5, 4, 2, 3, 1}
                             << QStringList{"Unbenannt", "Firma X", "Anna Berg", "Bert Cramer", "Carl Adler"};
    QTest::newRow("Firma") << 2 << QList<int>{5, 2, 3, 4, 1} << QStringList();
    QTest::newRow("Mobil") << 3 << QList<int>{5, 3, 2, 1, 4} << QStringList();
    QTest::newRow("letzte SMS, never sent last") << 4 << QList<int>{3, 1, 4, 5, 2} << QStringList();
    QTest::newRow("Email") << 5 << QList<int>{5, 3, 1, 2, 4} << QStringList();
    QTest::newRow("unknown index") << 9 << QList<int>{5, 4, 1, 2, 3} << reversed;
}

void TestKontaktePage::sortOrders()
{
    QFETCH(int, index);
    QFETCH(QList<int>, ids);
    QFETCH(QStringList, names);
    Fixture f;
    f.Kontakt(1, "Carl", "Adler", "Zeta", "0049173", "b@x", "'2024-01-02 10:00:00'");
    f.Kontakt(2, "Anna", "Berg", "Alpha", "0049172", "c@x");
    f.Kontakt(3, "Bert", "Cramer", "Mitte", "0049171", "a@x", "'2024-05-01 10:00:00'");
    f.Kontakt(4, "", "", "X", "0049174", "d@x", "'2023-01-01 10:00:00'");
    f.Kontakt(5, "", "", "", "0049170", "");
    TIniFileDaten ini;
    ini.Sortierung = index;
    f.page.RestoreLayout(ini);
    f.page.Load();
    QCOMPARE(f.Ids(), ids);
    if (!names.isEmpty())
        QCOMPARE(f.Names(), names);
    // The user's choice reloads in that order.
    auto* combo = f.w<QComboBox>("Kontakte_Sortierung");
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    QCOMPARE(f.Ids(), (QList<int>{5, 4, 2, 3, 1}));
    QCOMPARE(f.grid()->model()->index(0, TKontakteModel::MOBIL_LASTSEND).data().toString(), QString());
    QCOMPARE(f.grid()->model()->index(3, TKontakteModel::MOBIL_LASTSEND).data().toString(), QString("01.05.2024 10:00:00"));
}

void TestKontaktePage::memoryOrderIsTheDatabaseOrder_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("orderBy");
    QTest::newRow("Nachname") << 0 << "nachname, vorname, firma";
    QTest::newRow("Vorname") << 1 << "vorname, nachname, firma";
    QTest::newRow("Firma") << 2 << "firma, nachname, vorname";
    QTest::newRow("Email") << 5 << "email, nachname, vorname, firma";
}

void TestKontaktePage::memoryOrderIsTheDatabaseOrder()
{
    QFETCH(int, index);
    QFETCH(QString, orderBy);
    Fixture f;
    const QStringList texts{"abc", "Abc", "ABC", "abc ", "ab", "ab\t", "ab!", u("Äbc"), u("äbc"), u("Zoë"), "Zoe",
                            u("\U0001F600x"), u("\uFB01x"), "", " ", "a b", u("ß"), "ss", "10", "9", "_", "~"};
    int id = 0;
    for (const QString& a : texts)
        for (const QString& b : {QString("x"), QString("X ")}) {
            ++id;
            f.Kontakt(id, id % 3 ? a : b, id % 3 ? b : a, texts.value((id * 7) % texts.size()), "", texts.value((id * 5) % texts.size()));
        }
    TIniFileDaten ini;
    ini.Sortierung = index;
    f.page.RestoreLayout(ini);
    f.page.Load();
    QList<int> expected;
    QSqlQuery q = f.db.Modul()->Run("SELECT id FROM kontakte ORDER BY " + orderBy + ", id");
    while (q.next())
        expected << q.value(0).toInt();
    QCOMPARE(f.Ids(), expected);
}

void TestKontaktePage::details()
{
    Fixture f;
    f.db.Exec(u("INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, geburtsdatum, kdnr, mobil, "
                "mobil_lastsend, email, p_strasse, p_plz, p_ort, p_land, p_telefon, p_telefax, p_webseite, f_strasse, "
                "f_plz, f_ort, f_land, f_telefon, f_telefax, f_webseite) VALUES (1, 3, 'Eva', '<b>Muster</b>', 'ACME', "
                "'1980-05-17', 'K1', '00491711', '2025-12-24 18:30:05', 'eva@x.de', 'Weg 1', '50667', 'Köln', "
                "'Deutschland', '0221', '0222', 'eva.example', 'Str 2', '10115', 'Berlin', 'DE', '030', '031', "
                "'acme.example')"));
    f.Gruppe(1, "Zulu");
    f.Gruppe(2, "Alpha");
    f.Zuordnung(1, 1);
    f.Zuordnung(1, 2);
    f.Zuordnung(1, 2);
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) VALUES ('00491711', 'eins', 'Tx', 1, '2025-01-01 10:00:00')");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) VALUES ('00491711', 'zwei', 'Tx', 1, '2025-02-01 10:00:00')");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) VALUES ('+491711', 'fremd', 'Tx', 1, '2025-03-01 10:00:00')");
    f.page.Load();
    QCOMPARE(f.label("Panel_Kontaktdetails_Headline"), QString("  Eva <b>Muster</b>"));
    QCOMPARE(f.w<QLabel>("Panel_Kontaktdetails_Headline")->textFormat(), Qt::PlainText);
    QCOMPARE(f.w<QLabel>("Label_Kontakte_Name")->textFormat(), Qt::PlainText);
    QCOMPARE(f.label("Label_Kontakte_Name"), QString("Eva <b>Muster</b>"));
    QCOMPARE(f.label("Label_Kontakte_Geschlecht"), QString("Frau"));
    QCOMPARE(f.label("Label_Kontakte_Geburtsdatum"), QString("17.05.1980"));
    QCOMPARE(f.label("Label_Kontakte_LetzteSMS"), QString("24.12.2025 18:30:05"));
    QCOMPARE(f.label("Label_Kontakte_Kategorien"), QString("Alpha, Alpha, Zulu"));
    QCOMPARE(f.label("Label_Kontakte_P_Ort"), u("50667 Köln"));
    QCOMPARE(f.label("Label_Kontakte_F_Webseite"), QString("acme.example"));
    QCOMPARE(f.label("Label_Kontakte_KdNr"), QString("K1"));
    QCOMPARE(f.log()->rowCount(), 2);
    QCOMPARE(f.log()->index(0, TKontaktProtokollModel::CONTENT).data().toString(), QString("zwei"));
    QCOMPARE(f.log()->index(0, TKontaktProtokollModel::ISTZEITPUNKT).data().toString(), QString("01.02.2025 10:00:00"));
    QCOMPARE(f.log()->headerData(1, Qt::Horizontal).toString(), QString("Nachrichtentext"));
    // Tooltips show database texts literally too (a tooltip that looks like markup is rendered).
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) VALUES ('00491711', "
              "'<i>drei</i>', 'Tx', 1, '2025-04-01 10:00:00')");
    f.page.ListBox_KontaktgruppenClick();
    auto shownAsTip = [](const QVariant& tip) {
        QTextDocument doc;
        if (Qt::mightBeRichText(tip.toString()))
            doc.setHtml(tip.toString());
        else
            doc.setPlainText(tip.toString());
        return doc.toPlainText();
    };
    QCOMPARE(shownAsTip(f.grid()->model()->index(0, TKontakteModel::NAME).data(Qt::ToolTipRole)),
             QString("<b>Muster</b>, Eva"));
    QCOMPARE(shownAsTip(f.log()->index(0, TKontaktProtokollModel::CONTENT).data(Qt::ToolTipRole)), QString("<i>drei</i>"));
    // The icon of the group shows for a contact in a group.
    QCOMPARE(f.grid()->model()->index(0, 0).data(TKontakteModel::CountRole).toInt(), 3);
}

void TestKontaktePage::detailsWithoutSalutationOrNumber()
{
    Fixture f;
    f.db.Exec("INSERT INTO kontakte (id, geschlecht, vorname, nachname, mobil) VALUES (1, NULL, 'Ohne', 'Nummer', '')");
    f.db.Exec("INSERT INTO kontakte (id, geschlecht, vorname, nachname, mobil) VALUES (2, 77, 'Fremde', 'Anrede', '0049')");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('', 'ohne Empfaenger', 'Tx', 1)");
    f.page.Load();
    QCOMPARE(f.label("Panel_Kontaktdetails_Headline"), QString("  Fremde Anrede"));
    QCOMPARE(f.label("Label_Kontakte_Geschlecht"), QString());
    QCOMPARE(f.label("Label_Kontakte_Mobil"), QString("0049"));
    QTest::keyClick(f.grid(), Qt::Key_Down);
    QCOMPARE(f.label("Panel_Kontaktdetails_Headline"), QString("  Ohne Nummer"));
    QCOMPARE(f.log()->rowCount(), 0);
    f.page.ShowKontaktDetails(-1);
    QCOMPARE(f.label("Panel_Kontaktdetails_Headline"), QString("  Kontaktdetails"));
    QCOMPARE(f.label("Label_Kontakte_Name"), QString());
    QCOMPARE(f.log()->rowCount(), 0);
}

void TestKontaktePage::deleteContacts()
{
    Fixture f;
    f.page.Load();
    f.w<QToolButton>("ToolButton_Kontakt_Loeschen")->click();
    QCOMPARE(f.messages.Count(), 0);   // empty grid: nothing to ask
    for (int i = 1; i <= 5; ++i)
        f.Kontakt(i, "V", QString("N%1").arg(i));
    f.Gruppe(1, "G");
    f.Zuordnung(2, 1);
    f.Zuordnung(4, 1);
    f.page.Load();
    f.SelectRows({1, 3, 4});
    f.messages.AnswerNext(false);
    f.w<QToolButton>("ToolButton_Kontakt_Loeschen")->click();
    QCOMPARE(f.messages.Texts(), QStringList{u("Sind Sie sicher, dass Sie die gewählten Kontakte unwiderruflich löschen möchten?")});
    QCOMPARE(f.messages.Messages().first().kind, Msg::Kind::WarningQuestion);
    QCOMPARE(f.Count("kontakte"), QString("5"));
    f.messages.Clear();
    f.w<QToolButton>("ToolButton_Kontakt_Loeschen")->click();
    QCOMPARE(f.Ids(), (QList<int>{1, 3}));
    QCOMPARE(f.Count("katzuord"), QString("0"));
    // Without a selection the current row goes; Delete key on the grid does the same.
    f.messages.Clear();
    QTest::keyClick(f.grid(), Qt::Key_Delete);
    QCOMPARE(f.messages.Texts(), QStringList{u("Sind Sie sicher, dass Sie den gewählten Kontakt unwiderruflich löschen möchten?")});
    QCOMPARE(f.messages.Messages().first().kind, Msg::Kind::WarningQuestion);
    QCOMPARE(f.Ids(), QList<int>{3});
    f.SelectRows({0});
    f.messages.Clear();
    f.w<QToolButton>("ToolButton_Kontakt_Loeschen")->click();
    QCOMPARE(f.messages.Texts(), QStringList{u("Sind Sie sicher, dass Sie den gewählten Kontakt unwiderruflich löschen möchten?")});
    QVERIFY(f.Ids().isEmpty());
}

void TestKontaktePage::failedDeleteIsShownAndRolledBack()
{
    Fixture f;
    f.db.Exec("CREATE EXCEPTION e_refused 'refused'");
    f.db.Exec("CREATE TRIGGER t_refuse FOR kontakte BEFORE DELETE AS BEGIN IF (OLD.id = 2) THEN EXCEPTION e_refused; END");
    f.Kontakt(1, "V", "N1");
    f.Kontakt(2, "V", "N2");
    f.Gruppe(1, "G");
    f.Zuordnung(1, 1);
    f.Zuordnung(2, 1);
    f.page.Load();
    f.SelectRows({0, 1});
    f.w<QToolButton>("ToolButton_Kontakt_Loeschen")->click();
    QCOMPARE(f.messages.Count(), 2);
    QCOMPARE(f.messages.Messages().last().kind, Msg::Kind::Error);
    QVERIFY(f.messages.Texts().last().contains("refused"));
    // A later commit keeps nothing of the failed delete.
    f.Gruppe(2, "H");
    QCOMPARE(f.Count("kontakte"), QString("2"));
    QCOMPARE(f.Count("katzuord"), QString("2"));
    QCOMPARE(f.Ids(), (QList<int>{1, 2}));
}

void TestKontaktePage::groupCommands_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("group");   // list index: 0 all, 1 "A" (id 1), 2 "B" (id 2)
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("kontakte");
    QTest::addColumn<QString>("kategorien");
    QTest::addColumn<QString>("katzuord");   // kontakt:kategorie pairs
    QTest::addColumn<int>("selectedAfter");
    const QString clear = u("Es werden nun alle Zuordnungen zu der gewählten Kontaktgruppe aufgehoben.\n\r"
                            "Nach Ausführen dieser Aktion werden sich keine Kontakte mehr in dieser Kontaktgruppe befinden.\n\r"
                            "Die Kontakte selbst werden dabei jedoch nicht gelöscht.\n\r"
                            "Sind Sie sicher, dass Sie fortfahren möchten?");
    const QString members = u("Es werden nun alle Kontakte, die sich in der gewählten Kontaktgruppe befinden, gelöscht.\n\r"
                              "Es werden dabei nicht nur die Zuordnungen der Kontakte zu dieser Kontaktgruppe entfernt, "
                              "sondern die Kontakte selbst.\n\rDieser Vorgang ist unwiderruflich.\r\n"
                              "Sind Sie sicher, dass Sie fortfahren möchten?");
    QTest::newRow("delete group") << "Lschen1" << 1
        << u("Sind Sie sicher, dass Sie die gewählte Kontaktgruppe unwiderruflich löschen möchten?")
        << "1,2,3" << "2" << "2:2,3:2" << 0;
    QTest::newRow("empty group") << "Zuordnungenaufheben1" << 1 << clear << "1,2,3" << "1,2" << "2:2,3:2" << 1;
    QTest::newRow("delete members (duplicate pair)") << "Kontaktelschen1" << 1 << members << "3" << "1,2" << "3:2" << 1;
    QTest::newRow("delete all contacts") << "Kontaktelschen1" << 0
        << u("ACHTUNG!\n\rEs werden nun alle(!) Kontakte gelöscht.\n\rDiese Aktion ist unwiderruflich.\n\r"
             "Sind Sie sicher, dass Sie fortfahren möchten?")
        << "" << "1,2" << "" << 0;
}

void TestKontaktePage::groupCommands()
{
    QFETCH(QString, action);
    QFETCH(int, group);
    QFETCH(QString, question);
    QFETCH(QString, kontakte);
    QFETCH(QString, kategorien);
    QFETCH(QString, katzuord);
    QFETCH(int, selectedAfter);
    for (bool yes : {false, true}) {
        Fixture f;
        f.Kontakt(1, "A", "A");
        f.Kontakt(2, "B", "B");
        f.Kontakt(3, "C", "C");
        f.Gruppe(1, "A");
        f.Gruppe(2, "B");
        f.Zuordnung(1, 1);
        f.Zuordnung(1, 1);
        f.Zuordnung(2, 1);
        f.Zuordnung(2, 2);
        f.Zuordnung(3, 2);
        f.page.Load();
        f.ClickGroup(group);
        f.messages.AnswerNext(yes);
        f.page.findChild<QAction*>(action)->trigger();
        QCOMPARE(f.messages.Texts(), QStringList{question});
        QCOMPARE(f.messages.Messages().first().kind, Msg::Kind::WarningQuestion);
        if (!yes) {
            QCOMPARE(f.Count("katzuord"), QString("5"));
            QCOMPARE(f.Count("kontakte"), QString("3"));
            continue;
        }
        QCOMPARE(f.db.Scalar("SELECT LIST(id) FROM (SELECT id FROM kontakte ORDER BY id)"), kontakte);
        QCOMPARE(f.db.Scalar("SELECT LIST(id) FROM (SELECT id FROM kategorien ORDER BY id)"), kategorien);
        QCOMPARE(f.db.Scalar("SELECT LIST(kontakt||':'||kategorie) FROM (SELECT kontakt, kategorie FROM katzuord "
                             "ORDER BY kontakt, kategorie)"), katzuord);
        QCOMPARE(f.groups()->currentRow(), selectedAfter);
        // The list shows the selected group after the reload.
        const int id = f.page.KontaktgruppenIds().value(selectedAfter);
        const QString shown = id == 0 ? f.db.Scalar("SELECT COUNT(*) FROM kontakte")
                                      : f.db.Scalar(QString("SELECT COUNT(DISTINCT kontakt) FROM katzuord WHERE kategorie=%1").arg(id));
        QCOMPARE(QString::number(f.Ids().size()), shown);
    }
}

void TestKontaktePage::entryZeroRefusals()
{
    Fixture f;
    f.Kontakt(1, "A", "A");
    f.page.Load();
    f.page.findChild<QAction*>("Bearbeiten1")->trigger();
    f.page.findChild<QAction*>("Lschen1")->trigger();
    f.page.findChild<QAction*>("Zuordnungenaufheben1")->trigger();
    QTest::keyClick(f.groups(), Qt::Key_Delete);
    QCOMPARE(f.messages.Texts(), (QStringList{u("Für diese Systemkategorie stehen keine Eigenschaften zur Verfügung."),
                                              u("Diese Systemkategorie kann nicht gelöscht werden."),
                                              u("Die Zuordnungen dieser Systemkategorie können nicht verändert werden."),
                                              u("Diese Systemkategorie kann nicht gelöscht werden.")}));
    for (const auto& m : f.messages.Messages())
        QCOMPARE(m.kind, Msg::Kind::Information);
    QCOMPARE(f.Count("kontakte"), QString("1"));
}

void TestKontaktePage::popupMenusActOnWhatIsPointedAt()
{
    Fixture f;
    f.Kontakt(1, "Anna", "Adler");
    f.Kontakt(2, "Bert", "Berg");
    f.Kontakt(3, "Carl", "Cramer");
    f.Gruppe(1, "A");
    f.Gruppe(2, "B");
    f.Zuordnung(1, 1);
    f.Zuordnung(2, 2);
    f.Zuordnung(3, 2);
    f.page.Load();
    f.ClickGroup(1);
    auto texts = [](QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            out << (a->isSeparator() ? QString("-") : a->text());
        return out;
    };
    // A right click on another group selects and shows it, so the menu's command acts on it.
    auto* groupMenu = f.w<QMenu>("PopupMenu_Kontaktgruppen");
    QListWidget* l = f.groups();
    f.RightClick(l->viewport(), l->visualItemRect(l->item(2)).center(), groupMenu);
    QCOMPARE(l->currentRow(), 2);
    QCOMPARE(f.Ids(), (QList<int>{2, 3}));
    QCOMPARE(texts(groupMenu), (QStringList{"&Bearbeiten", "&Neu", "-", "&Zuordnungen aufheben", u("&Kontakte löschen"),
                                            "-", u("&Löschen")}));
    QCOMPARE(groupMenu->defaultAction()->objectName(), QString("Bearbeiten1"));
    f.page.findChild<QAction*>("Zuordnungenaufheben1")->trigger();
    QCOMPARE(f.messages.Count(), 1);
    QCOMPARE(f.db.Scalar("SELECT LIST(kontakt||':'||kategorie) FROM katzuord"), QString("1:1"));
    QCOMPARE(l->currentRow(), 2);
    // On the grid the right click makes the row current; the menu's delete takes that row.
    f.ClickGroup(0);
    auto* contactMenu = f.w<QMenu>("PopupMenu_Kontakte");
    QWidget* vp = f.grid()->viewport();
    f.RightClick(vp, f.grid()->visualRect(f.grid()->model()->index(1, 0)).center(), contactMenu);
    QCOMPARE(f.label("Panel_Kontaktdetails_Headline"), QString("  Bert Berg"));
    QCOMPARE(texts(contactMenu), (QStringList{"&Bearbeiten", "&Neu", "-", u("&Löschen")}));
    QCOMPARE(contactMenu->defaultAction()->objectName(), QString("Bearbeiten2"));
    f.messages.Clear();
    f.page.findChild<QAction*>("Lschen2")->trigger();
    QCOMPARE(f.messages.Texts(), QStringList{u("Sind Sie sicher, dass Sie den gewählten Kontakt unwiderruflich löschen möchten?")});
    QCOMPARE(f.Ids(), (QList<int>{1, 3}));
}

void TestKontaktePage::editorsFromThePage()
{
    Fixture f;
    f.page.Load();
    // Double click on the empty grid: a new contact, located after the reload.
    OnNextModal([](QWidget* w) {
        QCOMPARE(w->windowTitle(), QString("Neuen Kontakt anlegen (Unbenannt)"));
        FindChild<QLineEdit>(w, "Nachname")->setText("Zander");
        FindChild<QLineEdit>(w, "Mobil")->setText("01711234567");
        FindChild<QPushButton>(w, "Btn_OK")->click();
    });
    QTest::mouseDClick(f.grid()->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(f.Ids().size(), 1);
    f.Kontakt(100, "", "Adler");
    f.page.ListBox_KontaktgruppenClick();
    QCOMPARE(f.grid()->currentIndex().row(), 0);
    // The toolbar's new contact sorts in the middle; it becomes the current row.
    OnNextModal([](QWidget* w) {
        FindChild<QLineEdit>(w, "Nachname")->setText("Meier");
        FindChild<QLineEdit>(w, "Mobil")->setText("01711234568");
        FindChild<QPushButton>(w, "Btn_OK")->click();
    });
    f.w<QToolButton>("ToolButton_Kontakt_Neu")->click();
    QCOMPARE(f.Names(), (QStringList{"Adler", "Meier", "Zander"}));
    QCOMPARE(f.grid()->currentIndex().row(), 1);
    QCOMPARE(f.label("Panel_Kontaktdetails_Headline"), QString("  Meier"));
    // Enter on the grid edits the current row; Cancel reloads nothing.
    OnNextModal([](QWidget* w) {
        QCOMPARE(w->windowTitle(), QString("Kontakt editieren (Meier)"));
        FindChild<QPushButton>(w, "Btn_Abbrechen")->click();
    });
    QTest::keyClick(f.grid(), Qt::Key_Return);
    // Groups: new, then rename through a double click; each reselects its group.
    OnNextModal([](QWidget* w) {
        FindChild<QLineEdit>(w, "Bezeichnung")->setText("Kunden");
        FindChild<QPushButton>(w, "Btn_OK")->click();
    });
    f.w<QToolButton>("ToolButton_Kontaktgruppe_Neu")->click();
    f.Gruppe(50, "Aaa");
    OnNextModal([](QWidget* w) {
        FindChild<QLineEdit>(w, "Bezeichnung")->setText("Zzz");
        FindChild<QPushButton>(w, "Btn_OK")->click();
    });
    f.w<QToolButton>("ToolButton_Kontaktgruppe_Neu")->click();
    QCOMPARE(f.GroupItems(), (QStringList{"[alle Kontaktgruppen]", "Aaa", "Kunden", "Zzz"}));
    QCOMPARE(f.groups()->currentRow(), 3);
    f.ClickGroup(1);
    OnNextModal([](QWidget* w) {
        QCOMPARE(FindChild<QLineEdit>(w, "Bezeichnung")->text(), QString("Aaa"));
        FindChild<QLineEdit>(w, "Bezeichnung")->setText("Yyy");
        FindChild<QPushButton>(w, "Btn_OK")->click();
    });
    QTest::keyClick(f.groups(), Qt::Key_Return);
    QCOMPARE(f.GroupItems(), (QStringList{"[alle Kontaktgruppen]", "Kunden", "Yyy", "Zzz"}));
    QCOMPARE(f.groups()->currentRow(), 2);
    QCOMPARE(f.messages.Count(), 0);
}

void TestKontaktePage::keys()
{
    Fixture f;
    f.Kontakt(1, "Zora", "Adler");
    f.Kontakt(2, "Bert", "Mann");
    f.Kontakt(3, "Anna", "Muster");
    f.Kontakt(4, "Max", u("Özdemir"));
    f.Kontakt(5, "Berta", "Zeh");
    f.page.Load();
    f.grid()->setFocus();
    QTest::keyClick(f.grid(), 'm');
    QCOMPARE(f.grid()->currentIndex().row(), 1);   // Mann
    QTest::keyClick(f.grid(), 'm');
    QCOMPARE(f.grid()->currentIndex().row(), 1);   // each key a new search from the top
    typeChar(f.grid(), u("ö"));
    QCOMPARE(f.label("Panel_Kontaktdetails_Headline"), u("  Max Özdemir"));
    typeChar(f.grid(), u("ß"));
    QCOMPARE(f.label("Panel_Kontaktdetails_Headline"), u("  Max Özdemir"));
    QTest::keyClick(f.grid(), 'q');   // no match: stays
    QCOMPARE(f.label("Panel_Kontaktdetails_Headline"), u("  Max Özdemir"));
    auto* combo = f.w<QComboBox>("Kontakte_Sortierung");
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    QTest::keyClick(f.grid(), 'B');
    QCOMPARE(f.label("Panel_Kontaktdetails_Headline"), QString("  Bert Mann"));
    // Search edit: Enter searches.
    f.w<QToolButton>("ToolButton_Kontakt_Suchen")->click();
    QTest::keyClicks(f.w<QLineEdit>("Kontakt_Suchen"), "zeh");
    QTest::keyClick(f.w<QLineEdit>("Kontakt_Suchen"), Qt::Key_Enter);
    QCOMPARE(f.Ids(), QList<int>{5});
    QCOMPARE(f.messages.Count(), 0);
}

void TestKontaktePage::labelsOpenMailAndWeb()
{
    Fixture f;
    QList<QUrl> opened;
    ShellOpen::SetHandler([&](const QUrl& url) { opened << url; return true; });
    f.db.Exec("INSERT INTO kontakte (id, nachname, email, p_webseite) VALUES (1, 'A', 'a@x.de', 'www.a.example')");
    f.db.Exec("INSERT INTO kontakte (id, nachname) VALUES (2, 'B')");
    f.page.Load();
    QTest::mouseClick(f.w<QLabel>("Label_Kontakte_Email"), Qt::LeftButton);
    QTest::mouseClick(f.w<QLabel>("Label_Kontakte_P_Webseite"), Qt::LeftButton);
    QTest::mouseClick(f.w<QLabel>("Label_Kontakte_F_Webseite"), Qt::LeftButton);   // empty: nothing
    ShellOpen::SetHandler({});
    QCOMPARE(opened.size(), 2);
    QCOMPARE(opened[0].scheme(), QString("mailto"));
    QVERIFY(opened[0].toString().contains("a@x.de"));
    QCOMPARE(opened[1].toString(), QString("http://www.a.example"));
    QCOMPARE(f.w<QLabel>("Label_Kontakte_Email")->cursor().shape(), Qt::PointingHandCursor);
}

void TestKontaktePage::layoutRoundTrip()
{
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktePage page{TKontaktDialoge{}};   // never shown
    TIniFileDaten in;
    in.Kontakte_Width_Panel_Left = 233;
    in.Widths = {100, 101, 102, 103, 104};
    in.Widths_Versandprotokoll = {90, 91, 92, 93};
    in.Sortierung = 4;
    page.RestoreLayout(in);
    TIniFileDaten out;
    page.StoreLayout(out);
    QCOMPARE(out.Kontakte_Width_Panel_Left, 233);
    QCOMPARE(out.Widths, in.Widths);
    QCOMPARE(out.Widths_Versandprotokoll, in.Widths_Versandprotokoll);
    QCOMPARE(out.Sortierung, 4);
    // Lists of the wrong length are not applied; shown, the panel keeps its width.
    TIniFileDaten wrong = in;
    wrong.Widths = {1, 2};
    page.RestoreLayout(wrong);
    page.resize(1000, 600);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    page.StoreLayout(out);
    QCOMPARE(out.Widths, in.Widths);
    QCOMPARE(out.Kontakte_Width_Panel_Left, 233);
}

void TestKontaktePage::inTheMainWindow()
{
    TestDatabase db;
    ScriptedMessages messages;
    db.Exec("INSERT INTO kontakte (id, nachname, mobil) VALUES (1, 'Adler', '')");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'G')");
    QFile file(db.Path() + "/Vornix2.ini");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Allgemein]\r\nStartOrdner=1\r\n[Kontakte]\r\nSortierung=1\r\nWidth_Panel_Left=222\r\n");
    file.close();
    std::unique_ptr<THauptForm> form{CreateHauptForm()};
    form->show();
    QCoreApplication::processEvents();
    auto* page = form->findChild<TKontaktePage*>("Panel_Kontakte");
    QVERIFY(page->isVisible());
    QCOMPARE(page->KontakteModel()->rowCount(), 1);
    QCOMPARE(page->findChild<QComboBox*>("Kontakte_Sortierung")->currentIndex(), 1);
    QCOMPARE(page->findChild<QWidget*>("Panel_Kontakte_Left")->width(), 222);
    QCOMPARE(TKontaktForm::LaenderVorwahlen(), DatenModul->LaenderVorwahlen());
    // Leaving the page and coming back closes the search and shows all contacts.
    form->findChild<QToolButton*>("ToolButton_Kontakt_Suchen")->click();   // the frame holds the tool bar
    page->findChild<QLineEdit*>("Kontakt_Suchen")->setText("adl");
    page->Button_Kontakte_SuchenClick();
    QVERIFY(page->KontakteSucheAktiv());
    form->Button_MainMenu_HomeClick();
    form->Button_MainMenu_KontakteClick();
    QVERIFY(!page->KontakteSucheAktiv() && !page->KontakteSucheSichtbar());
    QCOMPARE(page->findChild<QListWidget*>("ListBox_Kontaktgruppen")->count(), 2);
    QCOMPARE(messages.Count(), 0);
    form->close();
    QVERIFY(QFile(db.Path() + "/Vornix2.ini").open(QIODevice::ReadOnly));
}

void TestKontaktePage::toolButtonsHavePicturesOfTheirOwn()
{
    Fixture f;
    QSet<QByteArray> pictures;
    const char* const names[] = {"ToolButton_Kontaktgruppe_Neu", "ToolButton_Kontaktgruppe_Loeschen",
                                 "ToolButton_Kontakt_Neu", "ToolButton_Kontakt_Loeschen", "ToolButton_Kontakt_Suchen"};
    for (const char* name : names) {
        auto* b = f.page.findChild<QToolButton*>(QLatin1String(name));
        QVERIFY2(b && !b->icon().isNull(), name);
        const QImage image = b->icon().pixmap(b->iconSize()).toImage();
        pictures.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    QCOMPARE(pictures.size(), 5);
}

QTEST_MAIN(TestKontaktePage)
#include "tst_kontaktepage.moc"
