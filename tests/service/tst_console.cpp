#include "app/MainWindow.h"
#include "app/ProjectSettingsDialog.h"
#include "app/Windows.h"
#include "service/ConsoleWindow.h"
#include "service/InfoService.h"
#include "sim/SimPtyEndpoint.h"
#include "sim/SimUdpEndpoint.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QUdpSocket>

#include <qcoro/qcorotask.h>

namespace {
constexpr quint16 kPort = 26991;
} // namespace

class TestConsole : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_previousDir;

    static TForm12 *openConsole(TForm1 &main)
    {
        main.findChild<QAction *>(QStringLiteral("N22"))->trigger();
        return main.findChild<TForm12 *>();
    }
    // Points the configurator at a controller on 127.0.0.2.
    static void pointAtSim(TForm1 &main)
    {
        Communic &c = main.communic();
        c.settings().setAddressText(QStringLiteral("127.000.000.002"));
        c.settings().udpPort = kPort;
        c.StartTransports();
    }

    // "Проверить связь" on USB with the given COM number, left running.
    static void startLinkTest(TForm1 &main, int com)
    {
        main.findChild<QAction *>(QStringLiteral("N3"))->trigger();
        auto *form = main.findChild<TForm2 *>();
        form->findChild<QRadioButton *>(QStringLiteral("RadioButton1"))->click();
        form->findChild<QRadioButton *>(QStringLiteral("COM%1").arg(com))->setChecked(true);
        form->findChild<QPushButton *>(QStringLiteral("Button3"))->click();
    }

