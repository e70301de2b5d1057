// The data folder and its files on a real disk: migration, stamped atomic saves written while serialised,
// damaged and text files.
#include "core/backups.h"
#include "core/datafiles.h"
#include "core/dates.h"
#include "core/plist.h"
#include "helpers/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <csignal>
#include <sys/resource.h>
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

// What Python's plistlib makes of a file: its number of records, and whether the last one holds this text.
static QByteArray PlistlibReading(const QString& path, const QString& lastText) {
    QProcess python;
    python.start(RequireProgram(u"/usr/bin/python3"_s),
                 {u"-c"_s,
                  u"import plistlib, sys; d = plistlib.load(open(sys.argv[1], 'rb')); "
                  "print(len(d), sys.argv[2] in d[-1].values())"_s,
                  path, lastText});
    return python.waitForFinished() ? python.readAllStandardOutput().trimmed() : QByteArray();
}

static struct stat StatOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// Enough daynotes for a file of a few pieces as the save hands them to its writing thread.
constexpr int ManyNotes = 4000;

using FileRow = std::pair<QString, QByteArray>;
// The old file: this many notes, one of them (or none, -1) with other words, and its end as written or
// changed.
enum class OldEnd { AsWritten, LastByteChanged, LastByteCut, ByteAdded };
struct StreamedSaveRow {
    int    oldNotes, changedNote;
    OldEnd end;
};
// What happens between reading the daynote file and saving the daynotes again.
enum class Meanwhile { Nothing, OneChanged, FileReplaced };
struct SaveAfterLoadRow {
    bool      unsorted; // the file's records out of date order, so reading reorders them
    Meanwhile meanwhile;
    bool      written;
};
enum class Failure { SizeLimit, NoFolder, FolderAtPath };
using FailedSaveRow = std::pair<Failure, QString>;

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

    // The file is compared while it is written: whatever piece holds the difference, the new file is whole
    // and the day's backup is the old one; when nothing differs, nothing is touched.
    void streamedSaves_data() {
        AddRows<StreamedSaveRow>(
            {{"differs in the first piece", {ManyNotes, 0, OldEnd::AsWritten}},
             {"differs in a middle piece", {ManyNotes, ManyNotes / 2, OldEnd::AsWritten}},
             {"differs only in the last byte", {ManyNotes, -1, OldEnd::LastByteChanged}},
             {"old file longer by one record", {ManyNotes + 1, -1, OldEnd::AsWritten}},
             {"old file shorter by one record", {ManyNotes - 1, -1, OldEnd::AsWritten}},
             {"old file longer by a byte", {ManyNotes, -1, OldEnd::ByteAdded}},
             {"old file shorter by a byte", {ManyNotes, -1, OldEnd::LastByteCut}},
             {"equal", {ManyNotes, -1, OldEnd::AsWritten}}});
    }
    void streamedSaves() {
        FETCH_ROW(StreamedSaveRow, oldNotes, changedNote, end);
        const RecordArray notes = MakeDaynotes(ManyNotes, u"note"_s);
        RecordArray       old = MakeDaynotes(oldNotes, u"note"_s);
        if (changedNote >= 0)
            SetDaynote(old, changedNote, u"other words"_s, 86400.0 * changedNote, NoteStandard, {});
        QByteArray oldBytes = WritePropertyList(Value(old));
        if (end == OldEnd::LastByteChanged) oldBytes.back() = ' ';
        if (end == OldEnd::LastByteCut) oldBytes.chop(1);
        if (end == OldEnd::ByteAdded) oldBytes += '\n';
        const QString path = GetDataFolderURL() + '/' + DaynoteFileName;
        QVERIFY(WriteBytes(path, oldBytes));
        QVERIFY(oldBytes.size() > 1 << 20);
        const struct stat before = StatOf(path);
        const bool        equal = oldBytes == WritePropertyList(Value(notes));

        QVERIFY(SaveRecordFile(notes, DaynoteFileName));
        QCOMPARE(PlistlibReading(path, u"note %1\rsecond line é€"_s.arg(ManyNotes - 1)),
                 QByteArray::number(ManyNotes) + " True");
        QCOMPARE(ReadBytes(path), WritePropertyList(Value(notes)));
        const struct stat after = StatOf(path);
        QCOMPARE(after.st_ino == before.st_ino, equal); // a replaced file's inode lives on in the backup
        if (equal)
            QVERIFY(after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
                    after.st_mtim.tv_nsec == before.st_mtim.tv_nsec);
        QCOMPARE(QDir(GetDataFolderURL()).entryList(QDir::Files),
                 QStringList{DaynoteFileName}); // no temporary
        const QStringList backups = QDir(BackupFolder()).entryList(QDir::Files);
        QCOMPARE(backups.size(), equal ? 0 : 1);
        if (!equal) QCOMPARE(ReadBytes(BackupFolder() + '/' + backups[0]), oldBytes);
    }

    // Daynotes saved as they were read, over the very file read, leave it alone even in another writer's
    // layout; a change, a reordering on reading or another program's write in between make the save write.
    void saveAfterLoad_data() {
        AddRows<SaveAfterLoadRow>(
            {{"nothing changed", {false, Meanwhile::Nothing, false}},
             {"one daynote changed", {false, Meanwhile::OneChanged, true}},
             {"file replaced by another program", {false, Meanwhile::FileReplaced, true}},
             {"reordered when read", {true, Meanwhile::Nothing, true}}});
    }
    void saveAfterLoad() {
        FETCH_ROW(SaveAfterLoadRow, unsorted, meanwhile, written);
        RecordArray stored = MakeDaynotes(50, u"read"_s);
        if (unsorted) std::swap(stored[0], stored[1]);
        const QString path = GetDataFolderURL() + '/' + DaynoteFileName;
        // Indented by blanks rather than tabs: only a write makes the file the program's own layout.
        QByteArray oldBytes = WritePropertyList(Value(stored)).replace('\t', "  ");
        QVERIFY(WriteBytes(path, oldBytes));
        RecordArray daynotes;
        QVERIFY(FinishReadingDaynoteFile(DaynoteFileName, SortDaynotes, &daynotes));
        QCOMPARE(daynotes, MakeDaynotes(50, u"read"_s));
        if (meanwhile == Meanwhile::OneChanged)
            SetDaynote(daynotes, 7, u"changed"_s, 86400.0 * 7, NoteStandard, {});
        if (meanwhile == Meanwhile::FileReplaced) QVERIFY(WriteBytes(path, oldBytes = "<plist/>"));
        const struct stat before = StatOf(path);

        QVERIFY(SaveRecordFile(daynotes, DaynoteFileName));
        QCOMPARE(ReadBytes(path), written ? WritePropertyList(Value(daynotes)) : oldBytes);
        QCOMPARE(StatOf(path).st_ino == before.st_ino, !written);
        QCOMPARE(QDir(BackupFolder()).entryList(QDir::Files).size(), written ? 1 : 0);
    }

    // A link in the data folder stays a link: its target takes the new bytes and keeps its mode.
    void savesThroughALink() {
        const QString target = QDir::homePath() + u"/elsewhere.plist"_s;
        QFile::remove(target);
        QVERIFY(WriteBytes(target, "old"_ba) &&
                QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        const QString path = GetDataFolderURL() + '/' + DaynoteFileName;
        QVERIFY(QFile::link(target, path));
        QVERIFY(SaveRecordFile(MakeDaynotes(2, u"linked"_s), DaynoteFileName));
        QCOMPARE(QFileInfo(path).symLinkTarget(), target);
        QCOMPARE(ReadBytes(target), WritePropertyList(Value(MakeDaynotes(2, u"linked"_s))));
        QCOMPARE(StatOf(target).st_mode & 07777, 0604u);
        QCOMPARE(QDir::home().entryList({u"elsewhere*"_s}, QDir::Files), QStringList{u"elsewhere.plist"_s});
    }

    // A save that fails, at the start, in the middle of the stream or at the rename, leaves what was there
    // and no temporary file, and says why in the system's words.
    void failedSavesKeepTheOldFile_data() {
        AddRows<FailedSaveRow>(
            {{"file size limit reached mid-stream", {Failure::SizeLimit, u"File too large"_s}},
             {"no folder to write in", {Failure::NoFolder, u"No such file or directory"_s}},
             {"a folder at the path", {Failure::FolderAtPath, u"Is a directory"_s}}});
    }
    void failedSavesKeepTheOldFile() {
        FETCH_ROW(FailedSaveRow, failure, reason);
        const QString folder = GetDataFolderURL();
        QString       path = folder + '/' + DaynoteFileName;
        const auto    save = [&] {
            QString    error;
            const bool saved = WritePropertyListFile(path, MakeDaynotes(ManyNotes, u"new"_s), &error);
            return saved ? QString() : error;
        };
        if (failure == Failure::SizeLimit) {
            QVERIFY(WritePropertyListFile(path, MakeDaynotes(ManyNotes, u"old"_s), nullptr));
            const QByteArray old = ReadBytes(path);
            rlimit           saved = {};
            getrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
            rlimit limit = saved;
            limit.rlim_cur = 1 << 19; // partway
            setrlimit(RLIMIT_FSIZE, &limit);
            const QString error = save();
            setrlimit(RLIMIT_FSIZE, &saved);
            QVERIFY2(error.endsWith(reason), qPrintable(error));
            QCOMPARE(ReadBytes(path), old);
        } else if (failure == Failure::NoFolder) {
            path = folder + u"/no such folder/"_s + DaynoteFileName;
            const QString error = save();
            QVERIFY2(error.startsWith(path) && error.endsWith(reason), qPrintable(error));
        } else {
            QVERIFY(QDir(folder).mkdir(DaynoteFileName));
            const QString error = save();
            QVERIFY2(error.endsWith(reason), qPrintable(error));
            QVERIFY(QFileInfo(path).isDir());
        }
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 failure == Failure::NoFolder ? QStringList() : QStringList{DaynoteFileName});
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
