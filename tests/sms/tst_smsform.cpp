#include "TestSession.h"
#include "TestEnv.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "app/HauptForm.h"
#include "app/StartUp.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/SmsForm.h"
#include "sms/SmsVersandZeitgesteuertForm.h"
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {
TRecipient kontakt(int id, int geschlecht, const QString& vorname, const QString& nachname, const QString& mobil,
                   const QString& firma = QString(""))
{
    TRecipient r;
    r.Id = id;
    r.Geschlecht = geschlecht;
    r.Vorname = vorname;
    r.Nachname = nachname;
    r.Firma = firma;
    r.Mobil = mobil;
    return r;
}
}

// A composer with a database, host settings and scripted message boxes.
struct Composer {
    TestDatabase db;
    TestSession host;
    ScriptedMessages messages;
    TEmpfaengerAuswaehlenForm auswahl;
    TSmsVersandZeitgesteuertForm zeit;
    TSmsForm form{host.session, nullptr, auswahl, zeit};

    QPlainTextEdit* Text() { return FindChild<QPlainTextEdit>(&form, "TextSMS_Sendetext"); }
    QPlainTextEdit* Vorschau() { return FindChild<QPlainTextEdit>(&form, "TextSMS_Sendetext_Vorschau"); }
    QLabel* Count() { return FindChild<QLabel>(&form, "Sendetext_AnzahlZeichen"); }
    QPushButton* Link() { return FindChild<QPushButton>(&form, "Button_Sendetext_AnzahlZeichen_Calculate"); }
    QCheckBox* Preview() { return FindChild<QCheckBox>(&form, "TextSMS_AutomatischeFelder_Vorschau"); }
    QLineEdit* Absender() { return FindChild<QLineEdit>(&form, "Absender"); }
    QLineEdit* Nummer() { return FindChild<QLineEdit>(&form, "Mobilfunknummer"); }
    QListView* List() { return FindChild<QListView>(&form, "Empfaenger"); }
    QStringList Items()
    {
        QStringList out;
        QAbstractItemModel* m = List()->model();
        for (int i = 0; i < m->rowCount(); ++i)
            out.append(m->index(i, 0).data().toString());
        return out;
    }
    void Select(const QList<int>& rows)
    {
        List()->clearSelection();
        for (int r : rows)
            List()->selectionModel()->select(List()->model()->index(r, 0), QItemSelectionModel::Select);
    }
    void Show()
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCoreApplication::processEvents();
    }
};

class TestSmsForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showingStartsFresh();
    void countAndCalculateLink();
    void filling_data();
    void filling();
    void checks_data();
    void checks();
    void fieldMarkerGoesBeforeTheSelection();
    void enterKeys();
    void typedNumbers();
    void listTexts();
    void removal();
    void longListRows_data();
    void longListRows();
    void templates();
    void preview();
    void senderLimitHoldsForTypingOnly();
    void sendNowAsksWithTheRecipientCount();
};

void TestSmsForm::showingStartsFresh()
{
    Composer c;
    c.db.Exec("INSERT INTO kontakte (id, vorname, mobil, mobil_send) VALUES (1, 'A', '0049171', 0)");
    c.db.Exec("INSERT INTO kontakte (id, vorname, mobil) VALUES (2, 'B', '0049172')");
    c.host.Edit([&](TIniFileDaten& r) { r.StandardTyp = 1; });
    c.host.Edit([&](TIniFileDaten& r) { r.StandardAbsender = "Shop.1"; });
    c.form.AddEmpfaengerByKategorie(0);
    c.Text()->setPlainText("alt");
    c.Show();
    QCOMPARE(FindChild<QLabel>(&c.form, "Panel_Content_Headline")->text(), QString("Inhalt der Flash-SMS"));
    QCOMPARE(FindChild<QComboBox>(&c.form, "SmsTyp")->currentIndex(), 1);
    QCOMPARE(c.Absender()->text(), QString("Shop.1"));
    QCOMPARE(c.Text()->toPlainText(), QString(""));
    QCOMPARE(c.Count()->text(), QString("0 Zeichen, dies entspricht 1 SMS"));
    QVERIFY(!c.Preview()->isChecked());
    auto* vorlagen = FindChild<QComboBox>(&c.form, "TextSMS_Vorlagen");
    QCOMPARE(vorlagen->count(), 1);
    QCOMPARE(vorlagen->itemText(0), QString("[keine Vorlagen vorhanden]"));
    QVERIFY(!vorlagen->isEnabled());
    QVERIFY(!FindChild<QPushButton>(&c.form, "Button_TextSMS_Vorlage_Insert")->isEnabled());
    QCOMPARE(FindChild<QLabel>(&c.form, "Gesamtanzahl_Empfaenger")->text(), QString("1"));
    QCOMPARE(c.Items().size(), 1);
    // The main window's refusals are summarised once the dialog is on screen.
    QCOMPARE(c.messages.Count(), 1);
    QVERIFY(c.messages.Texts().first().contains("'diesen Kontakt nie per SMS anschreiben'"));
    QVERIFY(FindChild<QComboBox>(&c.form, "SmsTyp")->hasFocus() || !c.form.isActiveWindow());
    c.form.reject();
    QVERIFY(c.form.result() != QDialog::Accepted);
}

