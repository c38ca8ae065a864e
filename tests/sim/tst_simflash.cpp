// The flash kept in a file across runs of the virtual controller.
#include "sim/VirtualController.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

namespace {
constexpr quint16 kPort = 27991;
const QHostAddress kSim(QStringLiteral("127.0.0.6"));

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// One run of the stand-alone program: it answers over UDP until the object goes.
class SimRun
{
public:
    explicit SimRun(const QString &flash, const QStringList &more = {})
    {
        m_process.start(QStringLiteral(VELTSIM_PATH),
                        QStringList{QStringLiteral("--udp"),
                                    QStringLiteral("127.0.0.6:%1").arg(kPort),
                                    QStringLiteral("--flash"), flash} +
                            more);
        m_client.bind(QHostAddress::LocalHost, kPort, QUdpSocket::ShareAddress);
    }
    ~SimRun()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool started()
    {
        return m_process.waitForStarted(10000) &&
               QTest::qWaitFor([&] { return m_process.readAllStandardOutput().contains("udp"); },
                               10000);
    }
    // Another process answers: a loaded machine may be slow to, so it is asked again.
    QByteArray exchange(const QByteArray &command)
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            m_client.writeDatagram(command, kSim, kPort);
            if (m_client.waitForReadyRead(2000))
                return m_client.receiveDatagram().data();
        }
        return {};
    }
    // The program refused to start: its exit code.
    int refused() { return m_process.waitForFinished(10000) ? m_process.exitCode() : -1; }
    QByteArray errors()
    {
        m_errors += m_process.readAllStandardError();
        return m_errors;
    }

private:
    QProcess m_process;
    QUdpSocket m_client;
    QByteArray m_errors;
};
} // namespace

class TestSimFlash : public QObject
{
    Q_OBJECT
private slots:
    void writesSurviveANewController()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flash.bin"));
        {
            VirtualController first;
            QCOMPARE(first.useFlashFile(path), FlashFile::Load::Missing);
            QVERIFY(first.handle("proj_flashwr 2A7E 2 1234").startsWith("SUCCESS:")); // ring 2
            QVERIFY(first.handle("progs_flashwr 4E0D0 3 A0B0C0").startsWith("SUCCESS:"));
        }
        QCOMPARE(QFileInfo(path).size(), VirtualController::FlashImageSize);
        VirtualController second;
        QCOMPARE(second.useFlashFile(path), FlashFile::Load::Loaded);
        QCOMPARE(second.handle("proj_flashrd 2A7D 4"), QByteArray("SUCCESS:FF1234FF\n"));
        QCOMPARE(second.handle("progs_flashrd 4E0D0 3"), QByteArray("SUCCESS:A0B0C0\n"));
    }

    void unusableFileStartsErased_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<FlashFile::Load>("expected");
        QTest::newRow("empty") << qint64(0) << FlashFile::Load::WrongSize;
        QTest::newRow("one byte short")
            << VirtualController::FlashImageSize - 1 << FlashFile::Load::WrongSize;
        QTest::newRow("one byte over")
            << VirtualController::FlashImageSize + 1 << FlashFile::Load::WrongSize;
        QTest::newRow("whole") << VirtualController::FlashImageSize << FlashFile::Load::Loaded;
    }
    void unusableFileStartsErased()
    {
        QFETCH(qint64, size);
        QFETCH(FlashFile::Load, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flash.bin"));
        QVERIFY(writeFile(path, QByteArray(size, '\0')));
        VirtualController controller;
        QCOMPARE(controller.useFlashFile(path), expected);
        const QByteArray first = controller.handle("proj_flashrd 0 2");
        QCOMPARE(first, expected == FlashFile::Load::Loaded ? QByteArray("SUCCESS:0000\n")
                                                            : QByteArray("SUCCESS:FFFF\n"));
        // Nothing is written over a file the controller could not use until flash changes.
        QCOMPARE(QFileInfo(path).size(), size);
    }

    void onlyAChangeSaves()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flash.bin"));
        VirtualController controller;
        controller.useFlashFile(path);
        QVERIFY(controller.handle("proj_flashwr 10 1 FF").startsWith("SUCCESS:"));
        QVERIFY(controller.handle("proj_flashrd 10 1").startsWith("SUCCESS:"));
        QVERIFY(controller.handle("proj_flashwr 10 9 00").startsWith("ERROR")); // short data
        QVERIFY(!QFile::exists(path));
        QVERIFY(controller.handle("proj_flashwr 10 1 fe").startsWith("SUCCESS:"));
        QVERIFY(QFile::exists(path));
        QVERIFY(QFile::remove(path));
        QVERIFY(controller.handle("proj_flashwr 10 1 FE").startsWith("SUCCESS:"));
        QVERIFY(!QFile::exists(path));
    }

    void eraseReachesTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flash.bin"));
        {
            VirtualController first;
            first.useFlashFile(path);
            QVERIFY(first.handle("proj_flashwr 2A7E 2 1234").startsWith("SUCCESS:"));
            QVERIFY(first.handle("progs_flashwr 4E0D0 1 00").startsWith("SUCCESS:"));
            QCOMPARE(first.handle("flash_reset 255"), QByteArray("SUCCESS:\n"));
        }
        VirtualController second;
        QCOMPARE(second.useFlashFile(path), FlashFile::Load::Loaded);
        QCOMPARE(second.flashImage(), QByteArray(VirtualController::FlashImageSize, '\xFF'));
    }

    void restartedProgramKeepsTheFlash()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flash.bin"));
        // A project file given by mistake is left alone unless a fresh start is asked for.
        const QByteArray notFlash = "a project, not a flash image";
        QVERIFY(writeFile(path, notFlash));
        {
            SimRun refused(path);
            QCOMPARE(refused.refused(), 2);
            QVERIFY(refused.errors().contains("not a flash image"));
        }
        QCOMPARE(QFileInfo(path).size(), notFlash.size());
        {
            SimRun first(path, {QStringLiteral("--fresh-flash")});
            QVERIFY(first.started());
            QTRY_VERIFY_WITH_TIMEOUT(first.errors().contains("erased"), 5000);
            QCOMPARE(first.exchange("proj_flashrd 0 1"), QByteArray("SUCCESS:FF\n"));
            QCOMPARE(first.exchange("progs_flashwr 1A028 2 BEEF"), QByteArray("SUCCESS:\n"));
        }
        SimRun second(path);
        QVERIFY(second.started());
        QVERIFY(second.errors().isEmpty());
        QCOMPARE(second.exchange("progs_flashrd 1A028 2"), QByteArray("SUCCESS:BEEF\n"));
    }

    void imageIsProjectsThenPrograms()
    {
        VirtualController controller;
        QVERIFY(controller.handle("proj_flashwr A9F7 1 11").startsWith("SUCCESS:"));
        QVERIFY(controller.handle("progs_flashwr 0 1 22").startsWith("SUCCESS:"));
        const QByteArray image = controller.flashImage();
        QCOMPARE(image.size(), VirtualController::FlashImageSize);
        QCOMPARE(image.at(4 * 10878 - 1), char(0x11));
        QCOMPARE(image.at(4 * 10878), char(0x22));
        QCOMPARE(image.count(char(VirtualController::Erased)), image.size() - 2);
    }
};

QTEST_GUILESS_MAIN(TestSimFlash)
#include "tst_simflash.moc"
