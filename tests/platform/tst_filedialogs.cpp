#include "TestEnv.h"
#include "platform/FileDialogs.h"
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
#include <QTemporaryDir>
#include <QtTest>

// Every file dialog opens in the folder last used, or in the home folder, never in the
// working directory.
class TestFileDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    // Runs first: no folder has been chosen yet in this process.
    void startsInTheHomeFolder_data();
    void startsInTheHomeFolder();
    void startsInTheFolderLastUsed_data();
    void startsInTheFolderLastUsed();
    // Qt's own dialog, shown for real: German sizes, types and dates, each column wide enough.
    void showsGermanColumns_data();
    void showsGermanColumns();

private:
    QList<FileDialogs::Request> m_asked;
    QString m_answer;
};

namespace {
enum Kind { Open, Save, SaveWithSuffix };

QString ask(Kind kind, const QString& directory)
{
    switch (kind) {
    case Open: return FileDialogs::GetOpenFileName(nullptr, "Datei", directory, "Alle (*)");
    case Save: return FileDialogs::GetSaveFileName(nullptr, "Datei", directory, "Alle (*)");
    case SaveWithSuffix:
        return FileDialogs::GetSaveFileName(nullptr, "Datei", directory, "CSV-Dateien (*.csv)", "csv", {});
    }
    return {};
}

void kinds()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("open") << int(Open);
    QTest::newRow("save") << int(Save);
    QTest::newRow("save with suffix") << int(SaveWithSuffix);
}
}

void TestFileDialogs::init()
{
    m_asked.clear();
    m_answer.clear();
    FileDialogs::SetResponder([this](const FileDialogs::Request& r) {
        m_asked.append(r);
        return m_answer;
    });
}

void TestFileDialogs::cleanup() { FileDialogs::SetResponder({}); }

void TestFileDialogs::startsInTheHomeFolder_data() { kinds(); }

void TestFileDialogs::startsInTheHomeFolder()
{
    QFETCH(int, kind);
    // Cancelled dialogs: nothing is remembered.
    ask(Kind(kind), "vornix2.txt");
    ask(Kind(kind), "");
    QCOMPARE(m_asked.size(), 2);
    QCOMPARE(m_asked[0].directory, QString("vornix2.txt"));
    QCOMPARE(m_asked[0].start, QDir::home().filePath("vornix2.txt"));
    QCOMPARE(m_asked[1].start, QDir::homePath());
}

void TestFileDialogs::startsInTheFolderLastUsed_data() { kinds(); }

void TestFileDialogs::startsInTheFolderLastUsed()
{
    QFETCH(int, kind);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    m_answer = dir.filePath("gewaehlt.csv");
    QCOMPARE(ask(Kind(kind), "erste.csv"), m_answer);
    // The next dialog of any kind opens there; a cancelled one changes nothing.
    m_answer.clear();
    for (Kind next : {Open, Save, SaveWithSuffix})
        ask(next, "zweite.csv");
    ask(Kind(kind), "");
    // A full path stays as it is.
    ask(Kind(kind), "/nirgends/dritte.csv");
    QCOMPARE(m_asked.size(), 6);
    for (int i = 1; i <= 3; ++i)
        QCOMPARE(m_asked[i].start, QDir(dir.path()).filePath("zweite.csv"));
    QCOMPARE(m_asked[4].start, dir.path());
    QCOMPARE(m_asked[5].start, QString("/nirgends/dritte.csv"));
}

QTEST_MAIN(TestFileDialogs)
#include "tst_filedialogs.moc"

void TestFileDialogs::showsGermanColumns_data() { kinds(); }

void TestFileDialogs::showsGermanColumns()
{
    QFETCH(int, kind);
    FileDialogs::SetResponder({});
    QTemporaryDir dir;
    QFile file(dir.filePath("kunden.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(684, 'x'));
    file.close();
    QVERIFY(QDir(dir.path()).mkdir("Archiv"));
    const QDateTime modified = QFileInfo(file.fileName()).lastModified();
    QStringList shown;
    QList<bool> whole;
    ResetModalTimeout();
    OnNextModal([&](QWidget* w) {
        auto* view = w->findChild<QTreeView*>("treeView");
        QVERIFY(view);
        QAbstractItemModel* model = view->model();
        const QModelIndex root = view->rootIndex();
        QTRY_VERIFY(model->rowCount(root) >= 2);
        for (int row = 0; row < model->rowCount(root); ++row) {
            if (model->index(row, 0, root).data().toString() != "kunden.csv")
                continue;
            QTRY_VERIFY(!model->index(row, 1, root).data().toString().isEmpty());
            for (int column = 1; column < 4; ++column) {
                const QString text = model->index(row, column, root).data().toString();
                shown.append(text);
                const QRect cell = view->visualRect(model->index(row, column, root));
                whole.append(cell.width() >= view->fontMetrics().horizontalAdvance(text));
            }
        }
        shown.append(model->headerData(1, Qt::Horizontal).toString());
        static_cast<QDialog*>(w)->reject();
    });
    QCOMPARE(ask(Kind(kind), dir.filePath("x.csv")), QString());
    QVERIFY(!ModalTimedOut());
    QCOMPARE(shown, QStringList({"684 Bytes", "CSV-Datei", modified.toString("dd.MM.yyyy HH:mm"),
                                 QString::fromUtf8("Größe")}));
    QCOMPARE(whole, QList<bool>({true, true, true}));
    QCOMPARE(FileDialogs::ColumnText(QFileInfo(dir.filePath("Archiv")), 2), QString("Dateiordner"));
}
