#include "model/ByteIO.h"
#include "model/Crc32.h"
#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace PL = ProjectLayout;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

std::span<const std::uint8_t> bytesOf(const QByteArray &a, qsizetype from, qsizetype size)
{
    return {reinterpret_cast<const std::uint8_t *>(a.constData()) + from, std::size_t(size)};
}

// A project of `rings` rings whose rings can be told apart by their description byte.
void makeProject(RingModel &model, int rings)
{
    model.NewProjectDefaults();
    for (int r = 0; r < rings; ++r)
        model.store(r).project[PL::Description] = std::uint8_t('1' + r);
    model.setRingCount(rings);
    model.ReloadRing(0);
}

} // namespace

class TestProjectFile : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void newProjectSavesSealedRecord()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setModified(true);
        QVERIFY(!ProjectFile::save(model, path("new.velt")));
        QVERIFY(!model.modified());
        const QByteArray file = readAll(path("new.velt"));
        QCOMPARE(file.size(), 117414);
        const auto project = bytesOf(file, 0, PL::Size);
        const auto programs = bytesOf(file, PL::Size, ProgramsLayout::Size);
        QCOMPARE(readU16(project, PL::BlockSize), 10878);
        QCOMPARE(readU16(project, PL::Marker), 0xABBA);
        QCOMPARE(readU32(project, PL::Crc), Crc32(project.first(PL::Crc)));
        QCOMPARE(readU32(programs, ProgramsLayout::Crc),
                 Crc32(programs.first(ProgramsLayout::Crc)));
        QCOMPARE(readU32(programs, ProgramsLayout::BlockSize), 0u);
        QCOMPARE(readU32(project, PL::ProgramsCrcCopy), 0u);
        QCOMPARE(int(project[PL::RingCount]), 0); // the settings dialog was never applied
        // The seal went to the file only: memory holds the blocks as before.
        QCOMPARE(readU16(model.project(), PL::Marker), 0);
        QVERIFY(model.working() == model.store(0));

        QVERIFY(!ProjectFile::save(model, path("again.velt")));
        QCOMPARE(readAll(path("again.velt")), file);
    }

    void ringCountGivesFileSize_data()
    {
        QTest::addColumn<int>("rings");
        QTest::newRow("1") << 1;
        QTest::newRow("2") << 2;
        QTest::newRow("3") << 3;
        QTest::newRow("4") << 4;
    }
    void ringCountGivesFileSize()
    {
        QFETCH(int, rings);
        RingModel model;
        makeProject(model, rings);
        // Unsaved edits of the current ring must reach the file.
        model.SwitchRing(rings - 1);
        model.project()[PL::Description + 1] = 'w';
        QVERIFY(!ProjectFile::save(model, path("rings.velt")));
        const QByteArray file = readAll(path("rings.velt"));
        QCOMPARE(file.size(), 117414 * rings);
        for (int r = 0; r < rings; ++r)
            QCOMPARE(file.at(r * 117414 + PL::Description), char('1' + r));
        QCOMPARE(file.at((rings - 1) * 117414 + PL::Description + 1), 'w');
        QCOMPARE(model.currentRing(), rings - 1);
    }

    void openReadsWholeRecordsOnly_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("tail");
        QTest::addColumn<int>("expectedRings");
        QTest::newRow("two records and 1000 bytes") << 2 << 1000 << 2;
        QTest::newRow("exactly one") << 1 << 0 << 1;
        QTest::newRow("four") << 4 << 0 << 4;
        QTest::newRow("five records: fifth ignored") << 5 << 17 << 4;
    }
    void openReadsWholeRecordsOnly()
    {
        QFETCH(int, records);
        QFETCH(int, tail);
        QFETCH(int, expectedRings);
        QByteArray bytes;
        for (int r = 0; r < records; ++r) {
            QByteArray record(117414, char(0));
            record[PL::Description] = char('A' + r);
            record[PL::DirectionCount] = char(r + 3);
            record[directionOffset(0) + 5] = char(9); // forced back to 2 by the fix-up
            bytes += record;
        }
        bytes += QByteArray(tail, char(0x5A));
        writeAll(path("in.velt"), bytes);

        RingModel model;
        makeProject(model, 4);
        model.SwitchRing(2);
        const RingData untouchedRing4 = model.store(3);
        const auto result = ProjectFile::open(model, path("in.velt"));
        QVERIFY(result.ok());
        QCOMPARE(result.ringsRead, expectedRings);
        QCOMPARE(model.ringCount(), expectedRings);
        QCOMPARE(model.currentRing(), 0);
        QCOMPARE(int(model.project()[PL::Description]), int('A'));
        for (int r = 0; r < expectedRings; ++r) {
            QCOMPARE(int(model.store(r).project[PL::Description]), int('A' + r));
            QCOMPARE(int(model.store(r).project[PL::DirectionCount]), r + 3);
            QCOMPARE(int(model.store(r).project[directionOffset(0) + 5]), 2);
        }
        if (expectedRings < 4) // rings the file did not fill keep their content
            QCOMPARE(int(model.store(3).project[PL::Description]),
                     int(untouchedRing4.project[PL::Description]));
    }

    void shortFileChangesNothing()
    {
        writeAll(path("short.velt"), QByteArray(117413, char(1)));
        RingModel model;
        makeProject(model, 2);
        model.SwitchRing(1);
        const RingData before = model.working();
        const auto result = ProjectFile::open(model, path("short.velt"));
        QVERIFY(result.ok());
        QCOMPARE(result.ringsRead, 0);
        QCOMPARE(model.ringCount(), 2);
        QCOMPARE(model.currentRing(), 1);
        QVERIFY(model.working() == before);
    }

    void unreadableFileReportsAndKeepsModel()
    {
        RingModel model;
        makeProject(model, 2);
        model.setModified(true);
        const RingData before = model.working();
        const auto result = ProjectFile::open(model, path("does-not-exist.velt"));
        QVERIFY(!result.ok());
        QVERIFY(result.error.contains(QStringLiteral("Не удалось открыть")));
        QVERIFY(model.working() == before);
        QCOMPARE(model.ringCount(), 2);
        QVERIFY(model.modified());
    }

    void saveRoundTrip()
    {
        RingModel model;
        makeProject(model, 3);
        writeU16(model.store(1).project, PL::SyncShift, 1234);
        QVERIFY(!ProjectFile::save(model, path("round.velt")));
        RingModel other;
        other.NewProjectDefaults();
        QVERIFY(ProjectFile::open(other, path("round.velt")).ok());
        QCOMPARE(other.ringCount(), 3);
        // The marker was written, so the ring fields survive the fix-up.
        QCOMPARE(readU16(other.store(1).project, PL::SyncShift), 1234);
        QCOMPARE(int(other.store(2).project[PL::Description]), int('3'));
    }

    void failedSaveKeepsOldFile()
    {
        RingModel model;
        makeProject(model, 1);
        QVERIFY(!ProjectFile::save(model, path("keep.velt")));
        const QByteArray old = readAll(path("keep.velt"));

        // A disk that fills up halfway through the second ring.
        makeProject(model, 2);
        model.setModified(true);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit original{};
        getrlimit(RLIMIT_FSIZE, &original);
        rlimit limited = original;
        limited.rlim_cur = 150000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const auto error = ProjectFile::save(model, path("keep.velt"));
        setrlimit(RLIMIT_FSIZE, &original);

        QVERIFY(error.has_value());
        QVERIFY(error->contains(QStringLiteral("Прежний файл не изменен")));
        QVERIFY2(error->contains(QStringLiteral(": Превышен допустимый размер файла.")),
                 qPrintable(*error));
        QCOMPARE(readAll(path("keep.velt")), old);
        QVERIFY(model.modified());
    }

    void saveErrorTextNamesTheReason_data()
    {
        QTest::addColumn<int>("errorNumber");
        QTest::addColumn<QString>("expected");
        QTest::newRow("full disk") << int(ENOSPC) << "Недостаточно места на диске";
        QTest::newRow("quota") << int(EDQUOT) << "Недостаточно места на диске";
        QTest::newRow("size limit") << int(EFBIG) << "Превышен допустимый размер файла";
        QTest::newRow("no access") << int(EACCES) << "Нет доступа";
        QTest::newRow("not permitted") << int(EPERM) << "Нет доступа";
        QTest::newRow("read-only") << int(EROFS) << "Диск только для чтения";
        QTest::newRow("other: the system's words") << int(EIO) << qt_error_string(EIO);
    }
    void saveErrorTextNamesTheReason()
    {
        QFETCH(int, errorNumber);
        QFETCH(QString, expected);
        QCOMPARE(ProjectFile::saveErrorText(errorNumber), expected);
        QVERIFY(!expected.contains(QStringLiteral("Unknown")));
    }

    void fullDiskNamesTheReason()
    {
        // A 200 KB disk of its own holds the one-ring file but not a two-ring copy beside it.
        // The child's private mount table takes the disk away with the child.
        QTemporaryDir disk;
        QVERIFY(disk.isValid());
        enum { Reported = 0, WrongText = 1, Saved = 2, NoDisk = 3 };
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            const QByteArray mountPoint = QFile::encodeName(disk.path());
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=200k") != 0)
                _exit(NoDisk);
            const QString file = disk.filePath(QStringLiteral("full.velt"));
            RingModel model;
            makeProject(model, 1);
            if (ProjectFile::save(model, file))
                _exit(NoDisk);
            makeProject(model, 2);
            const auto error = ProjectFile::save(model, file);
            if (!error)
                _exit(Saved);
            _exit(error->contains(QStringLiteral(": Недостаточно места на диске. Прежний файл не "
                                                 "изменен."))
                      ? Reported
                      : WrongText);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == NoDisk)
            QSKIP("no private mount of a small disk here (needs root)");
        QCOMPARE(WEXITSTATUS(status), int(Reported));
    }

    void saveIntoMissingFolderFails()
    {
        RingModel model;
        makeProject(model, 1);
        model.setModified(true);
        QVERIFY(ProjectFile::save(model, path("no/such/folder/x.velt")).has_value());
        QVERIFY(model.modified());
    }
};

QTEST_GUILESS_MAIN(TestProjectFile)
#include "tst_projectfile.moc"
