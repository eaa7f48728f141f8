#include "FullFileSystem.h"
#include "TestEnv.h"
#include "foundation/ProgramDir.h"
#include "foundation/Settings.h"
#include "platform/AtomicFile.h"
#include "platform/FileDialogs.h"
#include "sms/SmsVersandStatusForm.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <functional>
#include <unistd.h>

// The one writer behind every file the program writes (settings file, saved gateway replies,
// CSV exports): piece by piece or whole, every step checked, the old file kept on any failure,
// the reason in German; and each of its callers on a really full file system.

namespace {
QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

const QString kVoll = QString::fromUtf8("Der Datenträger ist voll.");
}

class TestAtomicFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void reasons_data();
    void reasons();
    void piecewiseWrite();
    void failedStepKeepsOldFile_data();
    void failedStepKeepsOldFile();
    void readOnlyFolder();
    void settingsOnFullDisk();
    void savedReplyOnFullDisk();
};

void TestAtomicFile::cleanup()
{
    SetAtomicWriteFault({});
    FileDialogs::SetResponder({});
    SetProgramDir(QString());
}

void TestAtomicFile::reasons_data()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<QString>("reason");
    QTest::newRow("full") << ENOSPC << kVoll;
    QTest::newRow("read-only file system") << EROFS << QString::fromUtf8("Der Datenträger ist schreibgeschützt.");
    QTest::newRow("no rights") << EACCES << QString::fromUtf8("Der Zugriff wurde verweigert (fehlende Schreibrechte).");
    QTest::newRow("quota") << EDQUOT << QString::fromUtf8("Der Ihnen zustehende Speicherplatz auf dem Datenträger ist erschöpft.");
    QTest::newRow("missing folder") << ENOENT << QString::fromUtf8("Der Ordner oder die Datei existiert nicht.");
    QTest::newRow("i/o") << EIO << QString::fromUtf8("Beim Zugriff auf den Datenträger ist ein Ein-/Ausgabefehler aufgetreten.");
    QTest::newRow("too big") << EFBIG << QString::fromUtf8("Die Datei ist zu groß.");
}

void TestAtomicFile::reasons()
{
    QFETCH(int, err);
    QFETCH(QString, reason);
    QCOMPARE(FileErrorReason(err), reason);
    QCOMPARE(FileErrorText("/a/b.txt", err), "/a/b.txt: " + reason);
    // Any other keeps the system's number and text, behind a German sentence.
    QVERIFY(FileErrorReason(EPROTO).startsWith(QString::fromUtf8("Es ist ein unbekannter Fehler aufgetreten")));
}

void TestAtomicFile::piecewiseWrite()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.txt");
    QVERIFY(writeFile(path, "alt"));
    TAtomicFileWriter w;
    QVERIFY(w.Open(path));
    QByteArray expected;
    for (int i = 0; i < 20000; ++i) {
        const QByteArray piece = QByteArray::number(i) + (i % 997 == 0 ? QByteArray(70000, 'x') : "\r\n");
        QVERIFY(w.Write(piece));
        expected += piece;
    }
    QCOMPARE(readFile(path), QByteArray("alt"));   // nothing visible before the commit
    QVERIFY(w.Flush());
    QCOMPARE(readFile(w.TempPath()), expected);
    QVERIFY2(w.Commit(), qPrintable(w.ErrorString()));
    QCOMPARE(readFile(path), expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

void TestAtomicFile::failedStepKeepsOldFile_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("nth");
    QTest::newRow("create") << int(AtomicWriteStep::Create) << 1;
    QTest::newRow("first write") << int(AtomicWriteStep::Write) << 1;
    QTest::newRow("a later write") << int(AtomicWriteStep::Write) << 7;
    QTest::newRow("sync") << int(AtomicWriteStep::Sync) << 1;
    QTest::newRow("close") << int(AtomicWriteStep::Close) << 1;
    QTest::newRow("rename") << int(AtomicWriteStep::Rename) << 1;
}

