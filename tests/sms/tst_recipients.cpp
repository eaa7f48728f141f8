#include "foundation/Clock.h"
#include "TestEnv.h"
#include "foundation/DatenModul.h"
#include "sms/Recipient.h"
#include <QScopeGuard>
#include <QtTest>

class TestRecipients : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusalRulesInOrder_data();
    void refusalRulesInOrder();
    void duplicatesAreExactWholeStrings();
    void contactFieldsAreRead();
    void missingIdChangesNothing();
    void groupAddKeepsFirstNameOrderAndCountsRows();
    void allContactsAndPickedIds();
    void manyIdsAsOneAtATime_data();
    void manyIdsAsOneAtATime();
    void removalInOnePassFreesTheNumbers();
    void summaryText_data();
    void summaryText();
};

namespace {
void insertKontakt(TestDatabase& db, int id, const QString& vorname, const QString& mobil,
                   const QString& mobilSend = "1")
{
    db.Exec(QString("INSERT INTO kontakte (id, vorname, mobil, mobil_send) VALUES (%1, '%2', '%3', %4)")
                .arg(QString::number(id), vorname, mobil, mobilSend));
}
}

void TestRecipients::refusalRulesInOrder_data()
{
    QTest::addColumn<QString>("mobilSend");
    QTest::addColumn<QString>("mobil");
    QTest::addColumn<bool>("added");
    QTest::addColumn<int>("nieSms");
    QTest::addColumn<int>("ohneMobil");
    QTest::addColumn<int>("doppelt");
    QTest::newRow("allowed") << "1" << "0049171" << true << 0 << 0 << 0;
    QTest::newRow("never, without number") << "0" << "" << false << 1 << 0 << 0;
    QTest::newRow("never as NULL") << "NULL" << "0049171" << false << 1 << 0 << 0;
    QTest::newRow("no number") << "1" << "" << false << 0 << 1 << 0;
    QTest::newRow("a blank is a number") << "1" << " " << true << 0 << 0 << 0;
    QTest::newRow("duplicate of the listed one") << "1" << "0049999" << false << 0 << 0 << 1;
    QTest::newRow("never before duplicate") << "0" << "0049999" << false << 1 << 0 << 0;
}

void TestRecipients::refusalRulesInOrder()
{
    QFETCH(QString, mobilSend);
    QFETCH(QString, mobil);
    QFETCH(bool, added);
    TestDatabase db;
    insertKontakt(db, 1, "Erste", "0049999");
    insertKontakt(db, 2, "Zweite", mobil, mobilSend);
    TRecipients list;
    QVERIFY(list.AddEmpfaengerById(1));
    QCOMPARE(list.AddEmpfaengerById(2), added);
    QCOMPARE(list.Count(), added ? 2 : 1);
    QTEST(list.AnzahlNieSms(), "nieSms");
    QTEST(list.AnzahlOhneMobil(), "ohneMobil");
    QTEST(list.AnzahlDoppelt(), "doppelt");
}

void TestRecipients::duplicatesAreExactWholeStrings()
{
    TRecipients list;
    QVERIFY(list.AddFreieNummer("0049171 1"));
    QVERIFY(list.AddFreieNummer("00491711"));
    QVERIFY(list.AddFreieNummer("00491711 "));
    QVERIFY(!list.AddFreieNummer("00491711"));
    QCOMPARE(list.Count(), 3);
    QCOMPARE(list.AnzahlDoppelt(), 1);
    const TRecipient& typed = list.At(0);
    QCOMPARE(typed.Id, -1);
    QCOMPARE(typed.Geschlecht, 1);
    QVERIFY(typed.GeburtsdatumIsNull && typed.LastSendIsNull && typed.MobilSend);
    QCOMPARE(typed.Vorname, QString(""));
}

