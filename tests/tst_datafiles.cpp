// The data folder and its files on a real disk: migration, atomic saves stamped with type and creator,
// damaged files set aside, saves killed half-way, Mac OS Roman text files checked against Python's codec.
#include "core/datafiles.h"
#include "core/file_types.h"
#include "core/mac_roman.h"
#include "core/plist.h"
#include "helpers/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <csignal>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

RecordArray MakeDaynotes(int count, const QString& prefix) {
    RecordArray notes;
    for (int i = 0; i < count; ++i)
        SetDaynote(notes, i, QStringLiteral("%1 %2\rsecond line é€").arg(prefix).arg(i), 86400.0 * i,
                   NoteStandard, NoteFontStyle{});
    return notes;
}

bool AttributesWork(const QString& folder) {
    const QString probe = folder + QStringLiteral("/probe");
    QFile(probe).open(QIODevice::WriteOnly);
    const bool ok = setxattr(QFile::encodeName(probe).constData(), "user.vrdx.probe", "x", 1, 0) == 0;
    QFile::remove(probe);
    return ok;
}

QString PythonEncodeMacRoman(const QString& text) {
    QProcess python;
    python.start(
        QStringLiteral("python3"),
        {QStringLiteral("-c"), QStringLiteral("import sys; t = sys.stdin.buffer.read().decode('utf-8'); "
                                              "sys.stdout.write(t.encode('mac_roman', 'ignore').hex())")});
    python.write(text.toUtf8());
    python.closeWriteChannel();
    python.waitForFinished();
    return QString::fromLatin1(python.readAllStandardOutput());
}

} // namespace

class TestDataFiles : public QObject {
    Q_OBJECT

    QString home;

    QString Support() { return qEnvironmentVariable("XDG_DATA_HOME"); }

  private slots:
    void initTestCase() { home = UsePrivateHome(); }

    void init() {
        QDir(Support()).removeRecursively();
        QDir().mkpath(Support());
    }

    void firstLaunchCreatesTheFolder() {
        RecordArray notes{Value(false)};
        QVERIFY(LoadDaynoteFile(DaynoteFileName, &notes));
        QVERIFY(notes.empty());
        QVERIFY(QFileInfo(Support() + QStringLiteral("/VRDX")).isDir());
        QVERIFY(SaveRecordFile(MakeDaynotes(3, QStringLiteral("n")), DaynoteFileName));
        FourCC type = 0, creator = 0;
        QVERIFY(GetFileTypeAndCreator(GetDataFileURL(DaynoteFileName), &type, &creator));
        QCOMPARE(FourCCText(type), QStringLiteral("DNOT"));
        QCOMPARE(FourCCText(creator), QStringLiteral("Zer2"));
        QVERIFY(LoadDaynoteFile(DaynoteFileName, &notes));
        QCOMPARE(notes, MakeDaynotes(3, QStringLiteral("n")));
    }

