// Pictures of every page and dialog for review (not a test). Each picture is one run of the
// program as the tests build it (TestProgram: fresh database, fake gateway), offscreen on a
// screen of 1100x800, driven by object names; the picture is the screen composed from the
// windows' own grab(). Any widget the run needs that is missing ends it with an error.
// Usage: vornix2-screenshots OUTDIR [REGEX]   (REGEX: only the pictures whose name matches)
#include "FakeAccount.h"
#include "TestProgram.h"
#include "app/HauptForm.h"
#include "app/StartUp.h"
#include "platform/FileDialogs.h"
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <cstdlib>

namespace {
const QSize kScreen(1100, 800);
QString g_out;
QRegularExpression g_only;
QString g_work;   // the CSV file for the import lies here
THauptForm* g_frame = nullptr;
bool g_action = false;   // a picture of an action also gets its front window alone
QSet<QString> g_taken;
bool g_frameHidden = false;   // a dialog at start comes before the main window is drawn

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "screenshots: %s\n", qPrintable(what));
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(1);   // no exit handlers: the embedded engine's would run with the program half torn down
}

template <class T = QWidget>
T* need(QObject* parent, const char* name)
{
    T* w = parent ? parent->findChild<T*>(QLatin1String(name)) : nullptr;
    if (!w)
        fail(QString("widget %1 not found").arg(name));
    return w;
}

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// The screen as it stands: the main window, the dialogs over it (parents before children),
// the popups last.
QImage screen()
{
    QImage img(kScreen, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter painter(&img);
    QList<QWidget*> windows, popups;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w == g_frame)
            continue;
        (w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip ? popups : windows).append(w);
    }
    auto depth = [](QWidget* w) {
        int d = 0;
        for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
            ++d;
        return d;
    };
    std::stable_sort(windows.begin(), windows.end(), [&](QWidget* a, QWidget* b) { return depth(a) < depth(b); });
    // The dialog that has the input is in front of the others.
    if (QWidget* front = QApplication::activeModalWidget(); windows.removeOne(front))
        windows.append(front);
    if (g_frame && g_frame->isVisible() && !g_frameHidden)
        painter.drawPixmap(g_frame->pos(), g_frame->grab());
    for (QWidget* w : windows + popups)
        painter.drawPixmap(w->pos(), w->grab());
    return img;
}

void snap(const QString& name)
{
    settle();
    const QString file = g_out + "/" + name + ".png";
    if (!screen().save(file))
        fail("cannot write " + file);
    QWidget* front = QApplication::activeModalWidget();
    if (!front && g_action)
        front = g_frame;
    if (front) {
        QDir().mkpath(g_out + "/fenster");
        front->grab().save(g_out + "/fenster/" + name + ".png");
    }
    g_taken.insert(name);
    std::printf("%s\n", qPrintable(file));
}

// Acts on the next modal dialog; true in the flag once it has.
std::shared_ptr<bool> watch(std::function<void(QWidget*)> action)
{
    auto ran = std::make_shared<bool>(false);
    OnNextModal([action, ran](QWidget* w) {
        *ran = true;
        settle();
        action(w);
    }, 10000, false);
    return ran;
}
void expect(const std::shared_ptr<bool>& ran)
{
    if (!*ran)
        fail("an expected dialog did not appear");
}
// Acts on the modal dialog that `opens` shows (by exec(), so it has run when `opens` returns).
void modal(std::function<void(QWidget*)> action, const std::function<void()>& opens)
{
    const auto ran = watch(std::move(action));
    opens();
    expect(ran);
}
void close(QWidget* dialog)
{
    if (auto* d = qobject_cast<QDialog*>(dialog))
        d->reject();
    else
        dialog->close();
}
void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