void TestAtomicFile::failedStepKeepsOldFile()
{
    QFETCH(int, step);
    QFETCH(int, nth);
    QTemporaryDir dir;
    const QString path = dir.filePath("out.txt");
    QVERIFY(writeFile(path, "alt"));
    int calls = 0;
    SetAtomicWriteFault([&](AtomicWriteStep s) { return int(s) == step && ++calls == nth ? ENOSPC : 0; });
    TAtomicFileWriter w;
    bool ok = w.Open(path);
    for (int i = 0; ok && i < 10000; ++i)
        ok = w.Write(QByteArray(100, 'n'));
    ok = ok && w.Commit();
    QVERIFY(!ok);
    QCOMPARE(w.Error(), ENOSPC);
    QCOMPARE(w.ErrorString(), path + ": " + kVoll);
    QVERIFY(!w.IsOpen());
    QVERIFY(!w.Write("x", 1));   // stays failed
    QCOMPARE(readFile(path), QByteArray("alt"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

// A folder the user may not write to. Root writes anyway, so a read-only bind mount stands in.
void TestAtomicFile::readOnlyFolder()
{
    QTemporaryDir dir;
    const QString ro = dir.filePath("ro");
    QVERIFY(QDir().mkpath(ro));
    QVERIFY(writeFile(ro + "/out.txt", "alt"));
    bool mounted = false;
    if (::geteuid() == 0) {
        mounted = QProcess::execute("mount", {"--bind", "-o", "ro", ro, ro}) == 0
                  || (QProcess::execute("mount", {"--bind", ro, ro}) == 0
                      && QProcess::execute("mount", {"-o", "remount,ro,bind", ro}) == 0);
        if (!mounted)
            QProcess::execute("umount", {ro});
    } else {
        QVERIFY(QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner));
    }
    if (::geteuid() == 0 && !mounted)
        QSKIP("no read-only mount here");
    QString error;
    const bool ok = WriteFileAtomically(ro + "/out.txt", "neu", &error);
    if (mounted)
        QProcess::execute("umount", {ro});
    else
        QFile::setPermissions(ro, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!ok);
    QVERIFY2(error == ro + "/out.txt: " + FileErrorReason(mounted ? EROFS : EACCES), qPrintable(error));
    QCOMPARE(readFile(ro + "/out.txt"), QByteArray("alt"));
}

// The settings file on a full disk: one German message, the old file as it was.
void TestAtomicFile::settingsOnFullDisk()
{
    const QByteArray old("[Benutzerdaten]\r\nOrt=Alt\r\n");
    FullFileSystem fs([&](const QString& mount) { writeFile(mount + "/Vornix2.ini", old); });
    if (!fs.ok)
        QSKIP("mounting a small tmpfs needs root");
    ScriptedMessages msgs;
    Settings settings;
    settings.SetFileName(fs.mount + "/Vornix2.ini");
    QString error;
    QVERIFY(settings.Load(&error));
    QVERIFY(!settings.Edit([](TIniFileDaten& rec) { rec.Ort = QString::fromUtf8("Köln"); }));
    QCOMPARE(msgs.Count(), 1);
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Error);
    QCOMPARE(msgs.Texts().first(), QString::fromUtf8("Die Einstellungen konnten nicht gespeichert werden.\n\rFehlermeldung: ")
                                       + fs.mount + "/Vornix2.ini: " + kVoll);
    QCOMPARE(readFile(fs.mount + "/Vornix2.ini"), old);
    QCOMPARE(fs.Files(), (QStringList{"Vornix2.ini", "filler"}));
}

// The saved gateway reply on a full disk: the reason, no success, the old file as it was.
void TestAtomicFile::savedReplyOnFullDisk()
{
    FullFileSystem fs([](const QString& mount) { writeFile(mount + "/vornix2_1.txt", "alt"); });
    if (!fs.ok)
        QSKIP("mounting a small tmpfs needs root");
    const QString target = fs.mount + "/vornix2_1.txt";
    ScriptedMessages msgs;
    FileDialogs::SetResponder([&](const FileDialogs::Request&) { return target; });
    TSmsVersandStatusForm form;
    form.SetRueckgabe(QString(5000, u'r'));
    form.Button_RueckgabeSpeichernClick();
    QCOMPARE(msgs.Count(), 2);   // the overwrite question, then the failure
    QCOMPARE(msgs.Messages().last().kind, Msg::Kind::Error);
    QCOMPARE(msgs.Texts().last(), target + ": " + kVoll);
    QCOMPARE(readFile(target), QByteArray("alt"));
    QCOMPARE(fs.Files(), (QStringList{"filler", "vornix2_1.txt"}));
}

QTEST_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
