// A save cut off at any moment (the program killed) leaves the old project or the new one,
// never a mix of the two, and no half-written scratch file beside it.
#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace PL = ProjectLayout;

namespace {

constexpr int kKills = 200;
constexpr qint64 kBudgetMs = 20000;
constexpr qint64 kChildMs = 5000;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Four rings whose every ring tells which of the two projects it belongs to.
void makeProject(RingModel &model, char tag)
{
    model.NewProjectDefaults();
    for (int r = 0; r < MaxRings; ++r) {
        model.store(r).project[PL::Description] = std::uint8_t(tag);
        model.store(r).project[PL::Description + 1] = std::uint8_t('1' + r);
    }
    model.setRingCount(MaxRings);
    model.ReloadRing(0);
}

// QSaveFile writes into an unnamed file and gives it a name only at the end: it links it as
// "project.velt.XXXXXX" and renames that over the project, because no call links an unnamed
// file over an existing name. A kill between the two leaves that name behind, with the whole
// new project in it; nothing else may be left. The leftover is removed so that the next kill
// is judged alone.
bool leftoversAreWhole(const QString &folder, const QByteArray &first, const QByteArray &second)
{
    static const QRegularExpression linkedScratch(
        QStringLiteral("^project\\.velt\\.[A-Za-z0-9]{6}$"));
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden)) {
        if (name == QStringLiteral("project.velt"))
            continue;
        const QByteArray bytes = readAll(dir.filePath(name));
        if (!linkedScratch.match(name).hasMatch() || (bytes != first && bytes != second))
            return false;
        QFile::remove(dir.filePath(name));
    }
    return true;
}

} // namespace

class TestSaveKill : public QObject
{
    Q_OBJECT
private slots:
    void killedSaveLeavesAWholeFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString target = dir.filePath(QStringLiteral("project.velt"));
        RingModel first;
        RingModel second;
        makeProject(first, 'A');
        makeProject(second, 'B');
        QVERIFY(!ProjectFile::save(second, target));
        const QByteArray secondBytes = readAll(target);
        QVERIFY(!ProjectFile::save(first, target));
        const QByteArray firstBytes = readAll(target);
        QCOMPARE(firstBytes.size(), qsizetype(MaxRings * RingRecordSize));
        QVERIFY(firstBytes != secondBytes);

        QElapsedTimer clock;
        clock.start();
        int kills = 0;
        int secondSeen = 0;
        for (; kills < kKills && clock.elapsed() < kBudgetMs; ++kills) {
            const pid_t child = fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                // Saves the two projects in turn until it is killed; it goes with the test and
                // gives up by itself, should the kill never come.
                prctl(PR_SET_PDEATHSIG, SIGKILL);
                QElapsedTimer alive;
                alive.start();
                for (int n = 0; alive.elapsed() < kChildMs; ++n)
                    (void)ProjectFile::save(n % 2 ? first : second, target);
                _exit(0);
            }
            usleep(useconds_t(QRandomGenerator::global()->bounded(20000)));
            QCOMPARE(kill(child, SIGKILL), 0);
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status));

            const QByteArray now = readAll(target);
            QVERIFY2(now == firstBytes || now == secondBytes,
                     qPrintable(QStringLiteral("kill %1: a file of %2 bytes that is neither")
                                    .arg(kills)
                                    .arg(now.size())));
            secondSeen += now == secondBytes;
            QVERIFY2(leftoversAreWhole(dir.path(), firstBytes, secondBytes),
                     qPrintable(QStringLiteral("kill %1 left a scratch file").arg(kills)));
        }
        // The child got through whole saves too, so the kills fell at every stage of one.
        QVERIFY(secondSeen > 0);
        QVERIFY2(kills >= kKills, qPrintable(QStringLiteral("only %1 kills in time").arg(kills)));
    }
};

QTEST_GUILESS_MAIN(TestSaveKill)
#include "tst_savekill.moc"