void TestSmsForm::countAndCalculateLink()
{
    Composer c;
    c.Text()->setPlainText(QString::fromUtf8("a\nb€"));
    QCOMPARE(c.Count()->text(), QString("6 Zeichen, dies entspricht 1 SMS"));   // CR LF and the euro count two
    QVERIFY(!c.Count()->isHidden() && c.Link()->isHidden());
    QVERIFY(!c.Preview()->isEnabled());

    c.Text()->setPlainText("Hallo <$*VORNAME*$>");
    QVERIFY(c.Count()->isHidden() && !c.Link()->isHidden());
    QVERIFY(c.Preview()->isEnabled());
    c.Link()->click();
    QCOMPARE(c.messages.Texts(), QStringList{QString::fromUtf8(
        "Es wurden bislang keine Empfänger für diese Nachricht ausgewählt.\n\rDie benötigte Zeichenanzahl "
        "der Nachricht kann daher nicht errechnet werden.")});

    c.form.AddEmpfaenger(kontakt(1, 2, "Al", "", "1"));
    c.form.AddEmpfaenger(kontakt(2, 2, "Bertram", "", "2"));
    c.Link()->click();
    QCOMPARE(c.Count()->text(), QString("13 Zeichen, dies entspricht 1 SMS"));
    QVERIFY(!c.Count()->isHidden() && c.Link()->isHidden());
    c.form.AddEmpfaenger(kontakt(3, 2, "C", "", "3"));   // a new list withdraws the count
    QVERIFY(c.Count()->isHidden() && !c.Link()->isHidden());

    c.Text()->setPlainText("Hallo");
    QVERIFY(!c.Count()->isHidden() && c.Link()->isHidden());
    QVERIFY(!c.Preview()->isEnabled());
}

void TestSmsForm::filling_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");   // man, woman, typed number, code 1 without last name
    QTest::newRow("lieber and lower case")
        << "Hallo <$*LIEBE*$>, <$*vorname*$>!"
        << QStringList{"Hallo Lieber Max, <$*vorname*$>!", "Hallo Liebe Anna, <$*vorname*$>!",
                       "Hallo , <$*vorname*$>!", "Hallo , <$*vorname*$>!"};
    QTest::newRow("sehr geehrt") << "<$*SEHRGEEHRT*$>,"
                                 << QStringList{"Sehr geehrter Herr Muster,", "Sehr geehrte Frau Beispiel,", ",", ","};
    QTest::newRow("anrede and names")
        << "<$*ANREDE*$> <$*VORNAME*$> <$*NACHNAME*$> (<$*FIRMA*$>)"
        << QStringList{"Herr Max Muster (AG)", "Frau Anna Beispiel ()", "   ()", " Ute  ()"};
}

void TestSmsForm::filling()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    Composer c;
    c.form.AddEmpfaenger(kontakt(1, 2, "Max", "Muster", "1", "AG"));
    c.form.AddEmpfaenger(kontakt(2, 3, "Anna", "Beispiel", "2"));
    QVERIFY(c.form.GetEmpfaenger().Count() == 2);
    c.Nummer()->setText("12");
    c.messages.AnswerNext(true);   // not a valid number: add it as typed
    FindChild<QPushButton>(&c.form, "Button_Mobilfunknummer_Hinzu")->click();
    c.form.AddEmpfaenger(kontakt(4, 1, "Ute", "", "4"));
    c.Text()->setPlainText(text);
    QStringList filled;
    for (int i = 0; i < 4; ++i)
        filled.append(c.form.ReplaceAutomatischeFelder(i));
    QCOMPARE(filled, expected);
    QCOMPARE(c.form.ReplaceAutomatischeFelder(4), text);   // out of range: as written
}

