#include "FakeGateway.h"
#include "TestSession.h"
#include "TestEnv.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "foundation/WaitCursor.h"
#include "gateway/HttpRequest.h"
#include "sms/Protokoll.h"
#include "sms/SmsPage.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

namespace {

const char* const kPath = "/smscommand/Protocol.do";

struct Sms {
    QString dispatch = "20261201123000", recipient = "491701234567", content = "Hallo", sender = "Vornix2",
            type = "Tx", msgParts = "1", ip = "10.0.0.1", opNet = "D1", opCountry = "DE",
            requestId = "R1", statusId = "0", reference = "20261201122900", messageId = "M1";
    bool withDispatch = true;
    QString Xml() const
    {
        QString x = "<Sms>";
        if (withDispatch)
            x += "<DispatchTime>" + dispatch + "</DispatchTime>";
        x += "<Recipient>" + recipient + "</Recipient><Content>" + content + "</Content><Sender>" + sender
           + "</Sender><Type>" + type + "</Type><MsgParts>" + msgParts + "</MsgParts><IP>" + ip
           + "</IP><OpNet>" + opNet + "</OpNet><OpCountry>" + opCountry + "</OpCountry><UserRequestId>"
           + requestId + "</UserRequestId><StatusId>" + statusId + "</StatusId><ReferenceTime>" + reference
           + "</ReferenceTime><MessageId>" + messageId + "</MessageId></Sms>";
        return x;
    }
};

Sms numbered(int i)
{
    Sms s;
    s.recipient = QString("4917000000%1").arg(i, 2, 10, QChar('0'));
    s.messageId = QString("M%1").arg(i);
    s.content = QString("Text %1").arg(i);
    return s;
}

// A page of the reply; a head value of "" leaves its element out.
FakeReply page(const QList<Sms>& entries, const QString& count, const QString& followUp,
               const QString& position, const QString& displayCount)
{
    QString inner;
    auto element = [&](const char* name, const QString& v) {
        if (!v.isEmpty())
            inner += QString("<%1>%2</%1>").arg(QLatin1String(name), v);
    };
    element("Count", count);
    element("Follow-Up", followUp);
    element("Position", position);
    element("DisplayCount", displayCount);
    inner += "<SmsList>";
    for (const Sms& s : entries)
        inner += s.Xml();
    inner += "</SmsList>";
    return FakeReply::Success("Protocol", inner);
}

QStringList percentTexts(const QString& prefix)
{
    QStringList out;
    for (const QString& t : StatusText::History())
        if (t.startsWith(prefix) && (out.isEmpty() || out.last() != t))
            out << t;
    return out;
}

} // namespace

class TestProtokoll : public QObject {
    Q_OBJECT
private:
    struct Fixture {
        TestDatabase db;
        ScriptedMessages msgs;
        // The host's client goes first: the gateway's stop waits for its open connection.
        FakeGateway gateway;
        TestSession host;
        std::unique_ptr<ScopedEnv> env;
        std::unique_ptr<TSmsPage> smsPage;
        Fixture()
        {
            if (!gateway.Start())
                qFatal("fake gateway does not start");
            env = std::make_unique<ScopedEnv>("VORNIX2_GATEWAY_HOST", gateway.HostPort().toUtf8());
            host.Edit([&](TIniFileDaten& r) { r.Login_Speichern = true; });
            host.Edit([&](TIniFileDaten& r) { r.Login_Username = "kunde"; });
            host.Edit([&](TIniFileDaten& r) { r.Login_Passwort = "geheim"; });
            host.settings.SetFileName(db.Path() + "/Vornix2.ini");
            smsPage = std::make_unique<TSmsPage>(host.session, TSmsDialoge{});
            StatusText::ClearHistory();
        }
        TSmsPage* Page() { return smsPage.get(); }
        void OldLog()
        {
            db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, contentindex) "
                    "VALUES ('4900', 'alt eins', 'Tx', 0, 'alt eins')");
            db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, contentindex) "
                    "VALUES ('4901', 'alt zwei', 'Tx', 0, 'alt zwei')");
        }
        // The update button, confirmed.
        void Update()
        {
            msgs.AnswerNext(true);
            Page()->findChild<QToolButton*>("ToolButton_Sms_ProtokollUpdate")->click();
        }
        QStringList Column(const QString& sql)
        {
            QStringList out;
            QSqlQuery q = db.Modul()->Run(sql);
            while (q.next())
                out << TDatenModul::TextValue(q.value(0));
            return out;
        }
    };

private Q_SLOTS:
    void init() { Clock::Set(QDateTime()); }
    void cleanup() { Clock::Set(QDateTime()); }

    void pagesAskFromTheNextPosition_data();
    void pagesAskFromTheNextPosition();
    void declinedConfirmationDoesNothing();
    void rejectedFirstPageKeepsOldLog();
    void rejectedSecondPageKeepsFirstPage();
    void loginFromDialogIsStoredAfterSuccess();
    void cancelledLoginSendsNothing();
    void conversions_data();
    void conversions();
    void entryWithoutFieldsStoresDefaults();
    void contentIndexHoldsFirst250Characters();
    void searchIsLiteralWithQuotes();
    void rebuildIndexFillsRowsWithoutOne();
    void nonAdvancingPageEndsDownload_data();
    void nonAdvancingPageEndsDownload();
    void pageCountForProgress_data();
    void pageCountForProgress();
    void emptyFirstPageEmptiesLog();
    void endlessFollowUpEnds_data();
    void endlessFollowUpEnds();
    void pageWithoutNewEntriesEnds_data();
    void pageWithoutNewEntriesEnds();
    void longEntryIsCutInTheGridAndWholeInTheDetails_data();
    void longEntryIsCutInTheGridAndWholeInTheDetails();
    void tooLongValueEndsDownloadKeepsCommittedPages_data();
    void tooLongValueEndsDownloadKeepsCommittedPages();
    void detailsFindContactByNumber();
    void listFetchesLazilyAcrossCommits();
    void listOrders();
    void tiesAcrossFetchesMatchTheDatabase();
};

