#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include "platform/ProfileFile.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <unistd.h>

namespace {
const QString kFixture = QStringLiteral(VORNIX2_SOURCE_DIR "/tests/platform/data/windows_written.ini");

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

QByteArray utf16(const QString& text, bool littleEndian)
{
    if (littleEndian)
        return QByteArray("\xFF\xFE") + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(text));
    return QByteArray("\xFE\xFF") + QByteArray(QStringEncoder(QStringEncoder::Utf16BE).encode(text));
}

// Writes every key of a Windows-1252 CR LF file back with the value it reads, as the settings
// record does on every save.
void rewriteEveryKey(ProfileFile& p, const QByteArray& bytes)
{
    QString section;
    for (const QString& line : Cp1252::Decode(bytes).split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QLatin1Char('[')))
            section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
        else if (line.contains(QLatin1Char('='))) {
            const QString key = line.left(line.indexOf(QLatin1Char('=')));
            p.WriteString(section, key, p.ReadString(section, key));
        }
    }
}
}

class TestProfileFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { SetAtomicWriteFault({}); }

    void windowsFileSavedUnchangedIsByteIdentical();
    void oneChangedKeyChangesOnlyItsLine_data();
    void oneChangedKeyChangesOnlyItsLine();
    void readsAsWindows_data();
    void readsAsWindows();
    void rewriteKeepsWhatWindowsWrote_data();
    void rewriteKeepsWhatWindowsWrote();
    void writtenInTheEncodingItWasRead_data();
    void writtenInTheEncodingItWasRead();
    void cp1252UndefinedBytesRoundTrip_data();
    void cp1252UndefinedBytesRoundTrip();
    void cp1252EveryByteRoundTrips();
    void cp1252LackingCharactersBecomeQuestionMarks_data();
    void cp1252LackingCharactersBecomeQuestionMarks();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void writeKeepsPermissionsAndFollowsLinks();
    void fullFileSystemKeepsOldFile();
};

void TestProfileFile::windowsFileSavedUnchangedIsByteIdentical()
{
    const QByteArray original = readFile(kFixture);
    QVERIFY(!original.isEmpty());
    QTemporaryDir dir;
    const QString path = dir.filePath("Vornix2.ini");
    QVERIFY(writeFile(path, original));
    ProfileFile p;
    QVERIFY(p.Load(path));
    QCOMPARE(p.ReadString("Benutzerdaten", "Ort"), QString::fromUtf8("München"));
    QCOMPARE(p.ReadString("Eigenes", "Roh"), QString::fromUtf8("\u0081\u008D\u008F\u0090\u009D"));
    rewriteEveryKey(p, original);
    QString error;
    QVERIFY2(p.Save(path, &error), qPrintable(error));
    QCOMPARE(readFile(path), original);
}

void TestProfileFile::oneChangedKeyChangesOnlyItsLine_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("line");   // as written
    QTest::newRow("umlauts") << "Benutzerdaten" << "Ort" << QString::fromUtf8("Köln") << QByteArray("Ort=K\xF6ln");
    QTest::newRow("scrambled password with umlaut") << "SMS" << "Login_Passwort" << QString::fromUtf8("Qä{x")
                                                    << QByteArray("Login_Passwort=Q\xE4{x");
    QTest::newRow("blank at the end") << "Allgemein" << "Proxy_Username" << "a " << QByteArray("Proxy_Username=\"a \"");
    QTest::newRow("euro sign") << "News" << "Headline" << QString::fromUtf8("5 €") << QByteArray("Headline=5 \x80");
}

void TestProfileFile::oneChangedKeyChangesOnlyItsLine()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, line);
    const QByteArray original = readFile(kFixture);
    QTemporaryDir dir;
    const QString path = dir.filePath("Vornix2.ini");
    QVERIFY(writeFile(path, original));
    ProfileFile p;
    QVERIFY(p.Load(path));
    rewriteEveryKey(p, original);
    p.WriteString(section, key, value);
    QVERIFY(p.Save(path));

    const QList<QByteArray> before = original.split('\n');
    const QList<QByteArray> after = readFile(path).split('\n');
    QCOMPARE(after.size(), before.size());
    int changed = 0;
    for (int i = 0; i < before.size(); ++i) {
        if (before[i] == after[i])
            continue;
        ++changed;
        QVERIFY(before[i].startsWith(key.toLatin1() + '='));
        QCOMPARE(after[i], line + '\r');
    }
    QCOMPARE(changed, 1);
    QVERIFY(p.Load(path));
    QCOMPARE(p.ReadString(section, key), value);
}

