#include "FakeAccount.h"
#include "TestProgram.h"
#include "app/HauptForm.h"
#include "contacts/KontaktePage.h"
#include "foundation/DatenModul.h"
#include "gateway/HomePage.h"
#include "sms/SmsPage.h"
#include "sms/SmsVorlagenForm.h"
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSqlQuery>
#include <QTableView>
#include <QTextDocument>
#include <QtTest>

// Names, numbers, SMS texts and gateway texts are shown as they stand, never as markup: a
// contact named <img src="/dev/zero"> would otherwise make Qt read that file.
class TestKlartext : public QObject {
    Q_OBJECT
private slots:
    void userAndGatewayDataShowLiterally();
};

namespace {

const QString kImg = QStringLiteral("<img src=\"/dev/zero\">");
const QString kBold = QStringLiteral("<b>Fett</b>");
const QString kAmp = QStringLiteral("Wurst &amp; Co");
// A megabyte of text that looks like markup.
QString bigText()
{
    return QStringLiteral("<b>") + QString(1 << 20, QLatin1Char('m')) + QStringLiteral("</b>");
}

bool looksLikeMarkup(const QString& text)
{
    return text.contains(QLatin1String("<img")) || text.contains(QLatin1String("<b>"))
        || text.contains(QLatin1String("&amp;"));
}

// Every label, tooltip and item tooltip under `root` that holds one of the test texts, and is
// shown as markup, by object name (empty when all show their text literally).
QStringList shownAsMarkup(QWidget* root, int* labelsWithData)
{
    QStringList bad;
    for (QLabel* l : root->findChildren<QLabel*>()) {
        const QString t = l->text();
        if (!looksLikeMarkup(t))
            continue;
        ++*labelsWithData;
        const bool plain = l->textFormat() == Qt::PlainText
            || (l->textFormat() == Qt::AutoText && !Qt::mightBeRichText(t));
        if (!plain)
            bad << QStringLiteral("label ") + l->objectName();
    }
    // A tooltip is rich text when it looks like it: the raw markup must not stand in one.
    auto rawInTip = [](const QString& tip) {
        return Qt::mightBeRichText(tip) && (tip.contains(QLatin1String("<img")) || tip.contains(QLatin1String("<b>")));
    };
    for (QWidget* w : root->findChildren<QWidget*>())
        if (rawInTip(w->toolTip()))
            bad << QStringLiteral("tooltip ") + w->objectName();
    for (QAbstractItemView* v : root->findChildren<QAbstractItemView*>()) {
        QAbstractItemModel* m = v->model();
        if (!m)
            continue;
        for (int r = 0; r < qMin(m->rowCount(), 100); ++r)
            for (int c = 0; c < m->columnCount(); ++c)
                if (rawInTip(m->index(r, c).data(Qt::ToolTipRole).toString()))
                    bad << QStringLiteral("item tooltip ") + v->objectName();
    }
    return bad;
}

QString labelText(QWidget* root, const char* name)
{
    auto* l = root->findChild<QLabel*>(QLatin1String(name));
    return l ? l->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

} // namespace

void TestKlartext::userAndGatewayDataShowLiterally()
{
    const QString big = bigText();
    TestProgram p([](TIniFileDaten& d) {
        d.Login_Speichern = true;
        d.Login_Username = QStringLiteral("demo");
        d.Login_Passwort = QStringLiteral("demo");
    });
    FakeAccount account;
    account.NewsId = 9;
    account.NewsHeadline = kImg + kBold;
    account.NewsContent = big;
    account.UserData.insert(QStringLiteral("Company"), kImg);
    account.UserData.insert(QStringLiteral("Surname"), kBold);
    account.UserData.insert(QStringLiteral("Street"), kAmp);
    account.Install(p.gw);

    // A contact, a group, a template and a send-log entry, each filled with markup.
    TDatenModul* db = DatenModul;
    db->Unit([&] {
        db->Run(QStringLiteral("INSERT INTO kontakte (id, vorname, nachname, firma, mobil, email, p_strasse, p_ort) "
                               "VALUES (1, :v, :n, :f, '491701', 'a@b.example', :s, :o)"),
                {{QStringLiteral("v"), kImg}, {QStringLiteral("n"), kBold}, {QStringLiteral("f"), kAmp},
                 {QStringLiteral("s"), kBold}, {QStringLiteral("o"), kImg}});
        db->Run(QStringLiteral("INSERT INTO kategorien (id, name) VALUES (1, :n)"), {{QStringLiteral("n"), kImg}});
        db->Run(QStringLiteral("INSERT INTO katzuord (kontakt, kategorie) VALUES (1, 1)"));
        db->Run(QStringLiteral("INSERT INTO smsvorlagen (id, typ, content, name) VALUES (1, 0, :c, :n)"),
                {{QStringLiteral("c"), big}, {QStringLiteral("n"), kBold}});
        db->Run(QStringLiteral("INSERT INTO protokoll (messageid, istzeitpunkt, dnr, content, absender, typ, msgparts, ip, "
                               "opnet, opcountry, userrequestid, statusid) VALUES (:m, CURRENT_TIMESTAMP, '491701', :c, "
                               ":a, 'Tx', 1, :i, :on, :oc, :r, 0)"),
                {{QStringLiteral("m"), kImg}, {QStringLiteral("c"), big}, {QStringLiteral("a"), kBold},
                 {QStringLiteral("i"), kAmp}, {QStringLiteral("on"), kImg}, {QStringLiteral("oc"), kBold},
                 {QStringLiteral("r"), kAmp}});
    });
    const int protokollId = [&] {
        QSqlQuery q = db->Run(QStringLiteral("SELECT id FROM protokoll"));
        return q.next() ? q.value(0).toInt() : 0;
    }();

    p.Start();
    THauptForm* frame = p.Frame();
    frame->resize(1000, 700);
    QVERIFY(QTest::qWaitForWindowExposed(frame));

    // Home: news, user data and account status from the gateway.
    frame->ShowPage(frame->HomePage());
    frame->findChild<QAbstractButton*>(QStringLiteral("BitBtn_Userdaten_Abrufen"))->click();
    frame->findChild<QAbstractButton*>(QStringLiteral("BitBtn_Status_Abrufen"))->click();
    QApplication::processEvents();
    QVERIFY2(p.msgs.Count() == 0, qPrintable(p.msgs.Texts().join(QStringLiteral(" | ")).left(500)));
    QCOMPARE(p.gw.Count(QStringLiteral("/smscommand/News.do")), 1);
    frame->ShowPage(frame->KontaktePage());
    frame->ShowPage(frame->HomePage());   // shows the news fetched meanwhile
    QCOMPARE(labelText(frame, "Label_Home_Firma"), kImg);
    QVERIFY2(labelText(frame, "Panel_Home_News_Top").contains(kImg + kBold), qPrintable(labelText(frame, "Panel_Home_News_Top").left(200)));
    QCOMPARE(labelText(frame, "Label_Home_News_Content"), big);

    // Contacts page: the contact's details and the group list.
    frame->ShowPage(frame->KontaktePage());
    frame->KontaktePage()->ShowKontaktDetails(1);
    QApplication::processEvents();
    QVERIFY(labelText(frame, "Label_Kontakte_Name").contains(kImg));

    // SMS page: the contact grid, the send log and its details.
    frame->ShowPage(frame->SmsPage());
    frame->SmsPage()->ShowSmsDetails(protokollId);
    QApplication::processEvents();
    QVERIFY(labelText(frame, "Label_SMS_Empfaenger").contains(kImg));
    QVERIFY(labelText(frame, "Label_SMS_Empfaenger").contains(kBold));
    QVERIFY(labelText(frame, "Panel_SMS_Content_Headline").contains(kImg));
    QCOMPARE(labelText(frame, "Label_SMS_Absender"), kBold);
    QCOMPARE(labelText(frame, "Label_SMS_MessageId"), kImg);
    QCOMPARE(labelText(frame, "Label_SMS_SenderIp"), kAmp);
    QCOMPARE(labelText(frame, "Label_SMS_RequestId"), kAmp);
    const QString memo = frame->findChild<QPlainTextEdit*>(QStringLiteral("Memo_SMS_TextSMS"))->toPlainText();
    QVERIFY(memo.startsWith(QLatin1String("<b>mmm")) && memo.endsWith(QLatin1String("mmm</b>")));
    auto* grid = frame->findChild<QTableView*>(QStringLiteral("Grid_Sms_Kontakte"));
    QVERIFY(grid->model()->rowCount() >= 1);
    QVERIFY(grid->model()->index(0, 0).data().toString().contains(kImg));

    // The templates dialog with the template shown.
    auto* vorlagen = frame->findChild<TSmsVorlagenForm*>();
    QVERIFY(vorlagen);
    vorlagen->LoadVorlagen();
    vorlagen->ShowVorlage(1);
    QCOMPARE(labelText(vorlagen, "VorlagenName"), kBold);

    int labelsWithData = 0;
    const QStringList bad = shownAsMarkup(frame, &labelsWithData);
    QVERIFY2(bad.isEmpty(), qPrintable(bad.join(QStringLiteral(", "))));
    QVERIFY(labelsWithData >= 12);
    // Painting the pages with these texts ends (a markup image of /dev/zero would not).
    frame->repaint();
}

QTEST_MAIN(TestKlartext)
#include "tst_klartext.moc"
