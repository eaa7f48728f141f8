#include "TestProgram.h"
#include "app/HauptForm.h"
#include "foundation/ProgramDir.h"
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

// The help beside the program: opened by F1 and "Vornix-Hilfe", complete in itself.
class TestHilfe : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void buildCopiesTheHelpBesideTheProgram();
    void f1OpensTheIndex();
    void missingHelpShowsTheErrorBox();
    void helpBesideTheProgramWhenTheDataLieElsewhere();
    void everyLinkAndPictureExists();
    void indexLinksEveryPageAndTheTips();
};

namespace {
const QString kCopied = QStringLiteral(VORNIX2_BIN_DIR "/help");
const QString kSource = QStringLiteral(VORNIX2_SOURCE_DIR "/help");

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file below `root`, as paths relative to it.
QStringList filesBelow(const QString& root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

QStringList pages(const QString& root)
{
    return QDir(root).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}

// The targets of href and src attributes of a page.
QStringList targets(const QString& html)
{
    static const QRegularExpression attr(QStringLiteral("\\b(?:href|src)\\s*=\\s*\"([^\"]*)\""));
    QStringList out;
    for (const QRegularExpressionMatch& m : attr.globalMatch(html))
        out << m.captured(1);
    return out;
}

bool copyTree(const QString& from, const QString& to)
{
    for (const QString& rel : filesBelow(from)) {
        const QString target = QDir(to).filePath(rel);
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(QDir(from).filePath(rel), target))
            return false;
    }
    return true;
}
}

void TestHilfe::buildCopiesTheHelpBesideTheProgram()
{
    const QStringList files = filesBelow(kSource);
    QVERIFY(files.contains("index.html"));
    QCOMPARE(filesBelow(kCopied), files);
    for (const QString& rel : files)
        QVERIFY2(readAll(kCopied + '/' + rel) == readAll(kSource + '/' + rel), qPrintable(rel));
}

void TestHilfe::f1OpensTheIndex()
{
    TestProgram p;
    QVERIFY(copyTree(kCopied, p.db.Path() + "/help"));
    OpenedUrls opened;
    p.Start();
    p.Frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p.Frame()));
    QTest::keyClick(p.Frame(), Qt::Key_F1);
    QCOMPARE(opened.List(), QList<QUrl>{QUrl::fromLocalFile(p.db.Path() + "/help/index.html")});
    p.Trigger("VornixHilfe1");
    QCOMPARE(opened.List().size(), 2);
    QCOMPARE(p.msgs.Count(), 0);
}

void TestHilfe::missingHelpShowsTheErrorBox()
{
    TestProgram p;
    OpenedUrls opened;
    p.Start();
    p.Trigger("VornixHilfe1");
    QVERIFY(opened.List().isEmpty());
    QCOMPARE(p.msgs.Count(), 1);
    QCOMPARE(p.msgs.Messages().first().kind, Msg::Kind::Error);
    QCOMPARE(p.msgs.Texts().first(),
             "Die Hilfedatei '" + QDir::toNativeSeparators(p.db.Path() + "/help/index.html")
                 + QString::fromUtf8("' konnte nicht geöffnet werden.\n\r"
                                     "Fehlermeldung: Die angegebene Datei wurde nicht gefunden."));
}

void TestHilfe::everyLinkAndPictureExists()
{
    const QStringList all = pages(kCopied);
    QVERIFY(all.size() > 10);
    for (const QString& page : all) {
        const QString html = QString::fromUtf8(readAll(kCopied + '/' + page));
        QVERIFY2(html.contains("<meta charset=\"utf-8\">"), qPrintable(page));
        QVERIFY2(html.contains("<html lang=\"de\">"), qPrintable(page));
        for (const QString& target : targets(html)) {
            const QString where = page + " -> " + target;
            // The help works without a network: every link stays inside the folder.
            QVERIFY2(!target.contains(':') && !target.startsWith('/'), qPrintable(where));
            const QString file = target.section('#', 0, 0);
            const QString anchor = target.section('#', 1);
            const QString path = file.isEmpty() ? kCopied + '/' + page : QDir(kCopied).filePath(file);
            QVERIFY2(QFileInfo(path).isFile(), qPrintable(where));
            QVERIFY2(QDir::cleanPath(path).startsWith(kCopied + '/'), qPrintable(where));
            if (!anchor.isEmpty())
                QVERIFY2(QString::fromUtf8(readAll(path)).contains("id=\"" + anchor + '"'), qPrintable(where));
        }
    }
}

void TestHilfe::indexLinksEveryPageAndTheTips()
{
    const QString index = QString::fromUtf8(readAll(kCopied + "/index.html"));
    QSet<QString> linked;
    for (const QString& target : targets(index))
        linked.insert(target.section('#', 0, 0));
    // Pages whose name begins with "_" are patterns for new pages, not part of the help.
    for (const QString& page : pages(kCopied))
        if (page != "index.html" && !page.startsWith('_'))
            QVERIFY2(linked.contains(page), qPrintable(page));
    // The Home page sends the reader to the help for more tips.
    QVERIFY(linked.contains("tipps.html"));
    QVERIFY(QString::fromUtf8(readAll(kCopied + "/tipps.html")).contains(">Tipps zur Anwendung von Vornix2</h1>"));
}

// VORNIX2_HOME moves the settings and the database; the help stays the one beside the program
// unless the data folder holds one of its own.
void TestHilfe::helpBesideTheProgramWhenTheDataLieElsewhere()
{
    QCOMPARE(kCopied, QCoreApplication::applicationDirPath() + "/help");
    QTemporaryDir home;
    ScopedEnv env("VORNIX2_HOME", home.path().toLocal8Bit());
    SetProgramDir(QString());
    QCOMPARE(HelpFile(), kCopied + "/index.html");
    QVERIFY(QDir(home.path()).mkpath("help"));
    QFile own(home.path() + "/help/index.html");
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.close();
    QCOMPARE(HelpFile(), QDir(home.path()).absolutePath() + "/help/index.html");
}

QTEST_MAIN(TestHilfe)
#include "tst_hilfe.moc"