void TestSmsForm::checks_data()
{
    QTest::addColumn<bool>("recipients");
    QTest::addColumn<QString>("absender");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("message");   // the one box, "" for none
    QTest::addColumn<QString>("focus");

    const QString zuLang = QString::fromUtf8(
        "Der von Ihnen eingegebene Absender ist zu lang\n\rDer Absender darf numerisch (d.h. falls lediglich "
        "Zahlen vorkommen) maximal 16 Zeichen, andernfalls maximal 11 Zeichen lang sein.");
    const QString zeichen = QString::fromUtf8(
        "In dem von Ihnen gewählten Absender kommen problematische Zeichen vor.\n\rEinige Provider und/oder "
        "Mobiltelefone können nur einige wenige Zeichen im Absender verarbeiten.\n\rWir empfehlen daher "
        "lediglich die Zeichen '0-9', 'a-z', 'A-Z' und '.' zu verwenden.\n\rFalls Sie andere Zeichen verwenden, "
        "können Zustellungsprobleme auftreten und/oder der Absender wird auf einigen Endgeräten verfälscht "
        "dargestellt.\n\rMöchten Sie dennoch fortfahren?");
    const QString leer = QString::fromUtf8(
        "Sie haben für Ihre Nachricht keinen Absender eingegeben.\n\rMöchten Sie dennoch fortfahren? (beim "
        "Versand wird automatisch ein Standard-Absender zugewiesen)");
    QTest::newRow("no recipients") << false << "Shop" << "x" << true << false
                                   << QString::fromUtf8("Es wurden keine Empfänger für diese Nachricht angegeben.\n\r"
                                                        "Bitte wählen Sie mindestens einen Empfänger.")
                                   << "Empfaenger";
    QTest::newRow("16 digits") << true << "1234567890123456" << "x" << true << true << "" << "";
    QTest::newRow("17 digits stored") << true << "12345678901234567" << "x" << true << false << zuLang
                                                 << "Absender";
    QTest::newRow("8 letters and a dot") << true << "Abcdefgh." << "x" << true << true << "" << "";
    QTest::newRow("12 letters") << true << "Abcdefghijkl" << "x" << true << false << zuLang << "Absender";
    QTest::newRow("a blank, yes") << true << "Mein Shop1" << "x" << true << true << zeichen << "";
    QTest::newRow("a blank, no") << true << "Mein Shop1" << "x" << false << false << zeichen << "Absender";
    QTest::newRow("umlaut") << true << QString::fromUtf8("Grüße") << "x" << false << false << zeichen << "Absender";
    QTest::newRow("empty sender, yes") << true << "" << "x" << true << true << leer << "";
    QTest::newRow("empty sender, no") << true << "" << "x" << false << false << leer << "Absender";
    QTest::newRow("empty text") << true << "Shop" << "" << true << false
                                << "Bitte geben Sie einen Inhalt für die Nachricht ein." << "TextSMS_Sendetext";
}

void TestSmsForm::checks()
{
    QFETCH(bool, recipients);
    QFETCH(QString, absender);
    QFETCH(QString, text);
    QFETCH(bool, answer);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    Composer c;
    // The sender as stored: the edit's limit does not cut it, the checks judge it whole.
    c.host.Edit([&](TIniFileDaten& r) { r.StandardAbsender = absender; });
    c.Show();
    c.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&c.form));
    QCOMPARE(c.Absender()->text(), absender);
    c.messages.Clear();
    if (recipients)
        c.form.AddEmpfaenger(kontakt(1, 2, "A", "", "1"));
    c.Text()->setPlainText(text);
    c.messages.SetDefaultAnswer(answer);
    QTEST(c.form.CheckEingaben(), "ok");
    QCOMPARE(c.messages.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!focus.isEmpty())
        QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(), focus);
}

