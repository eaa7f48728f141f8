#include "app/StartUp.h"
#include "foundation/AboutForm.h"
#include "exchange/KontakteExportCsvForm.h"
#include "exchange/KontakteImportRelvineForm.h"
#include "exchange/KontakteImportCsvForm.h"
#include "exchange/SmsExportCsvForm.h"
#include "exchange/ImportDatenKompaktForm.h"
#include "exchange/ImportDatenZenitForm.h"
#include "exchange/KontakteImportOutlookForm.h"
#include "platform/AltDatenbank.h"
#include "platform/OutlookKontakte.h"
#include "foundation/DatenModul.h"
#include "foundation/EinstellungenForm.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include "foundation/ProgramDir.h"
#include "foundation/Settings.h"
#include "foundation/SplashScreenForm.h"
#include "gateway/HomePage.h"
#include "contacts/KontaktDaten.h"
#include "contacts/KontaktePage.h"
#include "sms/SmsPage.h"
#include "gateway/GatewaySession.h"
#include "gateway/LoginForm.h"
#include "gateway/UpdateForm.h"
#include "gateway/UserdatenForm.h"
#include "app/HauptForm.h"
#include "contacts/KontaktForm.h"
#include "contacts/KontaktgruppenForm.h"
#include "sms/SmsForm.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/SmsVersandStatusForm.h"
#include "sms/SmsVersandZeitgesteuertForm.h"
#include "sms/SmsVorlagenEditForm.h"
#include "sms/SmsVorlagenForm.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QThread>
#include <QTimer>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void InstallGermanTranslation(QApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);
    else
        delete translator;
}

THauptForm* MainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* frame = qobject_cast<THauptForm*>(w))
            return frame;
    return nullptr;
}

THauptForm* CreateHauptForm()
{
    auto* settings = new Settings;
    auto* session = new GatewaySession(*settings);
    auto* frame = new THauptForm(*settings, *session);
    // The frame owns the services of the run; nothing uses them once it is destroyed.
    settings->setParent(frame);
    session->setParent(frame);
    // Dialogs, each once, in this order; they live until the program ends.
    auto* kontaktForm = new TKontaktForm(frame);
    auto* gruppenForm = new TKontaktgruppenForm(frame);
    auto* statusForm = new TSmsVersandStatusForm(frame);
    auto* empfaengerForm = new TEmpfaengerAuswaehlenForm(frame);
    auto* zeitgesteuertForm = new TSmsVersandZeitgesteuertForm(frame);
    auto* smsForm = new TSmsForm(*session, statusForm, *empfaengerForm, *zeitgesteuertForm, frame);
    auto* einstellungenForm = new TEinstellungenForm(frame);
    auto* aboutForm = new TAboutForm(frame);
    auto* kontakteExportForm = new TKontakteExportCsvForm(frame);
    auto* smsExportForm = new TSmsExportCsvForm(frame);
    auto* kontakteImportCsvForm = new TKontakteImportCsvForm(kontakteExportForm->GetSpalten(), frame);
    session->SetLoginDialog(new TLoginForm(frame));
    auto* updateForm = new TUpdateForm(*settings, frame);
    auto* userdatenForm = new TUserdatenForm(*settings, *session, frame);
    auto* smsVorlagenForm = new TSmsVorlagenForm(new TSmsVorlagenEditForm(frame), frame);
    auto* relvineForm = new TKontakteImportRelvineForm(*settings, *session, frame);
    QObject::connect(relvineForm, &TKontakteImportRelvineForm::mitgliederbereichClicked, frame,
                     &THauptForm::Vornix2Mitgliederbereich1Click);
    const QString aliasDatei = ProgramFile(QString::fromLatin1(AltDatenbankNamen::kAliasDatei));
    auto* outlookForm = new TKontakteImportOutlookForm(OutlookDatendateiOeffnen, frame);
    auto* kompaktForm = new TImportDatenKompaktForm(aliasDatei, frame);
    auto* zenitForm = new TImportDatenZenitForm(aliasDatei, frame);
    frame->SetDialogs(TFrameDialogs{
        .Update = *updateForm,
        .Einstellungen = *einstellungenForm,
        .About = *aboutForm,
        .KontakteExport = *kontakteExportForm,
        .SmsExport = *smsExportForm,
        .KontakteImportCsv = *kontakteImportCsvForm,
        .SmsVorlagen = *smsVorlagenForm,
        .KontakteImportRelvine = *relvineForm,
        .OutlookImport = *outlookForm,
        .KompaktImport = *kompaktForm,
        .ZenitImport = *zenitForm,
    });
    const TKontaktDialoge kontaktDialoge{kontaktForm, gruppenForm};
    auto* homePage = new THomePage(*session, *userdatenForm);
    frame->SetPages(homePage, new TKontaktePage(kontaktDialoge),
                    new TSmsPage(*session, TSmsDialoge{smsForm, statusForm, kontaktForm, gruppenForm}));
    return frame;
}

bool CreateForms()
{
    // The data module first: without the database the program ends before any window exists.
    new TDatenModul;
    if (!DatenModul->DataModuleCreate())
        return false;
    TKontaktDaten::SichereListenIndizes();   // a database made before the lists' indexes
    TKontaktDaten::SichereKontaktAnzahlen(); // and before the kept group counts
    CreateHauptForm();
    return true;
}

void DestroyForms()
{
    delete MainWindow();   // owns the dialogs and the services
    if (DatenModul) {
        DatenModul->DataModuleDestroy();
        delete DatenModul;
    }
}

// A termination signal closes the program like its main window's close box: open dialogs are
// cancelled first; a long operation (hourglass) is let finish.
static void CloseOnSignal()
{
    // Before the message loop runs (the first show fetches the account status), a close would
    // hide the window without ever quitting the loop that starts after it.
    if (QApplication::overrideCursor() || QThread::currentThread()->loopLevel() == 0) {
        QTimer::singleShot(200, CloseOnSignal);
        return;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || !w->isModal())
            continue;
        if (auto* dialog = qobject_cast<QDialog*>(w))
            dialog->reject();
        else
            w->close();
    }
    if (THauptForm* frame = MainWindow())
        frame->close();
}

int ProgramMain(QApplication& app, const std::function<bool()>& createForms)
{
    // Qt's own calendar and file dialogs speak German whatever the environment's locale is.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    InstallGermanTranslation(app);
    // The forms are laid out for Arial 8; every window, dialog and message box gets it, not only
    // the main window (fontconfig maps Arial to a font of its metrics where one is installed).
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPixelSize(11);
    QApplication::setFont(designFont);
    app.setApplicationName(QStringLiteral("Vornix2"));

    SingleInstance guard{QString::fromLatin1(kSingleInstanceName)};
    if (!guard.Acquire()) {
        Msg::Information(QString::fromUtf8(kSingleInstanceMessage));
        return 0;
    }

    auto* splash = new TSplashScreenForm;
    bool created = false;
    splash->show();
    splash->raise();
    splash->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    Guard([&] {
        try {
            created = createForms();
        } catch (...) {
            // The failure's box is not hidden behind the splash screen.
            splash->hide();
            throw;
        }
    });
    // Released by the message loop once it runs, as a posted deletion (also after a failure).
    splash->deleteLater();

    int rc = 1;
    if (created) {
        TerminationSignals terminationSignals(CloseOnSignal);
        MainWindow()->show();
        rc = app.exec();
    } else {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    DestroyForms();
    guard.Release();
    return rc;
}