void TestProtokoll::pagesAskFromTheNextPosition_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("limit 500") << 500;
    QTest::newRow("unlimited") << -1;
}

void TestProtokoll::pagesAskFromTheNextPosition()
{
    QFETCH(int, limit);
    Fixture f;
    f.OldLog();
    f.host.Edit([&](TIniFileDaten& r) { r.ProtokollLimit = limit; });
    f.gateway.Script(kPath, page({numbered(1), numbered(2)}, "3", "1", "0", "2"));
    f.gateway.Script(kPath, page({numbered(3)}, "3", "0", "2", "1"));
    f.Update();

    const auto requests = f.gateway.Requests(kPath);
    QCOMPARE(int(requests.size()), 2);
    QCOMPARE(requests[0].Field("pos"), QString("0"));
    QCOMPARE(requests[1].Field("pos"), QString("2"));
    for (const FakeRequest& r : requests) {
        QStringList names;
        for (const auto& field : r.Form())
            names << field.first;
        QStringList expected{"username", "password", "pos"};
        if (limit > 0)
            expected << "limit";
        expected << "version";
        QCOMPARE(names, expected);
        QCOMPARE(r.Field("username"), QString("kunde"));
        QCOMPARE(r.Field("password"), QString("geheim"));
        if (limit > 0)
            QCOMPARE(r.Field("limit"), QString::number(limit));
    }
    QCOMPARE(f.Column("SELECT messageid FROM protokoll ORDER BY messageid"), QStringList({"M1", "M2", "M3"}));
    QCOMPARE(percentTexts("Bitte warten... das heruntergeladene"),
             QStringList({"Bitte warten... das heruntergeladene Versandprotokoll wird verarbeitet (33% abgeschloseen).",
                          "Bitte warten... das heruntergeladene Versandprotokoll wird verarbeitet (67% abgeschloseen).",
                          "Bitte warten... das heruntergeladene Versandprotokoll wird verarbeitet (100% abgeschloseen)."}));
    QVERIFY(StatusText::History().contains("Bitte warten... das Versandprotokoll wird vom Server abgerufen."));
    QVERIFY(StatusText::History().contains("Bitte warten... der Datenbank-Index wird neu erstellt."));
    QCOMPARE(StatusText::Current(), QString(""));
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(f.msgs.Count(), 1);   // only the confirmation
    // The list shows the new log, newest first.
    QCOMPARE(f.Page()->ProtokollModel()->rowCount(), 3);
}

void TestProtokoll::declinedConfirmationDoesNothing()
{
    Fixture f;
    f.msgs.AnswerNext(false);
    f.Page()->findChild<QToolButton*>("ToolButton_Sms_ProtokollUpdate")->click();
    QCOMPARE(f.gateway.Count(), 0);
    QCOMPARE(f.msgs.Messages().first().text,
             QString("Die Aktualisierung des Protokolls kann, je nach Datenmenge und Internetanbindung, bis zu "
                     "einige Minuten dauern.\n\rSind Sie sicher, dass Sie das Protokoll jetzt aktualisieren möchten?"));
}

void TestProtokoll::rejectedFirstPageKeepsOldLog()
{
    Fixture f;
    f.OldLog();
    f.gateway.Script(kPath, FakeReply::Rejection("Protocol", "099: something failed"));
    f.Update();
    QCOMPARE(f.gateway.Count(kPath), 1);
    QCOMPARE(f.Column("SELECT dnr FROM protokoll ORDER BY dnr"), QStringList({"4900", "4901"}));
    QCOMPARE(f.msgs.Count(), 2);
    QCOMPARE(f.msgs.Messages().last().kind, Msg::Kind::Error);
    QCOMPARE(f.msgs.Messages().last().text,
             QString(kMsgGatewayError).arg(QString(kProtokollFailMessage), QString("099: something failed")));
    QVERIFY(!StatusText::History().contains("Bitte warten... der Datenbank-Index wird neu erstellt."));
    QCOMPARE(StatusText::Current(), QString(""));
}

void TestProtokoll::rejectedSecondPageKeepsFirstPage()
{
    Fixture f;
    f.OldLog();
    f.gateway.Script(kPath, page({numbered(1), numbered(2)}, "4", "1", "0", "2"));
    f.gateway.Script(kPath, FakeReply::Rejection("Protocol", "099: later"));
    f.Update();
    QCOMPARE(f.gateway.Count(kPath), 2);
    QCOMPARE(f.Column("SELECT messageid FROM protokoll ORDER BY messageid"), QStringList({"M1", "M2"}));
    QCOMPARE(f.msgs.Count(), 2);
    QCOMPARE(f.msgs.Messages().last().kind, Msg::Kind::Error);
    QCOMPARE(f.msgs.Messages().last().text,
             QString(kMsgGatewayError).arg(QString(kProtokollFailMessage), QString("099: later")));
    // The index is rebuilt and the list reloaded as usual.
    QVERIFY(StatusText::History().contains("Bitte warten... der Datenbank-Index wird neu erstellt."));
    QCOMPARE(f.Column("SELECT contentindex FROM protokoll ORDER BY messageid"), QStringList({"Text 1", "Text 2"}));
    QCOMPARE(f.Page()->ProtokollModel()->rowCount(), 2);
    QCOMPARE(StatusText::Current(), QString(""));
    QVERIFY(!QApplication::overrideCursor());
}

