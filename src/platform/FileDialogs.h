#pragma once
#include <QFileDialog>
#include <QString>
#include <functional>

class QFileInfo;
class QWidget;

// File dialogs go through here so that tests can answer them. An empty result means cancelled.
namespace FileDialogs {
struct Request {
    enum class Mode { Open, Save } mode = Mode::Open;
    QString caption;
    QString directory;   // start directory or suggested file path
    QString filter;      // Qt filter string, e.g. "Textdateien (*.txt)"
    QFileDialog::Options options;
    QString defaultSuffix;   // appended to a chosen name without a suffix (save dialogs)
    QString start;   // where the dialog opens: `directory` placed in the folder last used or home
};

QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, QFileDialog::Options options = {});
QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, QFileDialog::Options options = {});
// A save dialog with a default suffix: a name chosen without a suffix gets it.
QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, const QString& defaultSuffix,
                        QFileDialog::Options options);

// What the dialogs show in their size (1), type (2) and date (3) columns.
QString ColumnText(const QFileInfo& info, int column);

using Responder = std::function<QString(const Request&)>;
void SetResponder(Responder responder);
}
