// The controller window end to end: the real main window and its "ДК" window against the
// virtual controller over UDP and a pseudo-terminal.
#include "ControllerRig.h"
#include "app/MainWindow.h"
#include "app/Windows.h"
#include "link/ControllerLink.h"
#include "link/ProjectTransfer.h"
#include "model/ByteIO.h"
#include "model/Crc32.h"
#include "service/ControllerWindow.h"
#include "sim/SimPtyEndpoint.h"
#include "sim/SimRunSupport.h"
#include "sim/SimUdpEndpoint.h"
#include "support/CheckClean.h"
#include "support/FakePrompts.h"
#include "support/SeedFlash.h"
#include "support/ShellActions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <array>
#include <memory>

namespace PL = ProjectLayout;

namespace {
// A whole transfer of four rings with its read-back, with room for a loaded machine.
constexpr int kTransferMs = 40000;

const QString kDone = QStringLiteral("Готово!");
const QString kError = QStringLiteral("Ошибка!");
const QString kUploaded = QStringLiteral("Проект успешно загружен!");
const QString kUploadFailed = QStringLiteral("Сбой загрузки проекта!");
const QString kNothingRead = QStringLiteral("Нет данных!|Проект не выгружен");

bool crcsCheck(const RingData &ring)
{
    return Crc32(std::span(ring.project).first(PL::Crc)) == readU32(ring.project, PL::Crc) &&
           Crc32(std::span(ring.programs).first(ProgramsLayout::Crc)) ==
               readU32(ring.programs, ProgramsLayout::Crc);
}

// Contents that differ from ring to ring and from the defaults, in both blocks and up to the
// last packet of each.
void fillProject(RingModel &model, int rings)
{
    model.setRingCount(rings);
    for (int r = 0; r < rings; ++r) {
        RingData &ring = model.store(r);
        for (std::size_t i = 0; i < PL::DescriptionSize; ++i)
            ring.project[PL::Description + i] = static_cast<std::uint8_t>(r * 37 + i * 11);
        ring.project[PL::MinGreen] = static_cast<std::uint8_t>(6 + r);
        ring.project[PL::JournalInputs] = 1;
        writeU16(ring.programs, phaseOffset(r, 0) + PhaseLayout::MainTime, 20 + r);
        writeU16(ring.programs, phaseOffset(MaxPrograms - 1, MaxPhases - 1) + PhaseLayout::MinTime,
                 100 + r);
    }
    wireEveryRing(model);
    model.ReloadRing(0);
}

// Puts rings straight into the controller's flash, as an earlier upload would have left them;
// returns them as they are stored there.
std::vector<RingData> seedRings(VirtualController &controller, int rings)
{
    RingModel source;
    source.NewProjectDefaults();
    fillProject(source, rings);
    std::vector<RingData> sealed = seedFlash(controller, source);
    if (int(sealed.size()) != rings)
        qFatal("flash not seeded");
    return sealed;
}

// Ring `r` as the controller holds it.
RingData flashRing(const VirtualController &controller, int r)
{
    RingData ring;
    const auto project = controller.projectFlash().begin() + std::ptrdiff_t(r) * PL::Size;
    std::copy(project, project + PL::Size, ring.project.begin());
    const auto programs =
        controller.programsFlash().begin() + std::ptrdiff_t(r) * ProgramsLayout::Size;
    std::copy(programs, programs + ProgramsLayout::Size, ring.programs.begin());
    return ring;
}

RingData fileRing(const QByteArray &file, int r)
{
    RingData ring;
    const char *at = file.constData() + std::ptrdiff_t(r) * RingRecordSize;
    std::copy(at, at + PL::Size, ring.project.begin());
    std::copy(at + PL::Size, at + RingRecordSize, ring.programs.begin());
    return ring;
}

// A project file without the fields only the controller's copy fills in (the programs size and
// the copy of their checksum) and without the two checksums over them.
QByteArray withoutControllerSeals(QByteArray file)
{
    for (qsizetype at = 0; at + qsizetype(RingRecordSize) <= file.size(); at += RingRecordSize) {
        file.replace(at + PL::ProgramsCrcCopy, 8, QByteArray(8, '\0'));
        file.replace(at + PL::Size + ProgramsLayout::BlockSize, 8, QByteArray(8, '\0'));
    }
    return file;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

Q_DECLARE_METATYPE(Wire)

class TestControllerWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_previousDir;

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        // "config.str" and the serial port's link live in the working folder.
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(m_previousDir); }

