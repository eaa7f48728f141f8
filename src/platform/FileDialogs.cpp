#include "platform/FileDialogs.h"
#include <QDir>
#include <QFileInfo>

namespace FileDialogs {
namespace {
Responder& responder()
{
    static Responder r;
    return r;
}

QString& lastFolder()
{
    static QString folder;
    return folder;
}

// A bare or relative name starts in the folder last used, else in the home folder, never in
// the working directory.
QString startPath(const QString& directory)
{
    if (QFileInfo(directory).isAbsolute())
        return directory;
    const QString base = lastFolder().isEmpty() ? QDir::homePath() : lastFolder();
    return directory.isEmpty() ? base : QDir(base).filePath(directory);
}

QString remember(const QString& chosen)
{
    if (!chosen.isEmpty())
        lastFolder() = QFileInfo(chosen).absolutePath();
    return chosen;
}
}

QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, QFileDialog::Options options)
{
    if (responder())
        return responder()({Request::Mode::Open, caption, directory, filter, options});
    return remember(QFileDialog::getOpenFileName(parent, caption, startPath(directory), filter, nullptr, options));
}

QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, QFileDialog::Options options)
{
    if (responder())
        return responder()({Request::Mode::Save, caption, directory, filter, options});
    return remember(QFileDialog::getSaveFileName(parent, caption, startPath(directory), filter, nullptr, options));
}

void SetResponder(Responder r) { responder() = std::move(r); }
}