void TestRecipients::contactFieldsAreRead()
{
    TestDatabase db;
    db.Exec("INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, geburtsdatum, mobil, "
            "mobil_lastsend) VALUES (5, 3, 'Anna', 'Muster', 'AG', '1980-02-29', '0049,171', "
            "'2024-03-05 14:07:09')");
    db.Exec("INSERT INTO kontakte (id, mobil) VALUES (6, '0049172')");
    TRecipients list;
    QVERIFY(list.AddEmpfaengerById(5));
    QVERIFY(list.AddEmpfaengerById(6));
    const TRecipient& a = list.At(0);
    QCOMPARE(a.Id, 5);
    QCOMPARE(a.Geschlecht, 3);
    QCOMPARE(a.Vorname, QString("Anna"));
    QCOMPARE(a.Nachname, QString("Muster"));
    QCOMPARE(a.Firma, QString("AG"));
    QCOMPARE(a.Mobil, QString("0049,171"));
    QVERIFY(!a.GeburtsdatumIsNull);
    QCOMPARE(a.Geburtsdatum.date(), QDate(1980, 2, 29));
    QVERIFY(!a.LastSendIsNull);
    QCOMPARE(a.LastSend, QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    const TRecipient& b = list.At(1);
    QVERIFY(b.GeburtsdatumIsNull);
    QVERIFY(b.LastSendIsNull);
    QCOMPARE(b.Geschlecht, 1);
}

void TestRecipients::missingIdChangesNothing()
{
    TestDatabase db;
    TRecipients list;
    QVERIFY(!list.AddEmpfaengerById(42));
    QCOMPARE(list.Count(), 0);
    QCOMPARE(list.AnzahlNieSms() + list.AnzahlOhneMobil() + list.AnzahlDoppelt(), 0);
}

void TestRecipients::groupAddKeepsFirstNameOrderAndCountsRows()
{
    TestDatabase db;
    insertKontakt(db, 1, "Zora", "0049111");
    insertKontakt(db, 2, "Anton", "0049111");   // same number, first in first-name order
    insertKontakt(db, 3, "Berta", "");
    insertKontakt(db, 4, "Carl", "0049333", "0");
    insertKontakt(db, 5, "Dora", "0049555");    // not in the group
    insertKontakt(db, 6, "Emil", "0049666");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'G')");
    for (int k : {1, 2, 3, 4, 6})
        db.Exec(QString("INSERT INTO katzuord (kontakt, kategorie) VALUES (%1, 1)").arg(k));
    TRecipients list;
    QVERIFY(list.AddFreieNummer("0049666"));   // already listed: the group's Emil is a duplicate
    QCOMPARE(list.AddEmpfaengerByKategorie(1), 5);
    QCOMPARE(list.Count(), 2);
    QCOMPARE(list.At(1).Id, 2);
    QCOMPARE(list.AnzahlDoppelt(), 2);
    QCOMPARE(list.AnzahlOhneMobil(), 1);
    QCOMPARE(list.AnzahlNieSms(), 1);
}

void TestRecipients::allContactsAndPickedIds()
{
    TestDatabase db;
    insertKontakt(db, 1, "Carl", "0049333");
    insertKontakt(db, 2, "Anton", "0049111");
    insertKontakt(db, 3, "Berta", "0049222");
    TRecipients all;
    QCOMPARE(all.AddEmpfaengerByKategorie(0), 3);
    QCOMPARE(all.Count(), 3);
    QCOMPARE(all.At(0).Id, 2);
    QCOMPARE(all.At(2).Id, 1);

    TRecipients picked;
    QCOMPARE(picked.AddEmpfaengerByIds({3, 99, 1, 3}), 2);
    QCOMPARE(picked.Count(), 2);
    QCOMPARE(picked.At(0).Id, 3);
    QCOMPARE(picked.At(1).Id, 1);
    QCOMPARE(picked.AnzahlDoppelt(), 1);
}

// Many picked ids take one pass over the table and are put in order afterwards: the same list,
// order and counters as adding them one id after the other. Among them refusals of every rule,
// shared numbers, a repeated and a missing id, in an order unlike the table's.
void TestRecipients::manyIdsAsOneAtATime_data()
{
    QTest::addColumn<int>("abstand");   // between two contacts' ids
    QTest::addColumn<bool>("vorher");   // a list with entries already
    QTest::newRow("dense ids") << 1 << false;
    QTest::newRow("dense ids, list filled") << 1 << true;
    QTest::newRow("sparse ids") << 100000 << false;
}