    void projectSurvivesUploadAndDownload_data()
    {
        QTest::addColumn<Wire>("wire");
        QTest::newRow("udp") << Wire::Udp;
        QTest::newRow("pty") << Wire::Pty;
    }
    void projectSurvivesUploadAndDownload()
    {
        QFETCH(Wire, wire);
        Rig rig(wire);
        QVERIFY(rig.ready);
        fillProject(rig.main.model(), 4);
        rig.save(path("a.dat"));
        const QByteArray saved = fileBytes(path("a.dat"));
        QCOMPARE(saved.size(), qsizetype(4 * RingRecordSize));

        rig.open();
        QVERIFY(rig.window->isVisible());
        QVERIFY(child<QCheckBox>(rig.window, "CheckBoxVerify")->isChecked());
        rig.upload()->click();
        QCOMPARE(rig.upload()->text(), ProjectTransfer::kCancelCaption);
        QVERIFY(!rig.download()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        QCOMPARE(messages(rig.prompts), QStringList{kDone + QLatin1Char('|') + kUploaded});
        QVERIFY(rig.statusLog().contains(QStringLiteral("Проверено!")));
        QCOMPARE(child<QProgressBar>(rig.window, "ProgressBar2")->value(), 100);
        for (int r = 0; r < MaxRings; ++r) {
            RingData sealed = rig.main.model().store(r);
            RingModel::SealForController(sealed);
            QVERIFY2(flashRing(rig.controller, r) == sealed, qPrintable(QString::number(r)));
        }
        if (wire == Wire::Udp) {
            child<QTabWidget>(rig.window, "PageControl1")->setCurrentIndex(5);
            rig.window->grab().save(QStringLiteral("/tmp/controller_transfer.png"));
        }

        trigger(rig.main, "N12");
        QCOMPARE(rig.main.model().ringCount(), 1);
        rig.download()->click();
        QCOMPARE(rig.download()->text(), ProjectTransfer::kCancelCaption);
        QVERIFY(!rig.upload()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        QCOMPARE(messages(rig.prompts).value(1), kDone + QStringLiteral("|Выгружено колец: 4"));
        QCOMPARE(rig.prompts.asked.size(), std::size_t(2));
        QCOMPARE(rig.main.model().ringCount(), 4);
        QCOMPARE(rig.main.model().currentRing(), 0);
        QVERIFY(rig.main.model().modified());
        QCOMPARE(child<QComboBox>(&rig.main, "ComboBox2")->count(), 4);

        rig.save(path("b.dat"));
        const QByteArray back = fileBytes(path("b.dat"));
        QCOMPARE(back.size(), saved.size());
        // The file keeps the programs size and its checksum copy as they stand in memory; the
        // rings that come back from the controller carry them as sent, so only these fields
        // and the checksums over them may differ from the file the project came from.
        QCOMPARE(withoutControllerSeals(back), withoutControllerSeals(saved));
        for (int r = 0; r < MaxRings; ++r) {
            const RingData ring = fileRing(back, r);
            QVERIFY(crcsCheck(ring));
            QCOMPARE(readU32(ring.programs, ProgramsLayout::BlockSize), ProgramsLayout::Size);
            QCOMPARE(readU32(ring.project, PL::ProgramsCrcCopy),
                     readU32(ring.programs, ProgramsLayout::Crc));
        }

        // A project that has been through the controller once comes back byte for byte.
        rig.prompts.asked.clear();
        rig.upload()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        trigger(rig.main, "N12");
        rig.main.model().setModified(false);
        rig.download()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        QCOMPARE(messages(rig.prompts),
                 (QStringList{kDone + QLatin1Char('|') + kUploaded,
                              kDone + QStringLiteral("|Выгружено колец: 4")}));
        rig.save(path("c.dat"));
        QCOMPARE(fileBytes(path("c.dat")), back);
    }

    void ringsBeyondTheProjectAreErased()
    {
        Rig rig(Wire::Udp);
        QVERIFY(rig.ready);
        seedRings(rig.controller, 4);
        fillProject(rig.main.model(), 2);
        rig.open();
        child<QCheckBox>(rig.window, "CheckBoxVerify")->setChecked(false);
        rig.upload()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        QCOMPARE(messages(rig.prompts),
                 QStringList{kDone + QStringLiteral("|Загружено без проверки")});
        QVERIFY(!rig.statusLog().contains(QStringLiteral("Проверено!")));
        QVERIFY(rig.statusLog().contains(QStringLiteral("Стираем кольцо: 4")));
        for (int r = 2; r < MaxRings; ++r)
            QVERIFY(!crcsCheck(flashRing(rig.controller, r)));

        trigger(rig.main, "N12");
        rig.download()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        QCOMPARE(messages(rig.prompts).value(1), kDone + QStringLiteral("|Выгружено колец: 2"));
        QCOMPARE(rig.main.model().ringCount(), 2);
    }

    // Any ring whose phase templates break its conflict matrix keeps the project off the
    // controller, before a single command is sent.
    void uploadRefusesAConflictingRing()
    {
        Rig rig(Wire::Udp);
        QVERIFY(rig.ready);
        fillProject(rig.main.model(), 2);
        ProjectBlock &second = rig.main.model().store(1).project;
        second[templateMarkOffset(0, 0)] = 1;
        second[templateMarkOffset(0, 1)] = 1;
        second[conflictFlagOffset(0, 1)] = 1;
        rig.open();
        rig.upload()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        QCOMPARE(messages(rig.prompts),
                 QStringList{QStringLiteral("Отменено!|Ошибка проекта: матрица конфликтов не "
                                            "соответствует шаблонам фаз")});
        QTest::qWait(50);
        QVERIFY(rig.heard.isEmpty());
    }

    // A controller that never answers a download: it is asked with both command sets and the
    // project stays as it was.
    void downloadFromASilentController()
    {
        Rig rig(Wire::Nobody);
        QVERIFY(rig.ready);
        fillProject(rig.main.model(), 2);
        const RingData second = rig.main.model().store(1);
        rig.open();
        rig.download()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        QVERIFY(rig.statusLog().contains(QStringLiteral("ДК не отвечает!")));
        QCOMPARE(rig.main.model().ringCount(), 2);
        QVERIFY(rig.main.model().store(1) == second);
    }

    void oldFirmwareTakesOneRing_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void oldFirmwareTakesOneRing()
    {
        QFETCH(bool, yes);
        Rig rig(Wire::Udp, {}, true);
        QVERIFY(rig.ready);
        fillProject(rig.main.model(), 1);
        rig.save(path("old-a.dat"));
        rig.open();
        rig.prompts.answers.push_back(yes ? QMessageBox::Yes : QMessageBox::No);
        rig.upload()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        const QString question =
            QStringLiteral("Версия меньше 1.1.0 !|Не поддерживаются кольца. Грузим 1 кольцо?");
        if (!yes) {
            // Nothing but the probe's empty write reached the flash.
            QCOMPARE(messages(rig.prompts), QStringList{question});
            QCOMPARE(rig.count("pflashwr"), 1);
            QCOMPARE(rig.controller.projectFlash().front(), VirtualController::Erased);
            return;
        }
        QCOMPARE(
            messages(rig.prompts),
            (QStringList{question, kDone + QLatin1Char('|') + kUploaded +
                                       QStringLiteral("\nЗагружено только кольцо 1; "
                                                      "остальные кольца ДК остались как были")}));
        QCOMPARE(rig.count("proj_flashwr") + rig.count("progs_flashwr"), 0);

        trigger(rig.main, "N12");
        rig.download()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        QCOMPARE(messages(rig.prompts).value(2), kDone + QStringLiteral("|Выгружено колец: 1"));
        rig.save(path("old-b.dat"));
        QCOMPARE(withoutControllerSeals(fileBytes(path("old-b.dat"))),
                 withoutControllerSeals(fileBytes(path("old-a.dat"))));
    }

    void downloadAsksBeforeReplacingChanges_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void downloadAsksBeforeReplacingChanges()
    {
        QFETCH(bool, yes);
        Rig rig(Wire::Udp);
        QVERIFY(rig.ready);
        const std::vector<RingData> sealed = seedRings(rig.controller, 1);
        rig.main.model().setModified(true);
        rig.open();
        rig.prompts.answers.push_back(yes ? QMessageBox::Yes : QMessageBox::No);
        rig.download()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        const QString question =
            QStringLiteral("Выгрузить проект из ДК|Проект изменён. Заменить его проектом из ДК?");
        QCOMPARE(messages(rig.prompts).value(0), question);
        if (!yes) {
            QCOMPARE(rig.prompts.asked.size(), std::size_t(1));
            QTest::qWait(50);
            QVERIFY(rig.heard.isEmpty());
            return;
        }
        QCOMPARE(messages(rig.prompts).value(1), kDone + QStringLiteral("|Выгружено колец: 1"));
        QVERIFY(rig.main.model().store(0) == sealed[0]);
        QVERIFY(rig.main.model().working() == sealed[0]);
    }

    // A transfer over a faulty wire either ends well, with the controller or the project
    // really holding what was sent, or says it failed and leaves the project alone.
    void faultyWire_data()
    {
        QTest::addColumn<Wire>("wire");
        QTest::addColumn<QString>("switches");
        QTest::addColumn<int>("seeded");   // 0: upload a one-ring project; N: download N rings
        QTest::addColumn<int>("expected"); // -1: either; 0: failure; N: success with N rings

        QTest::newRow("drop, download") << Wire::Udp << "--drop 0.05 --seed 3" << 1 << 1;
        QTest::newRow("corrupt hex, upload")
            << Wire::Udp << "--corrupt-hex 0.01 --seed 5" << 0 << -1;
        QTest::newRow("corrupt hex, download")
            << Wire::Udp << "--corrupt-hex 0.003 --seed 1" << 2 << -1;
        QTest::newRow("wrong length, upload")
            << Wire::Udp << "--wrong-length 0.05 --seed 7" << 0 << 1;
        QTest::newRow("wrong length, download")
            << Wire::Udp << "--wrong-length 0.05 --seed 7" << 2 << 2;
        QTest::newRow("duplicate, upload") << Wire::Udp << "--duplicate 0.02 --seed 9" << 0 << -1;
        QTest::newRow("duplicate, download") << Wire::Udp << "--duplicate 0.02 --seed 9" << 2 << -1;
        QTest::newRow("pieces, download") << Wire::Pty << "--chunk 700" << 1 << 1;
        QTest::newRow("hang-up, upload") << Wire::Pty << "--hangup-after 100" << 0 << 0;
        QTest::newRow("hang-up, download") << Wire::Pty << "--hangup-after 300" << 2 << 1;
    }
    void faultyWire()
    {
        QFETCH(Wire, wire);
        QFETCH(QString, switches);
        QFETCH(int, seeded);
        QFETCH(int, expected);
        FaultOptions faults;
        const QStringList args = switches.split(QLatin1Char(' '));
        for (int i = 0; i < args.size(); ++i)
            QVERIFY(!parseFaultOption(faults, args, i));
        Rig rig(wire, faults);
        QVERIFY(rig.ready);
        RingModel &model = rig.main.model();
        rig.open();

        if (seeded == 0) {
            fillProject(model, 1);
            rig.upload()->click();
            QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
            const QStringList shown = messages(rig.prompts);
            QCOMPARE(shown.size(), 1);
            const bool ok = shown[0] == kDone + QLatin1Char('|') + kUploaded;
            QVERIFY2(ok || shown[0] == kError + QLatin1Char('|') + kUploadFailed,
                     qPrintable(shown[0]));
            if (expected >= 0)
                QCOMPARE(ok, expected > 0);
            if (ok) {
                QVERIFY(rig.statusLog().contains(QStringLiteral("Проверено!")));
                RingData sent = model.store(0);
                RingModel::SealForController(sent);
                QVERIFY(flashRing(rig.controller, 0) == sent);
            }
            return;
        }

        const std::vector<RingData> sealed = seedRings(rig.controller, seeded);
        const RingData before = model.store(0);
        rig.download()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        const QStringList shown = messages(rig.prompts);
        QCOMPARE(shown.size(), 1);
        if (shown[0] == kNothingRead) {
            QVERIFY2(expected <= 0, "nothing was read");
            QCOMPARE(model.ringCount(), 1);
            QVERIFY(model.store(0) == before);
            QVERIFY(!model.modified());
            return;
        }
        QVERIFY2(shown[0].startsWith(kDone + QStringLiteral("|Выгружено колец: ")),
                 qPrintable(shown[0]));
        QVERIFY(expected != 0);
        if (expected > 0)
            QCOMPARE(model.ringCount(), expected);
        // A ring that is there but was not read is named after the count.
        const QString count = shown[0].section(QLatin1Char('\n'), 0, 0);
        QCOMPARE(count.back().digitValue(), model.ringCount());
        QCOMPARE(shown[0].contains(QLatin1Char('\n')), model.ringCount() < seeded);
        for (int r = 0; r < model.ringCount(); ++r) {
            QVERIFY(crcsCheck(model.store(r)));
            QVERIFY(model.store(r) == sealed[std::size_t(r)]);
        }
    }

    // The one wait for a controller that never answers: it is asked with both command sets,
    // then the user is told.
    void silentControllerIsReported()
    {
        FaultOptions faults;
        faults.noLineEnd = true;
        Rig rig(Wire::Pty, faults);
        QVERIFY(rig.ready);
        rig.open();
        rig.upload()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        QCOMPARE(messages(rig.prompts), QStringList{kError + QStringLiteral("|ДК не отвечает!")});
        QVERIFY(rig.statusLog().contains(QStringLiteral("ДК не отвечает!")));
        QCOMPARE(rig.heard.size(), 2 * ProjectTransfer::ProbeTries);
        QCOMPARE(rig.count("proj_flashrd 0 0"), ProjectTransfer::ProbeTries);
        QCOMPARE(rig.count("pflashwr 0x1000 0 00"), ProjectTransfer::ProbeTries);
    }

    void monitorShowsTheRingsState()
    {
        Rig rig(Wire::Udp);
        QVERIFY(rig.ready);
        // The controller runs the new project: program 1, in the main time of its second phase
        // (10 s, then 6 s of intermediate tacts), direction 1 red and direction 2 green.
        QDateTime host(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        rig.controller.clock() = ControllerClock([&] { return host; });
        SimRunSupport::loadFlash(rig.controller, rig.main.model());
        rig.controller.powerOn();
        host = host.addSecs(20);
        rig.open();
        auto *watch = child<QToolButton>(rig.window, "SpeedButton1");
        QCOMPARE(watch->text(), QStringLiteral("Следить"));
        watch->click();
        QVERIFY(watch->isChecked());
        auto *mode = child<QLabel>(rig.window, "PanelMode");
        QTRY_COMPARE_WITH_TIMEOUT(mode->text(), QStringLiteral("Программа"), 5000);
        QCOMPARE(child<QLabel>(rig.window, "PanelProgram")->text(), QStringLiteral("1"));
        QCOMPARE(child<QLabel>(rig.window, "PanelProgPhase")->text(), QStringLiteral("2"));
        QCOMPARE(child<QLabel>(rig.window, "PanelSource")->text(), QStringLiteral("ПЛАН"));
        QCOMPARE(child<QLabel>(rig.window, "PanelPhase")->text(), QString());
        QCOMPARE(child<QLabel>(rig.window, "PanelSpecProg")->text(), QString());
        for (const char *name : {"ListBoxRed", "ListBoxYellow", "ListBoxGreen"})
            QCOMPARE(child<QListWidget>(rig.window, name)->count(), StateMonitor::MaxChannels);
        auto *red = child<QListWidget>(rig.window, "ListBoxRed");
        QCOMPARE(red->item(0)->text(), QStringLiteral("1. ВКЛ"));
        QCOMPARE(red->item(1)->text(), QStringLiteral("2. ----"));
        QCOMPARE(child<QListWidget>(rig.window, "ListBoxGreen")->item(1)->text(),
                 QStringLiteral("2. ВКЛ"));
        QCOMPARE(rig.heard.value(0), QByteArray("get state 1"));
        QCOMPARE(rig.heard.value(1), QByteArray("get lines"));
        rig.window->grab().save(QStringLiteral("/tmp/controller_state.png"));

        // The controller falls silent: the values stay, greyed, and the status line says why.
        auto *status = child<QLineEdit>(rig.window, "EditStatus");
        FaultOptions silent;
        silent.dropShare = 1.0;
        rig.plan = FaultPlan(silent);
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), StateMonitor::kNoAnswerText, 10000);
        QCOMPARE(mode->text(), QStringLiteral("Программа"));
        QVERIFY(!mode->isEnabled() && !red->isEnabled());
        QVERIFY(watch->isEnabled());
        rig.plan = FaultPlan();
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), StateMonitor::kAnswerAgainText, 10000);
        QVERIFY(mode->isEnabled() && red->isEnabled());

