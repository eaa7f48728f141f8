#include "platform/FileDialogs.h"
#include <QFileInfo>

namespace FileDialogs {
namespace {
Responder& responder()
{
    static Responder r;
    return r;
}
}

QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, QFileDialog::Options options)
{
    if (responder())
        return responder()({Request::Mode::Open, caption, directory, filter, options, {}});
    return QFileDialog::getOpenFileName(parent, caption, directory, filter, nullptr, options);
}

QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, QFileDialog::Options options)
{
    if (responder())
        return responder()({Request::Mode::Save, caption, directory, filter, options, {}});
    return QFileDialog::getSaveFileName(parent, caption, directory, filter, nullptr, options);
}

QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, const QString& defaultSuffix,
                        QFileDialog::Options options)
{
    QString name;
    if (responder()) {
        Request request{Request::Mode::Save, caption, directory, filter, options, defaultSuffix};
        name = responder()(request);
    } else {
        QFileDialog dialog(parent, caption, directory, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOptions(options);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            name = dialog.selectedFiles().constFirst();
    }
    // The same rule as the dialog's own, so that an answer given in its place is treated alike.
    if (!name.isEmpty() && !defaultSuffix.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += QLatin1Char('.') + defaultSuffix;
    return name;
}

void SetResponder(Responder r) { responder() = std::move(r); }
}