void TestProtokoll::loginFromDialogIsStoredAfterSuccess()
{
    Fixture f;
    f.host.Edit([&](TIniFileDaten& r) { r.Login_Speichern = false; });
    f.host.Edit([&](TIniFileDaten& r) { r.Login_Username = ""; });
    f.host.Edit([&](TIniFileDaten& r) { r.Login_Passwort = ""; });
    f.gateway.Script(kPath, page({numbered(1)}, "1", "0", "0", "1"));
    f.msgs.AnswerNext(true);
    OnNextModal([](QWidget* w) {
        w->findChild<QLineEdit*>("Username")->setText("neu");
        w->findChild<QLineEdit*>("Passwort")->setText("pw");
        w->findChild<QCheckBox*>("CheckBox_Speichern")->setChecked(true);
        w->findChild<QPushButton*>("Btn_OK")->click();
    });
    f.Page()->findChild<QToolButton*>("ToolButton_Sms_ProtokollUpdate")->click();
    QCOMPARE(f.gateway.Count(kPath), 1);
    QCOMPARE(f.gateway.Last().Field("username"), QString("neu"));
    QCOMPARE(f.host.Reloads, 1);
    const TIniFileDaten stored = LoadIniFileDaten(f.host.settings.FileName());
    QVERIFY(stored.Login_Speichern);
    QCOMPARE(stored.Login_Username, QString("neu"));
    QCOMPARE(stored.Login_Passwort, QString("pw"));
}

void TestProtokoll::cancelledLoginSendsNothing()
{
    Fixture f;
    f.OldLog();
    f.host.Edit([&](TIniFileDaten& r) { r.Login_Speichern = false; });
    f.msgs.AnswerNext(true);
    QString statusAtLogin;
    OnNextModal([&](QWidget* w) {
        statusAtLogin = StatusText::Current();
        w->findChild<QPushButton*>("Btn_Abbrechen")->click();
    });
    f.Page()->findChild<QToolButton*>("ToolButton_Sms_ProtokollUpdate")->click();
    QCOMPARE(f.gateway.Count(), 0);
    QCOMPARE(f.Column("SELECT dnr FROM protokoll ORDER BY dnr"), QStringList({"4900", "4901"}));
    QCOMPARE(f.msgs.Count(), 1);
    QCOMPARE(statusAtLogin, QString("Bitte warten... das Versandprotokoll wird vom Server abgerufen."));
    QCOMPARE(StatusText::Current(), QString(""));
}

void TestProtokoll::conversions_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("msgParts");
    QTest::addColumn<QString>("statusId");
    QTest::addColumn<bool>("withDispatch");
    QTest::addColumn<int>("storedParts");
    QTest::addColumn<int>("storedStatus");
    QTest::addColumn<QString>("shownContent");
    QTest::addColumn<QString>("shownStatus");
    QTest::newRow("text") << "TxN" << "2" << "0" << true << 2 << 0 << "Grüße 'x'" << "Zugestellt";
    QTest::newRow("flash") << "Fs" << "1" << "1" << true << 1 << 1 << "Grüße 'x'" << "Weitere Zustellversuche";
    QTest::newRow("lower tx") << "tx" << "1" << "2" << true << 1 << 2 << "(Multimedia-SMS)" << "Nicht zugestellt";
    QTest::newRow("one character") << "T" << "x" << "" << true << 0 << -1 << "(Multimedia-SMS)" << "Unbekannt";
    QTest::newRow("mms") << "MMS" << " 3" << "7" << true << 0 << 7 << "(Multimedia-SMS)" << "Unbekannt";
    QTest::newRow("empty type, no dispatch") << "" << "1" << "abc" << false << 1 << -1 << "" << "Unbekannt";
}

