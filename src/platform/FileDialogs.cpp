#include "platform/FileDialogs.h"
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>

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

// Sizes, types and dates in German whatever the system's locale is (the file system model
// formats them by the system locale and takes the types from the MIME database in English).
class TGermanFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() < 1 || index.column() > 3)
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        return Text(info, index.column());
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4) {
            static const char* const titles[] = {"Name", "Größe", "Typ", "Änderungsdatum"};
            return QString::fromUtf8(titles[section]);
        }
        return QIdentityProxyModel::headerData(section, orientation, role);
    }

    static QString Text(const QFileInfo& info, int column)
    {
        const QLocale german(QLocale::German, QLocale::Germany);
        switch (column) {
        case 1:
            return info.isDir() ? QString() : german.formattedDataSize(info.size(), 1, QLocale::DataSizeTraditionalFormat);
        case 2:
            if (info.isDir())
                return QStringLiteral("Dateiordner");
            return info.suffix().isEmpty() ? QStringLiteral("Datei") : info.suffix().toUpper() + QStringLiteral("-Datei");
        case 3:
            return german.toString(info.lastModified(), QStringLiteral("dd.MM.yyyy HH:mm"));
        default:
            return {};
        }
    }
};

// Qt's own dialog (the same on every desktop) with the German columns, wide enough to read.
void makeGerman(QFileDialog& dialog, QFileDialog::Options options)
{
    dialog.setOptions(options | QFileDialog::DontUseNativeDialog);
    dialog.setLocale(QLocale(QLocale::German, QLocale::Germany));
    dialog.setProxyModel(new TGermanFileColumns(&dialog));
    dialog.setViewMode(QFileDialog::Detail);
    if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < 4; ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    dialog.resize(dialog.sizeHint().expandedTo(QSize(760, 440)));
}

QString run(QWidget* parent, const QString& caption, const QString& start, const QString& filter,
            QFileDialog::Options options, QFileDialog::AcceptMode mode, const QString& defaultSuffix = {})
{
    QFileDialog dialog(parent, caption, start, filter);
    dialog.setAcceptMode(mode);
    if (mode == QFileDialog::AcceptOpen)
        dialog.setFileMode(QFileDialog::ExistingFile);
    makeGerman(dialog, options);
    if (!defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
}

QString ColumnText(const QFileInfo& info, int column) { return TGermanFileColumns::Text(info, column); }

QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, QFileDialog::Options options)
{
    const QString start = startPath(directory);
    if (responder())
        return remember(responder()({Request::Mode::Open, caption, directory, filter, options, {}, start}));
    return remember(run(parent, caption, start, filter, options, QFileDialog::AcceptOpen));
}

QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                        const QString& filter, QFileDialog::Options options)
{
    const QString start = startPath(directory);
    if (responder())
        return remember(responder()({Request::Mode::Save, caption, directory, filter, options, {}, start}));
    return remember(run(parent, caption, start, filter, options, QFileDialog::AcceptSave));
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
        name = run(parent, caption, start, filter, options, QFileDialog::AcceptSave, defaultSuffix);
    }
    // The same rule as the dialog's own, so that an answer given in its place is treated alike.
    if (!name.isEmpty() && !defaultSuffix.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += QLatin1Char('.') + defaultSuffix;
    return remember(name);
}

void SetResponder(Responder r) { responder() = std::move(r); }
}