// The row of a view whose text in some column is `text` (a group may follow it with its count).
QModelIndex rowWith(QAbstractItemView* view, const QString& text)
{
    QAbstractItemModel* m = view->model();
    for (int r = 0; r < m->rowCount(); ++r)
        for (int c = 0; c < m->columnCount(); ++c)
            if (const QString t = m->index(r, c).data().toString(); t == text || t.startsWith(text + " ("))
                return m->index(r, c);
    QStringList rows;
    for (int r = 0; r < m->rowCount(); ++r)
        rows << m->index(r, 0).data().toString();
    fail(QString("no row \"%1\" in %2 (%3)").arg(text, view->objectName(), rows.join(" | ")));
}
void clickRow(QAbstractItemView* view, const QString& text, bool twice)
{
    const QModelIndex i = rowWith(view, text);
    view->scrollTo(i);
    const QPoint at = view->visualRect(i).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}
void contextMenu(QAbstractItemView* view, const QString& text)
{
    clickRow(view, text, false);
    const QPoint at = view->visualRect(rowWith(view, text)).center();
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view->viewport(), &e);
}
void showTab(QWidget* dialog, const char* page)
{
    QWidget* p = need(dialog, page);
    for (QWidget* w = p->parentWidget(); w; w = w->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            tabs->setCurrentWidget(p);
            return;
        }
    fail(QString("%1 is no tab").arg(page));
}
// Typed key by key; QTest's own key clicks take ASCII only.
void keys(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(w, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}
void type(QWidget* w, const QString& text)
{
    w->setFocus();
    keys(w, text);
}

// The desktop platform shows icons on dialog buttons (Ja, Nein, OK); the offscreen one does not.
class DesktopButtons : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override
    {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// ---- the data of every run ----

const char* const kData[] = {
    "INSERT INTO kategorien (id, name) VALUES (1, 'Kunden')",
    "INSERT INTO kategorien (id, name) VALUES (2, 'Lieferanten')",
    "INSERT INTO kategorien (id, name) VALUES (3, 'Mitarbeiter')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email, geburtsdatum, p_ort) "
    "VALUES (1, 2, 'Max', 'Mustermann', 'Muster GmbH', '00491701234567', 'max@muster.example', '1980-05-17', 'Berlin')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email, geburtsdatum, p_ort) "
    "VALUES (2, 3, 'Erika', 'Musterfrau', '', '00491727654321', 'erika@example.org', '1975-11-02', 'Hamburg')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email, p_ort) "
    "VALUES (3, 1, '', '', 'Beispiel AG', '0043664123456', 'info@beispiel.example', 'Wien')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email) "
    "VALUES (4, 2, 'Jürgen', 'Weiß', 'Straßenbau Weiß', '00491609988776', '')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email) "
    "VALUES (5, 2, 'Paul', 'Becker', '', '00491715550105', '')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email) "
    "VALUES (6, 3, 'Laura', 'Fischer', '', '00491715550106', '')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email) "
    "VALUES (7, 2, 'Jonas', 'Hoffmann', '', '00491715550107', '')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email) "
    "VALUES (8, 3, 'Mia', 'Klein', '', '00491715550108', '')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email) "
    "VALUES (9, 2, 'Felix', 'Neumann', '', '00491715550109', '')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email) "
    "VALUES (10, 3, 'Lea', 'Richter', '', '00491715550110', '')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email) "
    "VALUES (11, 2, 'Tim', 'Schulz', '', '00491715550111', '')",
    "INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, mobil, email) "
    "VALUES (12, 3, 'Sara', 'Wagner', '', '00491715550112', '')",
    "INSERT INTO smsvorlagen (id, typ, content, name) VALUES (1, 0, "
    "'Liebe/r <$*VORNAME*$>, Ihr Termin morgen um 10 Uhr ist bestätigt.', 'Terminbestätigung')",
    "INSERT INTO smsvorlagen (id, typ, content, name) VALUES (2, 0, 'Herzlichen Glückwunsch zum Geburtstag!', 'Geburtstag')",
    "ALTER SEQUENCE GEN_SMSVORLAGEN_ID RESTART WITH 10",
    "INSERT INTO katzuord (kontakt, kategorie) VALUES (1, 1)",
    "INSERT INTO katzuord (kontakt, kategorie) VALUES (2, 1)",
    "INSERT INTO katzuord (kontakt, kategorie) VALUES (3, 2)",
    "INSERT INTO protokoll (kontaktid, istzeitpunkt, dnr, content, typ, statusid) VALUES (1, '2026-03-01 10:15:00', "
    "'00491701234567', 'Ihr Termin morgen um 10 Uhr ist bestätigt.', 'Tx', 1)",
    "INSERT INTO protokoll (kontaktid, istzeitpunkt, dnr, content, typ, statusid) VALUES (2, '2026-03-02 08:00:00', "
    "'00491727654321', 'Herzlichen Glückwunsch zum Geburtstag!', 'Fs', 2)",
    "ALTER SEQUENCE GEN_KONTAKTE_ID RESTART WITH 20",
    "ALTER SEQUENCE GEN_KATEGORIEN_ID RESTART WITH 10",
};

// The fake gateway's login (demo/demo, the password scrambled as the file holds it), user
// data, account status and news as a former fetch left them.
const char* const kFilled = R"([SMS]
Login_Speichern=1
Login_Username=demo
Login_Passwort=Pk+A
Use_Https=0
[Benutzerdaten]
Anrede=Herr
Firma=Muster GmbH
Vorname=Max
Nachname=Mustermann
Strasse=Hauptstraße 1
PLZ=10115
Ort=Berlin
Land=Deutschland
Email=max@muster.example
Telefon=030 1234567
Telefax=030 1234568
Mobil=0170 1234567
ZahlArt=Lastschrift
Kreditinstitut=Musterbank
Kontoinhaber=Max Mustermann
Kontonummer=1234567890
Bankleitzahl=10020030
Stand=06.03.2026 07:08:09
[Accountstatus]
AccountName=Muster GmbH
AccountType=1
Kontingent=1250
AnzTodo=3
AnzProtokoll=42
Stand=05.03.2026 14:15:16
[News]
Index=4
Headline=Neue Preise ab April
Content=Ab dem 1. April sinken die Preise für SMS ins europäische Ausland. Details finden Sie im Mitgliederbereich.
ShowUntil=31.12.2099
)";
const QString kStart[] = {"[Allgemein]\nStartOrdner=0\n", "[Allgemein]\nStartOrdner=1\n", "[Allgemein]\nStartOrdner=2\n"};
QString filled(int start = -1) { return QString::fromUtf8(kFilled) + (start >= 0 ? kStart[start] : QString()); }

// One run of the program, one picture (and those its action takes on the way).
// `atStart`: a dialog the program opens as it starts, acted on instead of an action.
void shot(const QString& name, const QString& settings, const std::function<void()>& action = {},
          const std::function<void(QWidget*)>& atStart = {})
{
    if (g_only.isValid() && !g_only.pattern().isEmpty() && !g_only.match(name).hasMatch())
        return;
    TestProgram p;
    for (const char* sql : kData)
        p.db.Exec(QString::fromUtf8(sql));
    QFile ini(p.ini);
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate) || ini.write(settings.toUtf8()) < 0)
        fail("cannot write " + p.ini);
    ini.close();
    FakeAccount account;
    account.Install(p.gw);
    OpenedUrls urls(false);
    g_frame = p.Frame();
    g_action = bool(action) || bool(atStart);
    if (atStart) {
        modal([&](QWidget* w) {
            atStart(w);
            g_frameHidden = true;
            snap(name);
            g_frameHidden = false;
            close(w);
        }, [&] { p.Start(); });
    } else {
        p.Start();
        settle();
        if (action)
            action();
        else
            snap(name);
    }
    if (!g_taken.contains(name))
        fail("the picture " + name + " was not taken");
    // The picture of the action's own dialog was taken inside it; close what remains.
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    settle();
    g_frame = nullptr;
}