void TestProtokoll::conversions()
{
    QFETCH(QString, type);
    QFETCH(QString, msgParts);
    QFETCH(QString, statusId);
    QFETCH(bool, withDispatch);
    QFETCH(int, storedParts);
    QFETCH(int, storedStatus);
    QFETCH(QString, shownContent);
    QFETCH(QString, shownStatus);
    Fixture f;
    const QDateTime now(QDate(2026, 12, 10), QTime(9, 30, 15));
    Clock::Set(now);
    Sms s;
    s.type = type;
    s.msgParts = msgParts;
    s.statusId = statusId;
    s.withDispatch = withDispatch;
    s.content = QString::fromUtf8("Grüße 'x'");
    f.gateway.Script(kPath, page({s}, "1", "0", "0", "1"));
    f.Update();

    QSqlQuery q = f.db.Modul()->Run("SELECT kontaktid, messageid, sollzeitpunkt, istzeitpunkt, dnr, content, "
                                    "absender, typ, msgparts, ip, version, opnet, opcountry, userrequestid, "
                                    "statusid, contentindex FROM protokoll");
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 0);
    QCOMPARE(TDatenModul::TextValue(q.value(1)), QString("M1"));
    QCOMPARE(q.value(2).toDateTime(), QDateTime(QDate(2026, 12, 1), QTime(12, 29, 0)));
    QCOMPARE(q.value(3).toDateTime(), withDispatch ? QDateTime(QDate(2026, 12, 1), QTime(12, 30, 0)) : now);
    QCOMPARE(TDatenModul::TextValue(q.value(4)), QString("491701234567"));
    QCOMPARE(TDatenModul::TextValue(q.value(5)), s.content);
    QCOMPARE(TDatenModul::TextValue(q.value(6)), QString("Vornix2"));
    QCOMPARE(TDatenModul::TextValue(q.value(7)), type);
    QCOMPARE(q.value(8).toInt(), storedParts);
    QCOMPARE(TDatenModul::TextValue(q.value(9)), QString("10.0.0.1"));
    QCOMPARE(q.value(10).toInt(), 0);
    QCOMPARE(TDatenModul::TextValue(q.value(11)), QString("D1"));
    QCOMPARE(TDatenModul::TextValue(q.value(12)), QString("DE"));
    QCOMPARE(TDatenModul::TextValue(q.value(13)), QString("R1"));
    QCOMPARE(q.value(14).toInt(), storedStatus);
    const bool indexed = type.startsWith("Tx") || type.startsWith("Fs");
    QCOMPARE(q.value(15).isNull(), !indexed);

    TProtokollModel* model = f.Page()->ProtokollModel();
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->data(model->index(0, 2)).toString(), shownContent);
    QCOMPARE(model->data(model->index(0, 3)).toString(), shownStatus);
    QCOMPARE(model->data(model->index(0, 1)).toString(), QString("491701234567"));
    QCOMPARE(model->data(model->index(0, 0)).toString(),
             withDispatch ? QString("01.12.2026 12:30:00") : QString("10.12.2026 09:30:15"));
    QCOMPARE(f.Page()->findChild<QLabel*>("Label_SMS_Versandstatus")->text(), shownStatus);
    QCOMPARE(f.Page()->findChild<QLabel*>("Label_SMS_MsgParts")->text(), QString::number(storedParts));
    QCOMPARE(f.Page()->findChild<QLabel*>("Label_SMS_Op")->text(), QString("DE / D1"));
}

void TestProtokoll::entryWithoutFieldsStoresDefaults()
{
    Fixture f;
    const QDateTime now(QDate(2026, 12, 10), QTime(9, 30, 15));
    Clock::Set(now);
    // Only a type, and a reference time that is no date; an empty Sms ends the list.
    f.gateway.Script(kPath, FakeReply::Success("Protocol", "<Count>1</Count><SmsList><Sms><Type>Fs</Type>"
                                                           "<ReferenceTime>20261345</ReferenceTime></Sms>"
                                                           "<Sms></Sms><Sms><Type>Tx</Type></Sms></SmsList>"));
    f.Update();
    QSqlQuery q = f.db.Modul()->Run("SELECT kontaktid, messageid, sollzeitpunkt, istzeitpunkt, dnr, content, "
                                    "absender, typ, msgparts, ip, version, opnet, opcountry, userrequestid, "
                                    "statusid, contentindex FROM protokoll");
    QVERIFY(q.next());
    QCOMPARE(q.value(2).toDateTime(), now);
    QCOMPARE(q.value(3).toDateTime(), now);
    QCOMPARE(TDatenModul::TextValue(q.value(7)), QString("Fs"));
    QCOMPARE(q.value(8).toInt(), 0);
    QCOMPARE(q.value(14).toInt(), -1);
    for (int column : {1, 4, 5, 6, 9, 11, 12, 13, 15}) {
        QVERIFY2(!q.value(column).isNull(), qPrintable(QString::number(column)));
        QCOMPARE(TDatenModul::TextValue(q.value(column)), QString(""));
    }
    QVERIFY(!q.next());
    QCOMPARE(f.msgs.Count(), 1);   // only the confirmation
    QCOMPARE(f.Page()->findChild<QLabel*>("Label_SMS_Versandstatus")->text(), QString("Unbekannt"));
}

void TestProtokoll::contentIndexHoldsFirst250Characters()
{
    Fixture f;
    Sms s;
    s.content = QString(250, QChar(u'ä')) + QString("SPAETERTEXT") + QString(39, 'z');
    QCOMPARE(s.content.size(), 300);
    Sms mms = numbered(2);
    mms.type = "MMS";
    mms.content = "nur im Multimedia";
    f.gateway.Script(kPath, page({s, mms}, "2", "0", "0", "2"));
    f.Update();
    QCOMPARE(f.db.Scalar("SELECT contentindex FROM protokoll WHERE messageid='M1'"), QString(250, QChar(u'ä')));

    TSmsPage* p = f.Page();
    p->findChild<QToolButton*>("ToolButton_Sms_Suchen")->click();
    auto* edit = p->findChild<QLineEdit*>("Sms_Suchen");
    for (const QString& text : {QString("SPAETERTEXT"), QString("Multimedia")}) {
        f.msgs.Clear();
        edit->setText(text);
        p->findChild<QPushButton*>("Button_Sms_Suchen")->click();
        QCOMPARE(f.msgs.Texts(), QStringList({"Zu Ihrer Suche wurden keine Einträge gefunden."}));
        QCOMPARE(p->ProtokollModel()->rowCount(), 0);
        QVERIFY(!p->findChild<QPushButton*>("Button_Sms_Suchen_Stop")->isEnabled());
    }
    // Case-insensitive, umlauts included.
    f.msgs.Clear();
    edit->setText(QString(3, QChar(u'Ä')));
    p->findChild<QPushButton*>("Button_Sms_Suchen")->click();
    QCOMPARE(f.msgs.Count(), 0);
    QCOMPARE(p->ProtokollModel()->rowCount(), 1);
    QVERIFY(p->findChild<QPushButton*>("Button_Sms_Suchen_Stop")->isEnabled());
    p->findChild<QPushButton*>("Button_Sms_Suchen_Stop")->click();
    QCOMPARE(edit->text(), QString(""));
    QCOMPARE(p->ProtokollModel()->rowCount(), 2);
}

