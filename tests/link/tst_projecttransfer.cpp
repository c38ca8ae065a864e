#include "link/ControllerLink.h"
#include "link/ProjectTransfer.h"
#include "model/ByteIO.h"
#include "model/Crc32.h"
#include "model/RingModel.h"
#include "sim/VirtualController.h"
#include "support/CheckClean.h"
#include "support/FakeTransport.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

namespace {
struct Shown
{
    QString caption;
    QString text;
};

bool checks(const RingData &ring)
{
    return Crc32(std::span(ring.project).first(ProjectLayout::Crc)) ==
               readU32(ring.project, ProjectLayout::Crc) &&
           Crc32(std::span(ring.programs).first(ProgramsLayout::Crc)) ==
               readU32(ring.programs, ProgramsLayout::Crc);
}
using Plant = std::function<void(RingModel &)>;
using Cause = TransferResult::Cause;

// Answers from a queue (No when it is empty) and records what was asked.
struct Answers final : Questions
{
    std::vector<Shown> shown;
    std::deque<bool> answers;
    bool ask(Question, const QString &caption, const QString &text) override
    {
        shown.push_back({caption, text});
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return yes;
    }
};
} // namespace

Q_DECLARE_METATYPE(Plant)

// The transfer against the virtual controller's interpreter on an in-memory wire: every
// command is answered on the next turn of the event loop, unless a test's fault says
// otherwise.
class TestProjectTransfer : public QObject
{
    Q_OBJECT
    std::unique_ptr<FakeTransport> serial;
    std::unique_ptr<FakeTransport> udp;
    std::unique_ptr<ControllerLink> link;
    std::unique_ptr<RingModel> model;
    std::unique_ptr<VirtualController> controller;
    std::unique_ptr<ProjectTransfer> transfer;
    // Returns the answer to send instead of the controller's; a null array lets the
    // controller answer, an empty one sends nothing.
    std::function<QByteArray(const QByteArray &)> fault;
    Answers questions;
    std::vector<Shown> &shown = questions.shown;
    std::deque<bool> &answers = questions.answers;

    void makeController(bool oldFirmware = false)
    {
        controller = std::make_unique<VirtualController>(oldFirmware);
    }

    // A project whose rings differ from each other and from a new project.
    void fillProject(int rings)
    {
        model->setRingCount(rings);
        QRandomGenerator random(42);
        for (int r = 0; r < rings; ++r) {
            RingData &ring = model->store(r);
            // Random programs, held only to the phase counts and times the check before the
            // upload looks at.
            for (std::size_t i = 0; i < ProgramsLayout::BlockSize; ++i)
                ring.programs[i] = static_cast<std::uint8_t>(random.bounded(256));
            keepPhaseTimesValid(ring.programs);
            const QByteArray text = "ring " + QByteArray::number(r + 1);
            std::copy(text.begin(), text.end(), ring.project.begin() + ProjectLayout::Description);
        }
        wireEveryRing(*model);
        model->ReloadRing(0);
    }

    [[nodiscard]] QList<QByteArray> sent(const QByteArray &prefix) const
    {
        QList<QByteArray> found;
        for (const QByteArray &c : udp->written) {
            if (c.startsWith(prefix))
                found.append(c);
        }
        return found;
    }

    // Runs a transfer to its end and shows its closing message as the window would.
    TransferResult run(QCoro::Task<TransferResult> task)
    {
        TransferResult result = QCoro::waitFor(std::move(task));
        if (!result.caption.isEmpty())
            shown.push_back({result.caption, result.message});
        return result;
    }

