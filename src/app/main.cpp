#include "app/StartUp.h"
#include <QApplication>

int main(int argc, char** argv)
{
#ifdef Q_OS_LINUX
    // With TZ unset glibc checks /etc/localtime again at every local-time conversion; named once,
    // the zone is read once. An empty TZ means UTC and is left alone.
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
#endif
    QApplication app(argc, argv);
    return ProgramMain(app);
}
