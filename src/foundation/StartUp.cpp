#include "foundation/StartUp.h"
#include "foundation/AboutForm.h"
#include "foundation/DatenModul.h"
#include "foundation/EinstellungenForm.h"
#include "foundation/Messages.h"
#include "foundation/ProgramDir.h"
#include "foundation/SplashScreenForm.h"
#include "gateway/LoginForm.h"
#include "gateway/UpdateForm.h"
#include "mainwindow/HauptForm.h"
#include "sms/SmsForm.h"
#include "sms/SmsVersandStatusForm.h"
#include "platform/SingleInstance.h"
#include <QApplication>
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

QString HelpFile() { return ProgramFile(QStringLiteral("Vornix2.chm")); }

bool CreateForms()
{
    new THauptForm;
    new TDatenModul;
    if (!DatenModul->DataModuleCreate())
        return false;
    // Dialogs, each once; they live until the program ends.
    new TSmsForm(HauptForm);
    new TSmsVersandStatusForm(HauptForm);
    new TEinstellungenForm(HauptForm);
    new TAboutForm(HauptForm);
    LoginForm = new TLoginForm(HauptForm);
    new TUpdateForm(HauptForm);
    return true;
}

void DestroyForms()
{
    delete HauptForm;   // owns the dialogs
    if (DatenModul) {
        DatenModul->DataModuleDestroy();
        delete DatenModul;
    }
}

int ProgramMain(QApplication& app)
{
    InstallGermanTranslation(app);
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
    app.setApplicationDisplayName(QStringLiteral("Vornix2"));
    splash->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    created = CreateForms();
    // Released by the message loop once it runs, as a posted deletion.
    splash->deleteLater();

    int rc = 1;
    if (created) {
        HauptForm->show();
        rc = app.exec();
    } else {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    DestroyForms();
    guard.Release();
    return rc;
}