// An action whose dialog comes from a menu item: `inside` acts in it and takes the picture.
std::function<void()> menuDialog(const char* item, const QString& name, std::function<void(QWidget*)> inside = {})
{
    return [=] {
        modal([=](QWidget* w) {
            if (inside)
                inside(w);
            if (!g_taken.contains(name))
                snap(name);
            close(w);
        }, [=] { need<QAction>(g_frame, item)->trigger(); });
    };
}
void startDialog(QWidget*) {}

// The composer for the group "Kunden" (its two contacts), one typed number and a text with the
// automatic field <VORNAME>; `then` goes on inside it.
void smsForm(std::function<void(QWidget*)> then)
{
    modal([then](QWidget* f) {
        type(need(f, "Mobilfunknummer"), "0171 5550123");
        click(need(f, "Button_Mobilfunknummer_Hinzu"));
        auto* text = need<QPlainTextEdit>(f, "TextSMS_Sendetext");
        type(text, "Hallo ");
        click(need(f, "Button_TextSMS_AutomatischesFeld_Insert"));
        type(text, QString::fromUtf8(", Ihr Termin morgen um 10 Uhr ist bestätigt."));
        then(f);
    }, [] { clickRow(need<QAbstractItemView>(g_frame, "ListBox_Sms_Kontaktgruppen"), "Kunden", true); });
}