void TestProtokoll::rebuildIndexFillsRowsWithoutOne()
{
    Fixture f;
    // Without text rows there is no progress to show.
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('0', 'bild', 'MMS', 0)");
    RebuildProtokollIndex();
    QCOMPARE(StatusText::History(), QStringList({"Bitte warten... der Datenbank-Index wird neu erstellt.", ""}));
    StatusText::ClearHistory();
    const QString longText = QString(260, 'a');
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('1', '" + longText + "', 'TxA', 0)");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('2', 'kurz', 'Fs', 0)");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('3', 'klein', 'tx', 0)");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('4', 'bild', 'MMS', 0)");
    RebuildProtokollIndex();
    QCOMPARE(f.Column("SELECT COALESCE(contentindex, '<null>') FROM protokoll ORDER BY dnr"),
             QStringList({"<null>", QString(250, 'a'), "kurz", "<null>", "<null>"}));
    QVERIFY(StatusText::History().contains("Bitte warten... der Datenbank-Index wird neu erstellt (100% abgeschloseen)."));
    QCOMPARE(StatusText::Current(), QString(""));
    // The same as the download writes with each row.
    QCOMPARE(ProtokollContentIndex("TxA", longText).toString(), QString(250, 'a'));
    QVERIFY(ProtokollContentIndex("tx", "klein").isNull());
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    QCOMPARE(ProtokollContentIndex("Tx", QString(300, 'b').replace(0, 1, emoji)).toString().size(), 251);
}

void TestProtokoll::searchIsLiteralWithQuotes()
{
    Fixture f;
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, messageid, contentindex) "
              "VALUES ('4900', 'x', 'Tx', 0, 'O''Brien', 'x')");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, messageid, contentindex) "
              "VALUES ('4901', 'y', 'Tx', 0, 'Other', 'y')");
    TSmsPage* p = f.Page();
    p->Load();
    QCOMPARE(p->ProtokollModel()->rowCount(), 2);
    p->findChild<QToolButton*>("ToolButton_Sms_Suchen")->click();
    p->findChild<QLineEdit*>("Sms_Suchen")->setText("o'b");
    QTest::keyClick(p->findChild<QLineEdit*>("Sms_Suchen"), Qt::Key_Return);
    QCOMPARE(f.msgs.Count(), 0);
    QCOMPARE(p->ProtokollModel()->rowCount(), 1);
    QCOMPARE(p->ProtokollModel()->At(0).dnr, QString("4900"));
    // An empty search text is refused.
    p->findChild<QLineEdit*>("Sms_Suchen")->clear();
    p->findChild<QPushButton*>("Button_Sms_Suchen")->click();
    QCOMPARE(f.msgs.Texts(), QStringList({"Bitte geben Sie einen Suchbegriff ein."}));
}

void TestProtokoll::nonAdvancingPageEndsDownload_data()
{
    // Every request gets the same page, with Follow-Up 1.
    QTest::addColumn<QString>("position");
    QTest::addColumn<QString>("displayCount");
    QTest::addColumn<int>("requests");
    QTest::newRow("no position, no count") << "" << "" << 1;
    QTest::newRow("display count 0") << "0" << "0" << 1;
    QTest::newRow("backwards") << "-5" << "2" << 1;
    // The first page advances to 2; the second names position 0 again and so points at 2 once more.
    QTest::newRow("repeated position") << "0" << "2" << 2;
}

void TestProtokoll::nonAdvancingPageEndsDownload()
{
    QFETCH(QString, position);
    QFETCH(QString, displayCount);
    QFETCH(int, requests);
    Fixture f;
    f.gateway.SetDefault(kPath, page({numbered(1), numbered(2)}, "10", "1", position, displayCount));
    f.Update();
    QCOMPARE(f.gateway.Count(kPath), requests);
    const auto sent = f.gateway.Requests(kPath);
    for (int i = 0; i < int(sent.size()); ++i)
        QCOMPARE(sent[size_t(i)].Field("pos"), QString::number(2 * i));
    // A page that repeats the entries already read brings nothing new: it is not stored again.
    QCOMPARE(f.db.Scalar("SELECT COUNT(*) FROM protokoll"), QString::number(2));
    QCOMPARE(f.Page()->ProtokollModel()->rowCount(), 2);
    QCOMPARE(StatusText::Current(), QString(""));
}

void TestProtokoll::pageCountForProgress_data()
{
    // A page of two entries; a Count of "" leaves the element out.
    QTest::addColumn<QString>("count");
    QTest::addColumn<QStringList>("percents");
    // A page with entries but no usable total counts its own entries.
    QTest::newRow("count 0") << "0" << QStringList({"50", "100"});
    QTest::newRow("negative count") << "-4" << QStringList({"50", "100"});
    // Without Count the total is 1: the percentage passes 100.
    QTest::newRow("no count") << "" << QStringList({"100", "200"});
}