void TestSmsForm::fieldMarkerGoesBeforeTheSelection()
{
    Composer c;
    c.Text()->setPlainText("Hallo Welt");
    QTextCursor cursor = c.Text()->textCursor();
    cursor.setPosition(6);
    cursor.setPosition(10, QTextCursor::KeepAnchor);
    c.Text()->setTextCursor(cursor);
    FindChild<QComboBox>(&c.form, "TextSMS_AutomatischeFelder")->setCurrentIndex(4);
    FindChild<QPushButton>(&c.form, "Button_TextSMS_AutomatischesFeld_Insert")->click();
    QCOMPARE(c.Text()->toPlainText(), QString("Hallo <$*LIEBE*$>Welt"));
    QCOMPARE(c.Text()->textCursor().position(), 17);
    QVERIFY(!c.Link()->isHidden());   // the change ran
}

void TestSmsForm::enterKeys()
{
    Composer c;
    c.Show();
    c.Text()->setPlainText("ab");
    c.Text()->moveCursor(QTextCursor::End);
    QTest::keyClick(c.Text(), Qt::Key_Return);
    QTest::keyClick(c.Text(), Qt::Key_Enter);
    QTest::keyClick(c.Text(), Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(c.Text()->toPlainText(), QString("ab"));
    QVERIFY(c.form.isVisible());
    // Tab moves on instead of writing a tab character.
    c.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&c.form));
    c.Text()->setFocus();
    QTest::keyClick(c.Text(), Qt::Key_Tab);
    QCOMPARE(c.Text()->toPlainText(), QString("ab"));
    QVERIFY(!c.Text()->hasFocus());

    c.Nummer()->setText("12");
    c.messages.AnswerNext(true);
    QTest::keyClick(c.Nummer(), Qt::Key_Return);
    QCOMPARE(c.form.GetEmpfaenger().Count(), 1);
    QVERIFY(c.form.isVisible());

    // Escape closes the composer as its close box does: the result is not OK.
    c.form.setResult(QDialog::Accepted);
    QTest::keyClick(c.Text(), Qt::Key_Escape);
    QVERIFY(!c.form.isVisible());
    QCOMPARE(c.form.result(), int(QDialog::Rejected));
}

void TestSmsForm::typedNumbers()
{
    Composer c;
    // The main window holds the country prefixes.
    std::unique_ptr<THauptForm> frame{CreateHauptForm()};
    frame->show();
    QCoreApplication::processEvents();
    QVERIFY(DatenModul->LaenderVorwahlen().contains("49"));
    c.Show();
    c.messages.Clear();

    c.Nummer()->setText("");
    FindChild<QPushButton>(&c.form, "Button_Mobilfunknummer_Hinzu")->click();
    QCOMPARE(c.messages.Texts(), QStringList{QString::fromUtf8(
        "Bitte geben Sie eine Mobilfunknummer ein, die der Liste hinzugefügt werden soll.")});
    c.messages.Clear();

    c.Nummer()->setText("0171 1234567");
    QTest::keyClick(c.Nummer(), Qt::Key_Return);
    QCOMPARE(c.messages.Count(), 0);
    QCOMPARE(c.form.GetEmpfaenger().At(0).Mobil, QString("00491711234567"));
    QCOMPARE(c.Items(), QStringList{QString::fromUtf8("Unbenannt <00491711234567>, freie Empfängernummer-Eingabe")});
    QCOMPARE(c.Nummer()->text(), QString("0171 1234567"));   // the edit keeps its text

    const QString ungueltig = QString::fromUtf8(
        "Die von Ihnen eingegebene Mobilfunknummer scheint nicht gültig zu sein.\r\nMöchten Sie diese Nummer "
        "dennoch hinzufügen?");
    c.Nummer()->setText("12");
    c.messages.AnswerNext(false);
    QTest::keyClick(c.Nummer(), Qt::Key_Return);
    QCOMPARE(c.messages.Texts(), QStringList{ungueltig});
    QCOMPARE(c.form.GetEmpfaenger().Count(), 1);
    QCOMPARE(c.Nummer()->selectedText(), QString("12"));
    c.messages.Clear();
    QTest::keyClick(c.Nummer(), Qt::Key_Return);
    QCOMPARE(c.form.GetEmpfaenger().At(1).Mobil, QString("12"));
    c.messages.Clear();

    // A typed duplicate shows its own message only, and counts.
    c.Nummer()->setText("+49 171 1234567");
    QTest::keyClick(c.Nummer(), Qt::Key_Return);
    QCOMPARE(c.messages.Texts(), QStringList{QString::fromUtf8("Diese Nummer existiert bereits in der Empfängerliste.")});
    QCOMPARE(c.form.GetEmpfaenger().Count(), 2);
    QCOMPARE(c.form.GetEmpfaenger().AnzahlDoppelt(), 1);
    frame->close();
}