void TestProfileFile::readsAsWindows_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("value");   // of K, "<missing>" when absent
    QTest::newRow("lone CR line ends") << QByteArray("[S]\rA=1\rK=v\r") << "S" << "v";
    QTest::newRow("lone CR, last line open") << QByteArray("[S]\rK=v") << "S" << "v";
    QTest::newRow("lone CRs after the last LF") << QByteArray("[S]\nA=1\nB=2\rK=v\r") << "S" << "v";
    QTest::newRow("CR inside a CR LF line") << QByteArray("[S]\r\nK=a\rb\r\n") << "S" << "a\rb";
    QTest::newRow("CR before CR LF") << QByteArray("[S]\r\nK=v\r\r\n") << "S" << "v";
    QTest::newRow("[ line without ] is no header") << QByteArray("[S]\r\n[Kommentar\r\nK=v\r\n") << "S" << "v";
    QTest::newRow("[ line without ] names no section") << QByteArray("[S]\r\n[Kommentar\r\nK=v\r\n") << "Kommentar"
                                                      << "<missing>";
    QTest::newRow("[ line without ] holding =") << QByteArray("[S]\r\n[x=y\r\nK=v\r\n") << "S" << "v";
    QTest::newRow("name ends at the last ]") << QByteArray("[S]x]\r\nK=v\r\n") << "S]x" << "v";
    QTest::newRow("text after the ]") << QByteArray("[S] Kommentar\r\nK=v\r\n") << "S" << "v";
    QTest::newRow("white space before the [") << QByteArray("\t\v[S]\f\r\nK=v\r\n") << "S" << "v";
    QTest::newRow("vertical tab, form feed, ^Z around key and value")
        << QByteArray("[S]\r\n\v\x1AK\f=\f\v v\x1A\t\v\r\n") << "S" << "v";
    QTest::newRow("^Z at the end of the file") << QByteArray("[S]\r\nK=v\r\n\x1A") << "S" << "v";
    QTest::newRow("quotes inside white space") << QByteArray("[S]\r\nK=\v\"v \"\f\r\n") << "S" << "v ";
}

void TestProfileFile::readsAsWindows()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, value);
    ProfileFile p;
    p.Parse(file);
    QCOMPARE(p.ReadString(section, "K", "<missing>"), value);
    if (value == "<missing>")
        return;
    // Writing the value read keeps every byte; a changed one reads back.
    p.WriteString(section, "K", value);
    QByteArray expected = file;
    if (!expected.endsWith('\n') && !expected.endsWith('\r'))
        expected += file.contains("\r\n") ? "\r\n" : file.contains('\n') ? "\n" : "\r";
    QCOMPARE(p.Serialize(), expected);
    p.WriteString(section, "K", "neu");
    ProfileFile q;
    q.Parse(p.Serialize());
    QCOMPARE(q.ReadString(section, "K"), QString("neu"));
}

void TestProfileFile::rewriteKeepsWhatWindowsWrote_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("CR inside another value")
        << QByteArray("[S]\r\nK=a\rb\r\nX=1\r\n") << "S" << "X" << "2" << QByteArray("[S]\r\nK=a\rb\r\nX=2\r\n");
    QTest::newRow("lone CR file, new key") << QByteArray("[S]\rK=v\r") << "S" << "N" << "1"
                                           << QByteArray("[S]\rK=v\rN=1\r");
    QTest::newRow("lone CR file, new section") << QByteArray("[S]\rK=v\r") << "T" << "N" << "1"
                                               << QByteArray("[S]\rK=v\r\r[T]\rN=1\r");
    QTest::newRow("mixed line ends kept") << QByteArray("[S]\nK=1\r\nB=2\n") << "S" << "B" << "3"
                                          << QByteArray("[S]\nK=1\r\nB=3\n");
    QTest::newRow("key below a [ line stays in its section")
        << QByteArray("[S]\r\n[Kommentar\r\nK=v\r\n") << "S" << "K" << "w" << QByteArray("[S]\r\n[Kommentar\r\nK=w\r\n");
    QTest::newRow("last line without its end") << QByteArray("[S]\r\nK=v") << "S" << "N" << "1"
                                               << QByteArray("[S]\r\nK=v\r\nN=1\r\n");
    QTest::newRow("vertical tab at the end is quoted") << QByteArray("[S]\r\n") << "S" << "K" << "v\v"
                                                       << QByteArray("[S]\r\nK=\"v\v\"\r\n");
    QTest::newRow("^Z at the start is quoted") << QByteArray("[S]\r\n") << "S" << "K" << "\x1Av"
                                               << QByteArray("[S]\r\nK=\"\x1Av\"\r\n");
}

