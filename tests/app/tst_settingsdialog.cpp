#include "app/MainWindow.h"
#include "app/ProjectSettingsDialog.h"
#include "app/Windows.h"
#include "link/SerialDevice.h"
#include "model/ByteIO.h"
#include "sim/SimPtyEndpoint.h"
#include "sim/SimUdpEndpoint.h"
#include "support/FakePrompts.h"
#include "support/HeldPort.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <optional>

namespace PL = ProjectLayout;

namespace {
constexpr quint16 kPort = 25991;
const QHostAddress kSim(QStringLiteral("127.0.0.2"));
} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_previousDir;

    template <typename T> static T *child(QWidget *w, const char *name)
    {
        auto *found = w->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

    static TForm2 *openSettings(TForm1 &main)
    {
        main.findChild<QAction *>(QStringLiteral("N3"))->trigger();
        auto *form = main.findChild<TForm2 *>();
        return form;
    }

    static void chooseEthernet(TForm2 *form, const QString &address, const QString &port)
    {
        child<QRadioButton>(form, "RadioButton2")->click();
        child<QLineEdit>(form, "MaskEdit1")->setText(address);
        child<QLineEdit>(form, "Edit1")->setText(port);
    }

    static void chooseUsb(TForm2 *form, int com)
    {
        child<QRadioButton>(form, "RadioButton1")->click();
        form->findChild<QRadioButton *>(QStringLiteral("COM%1").arg(com))->setChecked(true);
    }

    static void expectMessage(FakePrompts &prompts, const QString &caption, const QString &text)
    {
        QTRY_VERIFY_WITH_TIMEOUT(!prompts.asked.empty(), 15000);
        QCOMPARE(prompts.asked.back().caption, caption);
        QCOMPARE(prompts.asked.back().text, text);
    }

    // The virtual controller answers from this process: on a loaded machine its answer may
    // come later than a controller's usual wait, which proves nothing about the dialog.
    static void waitLongForAnswers(TForm1 &main)
    {
        main.communic().link().setUdpWaitRounds(ControllerLink::LongRounds);
    }

    static void expectUdpAtSettings(TForm1 &main)
    {
        Communic &c = main.communic();
        QCOMPARE(c.udp().peerAddress(), c.settings().hostAddress());
        QCOMPARE(int(c.udp().peerPort()), c.settings().udpPort);
        QCOMPARE(int(c.udp().localPort()), c.settings().udpPort);
    }

private slots:
    void initTestCase()
    {
        // "config.str" lives in the working folder: keep it in a scratch one.
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(m_previousDir); }
    void cleanup() { QFile::remove(QStringLiteral("config.str")); }

    void fillShowsTheProjectAndTheLink()
    {
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        main.model().setRingCount(2);
        writeU16(main.model().store(1).project, PL::SyncShift, 65535);
        main.model().project()[PL::GpsUtcOffset] = static_cast<std::uint8_t>(-3);
        TForm2 *form = openSettings(main);
        QVERIFY(form->isVisible());
        QCOMPARE(form->windowTitle(), QStringLiteral("Проект"));
        QCOMPARE(child<QLineEdit>(form, "MaskEdit1")->text(), QStringLiteral("169.254.016.001"));
        QCOMPARE(child<QLineEdit>(form, "Edit1")->text(), QStringLiteral("11990"));
        QVERIFY(child<QRadioButton>(form, "RadioButton2")->isChecked());
        QVERIFY(!child<QGroupBox>(form, "GroupBox1")->isHidden());
        QVERIFY(child<QGroupBox>(form, "GroupBox2")->isHidden());
        QVERIFY(child<QRadioButton>(form, "COM1")->isChecked());
        QVERIFY(child<QLineEdit>(form, "MaskEdit2")->isHidden());
        QCOMPARE(child<QSlider>(form, "TrackBar1")->value(), 2);
        QCOMPARE(child<QLabel>(form, "Label2")->text(), QStringLiteral("2"));
        QVERIFY(!child<QGroupBox>(form, "GroupBoxRing2")->isHidden());
        QVERIFY(child<QGroupBox>(form, "GroupBoxRing3")->isHidden());
        QCOMPARE(child<QLineEdit>(form, "Edit3")->text(), QStringLiteral("65535"));
        QCOMPARE(child<QLabel>(form, "Label9")->text(), QStringLiteral("-3"));
        child<QRadioButton>(form, "RadioButton1")->click();
        QVERIFY(!child<QGroupBox>(form, "GroupBox2")->isHidden());
        QVERIFY(child<QGroupBox>(form, "GroupBox1")->isHidden());
        child<QSlider>(form, "TrackBar1")->setValue(4);
        QVERIFY(!child<QGroupBox>(form, "GroupBoxRing4")->isHidden());
        form->grab().save(QDir::temp().filePath(QStringLiteral("velt-settings.png")));
        child<QTabWidget>(form, "PageControl1")->setCurrentIndex(1);
        form->grab().save(QDir::temp().filePath(QStringLiteral("velt-settings-link.png")));
        // Values typed and not saved are gone at the next show.
        child<QPushButton>(form, "Button2")->click();
        QVERIFY(!form->isVisible());
        openSettings(main);
        QVERIFY(child<QRadioButton>(form, "RadioButton2")->isChecked());
        QCOMPARE(child<QSlider>(form, "TrackBar1")->value(), 2);
    }

    void saveWritesTheSettingsAndLowersTheRings()
    {
        VirtualController controller;
        FaultPlan plan;
        SimPtyEndpoint sim(controller, plan);
        QVERIFY(sim.open());
        QVERIFY(sim.makeLink(QStringLiteral("./COM2")));
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        main.communic().link().setLinkType(LinkKind::Serial);
        main.communic().link().setConfiguredPort(QStringLiteral("COM2"));
        QVERIFY(main.communic().link().OpenLink());
        main.model().setRingCount(3);
        main.refreshProgramDisplay();
        TForm2 *form = openSettings(main);
        chooseUsb(form, 3);
        child<QLineEdit>(form, "Edit1")->setText(QStringLiteral("12345"));
        child<QSlider>(form, "TrackBar1")->setValue(1);
        child<QPushButton>(form, "Button1")->click();
        QVERIFY(prompts.asked.empty());
        QVERIFY(form->isVisible());
        QCOMPARE(controller.received().size(), 0);
        QFile file(QStringLiteral("config.str"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 31);
        QCOMPARE(int(bytes[0]), 0);
        QCOMPARE(int(bytes[1]), 3);
        QCOMPARE(main.communic().link().LinkType(), LinkKind::Serial);
        QCOMPARE(main.communic().link().configuredPort(), QStringLiteral("COM3"));
        // Saving closed the port; the next command opens it under the new name.
        QVERIFY(!main.communic().serial().isOpen());
        QVERIFY(!main.communic().link().OpenLink());
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        QCOMPARE(main.communic().serial().portName(), QStringLiteral("COM3"));
        QCOMPARE(main.communic().settings().udpPort, 12345);
        QCOMPARE(main.findChild<QComboBox *>(QStringLiteral("ComboBox2"))->count(), 1);
        for (int r = 0; r < MaxRings; ++r)
            QCOMPARE(main.model().store(r).project[PL::RingCount], 1);
    }

    void portChoiceShowsItsDevice()
    {
        VirtualController controller;
        FaultPlan plan;
        SimPtyEndpoint sim(controller, plan);
        QVERIFY(sim.open());
        QVERIFY(sim.makeLink(QStringLiteral("./COM4")));
        LinkSettings stored;
        stored.linkType = 0;
        stored.portNumber = 4;
        QVERIFY(SaveLinkSettings(stored));
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        TForm2 *form = openSettings(main);
        auto *device = child<QLabel>(form, "Label10");
        const QString linked = QDir::current().filePath(QStringLiteral("COM4"));
        QCOMPARE(device->text(), QStringLiteral("COM4 → ") + linked);
        for (const int com : {6, 4, 9}) {
            chooseUsb(form, com);
            const QString name = QStringLiteral("COM%1").arg(com);
            const QString found = resolveSerialDevice(name, QDir::currentPath());
            QCOMPARE(device->text(), found.isEmpty() ? name + QStringLiteral(": не найден")
                                                     : name + QStringLiteral(" → ") + found);
        }
        QCOMPARE(device->text().contains(linked), false);
        chooseUsb(form, 4);
        QCOMPARE(device->text(), QStringLiteral("COM4 → ") + linked);
        // The engineer sees what the system has; the stored choice stays the COM number.
        const QStringList present = presentSerialPorts();
        const QString list = child<QLabel>(form, "Label11")->text();
        for (const QString &line : present)
            QVERIFY2(list.contains(line), qPrintable(list));
        if (present.isEmpty())
            QVERIFY2(list.contains(QStringLiteral("нет")), qPrintable(list));
        child<QPushButton>(form, "Button1")->click();
        LinkSettings reread;
        QVERIFY(LoadLinkSettings(reread));
        QCOMPARE(reread.portNumber, 4);
    }

    void storedPortBeyondNineSurvivesASave()
    {
        LinkSettings stored;
        stored.linkType = 0;
        stored.portNumber = 12;
        QVERIFY(SaveLinkSettings(stored));
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        QCOMPARE(main.communic().link().configuredPort(), QStringLiteral("COM12"));
        TForm2 *form = openSettings(main);
        QVERIFY(child<QRadioButton>(form, "RadioButton1")->isChecked());
        for (int com = 1; com <= 9; ++com)
            QVERIFY(
                !form->findChild<QRadioButton *>(QStringLiteral("COM%1").arg(com))->isChecked());
        child<QPushButton>(form, "Button1")->click();
        QVERIFY(prompts.asked.empty());
        LinkSettings reread;
        QVERIFY(LoadLinkSettings(reread));
        QCOMPARE(reread.portName(), QStringLiteral("COM12"));
    }

    void badPortStopsTheSave()
    {
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        TForm2 *form = openSettings(main);
        chooseEthernet(form, QStringLiteral("127.000.000.002"), QStringLiteral("12x"));
        child<QSlider>(form, "TrackBar1")->setValue(2);
        child<QPushButton>(form, "Button1")->click();
        expectMessage(prompts, QStringLiteral("Ошибка данных!"),
                      QStringLiteral("Значение некорректно!"));
        QVERIFY(!QFile::exists(QStringLiteral("config.str")));
        QCOMPARE(main.model().ringCount(), 1);
    }

    // Another window or velt-cli holding the stored port must not make a reachable
    // controller look silent; holding the tested port is said as such, at once.
    void linkTestOverUdp_data()
    {
        QTest::addColumn<int>("heldPort");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("says");
        const QString ok = QStringLiteral("Успешно!");
        const QString established = QStringLiteral("Связь установлена!");
        QTest::newRow("no port held") << 0 << ok << established;
        QTest::newRow("stored port held") << LinkSettings{}.udpPort << ok << established;
        QTest::newRow("tested port held")
            << int(kPort) << QStringLiteral("Ошибка связи!")
            << QStringLiteral("Связь не проверена: порт UDP %1 занят другой программой "
                              "конфигуратора (окно или velt-cli); дождитесь ее конца.")
                   .arg(kPort);
    }

    void linkTestOverUdp()
    {
        QFETCH(int, heldPort);
        QFETCH(QString, caption);
        QFETCH(QString, says);
        VirtualController controller;
        FaultPlan plan;
        SimUdpEndpoint sim(controller, plan);
        QVERIFY(sim.listen(kSim, kPort));
        std::optional<HeldPort> other;
        if (heldPort != 0)
            QVERIFY(other.emplace(quint16(heldPort)).held());
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        waitLongForAnswers(main);
        TForm2 *form = openSettings(main);
        chooseEthernet(form, QStringLiteral("127.000.000.002"), QString::number(kPort));
        child<QPushButton>(form, "Button3")->click();
        expectMessage(prompts, caption, says);
        // With the tested port held nothing is sent, so nothing is waited for.
        QCOMPARE(controller.received().value(0),
                 heldPort == kPort ? QByteArray() : QByteArray("test 1"));
        expectUdpAtSettings(main);
        QVERIFY(!QFile::exists(QStringLiteral("config.str")));
    }

    void linkTestWaitsForTheCommandInFlight()
    {
        VirtualController serialController;
        FaultOptions slow;
        slow.delayMs = 150;
        FaultPlan slowPlan(slow);
        SimPtyEndpoint serialSim(serialController, slowPlan);
        QVERIFY(serialSim.open());
        QVERIFY(serialSim.makeLink(QStringLiteral("./COM2")));
        VirtualController udpController;
        FaultPlan plan;
        SimUdpEndpoint udpSim(udpController, plan);
        QVERIFY(udpSim.listen(kSim, kPort + 2));
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        waitLongForAnswers(main);
        ControllerLink &link = main.communic().link();
        link.setLinkType(LinkKind::Serial);
        link.setConfiguredPort(QStringLiteral("COM2"));
        QVERIFY(link.OpenLink());
        auto pending = link.SendCommand(QStringLiteral("get info"));
        TForm2 *form = openSettings(main);
        chooseEthernet(form, QStringLiteral("127.000.000.002"), QString::number(kPort + 2));
        child<QPushButton>(form, "Button3")->click();
        // The test neither closes the port under the command nor turns the link away from it.
        const Reply reply = QCoro::waitFor(std::move(pending));
        QVERIFY(reply.ok());
        QVERIFY(reply.AnswerText().startsWith(QStringLiteral("VELT")));
        expectMessage(prompts, QStringLiteral("Успешно!"), QStringLiteral("Связь установлена!"));
        QCOMPARE(link.LinkType(), LinkKind::Serial);
        QVERIFY(!main.communic().serial().isOpen());
    }

    void linkTestWithoutAController()
    {
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        TForm2 *form = openSettings(main);
        chooseEthernet(form, QStringLiteral("127.000.000.004"), QString::number(kPort + 1));
        child<QPushButton>(form, "Button3")->click();
        expectMessage(prompts, QStringLiteral("Ошибка связи!"), QStringLiteral("ДК не отвечает!"));
        expectUdpAtSettings(main);
    }

    void linkTestRefusesAPortBeyondUdp_data()
    {
        QTest::addColumn<QString>("port");
        QTest::newRow("above") << QStringLiteral("70000");
        QTest::newRow("zero") << QStringLiteral("0");
    }

    void linkTestRefusesAPortBeyondUdp()
    {
        QFETCH(QString, port);
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        TForm2 *form = openSettings(main);
        chooseEthernet(form, QStringLiteral("127.000.000.002"), port);
        child<QPushButton>(form, "Button3")->click();
        expectMessage(prompts, QStringLiteral("Ошибка данных!"),
                      QStringLiteral("Значение некорректно!"));
        expectUdpAtSettings(main);
        QCOMPARE(main.communic().link().LinkType(), LinkKind::Ethernet);
    }

    void linkTestOverSerial()
    {
        VirtualController controller;
        FaultPlan plan;
        SimPtyEndpoint sim(controller, plan);
        QVERIFY(sim.open());
        QVERIFY(sim.makeLink(QStringLiteral("./COM3")));
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        TForm2 *form = openSettings(main);
        chooseUsb(form, 3);
        child<QPushButton>(form, "Button3")->click();
        expectMessage(prompts, QStringLiteral("Успешно!"), QStringLiteral("Связь установлена!"));
        QVERIFY(!main.communic().serial().isOpen());
        // The link type the exchange had before the test is back.
        QCOMPARE(main.communic().link().LinkType(), LinkKind::Ethernet);
    }

    void linkTestOnAMissingPort()
    {
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        TForm2 *form = openSettings(main);
        chooseUsb(form, 9);
        child<QPushButton>(form, "Button3")->click();
        expectMessage(prompts, QStringLiteral("Ошибка связи"),
                      QStringLiteral("Ошибка связи с ДК. COM-порт не доступен. Проверьте "
                                     "настройки связи!"));
        QTRY_VERIFY(!form->linkTestRunning());
        QCOMPARE(prompts.asked.size(), std::size_t(1));
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