void TestSmsForm::listTexts()
{
    Composer c;
    c.db.Exec("INSERT INTO kontakte (id, vorname, nachname, mobil) VALUES (1, 'Anna', 'Muster', '0049171')");
    c.db.Exec("INSERT INTO kontakte (id, firma, mobil, mobil_lastsend) VALUES (2, 'Muster AG', '0049172', "
              "'2024-03-05 14:07:09')");
    c.form.AddEmpfaengerById(1);
    c.form.AddEmpfaengerById(2);
    c.form.RefreshEmpfaengerList();
    QCOMPARE(c.Items(), (QStringList{
        "Anna Muster <0049171>, dieser Kontakt wurde noch nie angeschrieben",
        "Firma Muster AG <0049172>, zuletzt angeschrieben am 05.03.2024 um 14:07:09"}));
    QCOMPARE(FindChild<QLabel>(&c.form, "Gesamtanzahl_Empfaenger")->text(), QString("2"));
}

void TestSmsForm::removal()
{
    Composer c;
    c.Show();
    for (int i = 1; i <= 4; ++i)
        c.form.AddEmpfaenger(kontakt(i, 2, QString("K%1").arg(i), "", QString::number(i)));
    c.form.RefreshEmpfaengerList();
    c.messages.Clear();

    c.List()->clearSelection();
    c.List()->setCurrentIndex(c.List()->model()->index(0, 0));
    c.List()->clearSelection();   // a current row is not a selection
    FindChild<QToolButton>(&c.form, "ToolButton_Empfaenger_Loeschen")->click();
    QCOMPARE(c.messages.Texts(), QStringList{QString::fromUtf8(
        "Bitte wählen Sie zunächst einen oder mehrere Empfänger aus der Liste, die Sie entfernen möchten.")});
    QCOMPARE(c.form.GetEmpfaenger().Count(), 4);
    c.messages.Clear();

    c.Select({1});
    c.messages.AnswerNext(false);
    QTest::keyClick(c.List(), Qt::Key_Delete);
    QCOMPARE(c.messages.Texts(), QStringList{QString::fromUtf8(
        "Sind Sie sicher, dass Sie den gewählten Empfänger entfernen möchten?")});
    QCOMPARE(c.form.GetEmpfaenger().Count(), 4);
    c.messages.Clear();

    c.Select({0, 3});
    c.form.DeleteSelectedEmpfaenger();
    QCOMPARE(c.messages.Texts(), QStringList{QString::fromUtf8(
        "Sind Sie sicher, dass Sie die gewählten Empfänger entfernen möchten?")});
    QCOMPARE(c.Items().size(), 2);
    QVERIFY(c.Items().first().startsWith("K2 <2>"));
    QVERIFY(c.Items().last().startsWith("K3 <3>"));

    c.Select({0, 1});
    c.form.DeleteSelectedEmpfaenger();
    QCOMPARE(c.Items().size(), 0);
    QCOMPARE(FindChild<QLabel>(&c.form, "Gesamtanzahl_Empfaenger")->text(), QString("0"));

    c.form.AddEmpfaenger(kontakt(9, 2, "Z", "", "9"));
    c.messages.Clear();
    c.form.alleentfernen1Click();
    QCOMPARE(c.messages.Texts(), QStringList{QString::fromUtf8(
        "Sind Sie sicher, dass Sie alle Empfänger aus der Liste entfernen möchten?")});
    QCOMPARE(c.form.GetEmpfaenger().Count(), 0);
}

void TestSmsForm::longListRows_data()
{
    QTest::addColumn<int>("anzahl");
    QTest::newRow("a few") << 5;
    QTest::newRow("more than a screen") << 3000;
}

