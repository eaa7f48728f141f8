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
    const QString start = startPath(directory);
    if (responder())
        return remember(responder()({Request::Mode::Open, caption, directory, filter, options, {}, start}));
    return remember(QFileDialog::getOpenFileName(parent, caption, start, filter, nullptr, options));
}

QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, QFileDialog::Options options)
{
    const QString start = startPath(directory);
    if (responder())
        return remember(responder()({Request::Mode::Save, caption, directory, filter, options, {}, start}));
    return remember(QFileDialog::getSaveFileName(parent, caption, start, filter, nullptr, options));
}

QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, const QString& defaultSuffix,
                        QFileDialog::Options options)
{
    QString name;
    const QString start = startPath(directory);
    if (responder()) {
        Request request{Request::Mode::Save, caption, directory, filter, options, defaultSuffix, start};
        name = responder()(request);
    } else {
        QFileDialog dialog(parent, caption, start, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOptions(options);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            name = dialog.selectedFiles().constFirst();
    }
    // The same rule as the dialog's own, so that an answer given in its place is treated alike.
    if (!name.isEmpty() && !defaultSuffix.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += QLatin1Char('.') + defaultSuffix;
    return remember(name);
}

void SetResponder(Responder r) { responder() = std::move(r); }
}