    [[nodiscard]] QString lastShown() const
    {
        return shown.empty() ? QString() : shown.back().caption + '|' + shown.back().text;
    }

private slots:
    void init()
    {
        serial = std::make_unique<FakeTransport>();
        udp = std::make_unique<FakeTransport>();
        udp->needsOpen = false;
        link = std::make_unique<ControllerLink>(*serial, *udp);
        model = std::make_unique<RingModel>();
        model->NewProjectDefaults();
        makeController();
        transfer = std::make_unique<ProjectTransfer>(*link, *model);
        fault = nullptr;
        shown.clear();
        answers.clear();
        transfer->setQuestions(&questions);
        udp->reply = [this](const QByteArray &command) {
            QByteArray answer = fault ? fault(command) : QByteArray();
            if (answer.isNull())
                answer = controller->handle(command);
            if (answer.isEmpty())
                return;
            QTimer::singleShot(0, udp.get(), [this, answer] { udp->deliver(answer); });
        };
    }
    void cleanup()
    {
        transfer.reset();
        link.reset();
        model.reset();
        udp.reset();
        serial.reset();
    }

    // The whole-project check runs before anything is sent: an error stops the upload whatever
    // is answered, a warning stops it only when the user says No.
    void checkBeforeUpload_data()
    {
        namespace DL = DirectionLayout;
        QTest::addColumn<Plant>("plant");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("sends");
        QTest::addColumn<QString>("shown");
        const QString stopped = QStringLiteral("Отменено!|Ошибка проекта, загрузка в ДК отменена");
        QTest::newRow("channel bound in two rings") << Plant([](RingModel &m) {
            m.store(1).project[directionOffset(0) + DL::Red1 + DL::BindingGroup] = 1;
        }) << true << false << stopped;
        QTest::newRow("main time above the maximum") << Plant([](RingModel &m) {
            writeU16(m.project(), ProjectLayout::MaxPhaseDuration, 5);
        }) << true << false << stopped;
        QTest::newRow("incomplete tram signal keeps its message")
            << Plant([](RingModel &m) { m.store(1).project[directionOffset(1) + DL::Type] = 4; })
            << true << false
            << QStringLiteral(
                   "Отменено!|Ошибка проекта: некорректное задание ТРАМВАЙНЫХ направлений");
        QTest::newRow("conflicting template keeps its message")
            << Plant([](RingModel &m) {
                   m.project()[templateMarkOffset(0, 1)] = 1;
                   m.project()[conflictFlagOffset(0, 1)] = 1;
               })
            << true << false
            << QStringLiteral(
                   "Отменено!|Ошибка проекта: матрица конфликтов не соответствует шаблонам фаз");
        const Plant unbound = [](RingModel &m) {
            for (const std::size_t row : {DL::Red1, DL::Yellow1, DL::Green1})
                m.store(1).project[directionOffset(1) + row + DL::BindingGroup] = 0;
        };
        QTest::newRow("warning answered No")
            << unbound << false << false << QStringLiteral("Проверка проекта|Замечания");
        QTest::newRow("warning answered Yes")
            << unbound << true << true << QStringLiteral("Готово!|Загружено без проверки");
    }
    void checkBeforeUpload()
    {
        QFETCH(Plant, plant);
        QFETCH(bool, yes);
        QFETCH(bool, sends);
        QFETCH(QString, shown);
        fillProject(2);
        plant(*model);
        transfer->setVerifyAfterUpload(false);
        answers = {yes};
        run(transfer->upload());
        QVERIFY2(lastShown().startsWith(shown), qPrintable(lastShown()));
        QVERIFY(!transfer->busy() && !transfer->running());
        if (sends) {
            QCOMPARE(sent("proj_flashwr ").size(), 2 * 22 + 2); // two rings, two erased
            return;
        }
        // Not even the version probe: the controller hears nothing.
        QCOMPARE(udp->written.size(), 0);
        QCOMPARE(transfer->progressPercent(), 0);
    }