void TestProfileFile::rewriteKeepsWhatWindowsWrote()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, saved);
    ProfileFile p;
    p.Parse(file);
    // The settings record writes back every key it read.
    if (p.ValueExists("S", "K"))
        p.WriteString("S", "K", p.ReadString("S", "K"));
    p.WriteString(section, key, value);
    QCOMPARE(p.Serialize(), saved);
    ProfileFile q;
    q.Parse(saved);
    QCOMPARE(q.ReadString(section, key), value);
}

void TestProfileFile::writtenInTheEncodingItWasRead_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("value");   // written to [S] K
    QTest::addColumn<QByteArray>("saved");
    const QString gruesse = QString::fromUtf8("Grüße");
    const QString omega = QString::fromUtf8("Ω");
    QTest::newRow("windows-1252") << QByteArray("[S]\r\nA=\xE4\r\nK=x\r\n") << gruesse
                                  << QByteArray("[S]\r\nA=\xE4\r\nK=Gr\xFC\xDF" "e\r\n");
    QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF[S]\r\nA=\xC3\xA4\r\nK=x\r\n") << gruesse
                                    << QByteArray("\xEF\xBB\xBF[S]\r\nA=\xC3\xA4\r\nK=Gr\xC3\xBC\xC3\x9F" "e\r\n");
    QTest::newRow("wrong utf-8 mark before windows-1252")
        << QByteArray("\xEF\xBB\xBF[S]\r\nA=\xE4\r\nK=x\r\n") << gruesse
        << QByteArray("[S]\r\nA=\xE4\r\nK=Gr\xFC\xDF" "e\r\n");
    QTest::newRow("utf-16 le") << utf16(QString::fromUtf8("[S]\r\nA=ä\r\nK=x\r\n"), true) << omega
                               << utf16(QString::fromUtf8("[S]\r\nA=ä\r\nK=Ω\r\n"), true);
    QTest::newRow("utf-16 be") << utf16(QString::fromUtf8("[S]\r\nA=ä\r\nK=x\r\n"), false) << gruesse
                               << utf16(QString::fromUtf8("[S]\r\nA=ä\r\nK=Grüße\r\n"), false);
    QTest::newRow("utf-8 without bom as written before")
        << QByteArray("[S]\nA=\xC3\xA4\nK=x\n") << gruesse << QByteArray("[S]\nA=\xE4\nK=Gr\xFC\xDF" "e\n");
    QTest::newRow("windows-1252 lacking a character")
        << QByteArray("[S]\r\nA=\xE4\r\nK=x\r\n") << omega << QByteArray("\xEF\xBB\xBF[S]\r\nA=\xC3\xA4\r\nK=\xCE\xA9\r\n");
    QTest::newRow("new file") << QByteArray() << gruesse << QByteArray("[S]\nK=Gr\xFC\xDF" "e\n");
    QTest::newRow("new file, euro") << QByteArray() << QString::fromUtf8("€") << QByteArray("[S]\nK=\x80\n");
    QTest::newRow("new file, undefined byte") << QByteArray() << QString(QChar(0x8D)) << QByteArray("[S]\nK=\x8D\n");
    QTest::newRow("new file lacking a character") << QByteArray() << omega << QByteArray("\xEF\xBB\xBF[S]\nK=\xCE\xA9\n");
}

void TestProfileFile::writtenInTheEncodingItWasRead()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, value);
    QFETCH(QByteArray, saved);
    ProfileFile p;
    p.Parse(file);
    if (!file.isEmpty())
        QCOMPARE(p.ReadString("S", "A"), QString::fromUtf8("ä"));
    p.WriteString("S", "K", value);
    QCOMPARE(p.Serialize(), saved);
    ProfileFile q;
    q.Parse(saved);
    QCOMPARE(q.ReadString("S", "K"), value);
}

void TestProfileFile::cp1252UndefinedBytesRoundTrip_data()
{
    QTest::addColumn<int>("byte");
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        QTest::addRow("%X", b) << b;
}

void TestProfileFile::cp1252UndefinedBytesRoundTrip()
{
    QFETCH(int, byte);
    const QByteArray bytes(1, char(byte));
    QCOMPARE(Cp1252::Decode(bytes), QString(QChar(byte)));
    QCOMPARE(Cp1252::Encode(QString(QChar(byte))), bytes);
    QVERIFY(Cp1252::Representable(char32_t(byte)));
}

void TestProfileFile::cp1252EveryByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = Cp1252::Decode(all);
    QCOMPARE(text.size(), 256);
    QVERIFY(Cp1252::Representable(text));
    QCOMPARE(Cp1252::Encode(text), all);
}

void TestProfileFile::cp1252LackingCharactersBecomeQuestionMarks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("omega") << QString::fromUtf8("aΩb") << QByteArray("a?b");
    QTest::newRow("outside the BMP") << QString::fromUtf8("a😀b") << QByteArray("a?b");
    QTest::newRow("C1 control 80") << QString(QChar(0x80)) << QByteArray("?");
    QTest::newRow("C1 control 9F") << QString(QChar(0x9F)) << QByteArray("?");
}

