#include "foundation/Global.h"
#include "platform/ShellOpen.h"
#include <QUrl>

// Provisional; the full helpers replace this file.
void OpenUrl(const QString& url, QWidget*)
{
    ShellOpen::Open(QUrl(url));
}

void OpenMail(const QString& address, QWidget*)
{
    ShellOpen::Open(QUrl(QStringLiteral("mailto:") + address));
}
