#include "platform/FileDialogs.h"

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
        return responder()({Request::Mode::Open, caption, directory, filter, options});
    return QFileDialog::getOpenFileName(parent, caption, directory, filter, nullptr, options);
}

QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, QFileDialog::Options options)
{
    if (responder())
        return responder()({Request::Mode::Save, caption, directory, filter, options});
    return QFileDialog::getSaveFileName(parent, caption, directory, filter, nullptr, options);
}

void SetResponder(Responder r) { responder() = std::move(r); }
}