void TestProtokoll::pageCountForProgress()
{
    QFETCH(QString, count);
    QFETCH(QStringList, percents);
    Fixture f;
    f.OldLog();
    f.gateway.Script(kPath, page({numbered(1), numbered(2)}, count, "0", "0", "2"));
    f.Update();
    QCOMPARE(f.db.Scalar("SELECT COUNT(*) FROM protokoll"), QString("2"));
    QStringList expected;
    for (const QString& p : percents)
        expected << "Bitte warten... das heruntergeladene Versandprotokoll wird verarbeitet (" + p + "% abgeschloseen).";
    QCOMPARE(percentTexts("Bitte warten... das heruntergeladene"), expected);
    // Stored, so the index is rebuilt and the list reloaded.
    QVERIFY(StatusText::History().contains("Bitte warten... der Datenbank-Index wird neu erstellt."));
    QCOMPARE(f.db.Scalar("SELECT COUNT(*) FROM protokoll WHERE contentindex IS NOT NULL"), QString("2"));
    QCOMPARE(f.Page()->ProtokollModel()->rowCount(), 2);
}

void TestProtokoll::endlessFollowUpEnds_data()
{
    // Every page names Follow-Up 1 and the position asked for: the positions advance for ever.
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("pagesWithEntries");
    QTest::addColumn<int>("requests");
    QTest::newRow("all announced entries read") << "6" << 1000 << 3;
    QTest::newRow("a page without entries") << "0" << 2 << 3;
    QTest::newRow("announced more than come") << "100" << 1 << 2;
}

void TestProtokoll::endlessFollowUpEnds()
{
    QFETCH(QString, count);
    QFETCH(int, pagesWithEntries);
    QFETCH(int, requests);
    Fixture f;
    int served = 0;
    f.gateway.SetHandler(kPath, [&](const FakeRequest& r) {
        const int pos = r.Field("pos").toInt();
        // A safety stop, so that a download that does not end fails instead of hanging.
        const QString followUp = ++served >= 50 ? "0" : "1";
        QList<Sms> entries;
        if (served <= pagesWithEntries)
            entries = {numbered(pos + 1), numbered(pos + 2)};
        return page(entries, count, followUp, QString::number(pos), "2");
    });
    f.Update();
    QCOMPARE(f.gateway.Count(kPath), requests);
    const int stored = 2 * qMin(requests, pagesWithEntries);
    QCOMPARE(f.db.Scalar("SELECT COUNT(*) FROM protokoll"), QString::number(stored));
    QCOMPARE(StatusText::Current(), QString(""));
}

void TestProtokoll::pageWithoutNewEntriesEnds_data()
{
    // Every page advances and names Follow-Up 1; after `newPages` pages of new entries the
    // gateway repeats earlier entries, whatever total it announces.
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("newPages");
    QTest::addColumn<bool>("repeatFirstPage");
    QTest::newRow("a billion announced, one page repeated") << "1000000000" << 1 << true;
    QTest::newRow("a billion announced, three new pages") << "1000000000" << 3 << true;
    QTest::newRow("count 0, the last page repeated") << "0" << 2 << false;
}

void TestProtokoll::pageWithoutNewEntriesEnds()
{
    QFETCH(QString, count);
    QFETCH(int, newPages);
    QFETCH(bool, repeatFirstPage);
    Fixture f;
    int served = 0;
    f.gateway.SetHandler(kPath, [&](const FakeRequest& r) {
        const int pos = r.Field("pos").toInt();
        const QString followUp = ++served >= 50 ? "0" : "1";   // a safety stop
        const int first = served <= newPages ? pos : (repeatFirstPage ? 0 : 2 * (newPages - 1));
        return page({numbered(first + 1), numbered(first + 2)}, count, followUp, QString::number(pos), "2");
    });
    f.Update();
    QCOMPARE(f.gateway.Count(kPath), newPages + 1);
    QCOMPARE(f.db.Scalar("SELECT COUNT(*) FROM protokoll"), QString::number(2 * newPages));
    QCOMPARE(f.db.Scalar("SELECT COUNT(DISTINCT messageid) FROM protokoll"), QString::number(2 * newPages));
    QCOMPARE(StatusText::Current(), QString(""));
}

void TestProtokoll::longEntryIsCutInTheGridAndWholeInTheDetails_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("cell");
    const QString line = QString(2 * 1024 * 1024, QLatin1Char('w'));
    QTest::newRow("one line of 2 MB") << line << QString(int(kProtokollCellTextMax), QLatin1Char('w'));
    QTest::newRow("first line short") << ("Erste Zeile\r\n" + line) << QString("Erste Zeile");
    QTest::newRow("short text whole") << QString("kurz") << QString("kurz");
}

void TestProtokoll::longEntryIsCutInTheGridAndWholeInTheDetails()
{
    QFETCH(QString, content);
    QFETCH(QString, cell);
    Fixture f;
    f.db.Modul()->Unit([&] {
        QSqlQuery q = DatenModul->Query();
        TDatenModul::Prepare(q, "INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) "
                                "VALUES ('4911', :content, 'Tx', 0, '2026-11-02 08:05:09')");
        q.bindValue(":content", content);
        TDatenModul::Exec(q);
    });
    TSmsPage* p = f.Page();
    QCOMPARE(p->LoadProtokoll(), 1);
    TProtokollModel* model = p->ProtokollModel();
    QCOMPARE(model->data(model->index(0, 2)).toString(), cell);
    QCOMPARE(model->data(model->index(0, 2), Qt::EditRole).toString().size(), content.size());
    p->resize(1000, 700);
    p->show();
    p->ShowSmsDetails(model->RowId(0));
    QCoreApplication::processEvents();
    const QString shown = p->findChild<QPlainTextEdit*>("Memo_SMS_TextSMS")->toPlainText();
    // The whole text, overlong lines broken for the display.
    QVERIFY(QString(shown).remove('\n') == QString(content).remove('\r').remove('\n'));
}