        auto *ring = child<QSlider>(rig.window, "TrackBar1");
        ring->setValue(3);
        QCOMPARE(child<QLabel>(rig.window, "PanelRing")->text(), QStringLiteral("3"));
        const qsizetype moved = rig.heard.size();
        QTRY_VERIFY_WITH_TIMEOUT(rig.heard.size() > moved + 2, 5000);
        const QByteArray next = rig.heard.value(moved).startsWith("get lines")
                                    ? rig.heard.value(moved + 1)
                                    : rig.heard.value(moved);
        QCOMPARE(next, QByteArray("get state 3"));

        watch->click();
        QVERIFY(!watch->isChecked());
        QTest::qWait(100);
        const qsizetype stopped = rig.heard.size();
        QTest::qWait(2 * StateMonitor::PollIntervalMs);
        QCOMPARE(rig.heard.size(), stopped);
    }

    // A poll that is on the wire when the transfer starts may end, but nothing of the monitor
    // goes out between the transfer's commands.
    void transferStopsTheMonitor_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("upload") << true;
        QTest::newRow("download") << false;
    }
    void transferStopsTheMonitor()
    {
        QFETCH(bool, upload);
        FaultOptions slow;
        slow.delayMs = 40;
        Rig rig(Wire::Udp, slow);
        QVERIFY(rig.ready);
        seedRings(rig.controller, 1);
        fillProject(rig.main.model(), 1);
        rig.main.model().setModified(false);
        rig.open();
        child<QCheckBox>(rig.window, "CheckBoxVerify")->setChecked(false);
        auto *watch = child<QToolButton>(rig.window, "SpeedButton1");
        watch->click();
        // Starts the transfer while the first poll waits for its answer.
        QDeadlineTimer deadline(5000);
        while (rig.heard.isEmpty() && !deadline.hasExpired())
            QTest::qWait(1);
        QCOMPARE(rig.heard.size(), 1);
        (upload ? rig.upload() : rig.download())->click();
        QVERIFY(!watch->isChecked());
        rig.plan = FaultPlan();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        QCOMPARE(rig.prompts.asked.size(), std::size_t(1));
        QCOMPARE(rig.prompts.asked[0].caption, kDone);
        QVERIFY(!watch->isChecked());
        const QByteArray first = upload ? QByteArray("proj_flashrd 0 0") : QByteArray("get ver");
        const qsizetype start = rig.heard.indexOf(first);
        QVERIFY(start > 0);
        for (qsizetype i = start; i < rig.heard.size(); ++i) {
            QVERIFY2(!rig.heard[i].startsWith("get state") && !rig.heard[i].startsWith("get lines"),
                     rig.heard[i].constData());
        }
        QTest::qWait(2 * StateMonitor::PollIntervalMs);
        QVERIFY(!rig.heard.back().startsWith("get "));
    }

    // The buttons answer at once while a transfer waits for a controller that is not there:
    // a second click or hiding the window ends it within the command it waits for, long
    // before its probe of the controller would have given up.
    void transferEndsAtOnce_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<bool>("hide");
        QTest::newRow("upload, cancel") << true << false;
        QTest::newRow("download, cancel") << false << false;
        QTest::newRow("upload, hide") << true << true;
    }
    void transferEndsAtOnce()
    {
        QFETCH(bool, upload);
        QFETCH(bool, hide);
        Rig rig(Wire::Nobody);
        QVERIFY(rig.ready);
        // Tries long enough that a busy machine cannot blur them: the probe the transfer
        // opens with waits through all of its tries unless it is ended.
        constexpr int kTryRounds = 100;
        constexpr qint64 kProbeMs =
            qint64(ProjectTransfer::VersionTries) * kTryRounds * ControllerLink::RoundMs;
        rig.main.communic().link().setUdpWaitRounds(kTryRounds);
        rig.open();
        QPushButton *button = upload ? rig.upload() : rig.download();
        QElapsedTimer clock;
        clock.start();
        button->click();
        // The click returns to the event loop instead of running the transfer inside it.
        QVERIFY2(clock.elapsed() < kProbeMs / 10, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(button->text(), ProjectTransfer::kCancelCaption);
        QTest::qWait(300);
        QCOMPARE(button->text(), ProjectTransfer::kCancelCaption);
        clock.restart();
        if (hide)
            rig.window->hide();
        else
            button->click();
        QVERIFY2(clock.elapsed() < kProbeMs / 10, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(button->text() != ProjectTransfer::kCancelCaption);
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kProbeMs);
        QVERIFY2(clock.elapsed() < kProbeMs / 2, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(rig.statusLog().contains(QStringLiteral("Операция прервана!")));
        QVERIFY(!rig.statusLog().contains(QStringLiteral("ДК не отвечает!")));
        QVERIFY(rig.prompts.asked.empty());
    }

    // Cancelled half-way, an upload ends as failed, and a download keeps the rings it had
    // read whole, each of them checked.
    void cancelHalfWay_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<QString>("message");
        QTest::newRow("upload") << true << QStringLiteral("Ошибка!|Сбой загрузки проекта!");
        QTest::newRow("download") << false << QStringLiteral("Готово!|Выгружено колец: 1");
    }
    void cancelHalfWay()
    {
        QFETCH(bool, upload);
        QFETCH(QString, message);
        FaultOptions slow;
        slow.delayMs = 2;
        Rig rig(Wire::Udp, slow);
        QVERIFY(rig.ready);
        seedRings(rig.controller, 2);
        fillProject(rig.main.model(), 3);
        rig.open();
        QPushButton *button = upload ? rig.upload() : rig.download();
        button->click();
        // Past the first ring.
        auto *progress = child<QProgressBar>(rig.window, "ProgressBar2");
        QDeadlineTimer deadline(kTransferMs);
        while (progress->value() < 30 && !deadline.hasExpired())
            QTest::qWait(1);
        QCOMPARE(button->text(), ProjectTransfer::kCancelCaption);
        button->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), 2000);
        QVERIFY(rig.statusLog().contains(QStringLiteral("Операция прервана!")));
        QCOMPARE(messages(rig.prompts), QStringList{message});
        // The bar shows that the upload failed, until the next transfer starts.
        QCOMPARE(progress->property("failed").toBool(), upload);
        QCOMPARE(progress->format().startsWith(QStringLiteral("Сбой")), upload);
        if (upload) {
            QCOMPARE(rig.main.model().ringCount(), 3);
        } else {
            QCOMPARE(rig.main.model().ringCount(), 1);
            QVERIFY(crcsCheck(rig.main.model().store(0)));
        }
    }
};

QTEST_MAIN(TestControllerWindow)
#include "tst_controllerwindow.moc"