    void typeAndCreatorAfterEverySave_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::newRow("daynote file") << DaynoteFileName << "DNOT";
        QTest::newRow("events file") << EventFileName << "EVNT";
        QTest::newRow("any other name") << "Something else"
                                        << "EVNT";
    }
    void typeAndCreatorAfterEverySave() {
        QFETCH(QString, name);
        QFETCH(QString, type);
        if (!AttributesWork(Support())) QSKIP("no extended attributes on this file system");
        for (int save = 0; save < 2; ++save) { // the second save replaces the file and its attributes
            QVERIFY(SaveRecordFile(MakeDaynotes(1, name), name));
            char       bytes[4];
            const auto path = QFile::encodeName(GetDataFileURL(name));
            QCOMPARE(getxattr(path.constData(), "user.vrdx.type", bytes, 4), ssize_t(4));
            QCOMPARE(QByteArray(bytes, 4), type.toLatin1());
            QCOMPARE(getxattr(path.constData(), "user.vrdx.creator", bytes, 4), ssize_t(4));
            QCOMPARE(QByteArray(bytes, 4), QByteArray("Zer2"));
        }
    }

    void migration_data() {
        QTest::addColumn<bool>("oldFolder");
        QTest::addColumn<bool>("newFolder");
        QTest::addColumn<QString>("expected"); // prefix of the notes loaded
        QTest::newRow("only VRDXData: it becomes VRDX") << true << false << "old";
        QTest::newRow("both: nothing moves, VRDX is used") << true << true << "new";
        QTest::newRow("only VRDX") << false << true << "new";
    }
    void migration() {
        QFETCH(bool, oldFolder);
        QFETCH(bool, newFolder);
        QFETCH(QString, expected);
        for (auto [present, folder, prefix] :
             {std::tuple{oldFolder, OldDataFolderName, QStringLiteral("old")},
              std::tuple{newFolder, DataFolderName, QStringLiteral("new")}}) {
            if (!present) continue;
            QDir().mkpath(Support() + QLatin1Char('/') + folder);
            QString error;
            QVERIFY(WritePropertyListFile(Support() + QLatin1Char('/') + folder +
                                              QStringLiteral("/VRDX DayNotes"),
                                          Value(MakeDaynotes(2, prefix)), &error));
        }
        MigrateDataFolder();
        RecordArray notes;
        QVERIFY(LoadDaynoteFile(DaynoteFileName, &notes));
        QCOMPARE(notes, MakeDaynotes(2, expected));
        QCOMPARE(QFileInfo::exists(Support() + QStringLiteral("/VRDXData")), oldFolder && newFolder);
    }

    void damagedFileIsSetAside_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("truncated") << QByteArray(
            "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><dict><key>No");
        QTest::newRow("binary junk") << QByteArray("\x00\x01\xff\xfe garbage", 13);
        QTest::newRow("a dictionary, not an array") << QByteArray("<plist version=\"1.0\"><dict/></plist>");
        QTest::newRow("an array of texts")
            << QByteArray("<plist version=\"1.0\"><array><string>a</string></array></plist>");
        QTest::newRow("empty file") << QByteArray();
    }
    void damagedFileIsSetAside() {
        QFETCH(QByteArray, content);
        GetDataFolderURL();
        QFile file(GetDataFileURL(DaynoteFileName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        AlertRecorder recorder;
        RecordArray   notes = MakeDaynotes(1, QStringLiteral("stale"));
        QVERIFY(LoadDaynoteFile(DaynoteFileName, &notes));
        QVERIFY(notes.empty());
        QCOMPARE(recorder.alerts.size(), 1);
        const QStringList aside =
            QDir(GetDataFolderURL()).entryList({QStringLiteral("VRDX DayNotes (unreadable*")});
        QCOMPARE(aside.size(), 1);
        QVERIFY2(recorder.alerts[0].informative.contains(aside[0]),
                 qPrintable(recorder.alerts[0].informative));
        QFile kept(GetDataFolderURL() + QLatin1Char('/') + aside[0]);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), content);
        // The next save writes a new file and leaves the damaged one alone.
        QVERIFY(SaveRecordFile(MakeDaynotes(1, QStringLiteral("fresh")), DaynoteFileName));
        QCOMPARE(QDir(GetDataFolderURL()).entryList({QStringLiteral("VRDX DayNotes (unreadable*")}), aside);
    }

    // A save killed at any moment leaves the old file or the new one, never a mixture or nothing.
    void killedSavesLeaveAWholeFile() {
        const RecordArray first = MakeDaynotes(3000, QStringLiteral("first"));
        const RecordArray second = MakeDaynotes(3100, QStringLiteral("second"));
        QVERIFY(SaveRecordFile(first, DaynoteFileName));
        QRandomGenerator random(20261206);
        for (int round = 0; round < 200; ++round) {
            const pid_t child = fork();
            if (child == 0) {
                for (int i = 0;; ++i) SaveRecordFile(i % 2 ? first : second, DaynoteFileName);
            }
            QTest::qSleep(int(random.bounded(1, 40)));
            ::kill(child, SIGKILL);
            int status = 0;
            waitpid(child, &status, 0);
            RecordArray notes;
            Value       root;
            QString     error;
            QVERIFY2(ReadPropertyListFile(GetDataFileURL(DaynoteFileName), &root, &error),
                     qPrintable(QStringLiteral("round %1: %2").arg(round).arg(error)));
            const RecordArray* loaded = std::get_if<RecordArray>(&root.v);
            QVERIFY(loaded);
            QVERIFY2(*loaded == first || *loaded == second,
                     qPrintable(QStringLiteral("round %1").arg(round)));
        }
        // Temporary files of killed saves may stay behind, but never under the data file's name.
        QVERIFY(QFileInfo::exists(GetDataFileURL(DaynoteFileName)));
    }

    void macRomanMatchesPython_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("ASCII with carriage returns") << QStringLiteral("line one\rline two\r");
        QTest::newRow("accents") << QStringLiteral("Crème brûlée à Zürich, ñ, Ø");
        QTest::newRow("euro, dashes, quotes") << QStringLiteral("€ 5 – “quoted” — ‘single’ …");
        QTest::newRow("outside the table is dropped") << QStringLiteral("a😀b中c Ω π");
        QString all;
        for (int b = 0x80; b <= 0xFF; ++b) all += DecodeMacRoman(QByteArray(1, char(b)));
        QTest::newRow("every upper byte") << all;
    }
    void macRomanMatchesPython() {
        QFETCH(QString, text);
        QCOMPARE(QString::fromLatin1(EncodeMacRoman(text).toHex()), PythonEncodeMacRoman(text));
    }

    void textFiles() {
        const QString path = home + QStringLiteral("/export.txt");
        QFile::remove(path);
        QVERIFY(!AppendTextFile(QStringLiteral("x"), path)); // appending never creates
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(WriteTextFile(QStringLiteral("Café\r"), path));
        QVERIFY(AppendTextFile(QStringLiteral("€\r"), path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("Caf\x8e\r\xdb\r"));
    }

    void aliases() {
        const QString path = home + QStringLiteral("/a sound.wav");
        QFile(path).open(QIODevice::WriteOnly);
        const QByteArray alias = MakeFileAlias(path);
        QString          resolved;
        QVERIFY(ResolveAliasData(alias, &resolved));
        QCOMPARE(resolved, path);
        QFile::remove(path);
        QVERIFY(!ResolveAliasData(alias, &resolved)); // gone: no longer resolves
        QVERIFY(MakeFileAlias(path).isEmpty());
    }

    void eventListSavedAsStoredRecords() {
        RecordArray list{Value(false)};
        QVERIFY(!QFileInfo::exists(GetDataFileURL(EventFileName)));
        SaveEventList(RecordArray{}); // no element at all: nothing is written
        QVERIFY(!QFileInfo::exists(GetDataFileURL(EventFileName)));
        SaveEventList(list); // only the placeholder: an empty array
        RecordArray stored{Value(true)};
        QVERIFY(LoadEventFile(&stored));
        QVERIFY(stored.empty());
        QVERIFY(QFileInfo::exists(GetDataFileURL(EventFileName)));
    }
};

QTEST_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