    void uploadVerifiesAndDownloadRestoresEveryRing()
    {
        fillProject(4);
        std::vector<RingData> expected;
        for (int r = 0; r < 4; ++r) {
            expected.push_back(model->store(r));
            RingModel::SealForController(expected.back());
        }
        // Only a download changes the project: it is one step of the undo history.
        QSignalSpy steps(model.get(), &RingModel::stepApplied);
        run(transfer->upload());
        QCOMPARE(steps.count(), 0);
        QCOMPARE(lastShown(), QStringLiteral("Готово!|Проект успешно загружен!"));
        QVERIFY(transfer->statusLog().contains(QStringLiteral("Проверено!")));
        QCOMPARE(transfer->progressPercent(), 100);
        QVERIFY(!transfer->busy() && !transfer->running());
        // The stores themselves are not sealed by an upload.
        QCOMPARE(readU16(model->store(0).project, ProjectLayout::BlockSize), 0);

        model->NewProjectDefaults();
        model->setModified(false);
        run(transfer->download());
        QCOMPARE(lastShown(), QStringLiteral("Готово!|Выгружено колец: 4"));
        QCOMPARE(steps.count(), 1);
        QCOMPARE(steps[0][0].toString(), QStringLiteral("выгрузка проекта из ДК"));
        QCOMPARE(model->ringCount(), 4);
        QCOMPARE(model->currentRing(), 0);
        for (int r = 0; r < 4; ++r)
            QVERIFY2(model->store(r) == expected[r], qPrintable(QString::number(r)));
        QVERIFY(model->working() == expected[0]);
        QVERIFY(model->modified());
        QVERIFY(transfer->statusLog().contains(QStringLiteral("Итого - выгружено 4")));
    }