void TestRecipients::manyIdsAsOneAtATime()
{
    QFETCH(int, abstand);
    QFETCH(bool, vorher);
    TestDatabase db;
    constexpr int n = 2600;
    // Every 7th never sent to, every 11th without number, every 13th shares the number of the
    // one before; birthdays and last sends on some; first names and companies repeat.
    db.Exec(QString(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN
        WHILE ("I" <= %1) DO BEGIN
          INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, mobil_send, geburtsdatum,
            mobil_lastsend)
          VALUES (:"I" * %2, 2 + MOD(:"I", 2), 'V' || IIF(MOD(:"I", 2) = 0, MOD(:"I", 37), :"I"), 'N' || :"I",
            IIF(MOD(:"I", 4) = 0, 'Firma' || MOD(:"I", 9), ''),
            IIF(MOD(:"I", 11) = 0, '', '0049171' || IIF(MOD(:"I", 13) = 0, :"I" - 1, :"I")),
            IIF(MOD(:"I", 7) = 0, 0, 1),
            IIF(MOD(:"I", 5) = 0, DATEADD(:"I" DAY TO DATE '1960-01-01'), NULL),
            IIF(MOD(:"I", 3) = 0, DATEADD(:"I" MINUTE TO TIMESTAMP '2024-01-01 08:00:00'), NULL));
          "I" = "I" + 1;
        END END)").arg(n).arg(abstand));
    QList<int> ids;
    for (int i = 0; i < n; ++i)
        ids.append((1 + (i * 1237) % n) * abstand);   // every contact once, scattered
    ids.insert(5, ids[100]);
    ids.insert(700, (n + 5) * abstand);
    ids.append(ids[3]);

    // A free number's unset dates hold "now": both lists must see the same one.
    Clock::Set(QDateTime(QDate(2026, 3, 4), QTime(10, 0)));
    const auto clockBack = qScopeGuard([] { Clock::Set(QDateTime()); });
    TRecipients viele, einzeln;
    if (vorher) {
        for (TRecipients* l : {&viele, &einzeln}) {
            QVERIFY(l->AddFreieNummer("0049171" + QString::number(ids[10] / abstand)));
            QVERIFY(l->AddFreieNummer("0049999"));
        }
    }
    int addedEinzeln = 0;
    for (int id : ids)
        addedEinzeln += einzeln.AddEmpfaengerById(id) ? 1 : 0;
    QCOMPARE(viele.AddEmpfaengerByIds(ids), addedEinzeln);
    QCOMPARE(viele.Count(), einzeln.Count());
    QVERIFY(viele.AnzahlNieSms() > 0 && viele.AnzahlOhneMobil() > 0 && viele.AnzahlDoppelt() > 0);
    QCOMPARE(viele.AnzahlNieSms(), einzeln.AnzahlNieSms());
    QCOMPARE(viele.AnzahlOhneMobil(), einzeln.AnzahlOhneMobil());
    QCOMPARE(viele.AnzahlDoppelt(), einzeln.AnzahlDoppelt());
    for (int i = 0; i < viele.Count(); ++i) {
        const TRecipient& a = viele.At(i);
        const TRecipient& b = einzeln.At(i);
        QCOMPARE(a.Id, b.Id);
        QCOMPARE(a.Mobil, b.Mobil);
        QCOMPARE(a.Vorname, b.Vorname);
        QCOMPARE(a.Nachname, b.Nachname);
        QCOMPARE(a.Firma, b.Firma);
        QCOMPARE(a.Geschlecht, b.Geschlecht);
        QCOMPARE(a.GeburtsdatumIsNull, b.GeburtsdatumIsNull);
        QCOMPARE(a.Geburtsdatum, b.Geburtsdatum);
        QCOMPARE(a.LastSendIsNull, b.LastSendIsNull);
        QCOMPARE(a.LastSend, b.LastSend);
        QCOMPARE(TRecipients::ListText(a), TRecipients::ListText(b));
    }
    // The numbers are taken: none of the list can be added again.
    QVERIFY(!viele.AddFreieNummer(viele.At(viele.Count() - 1).Mobil));

    // All contacts at once (first-name order) give each contact its own names, as one by one.
    QHash<int, const TRecipient*> byId;
    for (const TRecipient& r : einzeln.Items())
        byId.insert(r.Id, &r);
    TRecipients alle;
    alle.AddEmpfaengerByKategorie(0);
    int verglichen = 0;
    for (const TRecipient& a : alle.Items()) {
        const TRecipient* b = byId.value(a.Id);
        if (!b)
            continue;
        ++verglichen;
        QCOMPARE(a.Vorname, b->Vorname);
        QCOMPARE(a.Nachname, b->Nachname);
        QCOMPARE(a.Firma, b->Firma);
        QCOMPARE(a.Mobil, b->Mobil);
    }
    QVERIFY(verglichen > n / 2);
}

