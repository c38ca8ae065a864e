// velt-cli against one virtual controller: upload, download and verify over UDP and over a
// pseudo-terminal, a controller that never answers, an old one, and wrong command lines.
#include "CliRig.h"

#include "cli/FleetList.h"
#include "model/ByteIO.h"
#include "model/Structures.h"
#include "sim/SimFleet.h"
#include "sim/SimPtyEndpoint.h"
#include "sim/SimUdpEndpoint.h"
#include "support/HeldPort.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
const QHostAddress kSim(QStringLiteral("127.0.0.100"));
constexpr quint16 kPort = 32990;
const QString kTo = QStringLiteral("127.0.0.100:%1").arg(kPort);

// A controller on the loopback address, with the faults asked for.
struct Sim
{
    explicit Sim(const FaultOptions &faults = {}, bool oldFirmware = false)
        : controller(oldFirmware), plan(faults), udp(controller, plan)
    {
        listening = udp.listen(kSim, kPort);
    }
    VirtualController controller;
    FaultPlan plan;
    SimUdpEndpoint udp;
    bool listening = false;
};
} // namespace

class TestCliLink : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_files = 0;

    QString path(const QString &stem)
    {
        return m_dir.filePath(QStringLiteral("%1-%2.velt").arg(stem).arg(++m_files));
    }
    QString save(RingModel &model)
    {
        const QString file = path(QStringLiteral("p"));
        return ProjectFile::save(model, file) ? QString() : file;
    }