// The contact editor's four tabs one after the other, the last one as the action's picture.
void kontaktTabs(QWidget* f, const QString& prefix)
{
    snap(prefix + "-1-allgemein");
    showTab(f, "TabSheet_Privat");
    snap(prefix + "-2-privat");
    showTab(f, "TabSheet_Geschaeftlich");
    snap(prefix + "-3-geschaeftlich");
    showTab(f, "TabSheet_Kategorien");
    snap(prefix + "-4-kategorien");
    close(f);
}
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [REGEX]\n", argv[0]);
        return 2;
    }
    // A screen of the size the pictures have always had; windows without frames, as on X11
    // without a window manager.
    QTemporaryDir work;
    const QString screenFile = work.filePath("screen.json");
    {
        QFile f(screenFile);
        f.open(QIODevice::WriteOnly);
        f.write(QString(R"({"windowFrameMargins":false,"screens":[{"name":"Bildschirm","x":0,"y":0,"width":%1,"height":%2,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})")
                    .arg(kScreen.width()).arg(kScreen.height()).toUtf8());
    }
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screenFile).toLocal8Bit());
    qputenv("QT_QPA_PLATFORMTHEME", "");
    qputenv("VORNIX2_WEB_HOST", "127.0.0.1:9");
    QApplication app(argc, argv);
    InstallGermanTranslation(app);
    QApplication::setStyle(new DesktopButtons(QApplication::style()->name()));
    // As the program's own start sets them up.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPixelSize(11);
    QApplication::setFont(designFont);
    app.setApplicationName(QStringLiteral("Vornix2"));
    g_out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(g_out);
    if (argc > 2)
        g_only = QRegularExpression(QString::fromLocal8Bit(argv[2]));
    g_work = work.path();
    if (app.primaryScreen()->size() != kScreen)
        fail("the offscreen screen is not 1100x800");

    // A file for the import wizard: most columns named as the export names them, one of its own.
    const QString csv = work.filePath("Kontakte.csv");
    {
        QFile f(csv);
        f.open(QIODevice::WriteOnly);
        f.write("Geschlecht;Vorname;Nachname;Firma;Mobil;Email;P_Ort;Notiz\r\n"
                "2;Anna;Schmidt;;0171 5550101;anna@example.org;Bonn;VIP\r\n");
    }

    shot("home", filled(0));
    shot("home-fetched", "[Allgemein]\nStartOrdner=0\n[SMS]\nLogin_Speichern=1\nLogin_Username=demo\n"
                         "Login_Passwort=Pk+A\nUse_Https=0\n[Accountstatus]\nAutoAktualisierung=1\n");
    shot("home-empty", "[Allgemein]\nStartOrdner=0\n[SMS]\nUse_Https=0\n");
    shot("kontakte", filled(1));
    shot("sms", filled(2));
    shot("menu-help", filled(), [] {
        auto* bar = need<QMenuBar>(g_frame, "MainMenu1");
        bar->setActiveAction(need<QMenu>(g_frame, "N1")->menuAction());
        if (!need<QMenu>(g_frame, "N1")->isVisible())
            fail("the help menu did not open");
        snap("menu-help");
    });
    shot("update-notice", filled() + "[VersionInfo]\nMajor=2\nMinor=2\nRelease=0\n", {}, startDialog);
    shot("login", "[Accountstatus]\nAutoAktualisierung=1\n[SMS]\nUse_Https=0\n", {}, startDialog);
    shot("about", filled(), menuDialog("Info1", "about"));
    shot("prepaid-question", filled(), [] {
        Msg::SetResponder({});   // the real question box
        menuDialog("Vornix2PrepaidKontingentaufladen1", "prepaid-question")();
    });
    shot("update-check", filled(), menuDialog("NachAktualisierungensuchen1", "update-check"));
    shot("settings", filled(), menuDialog("Optionen1", "settings"));
    shot("export-kontakte", filled(), menuDialog("Kontakte2", "export-kontakte"));
    shot("export-sms", filled(), menuDialog("SMSProtokollalsCSVDatei1", "export-sms"));
    shot("import-outlook", filled(), menuDialog("KontakteausOutlook1", "import-outlook"));
    shot("import-kompakt", filled(), menuDialog("ImportausVornixKompakt1", "import-kompakt"));
    shot("import-zenit", filled(), menuDialog("ImportausVornixZenit1", "import-zenit"));
    shot("import-csv-2", filled(), menuDialog("Kontakte1", "import-csv-2", [csv](QWidget* w) {
        // The real file dialog once, in the folder of the file: its columns speak German.
        modal([](QWidget* d) {
            auto* dialog = qobject_cast<QFileDialog*>(d);
            if (!dialog)
                fail("the file choice is no file dialog");
            dialog->setDirectory(g_work);
            auto* view = need<QAbstractItemView>(dialog, "treeView");
            QDeadlineTimer deadline(10000);
            while (view->model()->rowCount(view->rootIndex()) == 0 && !deadline.hasExpired())
                QTest::qWait(20);
            if (view->model()->rowCount(view->rootIndex()) == 0)
                fail("the file dialog lists no file");
            snap("import-csv-dateidialog");
            close(dialog);
        }, [w] { click(need(w, "Btn_Dateiname")); });
        FileDialogs::SetResponder([csv](const FileDialogs::Request&) { return csv; });
        click(need(w, "Btn_Dateiname"));
        FileDialogs::SetResponder({});
        snap("import-csv-1");
        click(need(w, "Btn_Step1_Weiter"));
    }));
    shot("kontakt-existing-4-kategorien", filled(1), [] {
        modal([](QWidget* f) { kontaktTabs(f, "kontakt-existing"); },
              [] { clickRow(need<QAbstractItemView>(g_frame, "Grid_Kontakte"), "Mustermann, Max", true); });
    });
    shot("kontakt-new-4-kategorien", filled(1), [] {
        modal([](QWidget* f) { kontaktTabs(f, "kontakt-new"); }, [] { click(need(g_frame, "ToolButton_Kontakt_Neu")); });
    });
    shot("gruppe-new", filled(1), [] {
        modal([](QWidget* f) { snap("gruppe-new"); close(f); },
              [] { click(need(g_frame, "ToolButton_Kontaktgruppe_Neu")); });
    });
    shot("gruppe-existing", filled(1), [] {
        modal([](QWidget* f) { snap("gruppe-existing"); close(f); },
              [] { clickRow(need<QAbstractItemView>(g_frame, "ListBox_Kontaktgruppen"), "Kunden", true); });
    });
    shot("kontakte-popup", filled(1), [] {
        contextMenu(need<QAbstractItemView>(g_frame, "Grid_Kontakte"), "Mustermann, Max");
        if (!need<QMenu>(g_frame, "PopupMenu_Kontakte")->isVisible())
            fail("the contacts' popup menu did not open");
        snap("kontakte-popup");
    });
    shot("sms-form", filled(2), [] { smsForm([](QWidget* f) { snap("sms-form"); close(f); }); });
    shot("sms-status", filled(2), [] {
        // The status dialog follows the composer, which closes once the question is answered.
        std::shared_ptr<bool> status;
        smsForm([&status](QWidget* f) {
            snap("sms-form-before-send");
            status = watch([](QWidget* s) { snap("sms-status"); close(s); });
            click(need(f, "ToolButton_Senden_Jetzt"));
        });
        expect(status);
    });
    shot("vorlagen-edit", filled(), menuDialog("SMSVorlagen1", "vorlagen-edit", [](QWidget* v) {
        auto* list = need<QAbstractItemView>(v, "ListBox_SmsVorlagen");
        clickRow(list, QString::fromUtf8("Terminbestätigung"), false);
        snap("vorlagen");
        modal([](QWidget* e) { snap("vorlagen-edit"); close(e); },
              [list] { clickRow(list, QString::fromUtf8("Terminbestätigung"), true); });
    }));
    shot("userdaten-passwort", filled(), menuDialog("Benutzerdatenndern1", "userdaten-passwort", [](QWidget* u) {
        snap("userdaten");
        need<QAbstractButton>(u, "CheckBox_Passwort")->click();
        type(need(u, "Passwort"), "neues1");
        type(need(u, "PasswortKontrolle"), "neues1");
    }));
    shot("picker-geburtstag", filled(2), [] {
        smsForm([](QWidget* f) {
            modal([](QWidget* pk) {
                clickRow(need<QAbstractItemView>(pk, "ListBox_Kontaktgruppen"), "[alle Kontakte]", false);
                click(need(pk, "Button_An_Kontaktgruppen"));
                snap("picker-kontakte");
                showTab(pk, "TabSheet_Geburtstag");
                auto* von = need<QLineEdit>(pk, "Geburtstag_Von");
                von->selectAll();
                type(von, "01.01.");
                auto* bis = need<QLineEdit>(pk, "Geburtstag_Bis");
                bis->selectAll();
                type(bis, "31.12.");
                click(need(pk, "Button_Geburtstag_Suchen"));
                snap("picker-geburtstag");
                close(pk);
            }, [f] { click(need(f, "SpeedButton_Empfaenger_Waehlen")); });
            close(f);
        });
    });
    shot("sms-zeitgesteuert", filled(2), [] {
        smsForm([](QWidget* f) {
            modal([](QWidget* z) {
                click(need(z, "DatumPicker"));
                if (!need(z, "DatumPicker_Popup")->isVisible())
                    fail("the calendar did not drop down");
                snap("sms-zeitgesteuert-kalender");
                need(z, "DatumPicker_Popup")->hide();
                snap("sms-zeitgesteuert");
                close(z);
            }, [f] { click(need(f, "ToolButton_Senden_Zeitgesteuert")); });
            close(f);
        });
    });
    shot("settings-sms", filled(), menuDialog("Optionen1", "settings-sms", [](QWidget* s) { showTab(s, "TabSheet_Sms"); }));
    shot("kontakt-geburtsdatum", filled(1), [] {
        modal([](QWidget* f) {
            click(need(f, "DateTimePicker_Geburtsdatum"));
            if (!need(f, "Calendar_Geburtsdatum")->isVisible())
                fail("the birth-date calendar did not drop down");
            snap("kontakt-geburtsdatum");
            need(f, "Calendar_Geburtsdatum")->hide();
            close(f);
        }, [] { clickRow(need<QAbstractItemView>(g_frame, "Grid_Kontakte"), "Mustermann, Max", true); });
    });
    shot("relvine-step2", filled(), menuDialog("KontakteausRelvine1", "relvine-step2", [](QWidget* r) {
        snap("relvine-step1");
        click(need(r, "Btn_Step1_Weiter"));
    }));
    return 0;
}