// A long list in the list box: the rows the view shows at the end, the selection across a
// removal, and rows that change while the composer is open.
void TestSmsForm::longListRows()
{
    QFETCH(int, anzahl);
    Composer c;
    for (int i = 1; i <= anzahl; ++i) {
        TRecipient r = kontakt(i, 2, QString("K%1").arg(i), "", QString::number(i));
        r.LastSendIsNull = i % 2 == 1;
        r.LastSend = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
        c.form.AddEmpfaenger(r);
    }
    c.Show();
    const auto text = [&](int i) {
        return QString("K%1 <%1>, ").arg(i)
            + (i % 2 == 1 ? QString("dieser Kontakt wurde noch nie angeschrieben")
                          : QString("zuletzt angeschrieben am 05.03.2024 um 14:07:09"));
    };
    auto* label = FindChild<QLabel>(&c.form, "Gesamtanzahl_Empfaenger");
    QCOMPARE(label->text(), QString::number(anzahl));
    QCOMPARE(c.List()->model()->rowCount(), anzahl);

    // Scrolled to the end, the last row shown is the last entry.
    c.List()->scrollToBottom();
    QCoreApplication::processEvents();
    const QRect area = c.List()->viewport()->rect();
    QModelIndex last;
    for (int y = area.bottom(); y >= 0 && !last.isValid(); --y)
        last = c.List()->indexAt(QPoint(4, y));
    QCOMPARE(last.row(), anzahl - 1);
    QCOMPARE(last.data().toString(), text(anzahl));

    // Removing the first entry keeps the others selected, one row up.
    c.Select({2, anzahl - 1});
    c.form.DeleteEmpfaenger(0);
    QModelIndexList selected = c.List()->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end());
    QCOMPARE(selected.size(), 2);
    QCOMPARE(selected.at(0).row(), 1);
    QCOMPARE(selected.at(0).data().toString(), text(3));
    QCOMPARE(selected.at(1).row(), anzahl - 2);
    QCOMPARE(selected.at(1).data().toString(), text(anzahl));
    QCOMPARE(c.List()->model()->index(0, 0).data().toString(), text(2));
    QCOMPARE(c.List()->model()->rowCount(), anzahl - 1);

    // Emptied and filled anew while open: the rows show the new entries.
    c.messages.Clear();
    c.form.alleentfernen1Click();
    QCOMPARE(c.List()->model()->rowCount(), 0);
    QCOMPARE(label->text(), QString("0"));
    c.Nummer()->setText("0049171999");
    c.messages.AnswerNext(true);   // should the number be thought invalid
    FindChild<QPushButton>(&c.form, "Button_Mobilfunknummer_Hinzu")->click();
    QCOMPARE(c.Items(), QStringList{QString::fromUtf8("Unbenannt <0049171999>, freie Empfängernummer-Eingabe")});
    QCOMPARE(label->text(), QString("1"));
}

void TestSmsForm::templates()
{
    Composer c;
    c.db.Exec("INSERT INTO smsvorlagen (id, name, content) VALUES (1, 'Zeta', 'Z-Text')");
    c.db.Exec("INSERT INTO smsvorlagen (id, name, content) VALUES (2, 'Alpha', 'Zeile 1' || ASCII_CHAR(13) || "
              "ASCII_CHAR(10) || 'Zeile 2')");
    c.Show();
    auto* vorlagen = FindChild<QComboBox>(&c.form, "TextSMS_Vorlagen");
    auto* insert = FindChild<QPushButton>(&c.form, "Button_TextSMS_Vorlage_Insert");
    QCOMPARE(vorlagen->count(), 2);
    QCOMPARE(vorlagen->itemText(0), QString("Alpha"));
    QCOMPARE(vorlagen->currentIndex(), 0);
    QVERIFY(vorlagen->isEnabled() && insert->isEnabled());
    c.messages.Clear();

    insert->click();   // empty text: no question
    QCOMPARE(c.messages.Count(), 0);
    QCOMPARE(c.form.GetSendetext(), QString("Zeile 1\r\nZeile 2"));

    vorlagen->setCurrentIndex(1);
    c.messages.AnswerNext(false);
    insert->click();
    QCOMPARE(c.messages.Texts(), QStringList{QString::fromUtf8(
        "Sind Sie sicher, dass Sie den aktuellen Sendetext mit dem Text der Vorlage überschreiben möchten?")});
    QCOMPARE(c.form.GetSendetext(), QString("Zeile 1\r\nZeile 2"));
    insert->click();
    QCOMPARE(c.form.GetSendetext(), QString("Z-Text"));
}