private slots:
    void uploadDownloadVerifyRoundTrip()
    {
        Sim sim;
        QVERIFY(sim.listening);
        auto project = makeProject(QStringLiteral("Ленина - Мира"), 2);
        project->store(1).project[ProjectLayout::DirectionCount] = 5;
        const QString file = save(*project);
        QVERIFY(!file.isEmpty());

        // Directions 3..5 of ring 2 have no outputs: a warning the script accepts.
        const CliRun upload =
            runInProcess({QStringLiteral("upload"), file, QStringLiteral("--to"), kTo,
                          QStringLiteral("--json"), QStringLiteral("--accept-warnings")});
        QCOMPARE(upload.status, 0);
        const QJsonObject result = QJsonDocument::fromJson(upload.out.toUtf8()).object();
        QCOMPARE(result.value(QStringLiteral("ok")).toBool(), true);
        QCOMPARE(result.value(QStringLiteral("message")).toString(),
                 QStringLiteral("Проект успешно загружен!"));
        const auto sent = loaded(file);
        QVERIFY(holds(sim.controller, *sent, 0));
        QVERIFY(holds(sim.controller, *sent, 1));

        // What comes back is what the window would have saved of the project.
        const QString back = path(QStringLiteral("back"));
        const CliRun download = runInProcess({QStringLiteral("download"), QStringLiteral("--from"),
                                              kTo, QStringLiteral("-o"), back});
        QCOMPARE(download.status, 0);
        QVERIFY2(download.out.contains(QStringLiteral("Выгружено колец: 2")),
                 qPrintable(download.out));
        QCOMPARE(readAll(back), downloadedImage(file, path(QStringLiteral("scratch"))));

        const CliRun verify =
            runInProcess({QStringLiteral("verify"), file, QStringLiteral("--from"), kTo});
        QCOMPARE(verify.status, 0);
        QVERIFY(verify.out.contains(QStringLiteral("совпадает")));
    }

    // Without the read-back a late acknowledgement may have stood for a lost packet: the run
    // never ends with the plain success.
    void uploadWithoutReadBackSaysSo()
    {
        Sim sim;
        QVERIFY(sim.listening);
        auto project = makeProject(QStringLiteral("без проверки"));
        const CliRun run =
            runInProcess({QStringLiteral("upload"), save(*project), QStringLiteral("--to"), kTo,
                          QStringLiteral("--no-verify")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out.split('\n', Qt::SkipEmptyParts).last(),
                 QStringLiteral("Загружено без проверки"));
        const CliRun help = runInProcess({QStringLiteral("upload"), QStringLiteral("--help")});
        QVERIFY2(help.out.contains(QStringLiteral("запоздавшее подтверждение")),
                 qPrintable(help.out));
    }

    void verifyNamesTheDifference_data()
    {
        QTest::addColumn<int>("rings");
        QTest::addColumn<int>("directions");
        QTest::addColumn<QString>("named");
        QTest::newRow("a field of ring 2") << 2 << 7 << QStringLiteral("кольцо 2");
        QTest::newRow("one ring more") << 3 << 5 << QStringLiteral("колец в файле 3, в ДК 2");
    }
    void verifyNamesTheDifference()
    {
        QFETCH(int, rings);
        QFETCH(int, directions);
        QFETCH(QString, named);
        Sim sim;
        QVERIFY(sim.listening);
        auto inController = makeProject(QStringLiteral("A"), 2);
        inController->store(1).project[ProjectLayout::DirectionCount] = 5;
        preload(sim.controller, *loaded(save(*inController)));

        auto inFile = makeProject(QStringLiteral("A"), rings);
        inFile->store(1).project[ProjectLayout::DirectionCount] = std::uint8_t(directions);
        const QString file = save(*inFile);
        const CliRun verify =
            runInProcess({QStringLiteral("verify"), file, QStringLiteral("--from"), kTo});
        QCOMPARE(verify.status, 1);
        QVERIFY2(verify.err.contains(QStringLiteral("отличается от файла")),
                 qPrintable(verify.err));
        QVERIFY2(verify.err.contains(named), qPrintable(verify.err));
    }

    void downloadDoesNotDropADamagedRing()
    {
        // The window keeps the rings before the first bad one; a copy of the controller must
        // not quietly lack a ring that is there but read wrong.
        Sim sim;
        QVERIFY(sim.listening);
        auto project = makeProject(QStringLiteral("три кольца"), 3);
        preload(sim.controller, *loaded(save(*project)));
        const std::array<std::uint8_t, 4> scribble{1, 2, 3, 4};
        (void)sim.controller.handle(FlashPackets::writeCommand(FlashPackets::CommandSet::RingAware,
                                                               FlashPackets::Block::Programs, 2,
                                                               1000, scribble)
                                        .toLatin1());
        const QString out = path(QStringLiteral("old"));
        QFile old(out);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the last good copy");
        old.close();
        const CliRun run = runInProcess(
            {QStringLiteral("download"), QStringLiteral("--from"), kTo, QStringLiteral("-o"), out});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("Кольцо 3 прочитано с ошибкой")),
                 qPrintable(run.err));
        QCOMPARE(readAll(out), QByteArray("the last good copy"));
    }

    void silentControllerChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("upload") << QStringLiteral("upload");
        QTest::newRow("download") << QStringLiteral("download");
        QTest::newRow("verify") << QStringLiteral("verify");
    }
    void silentControllerChangesNothing()
    {
        QFETCH(QString, command);
        FaultOptions silent;
        silent.dropShare = 1.0;
        Sim sim(silent);
        QVERIFY(sim.listening);
        auto project = makeProject(QStringLiteral("прежний"));
        const QString file = save(*project);
        const QByteArray before = readAll(file);
        QStringList args{command};
        if (command != QLatin1String("download"))
            args << file;
        args << (command == QLatin1String("upload") ? QStringLiteral("--to")
                                                    : QStringLiteral("--from"))
             << kTo << QStringLiteral("--wait") << QStringLiteral("20");
        if (command == QLatin1String("download"))
            args << QStringLiteral("-o") << file;

        const CliRun run = runInProcess(args);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("ДК не отвечает!")), qPrintable(run.err));
        // The probe went out with all its tries; nothing else did.
        QCOMPARE(sim.controller.received().count("proj_flashrd 0 0"), 7);
        QCOMPARE(readAll(file), before);
        QCOMPARE(strayFiles(m_dir.path()), QStringList());
    }

    void oldControllerLoadsOneRingOnlyWhenAllowed_data()
    {
        QTest::addColumn<int>("rings");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<int>("status");
        QTest::newRow("declined") << 2 << false << 1;
        QTest::newRow("allowed") << 1 << true << 0;
    }
    void oldControllerLoadsOneRingOnlyWhenAllowed()
    {
        QFETCH(int, rings);
        QFETCH(bool, allowed);
        QFETCH(int, status);
        Sim sim({}, true);
        QVERIFY(sim.listening);
        auto project = makeProject(QStringLiteral("старый"), rings);
        QStringList args{QStringLiteral("upload"), save(*project), QStringLiteral("--to"), kTo};
        if (allowed)
            args << QStringLiteral("--one-ring");
        const CliRun run = runInProcess(args);
        QCOMPARE(run.status, status);
        if (!allowed) {
            QVERIFY2(run.err.contains(QStringLiteral("Грузим 1 кольцо?")), qPrintable(run.err));
            const auto writes = std::count_if(
                sim.controller.received().cbegin(), sim.controller.received().cend(),
                [](const QByteArray &c) { return c.startsWith("pflashwr ") && c.size() > 30; });
            QCOMPARE(writes, 0);
        }
    }

    // Nobody answers a question on a script's behalf: a project with only warnings goes out
    // when the command line accepts them beforehand, and not otherwise.
    void warningsNeedConsent_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("status");
        QTest::newRow("refused") << false << 1;
        QTest::newRow("accepted") << true << 0;
    }
    void warningsNeedConsent()
    {
        QFETCH(bool, accepted);
        QFETCH(int, status);
        Sim sim;
        QVERIFY(sim.listening);
        auto project = makeProject(QStringLiteral("предупреждение"));
        // Тосн below Тмин: a warning, not an error.
        writeU16(project->programs(), phaseOffset(0, 0) + PhaseLayout::MinTime, 30);
        writeU16(project->programs(), phaseOffset(0, 0) + PhaseLayout::MainTime, 5);
        project->storeWorkingCopy();
        QStringList args{QStringLiteral("upload"), save(*project), QStringLiteral("--to"), kTo};
        if (accepted)
            args << QStringLiteral("--accept-warnings");
        const CliRun run = runInProcess(args);
        QCOMPARE(run.status, status);
        if (!accepted) {
            QVERIFY2(run.err.contains(QStringLiteral("--accept-warnings")), qPrintable(run.err));
            QVERIFY(sim.controller.received().isEmpty());
        }
    }

    void serialRoundTrip()
    {
        VirtualController controller;
        FaultPlan plan;
        SimPtyEndpoint pty(controller, plan);
        QVERIFY(pty.open());
        auto project = makeProject(QStringLiteral("по USB"));
        const QString file = save(*project);
        const CliRun upload =
            runInProcess({QStringLiteral("upload"), file, QStringLiteral("--serial"),
                          pty.devicePath(), QStringLiteral("--no-verify")});
        QCOMPARE(upload.status, 0);
        QVERIFY(holds(controller, *loaded(file), 0));
        const CliRun verify = runInProcess(
            {QStringLiteral("verify"), file, QStringLiteral("--serial"), pty.devicePath()});
        QCOMPARE(verify.status, 0);
        const CliRun missing =
            runInProcess({QStringLiteral("verify"), file, QStringLiteral("--serial"),
                          m_dir.filePath(QStringLiteral("no-such-tty"))});
        QCOMPARE(missing.status, 1);
        QVERIFY(missing.err.contains(QStringLiteral("COM-порт не доступен")));
    }

    void fleetUploadGivesEachControllerItsOwnFile()
    {
        // Putting a night's backups back: the file named after a controller goes to it.
        SimFleet street;
        const quint16 port = kPort + 2;
        QVERIFY(street.add({QHostAddress(QStringLiteral("127.0.0.105")), port}, {}));
        QVERIFY(street.add({QHostAddress(QStringLiteral("127.0.0.106")), port}, {}));
        QDir(m_dir.path()).mkdir(QStringLiteral("night"));
        QStringList files;
        for (const QString &name : {QStringLiteral("north"), QStringLiteral("south")}) {
            auto project = makeProject(name);
            files << m_dir.filePath(QStringLiteral("night/%1.velt").arg(name));
            QVERIFY(!ProjectFile::save(*project, files.last()));
        }
        const QString list = m_dir.filePath(QStringLiteral("street.txt"));
        QFile text(list);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(
            QStringLiteral("south 127.0.0.106:%1\nnorth 127.0.0.105:%1\n").arg(port).toUtf8());
        text.close();

        const CliRun run = runInProcess(
            QStringList{QStringLiteral("upload"), QStringLiteral("--fleet"), list} + files);
        QCOMPARE(run.status, 0);
        QVERIFY(holds(street.controller(0), *loaded(files[0]), 0));
        QVERIFY(holds(street.controller(1), *loaded(files[1]), 0));

        // A controller without its file stops the run before anything is sent.
        const CliRun missing = runInProcess(
            {QStringLiteral("upload"), QStringLiteral("--fleet"), list, files[0], files[0]});
        QCOMPARE(missing.status, 2);
        QVERIFY2(missing.err.contains(QStringLiteral("Для ДК south нет файла south.velt")),
                 qPrintable(missing.err));

        // A refusal whose message has many lines still takes one line of the run.
        auto warned = makeProject(QStringLiteral("south"));
        writeU16(warned->programs(), phaseOffset(0, 0) + PhaseLayout::MinTime, 30);
        writeU16(warned->programs(), phaseOffset(0, 0) + PhaseLayout::MainTime, 5);
        warned->storeWorkingCopy();
        QVERIFY(!ProjectFile::save(*warned, files[1]));
        const CliRun refused = runInProcess(
            QStringList{QStringLiteral("upload"), QStringLiteral("--fleet"), list} + files);
        QCOMPARE(refused.status, 1);
        const QStringList lines = refused.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(
            lines.filter(QRegularExpression(QStringLiteral("^south .*ОШИБКА.*--accept-warnings")))
                    .size() == 1,
            qPrintable(refused.out));
        QVERIFY2(lines.filter(QRegularExpression(QStringLiteral("^north .*OK"))).size() == 1,
                 qPrintable(refused.out));
    }

    void hugeFleetListsAreBounded()
    {
        // A device that never ends is refused after a bounded read.
        const FleetList zero = FleetList::load(QStringLiteral("/dev/zero"));
        QVERIFY(!zero.ok());
        QVERIFY2(zero.errors.join(' ').contains(QStringLiteral("длиннее")),
                 qPrintable(zero.errors.join(' ')));
        // Too many controllers.
        QString many;
        for (int n = 0; n <= FleetList::MaxControllers; ++n)
            many += QStringLiteral("k%1 10.%2.%3.%4\n")
                        .arg(n)
                        .arg(n >> 16)
                        .arg((n >> 8) & 255)
                        .arg(n & 255);
        QVERIFY(FleetList::parse(many).errors.join(' ').contains(QStringLiteral("больше")));
        // The duplicate check grows with the list, not with its square: ten times the lines
        // take about ten times as long, not a hundred.
        const auto list = [](int count) {
            QString text;
            for (int n = 0; n < count; ++n)
                text += QStringLiteral("k%1 10.0.%2.%3\n").arg(n).arg(n >> 8).arg(n & 255);
            return text;
        };
        const auto once = [](const QString &text) {
            QElapsedTimer clock;
            clock.start();
            const FleetList parsed = FleetList::parse(text);
            return parsed.ok() ? clock.nsecsElapsed() : qint64(-1);
        };
        // Both sizes measured in turn, so that a busy machine slows both alike, and the
        // fastest of several runs of each compared.
        const QString smallList = list(FleetList::MaxControllers / 10);
        const QString largeList = list(FleetList::MaxControllers);
        qint64 small = std::numeric_limits<qint64>::max();
        qint64 large = std::numeric_limits<qint64>::max();
        for (int run = 0; run < 7; ++run) {
            small = std::min(small, once(smallList));
            large = std::min(large, once(largeList));
        }
        QVERIFY(small > 0 && large > 0);
        QVERIFY2(large < small * 40,
                 qPrintable(QStringLiteral("%1 ns against %2 ns").arg(large).arg(small)));
    }

    void fleetUploadRefusesTwoFilesOfOneName()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("a"));
        QDir(m_dir.path()).mkpath(QStringLiteral("b"));
        QStringList files;
        for (const QString &folder : {QStringLiteral("a"), QStringLiteral("b")}) {
            auto project = makeProject(folder);
            files << m_dir.filePath(folder + QStringLiteral("/k1.velt"));
            QVERIFY(!ProjectFile::save(*project, files.last()));
        }
        const QString list = m_dir.filePath(QStringLiteral("k1.txt"));
        QFile text(list);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("k1 127.0.0.108:1\n");
        text.close();
        const CliRun run = runInProcess(
            QStringList{QStringLiteral("upload"), QStringLiteral("--fleet"), list} + files);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(QStringLiteral("Для ДК k1 несколько файлов")),
                 qPrintable(run.err));
    }

    void backupReplacesOnlyARegularFile_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"link", "dangling link", "fifo", "device"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void backupReplacesOnlyARegularFile()
    {
        QFETCH(QString, kind);
        SimFleet street;
        const quint16 port = kPort + 5;
        QVERIFY(street.add({QHostAddress(QStringLiteral("127.0.0.109")), port}, {}));
        auto project = makeProject(QStringLiteral("k1"));
        QVERIFY(!seedFlash(street.controller(0), *project).empty());
        QTemporaryDir dir;
        const QString backups = dir.filePath(QStringLiteral("night"));
        QVERIFY(QDir().mkpath(backups));
        const QString list = dir.filePath(QStringLiteral("list.txt"));
        QFile text(list);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(QStringLiteral("k1 127.0.0.109:%1\n").arg(port).toUtf8());
        text.close();
        const QString target = dir.filePath(QStringLiteral("outside.velt"));
        const QByteArray inFolder = QFile::encodeName(backups + QStringLiteral("/k1.velt"));
        if (kind == QLatin1String("link")) {
            QFile outside(target);
            QVERIFY(outside.open(QIODevice::WriteOnly));
            outside.write("mine");
            outside.close();
        }
        if (kind.endsWith(QLatin1String("link")))
            QVERIFY(::symlink(QFile::encodeName(target).constData(), inFolder.constData()) == 0);
        else if (kind == QLatin1String("fifo"))
            QVERIFY(::mkfifo(inFolder.constData(), 0600) == 0);
        else if (::mknod(inFolder.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("mknod is not allowed here");

        const CliRun run = runInProcess({QStringLiteral("backup"), QStringLiteral("--fleet"), list,
                                         QStringLiteral("-o"), backups, QStringLiteral("--wait"),
                                         QStringLiteral("100")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.out.contains(QStringLiteral("не обычный файл")), qPrintable(run.out));
        struct stat status
        {
        };
        QVERIFY(::lstat(inFolder.constData(), &status) == 0);
        QVERIFY(!S_ISREG(status.st_mode));
        if (kind == QLatin1String("link"))
            QCOMPARE(readAll(target), QByteArray("mine"));
        else
            QVERIFY(!QFile::exists(target));
    }

    void backupKeepsACopyOfMoreRings()
    {
        // The controller holds one ring; last night's copy holds two.
        SimFleet street;
        const quint16 port = kPort + 6;
        QVERIFY(street.add({QHostAddress(QStringLiteral("127.0.0.110")), port}, {}));
        auto project = makeProject(QStringLiteral("k1"));
        QVERIFY(!seedFlash(street.controller(0), *project).empty());
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("k1.velt"));
        auto twoRings = makeProject(QStringLiteral("k1"), 2);
        QVERIFY(!ProjectFile::save(*twoRings, copy));
        const QByteArray before = readAll(copy);
        const QString list = dir.filePath(QStringLiteral("list.txt"));
        QFile text(list);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(QStringLiteral("k1 127.0.0.110:%1\n").arg(port).toUtf8());
        text.close();
        const QStringList backup{QStringLiteral("backup"), QStringLiteral("--fleet"), list,
                                 QStringLiteral("-o"), dir.path()};

        const CliRun kept = runInProcess(backup);
        QCOMPARE(kept.status, 1);
        QVERIFY2(kept.out.contains(QStringLiteral("--allow-fewer-rings")), qPrintable(kept.out));
        QCOMPARE(readAll(copy), before);
        const CliRun replaced =
            runInProcess(backup + QStringList{QStringLiteral("--allow-fewer-rings")});
        QCOMPARE(replaced.status, 0);
        QCOMPARE(readAll(copy).size(), qsizetype(RingRecordSize));
    }

    void secondProcessOnAPortIsRefused()
    {
        // Another process of the program holds the port's lock.
        Sim sim;
        QVERIFY(sim.listening);
        auto project = makeProject(QStringLiteral("p"));
        QVERIFY(!seedFlash(sim.controller, *project).empty());
        QTemporaryDir dir;
        HeldPort other(kPort);
        QVERIFY(other.held());
        const QStringList download{QStringLiteral("download"), QStringLiteral("--from"), kTo,
                                   QStringLiteral("-o"), dir.filePath(QStringLiteral("p.velt"))};
        const CliRun refused = runInProcess(download);
        other.release();
        QCOMPARE(refused.status, 2);
        QVERIFY2(refused.err.contains(QStringLiteral("занят другой программой")),
                 qPrintable(refused.err));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("p.velt"))));
        QCOMPARE(runInProcess(download).status, 0);
    }

    void commandLineErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const QString f = QStringLiteral("x.velt");
        QTest::newRow("upload nowhere")
            << QStringList{QStringLiteral("upload"), f} << 2 << QStringLiteral("ровно один");
        QTest::newRow("upload both ways")
            << QStringList{QStringLiteral("upload"),   f,
                           QStringLiteral("--to"),     kTo,
                           QStringLiteral("--serial"), QStringLiteral("COM1")}
            << 2 << QStringLiteral("ровно один");
        QTest::newRow("bad address")
            << QStringList{QStringLiteral("download"), QStringLiteral("--from"),
                           QStringLiteral("127.0.0.300"), QStringLiteral("-o"), f}
            << 2 << QStringLiteral("Неверный адрес");
        QTest::newRow("bad port") << QStringList{QStringLiteral("verify"), f,
                                                 QStringLiteral("--from"),
                                                 QStringLiteral("127.0.0.1:70000")}
                                  << 2 << QStringLiteral("Неверный адрес");
        QTest::newRow("download without file")
            << QStringList{QStringLiteral("download"), QStringLiteral("--from"), kTo} << 2
            << QStringLiteral("-o");
        QTest::newRow("wait too short")
            << QStringList{QStringLiteral("upload"), f,
                           QStringLiteral("--to"),   kTo,
                           QStringLiteral("--wait"), QStringLiteral("5")}
            << 2 << QStringLiteral("--wait");
        QTest::newRow("unreadable project")
            << QStringList{QStringLiteral("upload"), QStringLiteral("/nonexistent/x.velt"),
                           QStringLiteral("--to"), kTo}
            << 2 << QStringLiteral("Не удалось открыть");
        QTest::newRow("option twice")
            << QStringList{QStringLiteral("verify"), f,  QStringLiteral("--from"), kTo,
                           QStringLiteral("--from"), kTo}
            << 2 << QStringLiteral("дважды");
        QTest::newRow("backup without list")
            << QStringList{QStringLiteral("backup"), QStringLiteral("-o"), QStringLiteral("d")} << 2
            << QStringLiteral("--fleet");
        QTest::newRow("jobs zero") << QStringList{QStringLiteral("backup"),
                                                  QStringLiteral("--fleet"),
                                                  f,
                                                  QStringLiteral("-o"),
                                                  QStringLiteral("d"),
                                                  QStringLiteral("--jobs"),
                                                  QStringLiteral("0")}
                                   << 2 << QStringLiteral("--jobs");
        QTest::newRow("fleet with --to") << QStringList{QStringLiteral("upload"),
                                                        QStringLiteral("--fleet"),
                                                        f,
                                                        f,
                                                        QStringLiteral("--to"),
                                                        kTo}
                                         << 2 << QStringLiteral("не сочетается");
        QTest::newRow("help lists the options")
            << QStringList{QStringLiteral("upload"), QStringLiteral("--help")} << 0
            << QStringLiteral("--no-verify");
    }
    void commandLineErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, says);
        const CliRun run = runInProcess(args);
        QCOMPARE(run.status, status);
        QVERIFY2((run.err + run.out).contains(says), qPrintable(run.err + run.out));
    }

    void fleetList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("error");
        QTest::newRow("comments and blanks")
            << QStringLiteral("# город\n\nk1 127.0.0.10\n  k2\t127.0.0.11:32991  # угол\n")
            << QStringList{QStringLiteral("k1"), QStringLiteral("k2")} << QString();
        QTest::newRow("leading zeros as in the settings")
            << QStringLiteral("Ленина-1 192.168.001.010") << QStringList{QStringLiteral("Ленина-1")}
            << QString();
        QTest::newRow("three fields")
            << QStringLiteral("k1 127.0.0.10 11990") << QStringList{} << QStringLiteral("строка 1");
        QTest::newRow("a name that is a path") << QStringLiteral("k1 127.0.0.10\n../k2 127.0.0.11")
                                               << QStringList{} << QStringLiteral("строка 2");
        QTest::newRow("bad port") << QStringLiteral("k1 127.0.0.10:0") << QStringList{}
                                  << QStringLiteral("неверный адрес");
        QTest::newRow("name twice") << QStringLiteral("k1 127.0.0.10\nk1 127.0.0.11")
                                    << QStringList{} << QStringLiteral("уже есть в строке 1");
        QTest::newRow("address twice")
            << QStringLiteral("k1 127.0.0.10\nk2 127.0.0.10:11990") << QStringList{}
            << QStringLiteral("адрес 127.0.0.10:11990 уже есть");
        QTest::newRow("nothing") << QStringLiteral("# пусто\n") << QStringList{}
                                 << QStringLiteral("нет ни одного ДК");
        // What the list says reaches the terminal with its control characters escaped.
        QTest::newRow("escape sequence in a name")
            << QStringLiteral("k\x1b]0;x\x07 127.0.0.10") << QStringList{}
            << QStringLiteral("имя \"k\\x1b]0;x\\x07\"");
        QTest::newRow("escape sequence in a line")
            << QStringLiteral("k1 127.0.0.10 \x1b[2J") << QStringList{}
            << QStringLiteral("\"k1 127.0.0.10 \\x1b[2J\"");
        QTest::newRow("line too long") << QStringLiteral("k1 127.0.0.10 #") +
                                              QString(FleetList::MaxLineChars, QLatin1Char('x'))
                                       << QStringList{} << QStringLiteral("строка 1: длиннее");
    }
    void fleetList()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        QFETCH(QString, error);
        const FleetList list = FleetList::parse(text);
        QCOMPARE(list.ok(), error.isEmpty());
        if (!error.isEmpty()) {
            QVERIFY2(list.errors.join('\n').contains(error), qPrintable(list.errors.join('\n')));
            for (const QString &e : list.errors)
                QVERIFY(std::none_of(e.cbegin(), e.cend(), [](QChar c) { return c < u' '; }));
            return;
        }
        QStringList got;
        for (const auto &c : list.controllers)
            got << c.name;
        QCOMPARE(got, names);
    }
};

QTEST_GUILESS_MAIN(TestCliLink)
#include "tst_clilink.moc"
