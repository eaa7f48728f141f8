#include "app/StartUp.h"
#include "foundation/AboutForm.h"
#include "foundation/DatenModul.h"
#include "foundation/EinstellungenForm.h"
#include "foundation/Messages.h"
#include "foundation/ProgramDir.h"
#include "foundation/Settings.h"
#include "foundation/SplashScreenForm.h"
#include "gateway/GatewaySession.h"
#include "gateway/LoginForm.h"
#include "gateway/UpdateForm.h"
#include "app/HauptForm.h"
#include "contacts/KontaktForm.h"
#include "contacts/KontaktgruppenForm.h"
#include "sms/SmsForm.h"
#include "sms/SmsVersandStatusForm.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include <QApplication>
#include <QDialog>
#include <QFont>
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

QString HelpFile() { return ProgramFile(QStringLiteral("help/index.html")); }

THauptForm* CreateHauptForm()
{
    auto* settings = new Settings;
    auto* session = new GatewaySession(*settings);
    auto* frame = new THauptForm(*settings, *session);
    // The frame owns the services of the run; nothing uses them once it is destroyed.
    settings->setParent(frame);
    session->setParent(frame);
    return frame;
}

bool CreateForms()
{
    THauptForm* frame = CreateHauptForm();
    new TDatenModul;
    if (!DatenModul->DataModuleCreate())
        return false;
    GatewaySession& session = frame->Session();
    // Dialogs, each once, in this order; they live until the program ends.
    new TKontaktForm(frame);
    new TKontaktgruppenForm(frame);
    new TSmsForm(session, frame);
    new TSmsVersandStatusForm(frame);
    frame->SetEinstellungenForm(new TEinstellungenForm(frame));
    frame->SetAboutForm(new TAboutForm(frame));
    session.SetLoginDialog(new TLoginForm(frame));
    frame->SetUpdateForm(new TUpdateForm(frame->GetSettings(), frame));
    return true;
}

void DestroyForms()
{
    delete HauptForm;   // owns the dialogs and the services
    if (DatenModul) {
        DatenModul->DataModuleDestroy();
        delete DatenModul;
    }
}

// A termination signal closes the program like its main window's close box: open dialogs are
// cancelled first; a long operation (hourglass) is let finish.
static void CloseOnSignal()
{
    if (QApplication::overrideCursor()) {
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
    if (HauptForm)
        HauptForm->close();
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
    try {
        created = createForms();
    } catch (const TextError& e) {
        splash->hide();
        Msg::Error(e.Text());
    } catch (const std::exception& e) {
        splash->hide();
        Msg::Error(QString::fromStdString(e.what()));
    } catch (...) {
        splash->hide();
        Msg::Error(QStringLiteral("Es ist ein unbekannter Fehler aufgetreten."));
    }
    // Released by the message loop once it runs, as a posted deletion (also after a failure).
    splash->deleteLater();

    int rc = 1;
    if (created) {
        TerminationSignals terminationSignals(CloseOnSignal);
        HauptForm->show();
        rc = app.exec();
    } else {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    DestroyForms();
    guard.Release();
    return rc;
}
