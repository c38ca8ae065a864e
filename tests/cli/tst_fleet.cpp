// velt-cli over a city of 50 virtual controllers on 127.0.0.10..59: nightly backups, an
// unchanged flash that leaves its file alone, and a batch upload where some controllers drop
// half their answers or say nothing at all.
#include "CliRig.h"

#include "sim/SimFleet.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr quint16 kPort = 32991;
constexpr int kFirst = 10;
constexpr int kCount = 50;
// A short wait where faulty controllers cost one per miss. Not too short: an answer later than
// the wait is taken for the next command's, and a loaded machine may hold one back that long.
const QString kWait = QStringLiteral("150");
// The controller whose project changes between two nights (two rings, as its new one).
constexpr int kChanged = 4;
const QStringList kHalf{QStringLiteral("dk20"), QStringLiteral("dk21"), QStringLiteral("dk22")};
const QStringList kSilent{QStringLiteral("dk30"), QStringLiteral("dk31")};
// The virtual controllers answer from the tool's own thread here, so every job in flight also
// costs them time: all fifty at once on a busy machine starve both sides past the wait, which
// a fleet of real controllers (or veltsim in its own process, as fleetbench runs it) does not.
const QStringList kGentle{QStringLiteral("--jobs"), QStringLiteral("8")};

QString name(int n)
{
    return QStringLiteral("dk%1").arg(kFirst + n);
}

SimFleet::Address address(int n)
{
    return {QHostAddress(QStringLiteral("127.0.0.%1").arg(kFirst + n)), kPort};
}

// The line of the controller in the tool's output.
QString lineOf(const QString &out, const QString &controller)
{
    for (const QString &line : out.split(QLatin1Char('\n')))
        if (line.startsWith(controller + QLatin1Char(' ')))
            return line;
    return {};
}
} // namespace