void TestProfileFile::cp1252LackingCharactersBecomeQuestionMarks()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Cp1252::Encode(text), bytes);
    QVERIFY(!Cp1252::Representable(text));
}

void TestProfileFile::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("nth");   // which call of that step fails
    QTest::addColumn<bool>("throughProfile");
    QTest::newRow("create") << int(AtomicWriteStep::Create) << 1 << false;
    QTest::newRow("first write") << int(AtomicWriteStep::Write) << 1 << false;
    QTest::newRow("later write") << int(AtomicWriteStep::Write) << 3 << false;
    QTest::newRow("sync") << int(AtomicWriteStep::Sync) << 1 << false;
    QTest::newRow("close") << int(AtomicWriteStep::Close) << 1 << false;
    QTest::newRow("rename") << int(AtomicWriteStep::Rename) << 1 << false;
    QTest::newRow("profile save, write") << int(AtomicWriteStep::Write) << 1 << true;
    QTest::newRow("profile save, sync") << int(AtomicWriteStep::Sync) << 1 << true;
}

void TestProfileFile::failedWriteKeepsOldFile()
{
    QFETCH(int, step);
    QFETCH(int, nth);
    QFETCH(bool, throughProfile);
    const QByteArray data(300 * 1024, 'x');
    for (const bool exists : {true, false}) {
        QTemporaryDir dir;
        const QString path = dir.filePath("Vornix2.ini");
        const QByteArray old = readFile(kFixture);
        if (exists)
            QVERIFY(writeFile(path, old));
        int calls = 0;
        SetAtomicWriteFault([&](AtomicWriteStep s) {
            return int(s) == step && ++calls == nth ? ENOSPC : 0;
        });
        QString error;
        if (throughProfile) {
            ProfileFile p;
            QVERIFY(p.Load(path));
            p.WriteString("News", "Content", QString(data));
            QVERIFY(!p.Save(path, &error));
        } else {
            QVERIFY(!WriteFileAtomically(path, data, &error));
        }
        SetAtomicWriteFault({});
        QCOMPARE(calls, nth);
        QVERIFY2(error.endsWith(QString::fromUtf8(": Der Datenträger ist voll.")), qPrintable(error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 exists ? QStringList{"Vornix2.ini"} : QStringList{});
        if (exists)
            QCOMPARE(readFile(path), old);
    }
}

void TestProfileFile::writeKeepsPermissionsAndFollowsLinks()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("Vornix2.ini");
    const QString link = dir.filePath("link.ini");
    QVERIFY(writeFile(target, "alt"));
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(QFile::link(target, link));
    QString error;
    QVERIFY2(WriteFileAtomically(link, "neu", &error), qPrintable(error));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readFile(target), QByteArray("neu"));
    const QFileDevice::Permissions modeBits(0x7077);   // owner, group, others; not the "user" copy
    QCOMPARE(QFile::permissions(target) & modeBits,
             QFileDevice::Permissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
}

void TestProfileFile::fullFileSystemKeepsOldFile()
{
    if (::geteuid() != 0)
        QSKIP("a small full file system needs root to mount a tmpfs; the injected failures cover the rest");
    QTemporaryDir dir;
    const QString mount = dir.filePath("small");
    QVERIFY(QDir().mkpath(mount));
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mount}) != 0)
        QSKIP("could not mount a tmpfs here");
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {mount}); });

    const QString path = mount + "/Vornix2.ini";
    const QByteArray old = readFile(kFixture);
    QVERIFY(writeFile(path, old));
    {
        // Fill the file system to its last byte.
        QFile filler(mount + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(1024, 'f');
        while (filler.write(block) == block.size()) {
        }
    }

    ProfileFile p;
    QVERIFY(p.Load(path));
    p.WriteString("Benutzerdaten", "Ort", QString::fromUtf8("Köln"));
    QString error;
    QVERIFY(!p.Save(path, &error));
    QVERIFY2(error.endsWith(QString::fromUtf8(": Der Datenträger ist voll.")), qPrintable(error));
    QCOMPARE(readFile(path), old);
    QCOMPARE(QDir(mount).entryList(QDir::Files | QDir::Hidden, QDir::Name), (QStringList{"Vornix2.ini", "filler"}));

    // With room again the same save succeeds.
    QVERIFY(QFile::remove(mount + "/filler"));
    QVERIFY2(p.Save(path, &error), qPrintable(error));
    QVERIFY(readFile(path).contains("Ort=K\xF6ln\r\n"));
}

QTEST_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