void TestSmsForm::preview()
{
    Composer c;
    c.form.AddEmpfaenger(kontakt(1, 2, "Max", "", "1"));
    c.form.AddEmpfaenger(kontakt(2, 3, "Eva", "", "2"));
    c.Show();
    c.Text()->setPlainText("Hi <$*VORNAME*$>");
    c.List()->setCurrentIndex(c.List()->model()->index(0, 0));
    c.messages.Clear();
    c.Preview()->click();
    QCOMPARE(c.messages.Count(), 1);
    QVERIFY(c.messages.Texts().first().startsWith("Bei aktivierter Vorschaufunktion"));
    QVERIFY(c.Text()->isHidden() && !c.Vorschau()->isHidden());
    QCOMPARE(c.Vorschau()->toPlainText(), QString("Hi Max"));
    QVERIFY(!FindChild<QPushButton>(&c.form, "Button_TextSMS_AutomatischesFeld_Insert")->isEnabled());
    QVERIFY(!FindChild<QComboBox>(&c.form, "TextSMS_AutomatischeFelder")->isEnabled());

    // A keyboard move counts as a click on the list.
    c.List()->setFocus();
    QTest::keyClick(c.List(), Qt::Key_Down);
    QCOMPARE(c.Vorschau()->toPlainText(), QString("Hi Eva"));

    c.messages.Clear();
    QTest::keyClick(c.Vorschau(), Qt::Key_Left);   // no character: no message
    QCOMPARE(c.messages.Count(), 0);
    QTest::keyClick(c.Vorschau(), Qt::Key_A);
    QCOMPARE(c.messages.Texts(), QStringList{QString::fromUtf8(
        "Sie befinden sich derzeit in der Vorschaufunktion.\n\rUm Änderungen an dem Sendetext vorzunehmen, "
        "deaktivieren Sie bitte zunächst die Vorschaufunktion.")});
    // Tab leaves the preview without the message.
    c.messages.Clear();
    c.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&c.form));
    c.Vorschau()->setFocus();
    QTest::keyClick(c.Vorschau(), Qt::Key_Tab);
    QCOMPARE(c.messages.Count(), 0);
    QVERIFY(!c.Vorschau()->hasFocus());

    c.Preview()->click();
    QVERIFY(!c.Text()->isHidden() && c.Vorschau()->isHidden());
    QCOMPARE(c.form.GetSendetext(), QString("Hi <$*VORNAME*$>"));
}

void TestSmsForm::senderLimitHoldsForTypingOnly()
{
    Composer c;
    c.host.Edit([&](TIniFileDaten& r) { r.StandardAbsender = "12345678901234567"; });
    c.Show();
    QCOMPARE(c.Absender()->text(), QString("12345678901234567"));
    c.Absender()->setFocus();
    c.Absender()->end(false);
    QTest::keyClicks(c.Absender(), "8");
    QCOMPARE(c.Absender()->text(), QString("12345678901234567"));
    QTest::keyClick(c.Absender(), Qt::Key_Backspace);   // shortening is always possible
    QCOMPARE(c.Absender()->text(), QString("1234567890123456"));
    c.Absender()->setText("123456789012345");
    c.Absender()->end(false);
    QTest::keyClicks(c.Absender(), "678");
    QCOMPARE(c.Absender()->text(), QString("1234567890123456"));
    // A paste (here the context menu's) keeps what fits.
    c.Absender()->setText("1234567890");
    c.Absender()->setCursorPosition(4);
    QGuiApplication::clipboard()->setText("abcdefghij");
    c.Absender()->paste();
    QCOMPARE(c.Absender()->text(), QString("1234abcdef567890"));
}

void TestSmsForm::sendNowAsksWithTheRecipientCount()
{
    Composer c;
    c.form.AddEmpfaenger(kontakt(1, 2, "A", "", "1"));
    c.form.AddEmpfaenger(kontakt(2, 2, "B", "", "2"));
    c.Absender()->setText("Shop");
    c.Text()->setPlainText("x");
    c.messages.AnswerNext(false);
    FindChild<QToolButton>(&c.form, "ToolButton_Senden_Jetzt")->click();
    QCOMPARE(c.messages.Texts(), QStringList{"Sind Sie sicher, dass Sie 2 SMS versenden möchten?"});
    QVERIFY(c.form.result() != QDialog::Accepted);
    QVERIFY(!c.form.IsSending());
}

QTEST_MAIN(TestSmsForm)
#include "tst_smsform.moc"