class TestFleet : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_list;
    QString m_backups;
    QStringList m_projects; // the project each controller held at the first backup

    QString saveProject(RingModel &model, const QString &stem)
    {
        const QString file = m_dir.filePath(stem + QStringLiteral(".velt"));
        return ProjectFile::save(model, file) ? QString() : file;
    }
    QString backupOf(int n) const { return m_backups + QLatin1Char('/') + name(n) + ".velt"; }
    QByteArray expected(const QString &project)
    {
        return downloadedImage(project, m_dir.filePath(QStringLiteral("scratch.velt")));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QString text = QStringLiteral("# the city\n\n");
        for (int n = 0; n < kCount; ++n)
            text += QStringLiteral("%1  %2:%3   # crossing %4\n")
                        .arg(name(n), address(n).address.toString())
                        .arg(kPort)
                        .arg(n + 1);
        m_list = m_dir.filePath(QStringLiteral("city.txt"));
        QFile list(m_list);
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(text.toUtf8());
        m_backups = m_dir.filePath(QStringLiteral("backups"));
    }

    void backupEveryController()
    {
        SimFleet fleet;
        for (int n = 0; n < kCount; ++n) {
            QVERIFY2(fleet.add(address(n), {}), qPrintable(fleet.errorString()));
            auto project = makeProject(QStringLiteral("перекресток %1").arg(n + 1), 1 + n % 3);
            m_projects << saveProject(*project, QStringLiteral("held-%1").arg(n));
            preload(fleet.controller(n), *loaded(m_projects.last()));
        }

        const CliRun first =
            runInProcess(QStringList{QStringLiteral("backup"), QStringLiteral("--fleet"), m_list,
                                     QStringLiteral("-o"), m_backups} +
                         kGentle);
        QVERIFY2(first.status == 0, qPrintable(first.out + first.err));
        QVERIFY2(first.out.contains(QStringLiteral("успешно 50, с ошибкой 0 (записано 50")),
                 qPrintable(first.out));
        for (int n = 0; n < kCount; ++n) {
            QVERIFY2(lineOf(first.out, name(n)).contains(QStringLiteral("OK")),
                     qPrintable(name(n)));
            QVERIFY2(readAll(backupOf(n)) == expected(m_projects[n]), qPrintable(name(n)));
        }

        // The next night: one controller got a new project, the others did not.
        const QDateTime old = QDateTime::fromSecsSinceEpoch(1'000'000'000);
        for (int n = 0; n < kCount; ++n) {
            QFile file(backupOf(n));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        auto changed = makeProject(QStringLiteral("новый план"), 2);
        const QString changedFile = saveProject(*changed, QStringLiteral("changed"));
        preload(fleet.controller(kChanged), *loaded(changedFile));
        const CliRun second =
            runInProcess(QStringList{QStringLiteral("backup"), QStringLiteral("--fleet"), m_list,
                                     QStringLiteral("-o"), m_backups, QStringLiteral("--json")} +
                         kGentle);
        QCOMPARE(second.status, 0);
        const QJsonObject json = QJsonDocument::fromJson(second.out.toUtf8()).object();
        QCOMPARE(json.value(QStringLiteral("failed")).toInt(), 0);
        const QJsonArray results = json.value(QStringLiteral("results")).toArray();
        QCOMPARE(results.size(), kCount);
        for (int n = 0; n < kCount; ++n) {
            const QJsonObject r = results[n].toObject();
            QCOMPARE(r.value(QStringLiteral("name")).toString(), name(n));
            QCOMPARE(r.value(QStringLiteral("changed")).toBool(), n == kChanged);
            QCOMPARE(QFileInfo(backupOf(n)).lastModified() == old, n != kChanged);
        }
        QCOMPARE(readAll(backupOf(kChanged)), expected(changedFile));
        m_projects[kChanged] = changedFile;
        QCOMPARE(strayFiles(m_backups), QStringList());
    }

    void uploadToAllWithFaultyControllers()
    {
        SimFleet fleet;
        for (int n = 0; n < kCount; ++n) {
            FaultOptions faults;
            faults.seed = quint32(n + 1);
            if (kHalf.contains(name(n)))
                faults.dropShare = 0.5;
            if (kSilent.contains(name(n)))
                faults.dropShare = 1.0;
            QVERIFY2(fleet.add(address(n), faults), qPrintable(fleet.errorString()));
        }
        auto plan = makeProject(QStringLiteral("плановое изменение"), 2);
        plan->store(1).project[ProjectLayout::DirectionCount] = 6;
        const QString planFile = saveProject(*plan, QStringLiteral("plan"));

        QElapsedTimer clock;
        clock.start();
        const CliRun upload = runInProcess(
            QStringList{QStringLiteral("upload"), QStringLiteral("--fleet"), m_list, planFile,
                        QStringLiteral("--wait"), kWait, QStringLiteral("--accept-warnings")} +
            kGentle);
        qInfo("fleet upload: %lld ms", static_cast<long long>(clock.elapsed()));
        QCOMPARE(upload.status, 1);
        const QStringList bad = kHalf + kSilent;
        QVERIFY2(upload.out.contains(QStringLiteral("успешно 45, с ошибкой 5. Не выполнено: ") +
                                     bad.join(QStringLiteral(", "))),
                 qPrintable(upload.out));
        const auto sent = loaded(planFile);
        for (int n = 0; n < kCount; ++n) {
            const QString line = lineOf(upload.out, name(n));
            if (bad.contains(name(n))) {
                QVERIFY2(line.contains(QStringLiteral("ОШИБКА")), qPrintable(line));
                continue;
            }
            // Read back and compared by the upload itself, and held in flash as sent.
            QVERIFY2(line.contains(QStringLiteral("Проект успешно загружен!")), qPrintable(line));
            QVERIFY2(holds(fleet.controller(n), *sent, 0) && holds(fleet.controller(n), *sent, 1),
                     qPrintable(name(n)));
        }
        QVERIFY(
            lineOf(upload.out, QStringLiteral("dk30")).contains(QStringLiteral("ДК не отвечает!")));

        // The night after: the good ones are backed up with the new project; the bad ones
        // keep their last good copy, whole. The plan has two rings where some held three: the
        // operator who made the change lets the copies shrink.
        const CliRun backup =
            runInProcess(QStringList{QStringLiteral("backup"), QStringLiteral("--fleet"), m_list,
                                     QStringLiteral("-o"), m_backups, QStringLiteral("--wait"),
                                     kWait, QStringLiteral("--allow-fewer-rings")} +
                         kGentle);
        QCOMPARE(backup.status, 1);
        for (int n = 0; n < kCount; ++n) {
            const QByteArray want =
                bad.contains(name(n)) ? expected(m_projects[n]) : expected(planFile);
            QVERIFY2(readAll(backupOf(n)) == want, qPrintable(name(n)));
        }
        QCOMPARE(strayFiles(m_backups), QStringList());
        QCOMPARE(QDir(m_backups).entryList(QDir::Files).size(), kCount);
    }
};

QTEST_GUILESS_MAIN(TestFleet)
#include "tst_fleet.moc"
