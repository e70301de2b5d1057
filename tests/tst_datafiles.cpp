// The data folder and its files on a real disk: migration, stamped atomic saves, damaged and text files.
#include "core/datafiles.h"
#include "core/plist.h"
#include "helpers/test_support.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

static RecordArray MakeDaynotes(int count, const QString& prefix) {
    RecordArray notes;
    for (int i = 0; i < count; ++i)
        SetDaynote(notes, i, u"%1 %2\rsecond line é€"_s.arg(prefix).arg(i), 86400.0 * i, NoteStandard, {});
    return notes;
}

using FileRow = std::pair<QString, QByteArray>;

class TestDataFiles : public QObject {
    Q_OBJECT

    static QString    Support() { return qEnvironmentVariable("XDG_DATA_HOME"); }
    static QByteArray Attribute(const QString& path, const char* name) {
        char bytes[4];
        return getxattr(QFile::encodeName(path).constData(), name, bytes, 4) == 4 ? QByteArray(bytes, 4) : "";
    }

  private slots:
    void initTestCase() { UsePrivateHome(); }
    void init() { QVERIFY(QDir(Support()).removeRecursively() && QDir().mkpath(Support())); }

    // First launch makes the folder; every save, the second replacing the first, is stamped.
    void firstLaunchAndSaves_data() {
        AddRows<FileRow>(
            {{"daynote file", {DaynoteFileName, "DNOT"_ba}}, {"events file", {EventFileName, "EVNT"_ba}}});
    }
    void firstLaunchAndSaves() {
        FETCH_ROW(FileRow, name, type);
        RecordArray notes{Value(false)};
        QVERIFY(LoadDaynoteFile(name, &notes) && notes.empty());
        QVERIFY(QFileInfo(Support() + u"/VRDX"_s).isDir());
        // Saving what the file already holds leaves it alone (a quit with nothing changed touches no file).
        const auto inode = [&name] {
            struct stat st {};
            return ::stat(QFile::encodeName(GetDataFileURL(name)).constData(), &st) == 0 ? st.st_ino : 0;
        };
        QVERIFY(SaveRecordFile(MakeDaynotes(1, name), name));
        const auto first = inode();
        QVERIFY(SaveRecordFile(MakeDaynotes(1, name), name));
        QCOMPARE(inode(), first);
        for (int save = 1; save <= 2; ++save) {
            QVERIFY(SaveRecordFile(MakeDaynotes(save, name), name));
            QVERIFY(LoadDaynoteFile(name, &notes));
            QCOMPARE(notes, MakeDaynotes(save, name));
            if (setxattr(QFile::encodeName(Support()).constData(), "user.vrdx.probe", "x", 1, 0) != 0)
                QSKIP("no extended attributes on this file system");
            QCOMPARE(Attribute(GetDataFileURL(name), "user.vrdx.type"), type);
            QCOMPARE(Attribute(GetDataFileURL(name), "user.vrdx.creator"), "Zer2"_ba);
        }
    }

    // A fresh account has no ~/.local/share: the first save makes it, private. (A save that cannot be made:
    // tst_dispatch's saveCommandTellsItsFailure.)
    void saveIntoAFreshAccount() {
        const QString dataHome = QDir::homePath() + u"/fresh/.local/share"_s;
        QDir(QDir::homePath() + u"/fresh"_s).removeRecursively();
        DataHomeScope     scope(dataHome);
        AlertRecorder     recorder;
        const RecordArray notes = MakeDaynotes(3, u"kept"_s);
        QVERIFY(SaveDaynoteFile(notes) && recorder.alerts.isEmpty());
        Value root;
        QVERIFY(ReadPropertyListFile(dataHome + u"/VRDX/"_s + DaynoteFileName, &root, nullptr));
        QCOMPARE(root, Value(notes));
        QCOMPARE(QFileInfo(dataHome).permissions() & QFile::ReadOther, 0);
    }

    void migration_data() {
        AddRows<bool>(
            {{"only VRDXData: it becomes VRDX", false}, {"both: nothing moves, VRDX is used", true}},
            "newFolder");
    }
    void migration() {
        QFETCH(bool, newFolder);
        const auto plant = [](const QString& folder, const QString& prefix) {
            return QDir(Support()).mkdir(folder) &&
                   WritePropertyListFile(Support() + '/' + folder + '/' + DaynoteFileName,
                                         MakeDaynotes(2, prefix), nullptr);
        };
        QVERIFY(plant(OldDataFolderName, u"old"_s));
        QVERIFY(!newFolder || plant(DataFolderName, u"new"_s));
        MigrateDataFolder();
        RecordArray notes;
        QVERIFY(LoadDaynoteFile(DaynoteFileName, &notes));
        QCOMPARE(notes, MakeDaynotes(2, newFolder ? u"new"_s : u"old"_s));
        QCOMPARE(QFileInfo::exists(Support() + '/' + OldDataFolderName), newFolder);
    }

    void damagedFileIsSetAside_data() {
        AddRows<QByteArray>({{"truncated", "<?xml version=\"1.0\"?><plist><array><dict><key>No"_ba},
                             {"empty file", QByteArray()}},
                            "content");
    }
    void damagedFileIsSetAside() {
        QFETCH(QByteArray, content);
        QVERIFY(WriteTextFile(QString::fromLatin1(content), GetDataFolderURL() + '/' + DaynoteFileName));
        AlertRecorder recorder;
        RecordArray   notes = MakeDaynotes(1, u"stale"_s);
        QVERIFY(LoadDaynoteFile(DaynoteFileName, &notes) && notes.empty());
        const QStringList aside = QDir(GetDataFolderURL()).entryList({DaynoteFileName + u" (unreadable*"_s});
        QCOMPARE(aside.size(), 1);
        QVERIFY(recorder.alerts.size() == 1 && recorder.alerts[0].informative.contains(aside[0]));
        QVERIFY(SaveRecordFile(MakeDaynotes(1, u"fresh"_s), DaynoteFileName)); // leaves the damaged one alone
        QCOMPARE(ReadBytes(GetDataFolderURL() + '/' + aside[0]), content);
    }

    // A save killed at any moment leaves the old file or the new one, never a mixture or nothing.
    void killedSavesLeaveAWholeFile() {
        const RecordArray first = MakeDaynotes(3000, u"first"_s), second = MakeDaynotes(3100, u"second"_s);
        QVERIFY(SaveRecordFile(first, DaynoteFileName));
        QRandomGenerator random(20261206);
        for (int round = 0; round < 100; ++round) {
            const pid_t child = fork();
            if (child == 0)
                for (int i = 0;; ++i) SaveRecordFile(i % 2 ? first : second, DaynoteFileName);
            QTest::qSleep(int(random.bounded(1, 40)));
            ::kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            Value   root;
            QString error;
            QVERIFY2(ReadPropertyListFile(GetDataFileURL(DaynoteFileName), &root, &error),
                     qPrintable(u"round %1: %2"_s.arg(round).arg(error)));
            QVERIFY2(root == Value(first) || root == Value(second), qPrintable(u"round %1"_s.arg(round)));
        }
    }

    // UTF-8 with line feeds, whatever line breaks the text had; nothing outside Latin-1 is lost.
    void textFiles() {
        const QString path = QDir::homePath() + u"/export.txt"_s;
        QVERIFY(WriteTextFile(u"Café\r日本\r\n€\r😀\n"_s, path));
        QCOMPARE(ReadBytes(path), u"Café\n日本\n€\n😀\n"_s.toUtf8());
    }
};

QTEST_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
