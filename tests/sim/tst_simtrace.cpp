// The stand-alone virtual controller with an accelerated clock, a start time and a trace file:
// what a demo and a scripted check of a project run on.
#include "SimRunSupport.h"
#include "sim/RunOptions.h"
#include "support/ExampleProject.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

namespace {
constexpr quint16 kPort = 31991;
const QHostAddress kSim(QStringLiteral("127.0.0.61"));

// The flash file of a controller that holds the sample: project areas, then programs areas.
QByteArray sampleFlash()
{
    RingModel model;
    ExampleProject::build(model);
    VirtualController controller;
    SimRunSupport::loadFlash(controller, model);
    return controller.flashImage();
}
} // namespace

class TestSimTrace : public QObject
{
    Q_OBJECT
private slots:
    void badSwitchesAreRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("speed 0") << QStringList{QStringLiteral("--speed"), QStringLiteral("0")};
        QTest::newRow("speed text") << QStringList{QStringLiteral("--speed"), QStringLiteral("x")};
        QTest::newRow("speed missing") << QStringList{QStringLiteral("--speed")};
        QTest::newRow("no such day")
            << QStringList{QStringLiteral("--start"), QStringLiteral("31.02.2026 10:00:00")};
        QTest::newRow("start without time")
            << QStringList{QStringLiteral("--start"), QStringLiteral("07.12.2026")};
        QTest::newRow("trace not writable")
            << QStringList{QStringLiteral("--trace"), QStringLiteral("/nonexistent/dir/trace")};
    }
    void badSwitchesAreRefused()
    {
        QFETCH(QStringList, args);
        QProcess sim;
        sim.start(QStringLiteral(VELTSIM_PATH),
                  QStringList{QStringLiteral("--udp"), QStringLiteral("127.0.0.61:%1").arg(kPort)} +
                      args);
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(sim.readAllStandardError().startsWith("veltsim: "));
    }

    void acceleratedRunWritesEveryLampChange()
    {
        QTemporaryDir dir;
        const QString flash = dir.filePath(QStringLiteral("flash.bin"));
        const QString tracePath = dir.filePath(QStringLiteral("trace.txt"));
        {
            QFile file(flash);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(sampleFlash());
        }
        QProcess sim;
        sim.start(QStringLiteral(VELTSIM_PATH),
                  {QStringLiteral("--udp"), QStringLiteral("127.0.0.61:%1").arg(kPort),
                   QStringLiteral("--flash"), flash, QStringLiteral("--speed"),
                   QStringLiteral("100"), QStringLiteral("--start"),
                   QStringLiteral("07.12.2026 05:58:00"), QStringLiteral("--trace"), tracePath});
        QVERIFY(sim.waitForStarted(10000));
        QVERIFY(
            QTest::qWaitFor([&] { return sim.readAllStandardOutput().contains("udp"); }, 10000));
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost, kPort, QUdpSocket::ShareAddress));
        const auto exchange = [&](const QByteArray &command) {
            for (int attempt = 0; attempt < 5; ++attempt) {
                client.writeDatagram(command, kSim, kPort);
                if (client.waitForReadyRead(2000))
                    return client.receiveDatagram().data();
            }
            return QByteArray();
        };
        QCOMPARE(exchange("get state 1"),
                 QByteArray("SUCCESS:WORK=PROGRAM PROGRAM=1 PROG_FAZA=1 LEVEL=PLAN\n"));
        // Six controller minutes at a hundred times: past 06:00, where program 2 takes over.
        QTest::qWait(3600);
        const QByteArray time = exchange("get ds1390_time");
        const QByteArray state = exchange("get state 1");
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QVERIFY2(time >= "SUCCESS:07.12.2026-06:03:00", time.constData());
        QCOMPARE(state.left(36), QByteArray("SUCCESS:WORK=PROGRAM PROGRAM=2 PROG_"));

        QFile file(tracePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        const QRegularExpression form(
            QStringLiteral(R"(^2026-12-07T(\d\d):(\d\d):(\d\d)\.000 ([12]) ([1-4]) )"
                           R"((off|green|green-blinking|red|red-yellow|yellow|yellow-flashing)$)"));
        QByteArray previous;
        QSet<QString> seen;
        int count = 0;
        for (const QByteArray &line : lines) {
            if (line.isEmpty())
                continue;
            const auto match = form.match(QString::fromLatin1(line));
            QVERIFY2(match.hasMatch(), line.constData());
            QVERIFY2(previous <= line.left(23), line.constData()); // in time order
            previous = line.left(23);
            seen.insert(match.captured(6));
            ++count;
        }
        // Power-on shows all eight directions at once, at the start time.
        QVERIFY(lines.value(0).startsWith("2026-12-07T05:58:00.000 1 1 "));
        QVERIFY2(count > 50, qPrintable(QString::number(count)));
        QCOMPARE(seen, (QSet<QString>{QStringLiteral("green"), QStringLiteral("green-blinking"),
                                      QStringLiteral("red"), QStringLiteral("red-yellow"),
                                      QStringLiteral("yellow")}));
    }
};

QTEST_GUILESS_MAIN(TestSimTrace)
#include "tst_simtrace.moc"