void TestProtokoll::emptyFirstPageEmptiesLog()
{
    Fixture f;
    f.OldLog();
    f.gateway.Script(kPath, FakeReply::Success("Protocol", "<Follow-Up>0</Follow-Up>"));
    f.Update();
    QCOMPARE(f.db.Scalar("SELECT COUNT(*) FROM protokoll"), QString("0"));
    // Committed: a second connection sees it.
    f.db.Modul()->RefreshReadDatabase();
    QSqlQuery q(f.db.Modul()->ReadDatabase());
    QVERIFY(q.exec("SELECT COUNT(*) FROM protokoll"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 0);
    QCOMPARE(f.Page()->ProtokollModel()->rowCount(), 0);
}

void TestProtokoll::tooLongValueEndsDownloadKeepsCommittedPages_data()
{
    // Entries 1, 2 on the first page, 3, 4 on the second; the entry `bad` has a number too long
    // for its column.
    QTest::addColumn<int>("bad");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QStringList>("stored");
    QTest::newRow("first entry: old log stays") << 1 << 1 << QStringList({"4900", "4901"});
    QTest::newRow("second entry") << 2 << 1 << QStringList({"491700000001"});
    QTest::newRow("second page, second entry") << 4 << 2
                                               << QStringList({"491700000001", "491700000002", "491700000003"});
}

void TestProtokoll::tooLongValueEndsDownloadKeepsCommittedPages()
{
    QFETCH(int, bad);
    QFETCH(int, requests);
    QFETCH(QStringList, stored);
    Fixture f;
    f.OldLog();
    QList<Sms> entries;
    for (int i = 1; i <= 4; ++i) {
        entries << numbered(i);
        if (i == bad)
            entries.last().recipient = QString(26, '4');
    }
    f.gateway.Script(kPath, page(entries.mid(0, 2), "4", "1", "0", "2"));
    f.gateway.Script(kPath, page(entries.mid(2, 2), "4", "0", "2", "2"));
    f.Update();
    QCOMPARE(f.gateway.Count(kPath), requests);
    // What was stored before the failing entry stays committed: a second connection sees it.
    f.db.Modul()->RefreshReadDatabase();
    QSqlQuery q(f.db.Modul()->ReadDatabase());
    QVERIFY(q.exec("SELECT dnr FROM protokoll ORDER BY dnr"));
    QStringList got;
    while (q.next())
        got << q.value(0).toString();
    QCOMPARE(got, stored);
    QCOMPARE(f.msgs.Messages().last().kind, Msg::Kind::Error);
    QVERIFY(f.msgs.Messages().last().text.contains("truncation"));
    // The update ends: no index rebuild, no reload of the list.
    QVERIFY(!StatusText::History().contains("Bitte warten... der Datenbank-Index wird neu erstellt."));
    QCOMPARE(f.Page()->ProtokollModel()->rowCount(), 0);
    QCOMPARE(StatusText::Current(), QString(""));
    QVERIFY(!QApplication::overrideCursor());
}

void TestProtokoll::detailsFindContactByNumber()
{
    Fixture f;
    f.db.Exec("INSERT INTO kontakte (id, vorname, nachname, mobil) VALUES (1, 'Anna', 'Berg', '4911')");
    f.db.Exec("INSERT INTO kontakte (id, vorname, nachname, mobil) VALUES (2, 'Carl', 'Dorn', '4922')");
    f.db.Exec("INSERT INTO kontakte (id, vorname, nachname, mobil) VALUES (3, 'Eva', 'Fink', '4922')");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt, absender, msgparts, opnet, "
              "opcountry) VALUES ('4911', 'a', 'Tx', 2, '2026-11-02 08:05:09', 'Ab', 3, 'Net', 'AT')");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('4922', 'b', 'MMS', 5)");
    const int one = f.db.Scalar("SELECT id FROM protokoll WHERE dnr='4911'").toInt();
    const int two = f.db.Scalar("SELECT id FROM protokoll WHERE dnr='4922'").toInt();
    TSmsPage* p = f.Page();
    auto text = [&](const char* name) { return p->findChild<QLabel*>(name)->text(); };

    p->ShowSmsDetails(one);
    QCOMPARE(text("Panel_SMS_Content_Headline"), QString("  SMS vom 02.11.2026, 08:05:09 Uhr an Anna Berg"));
    QCOMPARE(text("Label_SMS_Empfaenger"), QString("Anna Berg"));
    QCOMPARE(p->findChild<QLabel*>("Label_SMS_Empfaenger")->property("tag").toInt(), 1);
    QCOMPARE(text("Label_SMS_Versandzeitpunkt"), QString("02.11.2026 08:05:09"));
    QCOMPARE(text("Label_SMS_Op"), QString("AT / Net"));
    QCOMPARE(text("Label_SMS_Versandstatus"), QString("Nicht zugestellt"));

    p->ShowSmsDetails(two);
    QCOMPARE(text("Panel_SMS_Content_Headline"), QString("  SMS an unbekannten Kontakt"));
    QCOMPARE(text("Label_SMS_Empfaenger"), QString(""));
    QCOMPARE(p->findChild<QLabel*>("Label_SMS_Empfaenger")->property("tag").toInt(), 0);
    QCOMPARE(text("Label_SMS_Versandzeitpunkt"), QString("Unbekannt"));
    QCOMPARE(p->findChild<QPlainTextEdit*>("Memo_SMS_TextSMS")->toPlainText(), QString("b"));

    p->ShowSmsDetails(-1);
    QCOMPARE(text("Panel_SMS_Content_Headline"), QString("  SMS-Details"));
    QCOMPARE(text("Label_SMS_EmpfaengerNummer"), QString(""));
    QCOMPARE(p->findChild<QPlainTextEdit*>("Memo_SMS_TextSMS")->toPlainText(), QString(""));
}