void TestRecipients::removalInOnePassFreesTheNumbers()
{
    TRecipients list;
    for (const char* n : {"a", "b", "c", "d", "e"})
        QVERIFY(list.AddFreieNummer(n));
    list.DeleteEmpfaenger(QList<int>{3, 0, 2});
    QCOMPARE(list.Count(), 2);
    QCOMPARE(list.At(0).Mobil, QString("b"));
    QCOMPARE(list.At(1).Mobil, QString("e"));
    QVERIFY(list.AddFreieNummer("a"));
    QVERIFY(!list.AddFreieNummer("b"));
    list.DeleteEmpfaenger(0);
    QCOMPARE(list.At(0).Mobil, QString("e"));
    QCOMPARE(list.AnzahlDoppelt(), 1);   // removals leave the counters
    // The entries that moved up keep their numbers; the removed one's is free.
    QVERIFY(list.ContainsMobil("a") && list.ContainsMobil("e") && !list.ContainsMobil("b"));
    QVERIFY(!list.AddFreieNummer("a"));
    QVERIFY(list.AddFreieNummer("b"));
    QCOMPARE(list.Count(), 3);
    QCOMPARE(list.AnzahlDoppelt(), 2);
    list.ClearEmpfaenger();
    QCOMPARE(list.Count(), 0);
    QCOMPARE(list.AnzahlDoppelt(), 0);
    QVERIFY(list.AddFreieNummer("e"));
}

void TestRecipients::summaryText_data()
{
    QTest::addColumn<int>("nie");
    QTest::addColumn<int>("ohne");
    QTest::addColumn<int>("doppelt");
    QTest::addColumn<QString>("expected");
    const QString head = QString::fromUtf8(
        "Durch das Hinzufügen der Empfänger wurden folgende Warnmeldungen generiert:\n\r\n\r");
    const QString nie1 = QString::fromUtf8(
        "* 1 Empfänger wurde der Auswahlliste nicht hinzugefügt, da für diesen die Option "
        "'diesen Kontakt nie per SMS anschreiben' aktiviert wurde.");
    const QString ohne2 = QString::fromUtf8(
        "* 2 Empfänger wurden der Auswahlliste nicht hinzugefügt, da für diese keine "
        "Mobilfunknummer hinterlegt wurde.");
    const QString doppelt1 = QString::fromUtf8(
        "* 1 Empfänger wurde der Auswahlliste nicht hinzugefügt, da bereits ein anderer Kontakt "
        "mit derselben Mobilfunknummer in der Liste existiert.");
    const QString nie3 = QString::fromUtf8(
        "* 3 Empfänger wurden der Auswahlliste nicht hinzugefügt, da für diese jeweils die Option "
        "'diesen Kontakt nie per SMS anschreiben' aktiviert wurde.");
    const QString ohne1 = QString::fromUtf8(
        "* 1 Empfänger wurde der Auswahlliste nicht hinzugefügt, da für diesen keine "
        "Mobilfunknummer hinterlegt wurde.");
    const QString doppelt2 = QString::fromUtf8(
        "* 2 Empfänger wurden der Auswahlliste nicht hinzugefügt, da jeweils ein anderer Kontakt "
        "mit derselben Mobilfunknummer in der Liste existiert.");
    const QString sep = "\n\r\n\r";
    QTest::newRow("none") << 0 << 0 << 0 << QString("");
    QTest::newRow("one kind") << 0 << 0 << 1 << head + doppelt1;
    QTest::newRow("mixed") << 1 << 2 << 1 << head + nie1 + sep + ohne2 + sep + doppelt1;
    QTest::newRow("plural") << 3 << 1 << 2 << head + nie3 + sep + ohne1 + sep + doppelt2;
}

void TestRecipients::summaryText()
{
    QFETCH(int, nie);
    QFETCH(int, ohne);
    QFETCH(int, doppelt);
    TRecipients list;
    TRecipient r;
    QVERIFY(list.AddFreieNummer("x"));
    r.MobilSend = false;
    for (int i = 0; i < nie; ++i)
        list.AddEmpfaenger(r);
    r.MobilSend = true;
    r.Mobil = "";
    for (int i = 0; i < ohne; ++i)
        list.AddEmpfaenger(r);
    r.Mobil = "x";
    for (int i = 0; i < doppelt; ++i)
        list.AddEmpfaenger(r);
    QTEST(list.Warnmeldungen(), "expected");
}

QTEST_MAIN(TestRecipients)
#include "tst_recipients.moc"