    void twoRingsAreFollowedByTwoErasePasses_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QString>("closing");
        // Over a lossy link only the read-back catches a packet whose acknowledgement was late.
        QTest::newRow("without read-back")
            << false << 2 * 231 + 2 * 2 << QStringLiteral("Готово!|Загружено без проверки");
        QTest::newRow("with read-back")
            << true << 4 * 231 + 2 * 2 << QStringLiteral("Готово!|Проект успешно загружен!");
    }
    void twoRingsAreFollowedByTwoErasePasses()
    {
        QFETCH(bool, verify);
        QFETCH(int, maximum);
        QFETCH(QString, closing);
        // A controller that held four rings before.
        fillProject(4);
        run(transfer->upload());
        fillProject(2);
        udp->written.clear();
        transfer->setVerifyAfterUpload(verify);
        const TransferResult result = run(transfer->upload());
        QCOMPARE(lastShown(), closing);
        QCOMPARE(result.outcome,
                 verify ? TransferResult::Outcome::Done : TransferResult::Outcome::Unverified);
        QCOMPARE(transfer->progressMaximum(), maximum);
        const QByteArray zeros(1024, '0');
        QCOMPARE(sent("proj_flashwr 54FC ").value(0), "proj_flashwr 54FC 512 " + zeros);
        QCOMPARE(sent("progs_flashwr 34050 ").value(0), "progs_flashwr 34050 512 " + zeros);
        QCOMPARE(sent("proj_flashwr 7F7A ").value(0), "proj_flashwr 7F7A 512 " + zeros);
        QCOMPARE(sent("progs_flashwr 4E078 ").value(0), "progs_flashwr 4E078 512 " + zeros);
        QCOMPARE(sent("proj_flashwr ").size(), 2 * 22 + 2);
        QCOMPARE(sent("progs_flashwr ").size(), 2 * 209 + 2);
        const QStringList log = transfer->statusLog();
        QCOMPARE(log.first(), QStringLiteral("Загружаем кольцо: 1"));
        QVERIFY(log.contains(QStringLiteral("Стираем кольцо: 4")));
        QCOMPARE(log.count(QString(33, '-')), 4);

        // The erased third ring ends a later download.
        model->setModified(false);
        run(transfer->download());
        QCOMPARE(lastShown(), QStringLiteral("Готово!|Выгружено колец: 2"));
        QCOMPARE(model->ringCount(), 2);
        QVERIFY(transfer->statusLog().contains(
            QStringLiteral("Контрольная сумма в проекте не совпадает!")));
    }

    void silentControllerIsReported()
    {
        fault = [](const QByteArray &) { return QByteArray(""); };
        run(transfer->upload());
        QCOMPARE(sent("proj_flashrd 0 0").size(), 7);
        QCOMPARE(sent("pflashwr 0x1000 0 00").size(), 7);
        QCOMPARE(udp->written.size(), 14);
        QCOMPARE(lastShown(), QStringLiteral("Ошибка!|ДК не отвечает!"));
        QCOMPARE(transfer->statusLog(), (QStringList{QStringLiteral("Не определена версия ДК!!!"),
                                                     QStringLiteral("ДК не отвечает!")}));
        QVERIFY(!transfer->busy() && !transfer->running());
    }

    void packetTries_data()
    {
        QTest::addColumn<QByteArray>("refused");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("tries");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QString>("detail");
        QTest::newRow("project packet refused")
            << QByteArray("proj_flashwr 0200 ") << QByteArray("ERROR\n") << 7
            << QStringLiteral("Проект НЕ загружен!")
            << QStringLiteral("ДК не дал верного ответа на пакет 2 кольца 1; кольцо записано не "
                              "полностью");
        QTest::newRow("programs packet unanswered")
            << QByteArray("progs_flashwr 0000 ") << QByteArray("") << 5
            << QStringLiteral("Программы НЕ загружены!")
            << QStringLiteral("ДК перестал отвечать на пакете 23 кольца 1; кольцо записано не "
                              "полностью");
    }
    void packetTries()
    {
        QFETCH(QByteArray, refused);
        QFETCH(QByteArray, answer);
        QFETCH(int, tries);
        QFETCH(QString, logged);
        QFETCH(QString, detail);
        fault = [&](const QByteArray &command) {
            return command.startsWith(refused) ? answer : QByteArray();
        };
        const TransferResult result = run(transfer->upload());
        QCOMPARE(result.detail, detail);
        QVERIFY(transfer->statusLog().contains(detail));
        QCOMPARE(result.ring, 0);
        QCOMPARE(sent(refused).size(), tries);
        QCOMPARE(lastShown(), QStringLiteral("Ошибка!|Сбой загрузки проекта!"));
        QVERIFY(transfer->statusLog().contains(logged));
        QVERIFY(transfer->statusLog().contains(QStringLiteral("Кольцо НЕ загружено!")));
        QCOMPARE(transfer->statusLog().last(), QStringLiteral("ОШИБКА!"));
        // Nothing after the refused packet went out.
        QCOMPARE(udp->written.last(), sent(refused).last());
    }

    void oldFirmware_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("one ring") << true;
        QTest::newRow("declined") << false;
    }
    void oldFirmware()
    {
        QFETCH(bool, yes);
        makeController(true);
        fillProject(2);
        answers = {yes};
        run(transfer->upload());
        QCOMPARE(shown.front().caption, QStringLiteral("Версия меньше 1.1.0 !"));
        QCOMPARE(shown.front().text, QStringLiteral("Не поддерживаются кольца. Грузим 1 кольцо?"));
        if (!yes) {
            QCOMPARE(shown.size(), std::size_t(1));
            QCOMPARE(udp->written.last(), QByteArray("get ver"));
            return;
        }
        QCOMPARE(transfer->commandSet(), ProjectTransfer::CommandSet::Old);
        QCOMPARE(lastShown(),
                 QStringLiteral("Готово!|Проект успешно загружен!\nЗагружено только кольцо 1; "
                                "остальные кольца ДК остались как были"));
        QCOMPARE(sent("pflashwr 1000 512 ").size(), 1);
        QCOMPARE(sent("pflashwr 33000 512 ").size(), 1);
        QCOMPARE(sent("pflashwr ").size(), 1 + 231); // the probe, then one ring
        QCOMPARE(sent("flashrd 33000 512").size(), 1);
        QVERIFY(sent("proj_flashwr").isEmpty() && sent("progs_flashwr").isEmpty());
    }

    void uploadCancelledMidRing()
    {
        int writes = 0;
        fault = [&](const QByteArray &command) {
            if (command.startsWith("progs_flashwr") && ++writes == 10)
                QTimer::singleShot(0, this, [this] { transfer->cancel(); });
            return QByteArray();
        };
        run(transfer->upload());
        QVERIFY(!transfer->running());
        QCOMPARE(sent("progs_flashwr ").size(), 10);
        QVERIFY(transfer->statusLog().contains(QStringLiteral("Операция прервана!")));
        QCOMPARE(lastShown(), QStringLiteral("Ошибка!|Сбой загрузки проекта!"));
        QVERIFY(!transfer->busy());
    }

    void downloadCancelledMidRingKeepsTheRingsRead()
    {
        fillProject(3);
        run(transfer->upload());
        model->NewProjectDefaults();
        model->setModified(false);
        udp->written.clear();
        fault = [&](const QByteArray &command) {
            // Ring 2's programs block, a few packets in.
            if (command.startsWith("progs_flashrd 1A628 "))
                QTimer::singleShot(0, this, [this] { transfer->cancel(); });
            return QByteArray();
        };
        run(transfer->download());
        QVERIFY(!transfer->running());
        QCOMPARE(lastShown(), QStringLiteral("Готово!|Выгружено колец: 1"));
        QCOMPARE(model->ringCount(), 1);
        QVERIFY(checks(model->store(0)));
        QVERIFY(sent("proj_flashrd 54FC").isEmpty());
    }

    void downloadAsksBeforeReplacingUnsavedWork()
    {
        model->setModified(true);
        answers = {false};
        run(transfer->download());
        QCOMPARE(lastShown(), QStringLiteral("Выгрузить проект из ДК|Проект изменён. Заменить "
                                             "его проектом из ДК?"));
        QVERIFY(udp->written.isEmpty());
        QVERIFY(!transfer->busy());
    }

    void unreadableRingEndsTheDownloadKeepingNumbers()
    {
        fillProject(3);
        run(transfer->upload());
        const RingData first = model->store(0);
        model->NewProjectDefaults();
        model->setModified(false);
        udp->written.clear();
        // Ring 2's first project packet never comes back.
        fault = [](const QByteArray &command) {
            return command == "proj_flashrd 2A7E 512" ? QByteArray("") : QByteArray();
        };
        const TransferResult result = run(transfer->download());
        QCOMPARE(sent("proj_flashrd 2A7E 512").size(), 7);
        // Ring 2 is there but was not read: no plain success.
        QCOMPARE(lastShown(), QStringLiteral("Готово!|Выгружено колец: 1\nКольцо 2 не прочитано: "
                                             "ДК перестал отвечать на пакете 1 кольца 2"));
        QCOMPARE(result.outcome, TransferResult::Outcome::Partial);
        QCOMPARE(result.cause, Cause::NoAnswer);
        QCOMPARE(model->ringCount(), 1);
        QVERIFY(sent("proj_flashrd 54FC").isEmpty()); // ring 3 is not read
        RingData sealed = first;
        RingModel::SealForController(sealed);
        QVERIFY(model->store(0) == sealed);
    }

    // A fleet's download hands each ring on as it is read and keeps none: the project stays as
    // it was, and a sink that cannot take a ring ends the reading there.
    void ringSinkTakesEachRingAndLeavesTheModel_data()
    {
        QTest::addColumn<int>("refuseAt");
        QTest::addColumn<int>("handed");
        QTest::newRow("every ring") << -1 << 3;
        QTest::newRow("ring 2 refused") << 1 << 2;
    }
    void ringSinkTakesEachRingAndLeavesTheModel()
    {
        QFETCH(int, refuseAt);
        QFETCH(int, handed);
        fillProject(3);
        run(transfer->upload());
        std::vector<RingData> sealed;
        for (int r = 0; r < 3; ++r) {
            sealed.push_back(model->store(r));
            RingModel::SealForController(sealed.back());
        }
        model->NewProjectDefaults();
        model->setModified(false);
        const RingData untouched = model->store(0);
        std::vector<int> rings;
        bool same = true;
        transfer->setRingSink([&](int ring, RingData &data) {
            rings.push_back(ring);
            same = same && data == sealed[std::size_t(ring)];
            return ring != refuseAt;
        });
        QSignalSpy replaced(transfer.get(), &ProjectTransfer::projectReplaced);
        udp->written.clear();
        run(transfer->download());
        QCOMPARE(int(rings.size()), handed);
        QVERIFY(same);
        QCOMPARE(sent("proj_flashrd 54FC").isEmpty(), refuseAt >= 0); // ring 3
        QCOMPARE(replaced.count(), 0);
        QVERIFY(!model->modified());
        QCOMPARE(model->ringCount(), 1);
        QVERIFY(model->store(0) == untouched);
    }

    void brokenChecksumIsNeverStored_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<int>("rings");
        QTest::addColumn<QString>("logged");
        QTest::newRow("ring 1 project")
            << QByteArray("proj_flashrd 0200 512") << 0
            << QStringLiteral("Контрольная сумма в проекте не совпадает!");
        QTest::newRow("ring 2 programs")
            << QByteArray("progs_flashrd 1A228 512") << 1
            << QStringLiteral("Контрольная сумма в программах не совпадает!");
    }
    void brokenChecksumIsNeverStored()
    {
        QFETCH(QByteArray, packet);
        QFETCH(int, rings);
        QFETCH(QString, logged);
        fillProject(2);
        run(transfer->upload());
        model->NewProjectDefaults();
        model->setModified(false);
        const RingData fresh = model->store(1);
        // A well-formed answer carrying one wrong bit.
        fault = [&](const QByteArray &command) {
            if (command != packet)
                return QByteArray();
            QByteArray answer = controller->handle(command);
            answer[8] = answer[8] == '0' ? '1' : '0';
            return answer;
        };
        QSignalSpy steps(model.get(), &RingModel::stepApplied);
        run(transfer->download());
        QVERIFY(transfer->statusLog().contains(logged));
        QCOMPARE(steps.count(), rings == 0 ? 0 : 1);
        if (rings == 0) {
            QCOMPARE(lastShown(), QStringLiteral("Нет данных!|Проект не выгружен"));
            QVERIFY(!model->modified());
        } else {
            QVERIFY2(lastShown().startsWith(QStringLiteral(
                         "Готово!|Выгружено колец: 1\nКольцо 2 прочитано с ошибкой")),
                     qPrintable(lastShown()));
            QCOMPARE(model->ringCount(), 1);
            QVERIFY(checks(model->store(0)));
            QVERIFY(model->store(1) == fresh);
        }
    }

    void readBackFailure_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<int>("cause");
        QTest::newRow("a different byte")
            << QByteArray("proj_flashrd 0200 512") << 0
            << QStringLiteral("Сбой проверки: кольцо 1, смещение 512") << int(Cause::Mismatch);
        // A packet that never comes back is no difference in the flash.
        QTest::newRow("an unreadable programs packet")
            << QByteArray("progs_flashrd 0400 512") << 1
            << QStringLiteral("ДК не дал верного ответа на пакет 25 кольца 1 при проверке; "
                              "загруженное не проверено")
            << int(Cause::BadAnswer);
        QTest::newRow("no answer")
            << QByteArray("progs_flashrd 0400 512") << 2
            << QStringLiteral("ДК перестал отвечать на пакете 25 кольца 1 при проверке; "
                              "загруженное не проверено")
            << int(Cause::NoAnswer);
    }
    void readBackFailure()
    {
        QFETCH(QByteArray, packet);
        QFETCH(int, fault);
        QFETCH(QString, logged);
        QFETCH(int, cause);
        this->fault = [&](const QByteArray &command) {
            if (command != packet)
                return QByteArray();
            if (fault == 2)
                return QByteArray("");
            QByteArray answer = controller->handle(command);
            if (fault == 0)
                answer[8] = answer[8] == '0' ? '1' : '0';
            else
                answer.remove(10, 2); // one byte short, every time
            return answer;
        };
        const TransferResult result = run(transfer->upload());
        QVERIFY2(transfer->statusLog().contains(logged),
                 qPrintable(transfer->statusLog().join('\n')));
        QCOMPARE(int(result.cause), cause);
        QCOMPARE(result.detail, logged);
        QCOMPARE(transfer->statusLog().filter(QStringLiteral("Сбой проверки")).size(),
                 cause == int(Cause::Mismatch) ? 1 : 0);
        QVERIFY(!transfer->statusLog().contains(QStringLiteral("Проверено!")));
        QCOMPARE(lastShown(), QStringLiteral("Ошибка!|Сбой загрузки проекта!"));
    }

    void shortAnswerIsRetried()
    {
        bool first = true;
        fault = [&](const QByteArray &command) {
            if (command != "proj_flashrd 0000 512" || !first)
                return QByteArray();
            first = false;
            return QByteArray("SUCCESS:") + QByteArray(1022, 'A') + '\n';
        };
        run(transfer->upload());
        QCOMPARE(sent("proj_flashrd 0000 512").size(), 2);
        QCOMPARE(lastShown(), QStringLiteral("Готово!|Проект успешно загружен!"));
    }

    // A lost "get ver" answer must not pass a ring-aware controller off as one without rings.
    void versionAnswer_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<int>("lost");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("closing");
        const auto done = int(TransferResult::Outcome::Done);
        const auto partial = int(TransferResult::Outcome::Partial);
        QTest::newRow("upload, one answer lost")
            << true << 1 << false << done << QStringLiteral("Готово!|Проект успешно загружен!");
        QTest::newRow("download, one answer lost")
            << false << 1 << false << done << QStringLiteral("Готово!|Выгружено колец: 2");
        QTest::newRow("download, never answered")
            << false << 99 << false << partial
            << QStringLiteral("Готово!|Выгружено колец: 1\nДК не ответил на \"get ver\": "
                              "прочитано только кольцо 1, остальные кольца ДК не читались");
        QTest::newRow("upload of one ring, never answered")
            << true << 99 << true << done
            << QStringLiteral("Готово!|Проект успешно загружен!\nЗагружено только кольцо 1; "
                              "остальные кольца ДК остались как были");
    }
    void versionAnswer()
    {
        QFETCH(bool, upload);
        QFETCH(int, lost);
        QFETCH(bool, yes);
        QFETCH(int, outcome);
        QFETCH(QString, closing);
        fillProject(2);
        run(transfer->upload());
        model->setModified(false);
        fault = [&](const QByteArray &command) {
            return command == "get ver" && lost-- > 0 ? QByteArray("") : QByteArray();
        };
        answers = {yes};
        shown.clear();
        const TransferResult result = run(upload ? transfer->upload() : transfer->download());
        QCOMPARE(lastShown(), closing);
        QCOMPARE(int(result.outcome), outcome);
        // The question is put only when every try went unanswered.
        QCOMPARE(shown.size(), std::size_t(upload && yes ? 2 : 1));
        QCOMPARE(result.otherRingsKept, upload && yes);
        QCOMPARE(result.ringCountUnknown, !upload && lost > 0);
    }

    void oneTransferAtATime()
    {
        auto upload = transfer->upload();
        QVERIFY(transfer->uploadBusy());
        run(transfer->download());
        QVERIFY(transfer->uploadBusy());
        QVERIFY(!transfer->downloadBusy());
        QCoro::waitFor(std::move(upload));
        QVERIFY(sent("proj_flashrd 0000").size() == 1); // the read-back only
    }

    void tramFaultStopsTheUploadBeforeAnythingIsSent()
    {
        // A "трам-лево" direction with no partners is an incomplete tram signal.
        model->project()[ProjectLayout::Directions] = 4;
        run(transfer->upload());
        QCOMPARE(lastShown(),
                 QStringLiteral("Отменено!|Ошибка проекта: некорректное задание ТРАМВАЙНЫХ "
                                "направлений"));
        QVERIFY(udp->written.isEmpty());
        QVERIFY(!transfer->busy());
    }
};

QTEST_GUILESS_MAIN(TestProjectTransfer)
#include "tst_projecttransfer.moc"
