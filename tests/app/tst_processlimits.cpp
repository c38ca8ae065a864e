#include "app/ProcessLimits.h"
#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum ChildOutcome { Reported = 0, SavedDespiteLimit = 1, WrongText = 2 };

// Runs in the forked child only: the limit and the signal setting must not leak into the
// test process, and a death by SIGXFSZ must be observable from outside.
[[noreturn]] void saveUnderLimit(const QString &path, bool ignoreSignal)
{
    std::signal(SIGXFSZ, SIG_DFL);
    if (ignoreSignal)
        ignoreFileSizeSignal();
    rlimit limited{};
    getrlimit(RLIMIT_FSIZE, &limited);
    limited.rlim_cur = 150000;
    setrlimit(RLIMIT_FSIZE, &limited);
    RingModel model;
    model.NewProjectDefaults();
    model.setRingCount(2);
    model.ReloadRing(0);
    const auto error = ProjectFile::save(model, path);
    if (!error)
        _exit(SavedDespiteLimit);
    _exit(error->contains(QStringLiteral("Ошибка записи файла")) ? Reported : WrongText);
}

} // namespace

class TestProcessLimits : public QObject
{
    Q_OBJECT
private slots:
    void fileSizeLimitFailsTheSaveInsteadOfTheProgram_data()
    {
        QTest::addColumn<bool>("ignoreSignal");
        QTest::addColumn<int>("expectedSignal");
        // The row without the call shows the limit really ends a program that does not
        // prepare for it, so the other row proves something.
        QTest::newRow("default disposition") << false << int(SIGXFSZ);
        QTest::newRow("after start-up call") << true << 0;
    }
    void fileSizeLimitFailsTheSaveInsteadOfTheProgram()
    {
        QFETCH(bool, ignoreSignal);
        QFETCH(int, expectedSignal);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("big.velt"));
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0)
            saveUnderLimit(path, ignoreSignal);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        if (expectedSignal != 0) {
            QVERIFY(WIFSIGNALED(status));
            QCOMPARE(WTERMSIG(status), expectedSignal);
            return;
        }
        QVERIFY2(WIFEXITED(status), "the save ended the process");
        QCOMPARE(WEXITSTATUS(status), int(Reported));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(TestProcessLimits)
#include "tst_processlimits.moc"