private slots:
    void initTestCase()
    {
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(m_previousDir); }

    void startsWithItsCommand()
    {
        TForm1 main;
        createWindows(main);
        TForm12 *console = openConsole(main);
        QVERIFY(console->isVisible());
        QCOMPARE(console->windowTitle(), QStringLiteral("Командная консоль"));
        auto *edit = console->findChild<QLineEdit *>(QStringLiteral("Edit1"));
        QVERIFY(edit->text().isEmpty());
        auto *list = console->findChild<QComboBox *>(QStringLiteral("ComboBox1"));
        QCOMPARE(list->count(), 9);
        QCOMPARE(list->itemText(8), QStringLiteral("get sensors"));
        const int index = list->findText(QStringLiteral("get state"));
        QVERIFY(index >= 0);
        list->setCurrentIndex(index);
        emit list->activated(index);
        QCOMPARE(edit->text(), QStringLiteral("get state"));
        console->grab().save(QDir::temp().filePath(QStringLiteral("velt-console.png")));
    }

    void sendOverUdpAndEcho()
    {
        VirtualController controller;
        FaultPlan plan;
        SimUdpEndpoint sim(controller, plan);
        QVERIFY(sim.listen(QHostAddress(QStringLiteral("127.0.0.2")), kPort));
        TForm1 main;
        createWindows(main);
        pointAtSim(main);
        TForm12 *console = openConsole(main);
        console->findChild<QLineEdit *>(QStringLiteral("Edit1"))
            ->setText(QStringLiteral("get info"));
        console->findChild<QPushButton *>(QStringLiteral("Button1"))->click();
        auto *log = console->findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
        QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().contains(QStringLiteral("SUCCESS:VELT")),
                                 10000);
        QCOMPARE(controller.received().value(0), QByteArray("get info"));
        // Datagrams of other windows' commands are logged as well, visible or not; a hidden
        // console lays them out only when it opens.
        console->hide();
        QSignalSpy echoes(&main.communic().link(), &ControllerLink::echo);
        main.communic().link().sendDatagram(QStringLiteral("help"));
        QTRY_VERIFY_WITH_TIMEOUT(!echoes.isEmpty(), 10000);
        QTest::qWait(3 * TForm12::FlushMs);
        QVERIFY(!log->toPlainText().contains(QStringLiteral("SUCCESS:test get")));
        console->show();
        QVERIFY(log->toPlainText().contains(QStringLiteral("SUCCESS:test get")));
    }

    void strangersDatagramIsShownAsSuchAndCut()
    {
        // The controller (127.0.0.2) is silent; another host answers "get info" at once, with
        // a 64 KB datagram.
        TForm1 main;
        createWindows(main);
        pointAtSim(main);
        TForm12 *console = openConsole(main);
        QUdpSocket silent;
        QVERIFY(silent.bind(QHostAddress(QStringLiteral("127.0.0.2")), kPort,
                            QUdpSocket::ShareAddress));
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress(QStringLiteral("127.0.0.8")), 0));
        const QByteArray forged = "SUCCESS:VELT " + QByteArray(65000, 'x') + '\n';
        QTimer talk;
        connect(&talk, &QTimer::timeout, this,
                [&] { stranger.writeDatagram(forged, QHostAddress::LocalHost, kPort); });
        talk.start(20);
        InfoService service(main.communic().link());
        QStringList statuses;
        connect(&service, &InfoService::statusReported, this,
                [&](const QString &text) { statuses.append(text); });
        QVERIFY(!QCoro::waitFor(service.readInfo()).has_value());
        QCOMPARE(statuses, QStringList{QStringLiteral("Ошибка")});
        talk.stop();

        auto *log = console->findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
        QTRY_VERIFY(log->blockCount() > 2);
        for (QTextBlock line = log->document()->firstBlock().next(); line.isValid();
             line = line.next()) {
            QVERIFY(line.text().startsWith(
                QStringLiteral("чужой пакет от 127.0.0.8:%1: SUCCESS:VELT xxx")
                    .arg(stranger.localPort())));
            QVERIFY(line.text().contains(QStringLiteral("обрезано")));
            QVERIFY(line.text().size() < TForm12::MaxLineChars + 100);
        }
        console->grab().save(QDir::temp().filePath(QStringLiteral("velt-console-stranger.png")));
    }

    void usbSendsOnTheSerialPortAndEnterSendsADatagram()
    {
        VirtualController udpController;
        VirtualController serialController;
        FaultPlan plan;
        SimUdpEndpoint udpSim(udpController, plan);
        QVERIFY(udpSim.listen(QHostAddress(QStringLiteral("127.0.0.2")), kPort + 1));
        SimPtyEndpoint serialSim(serialController, plan);
        QVERIFY(serialSim.open());
        QVERIFY(serialSim.makeLink(QStringLiteral("./COM2")));

        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        Communic &c = main.communic();
        c.settings().setAddressText(QStringLiteral("127.000.000.002"));
        c.settings().udpPort = kPort + 1;
        c.settings().linkType = 0;
        c.settings().portNumber = 2;
        c.applySettings();
        c.StartTransports();

        TForm12 *console = openConsole(main);
        auto *edit = console->findChild<QLineEdit *>(QStringLiteral("Edit1"));
        edit->setText(QStringLiteral("ifconfig"));
        console->findChild<QPushButton *>(QStringLiteral("Button1"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(serialController.received().value(0), QByteArray("ifconfig"),
                                  10000);
        auto *log = console->findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
        QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().contains(QStringLiteral("ip=")), 10000);
        QVERIFY(c.serial().isOpen());
        QVERIFY(udpController.received().isEmpty());

        console->activateWindow();
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(udpController.received().value(0), QByteArray("ifconfig"), 10000);
        // With the USB link chosen the datagram's answer is not logged.
        QTest::qWait(100);
        QCOMPARE(log->toPlainText().count(QStringLiteral("ip=")), 1);

        // Minimising is not closing: the port stays open.
        console->showMinimized();
        QTest::qWait(100);
        QVERIFY(c.serial().isOpen());
        console->showNormal();
        // Closing the console closes the serial port; the next command opens it again.
        console->close();
        QVERIFY(!c.serial().isOpen());
        QVERIFY(c.link().OpenLink());
        QVERIFY(c.serial().isOpen());
        c.link().closeSerial();
        QVERIFY(prompts.asked.empty());
    }

    void commandQueuedBehindTheLinkTest_data()
    {
        QTest::addColumn<bool>("deviceStays");
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("sent once the test has restored the link") << true << false;
        QTest::newRow("the port cannot be opened again: the user is told") << false << false;
        // The datagram's answer is logged only if it went out once Ethernet was back.
        QTest::newRow("Enter on Ethernet waits and is answered") << true << true;
    }
    void commandQueuedBehindTheLinkTest()
    {
        QFETCH(bool, deviceStays);
        QFETCH(bool, byEnter);
        // A controller that hears everything and never answers: the test waits its full time.
        VirtualController serialController;
        FaultOptions silent;
        silent.dropShare = 1.0;
        FaultPlan silentPlan(silent);
        SimPtyEndpoint serialSim(serialController, silentPlan);
        QVERIFY(serialSim.open());
        QVERIFY(serialSim.makeLink(QStringLiteral("./COM5")));
        VirtualController udpController;
        FaultPlan plan;
        SimUdpEndpoint udpSim(udpController, plan);
        QVERIFY(udpSim.listen(QHostAddress(QStringLiteral("127.0.0.2")), kPort + 2));

        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        Communic &c = main.communic();
        c.settings().setAddressText(QStringLiteral("127.000.000.002"));
        c.settings().udpPort = kPort + 2;
        c.settings().linkType = byEnter ? 1 : 0;
        c.settings().portNumber = 5;
        c.applySettings();
        c.StartTransports();
        TForm12 *console = openConsole(main);
        auto *edit = console->findChild<QLineEdit *>(QStringLiteral("Edit1"));
        edit->setText(QStringLiteral("queued"));

        startLinkTest(main, 5);
        QTRY_COMPARE_WITH_TIMEOUT(serialController.received().value(0), QByteArray("test 1"), 5000);
        if (!deviceStays)
            QVERIFY(QFile::remove(QStringLiteral("COM5")));
        if (byEnter)
            console->FormKeyPress();
        else
            console->findChild<QPushButton *>(QStringLiteral("Button1"))->click();

        QTRY_VERIFY_WITH_TIMEOUT(!prompts.asked.empty(), 5000);
        QCOMPARE(prompts.asked.front().text, QStringLiteral("ДК не отвечает!"));
        auto *log = console->findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
        if (byEnter) {
            QTRY_COMPARE_WITH_TIMEOUT(udpController.received(), QList<QByteArray>{"queued"}, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().contains(QStringLiteral("ERROR:")), 5000);
        } else if (deviceStays) {
            QTRY_COMPARE_WITH_TIMEOUT(serialController.received(),
                                      (QList<QByteArray>{"test 1", "queued"}), 5000);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(prompts.asked.size(), std::size_t(2), 5000);
            QCOMPARE(prompts.asked.back().text, ControllerLink::kOpenFailedText);
            QTRY_VERIFY(log->toPlainText().contains(QStringLiteral("не отправлена: queued")));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!c.link().busy(), 5000);
        QVERIFY(!log->toPlainText().contains(QStringLiteral("не отправлена")) || !deviceStays);
        QCOMPARE(prompts.asked.size(), std::size_t(deviceStays ? 1 : 2));
        c.link().closeSerial();
    }
};

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