void TestProtokoll::listFetchesLazilyAcrossCommits()
{
    Fixture f;
    f.db.Modul()->Unit([&] {
        QSqlQuery q = f.db.Modul()->Query();
        TDatenModul::Prepare(q, "INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) "
                                "VALUES (:d, :c, 'Tx', 0, :t)");
        const QDateTime base(QDate(2026, 1, 1), QTime(0, 0));
        for (int i = 0; i < 1000; ++i) {
            q.bindValue(":d", QString::number(100000 + i));
            q.bindValue(":c", QString("c%1").arg(i));
            q.bindValue(":t", base.addSecs(i));
            TDatenModul::Exec(q);
        }
    });
    TSmsPage* p = f.Page();
    QVERIFY(p->LoadProtokoll() > 0);
    TProtokollModel* m = p->ProtokollModel();
    QCOMPARE(m->rowCount(), TProtokollModel::kFetchSize);
    QVERIFY(m->canFetchMore());
    // A write operation commits on the main connection meanwhile.
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('1', 'neu', 'Tx', 0)");
    while (m->canFetchMore())
        m->fetchMore();
    QCOMPARE(m->rowCount(), 1000);   // the snapshot of the open, without the later row
    QCOMPARE(m->At(0).dnr, QString("100999"));
    QCOMPARE(m->At(999).dnr, QString("100000"));
    // Reloading sees the committed row.
    p->LoadProtokoll();
    while (m->canFetchMore())
        m->fetchMore();
    QCOMPARE(m->rowCount(), 1001);
}

void TestProtokoll::listOrders()
{
    Fixture f;
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) VALUES ('200', 'a', 'Tx', 0, '2026-01-02 00:00:00')");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) VALUES ('100', 'b', 'Tx', 0, '2026-01-02 00:00:00')");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) VALUES ('250', 'c', 'Tx', 0, '2026-01-03 00:00:00')");
    f.db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) VALUES ('300', 'd', 'Tx', 0, '2026-01-01 00:00:00')");
    TSmsPage* p = f.Page();
    auto* combo = p->findChild<QComboBox*>("VersendeteSms_Sortierung");
    QCOMPARE(combo->count(), 3);
    const QList<QStringList> expected{{"c", "b", "a", "d"}, {"d", "b", "a", "c"}, {"b", "a", "c", "d"}};
    for (int order : {0, 1, 2}) {
        combo->setCurrentIndex(order);
        p->VersendeteSms_SortierungChange();
        QStringList got;
        for (int r = 0; r < p->ProtokollModel()->rowCount(); ++r)
            got << p->ProtokollModel()->At(r).content;
        QCOMPARE(got, expected[order]);
    }
}

void TestProtokoll::tiesAcrossFetchesMatchTheDatabase()
{
    Fixture f;
    // Many rows of one time and one number, more than a fetch holds, some without a time.
    f.db.Modul()->Unit([&] {
        QSqlQuery q = f.db.Modul()->Query();
        TDatenModul::Prepare(q, "INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) "
                                "VALUES (:d, 'x', 'Tx', 0, :t)");
        const QDateTime base(QDate(2026, 3, 1), QTime(12, 0));
        for (int i = 0; i < 900; ++i) {
            q.bindValue(":d", QString::number(900 - (i * 37) % 11));
            q.bindValue(":t", i % 50 == 0 ? QVariant(QMetaType::fromType<QDateTime>()) : QVariant(base.addSecs((i * 7) % 3)));
            TDatenModul::Exec(q);
        }
    });
    TSmsPage* p = f.Page();
    auto* combo = p->findChild<QComboBox*>("VersendeteSms_Sortierung");
    const QStringList orderBy{"ORDER BY istzeitpunkt DESC,dnr ASC", "ORDER BY istzeitpunkt ASC,dnr ASC",
                              "ORDER BY dnr ASC,istzeitpunkt DESC"};
    for (int order : {0, 1, 2}) {
        combo->setCurrentIndex(order);
        p->VersendeteSms_SortierungChange();
        TProtokollModel* m = p->ProtokollModel();
        while (m->canFetchMore())
            m->fetchMore();
        QStringList got;
        for (int r = 0; r < m->rowCount(); ++r)
            got << m->At(r).ist.toString(Qt::ISODate) + "/" + m->At(r).dnr;
        QStringList expected;
        QSqlQuery q = f.db.Modul()->Run("SELECT istzeitpunkt, dnr FROM protokoll " + orderBy[order]);
        while (q.next())
            expected << (q.value(0).isNull() ? QString() : q.value(0).toDateTime().toString(Qt::ISODate)) + "/"
                            + q.value(1).toString();
        QCOMPARE(got.size(), 900);
        QCOMPARE(got, expected);
    }
}

QTEST_MAIN(TestProtokoll)
#include "tst_protokoll.moc"
