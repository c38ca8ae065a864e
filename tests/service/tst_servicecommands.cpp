#include "ScriptedController.h"
#include "service/ClockService.h"
#include "service/InfoService.h"
#include "service/JournalReader.h"
#include "service/OutputTest.h"
#include "service/Pauses.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <optional>

class TestServiceCommands : public QObject, private Questions
{
    Q_OBJECT
    std::unique_ptr<ScriptedController> wire;
    QStringList statuses;
    QStringList console;
    std::deque<bool> answers;

    bool ask(Question, const QString &, const QString &) override
    {
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return yes;
    }

    // Records what a feature reports and answers its questions from `answers`.
    template <typename Service> void listen(Service &service)
    {
        connect(&service, &Service::statusReported, this,
                [this](const QString &text) { statuses.append(text); });
        if constexpr (requires { &Service::commandLogged; }) {
            connect(&service, &Service::commandLogged, this,
                    [this](const QString &text) { console.append(text); });
        }
        if constexpr (requires { service.setQuestions(this); })
            service.setQuestions(this);
    }

    // A journal of `count` records, read from the start by "event get".
    void journal(int count, QByteArray used = {})
    {
        auto next = std::make_shared<int>(0);
        if (used.isEmpty())
            used = QByteArray::number(count);
        wire->answer = [=](const QByteArray &command) -> QByteArray {
            if (command == "event init") {
                *next = 0;
                return "SUCCESS:\n";
            }
            if (command == "event used")
                return "SUCCESS:" + used + "\n";
            if (command == "event get") {
                if (*next >= count)
                    return "SUCCESS:+++NO events\n";
                return "SUCCESS:" +
                       ControllerLink::encode(
                           QStringLiteral("07.12.2026 10:00:00 запись %1\n").arg(++*next));
            }
            return {};
        };
    }

private slots:
    void init()
    {
        wire = std::make_unique<ScriptedController>();
        statuses.clear();
        console.clear();
        answers.clear();
    }

    void channelOnOutsideTestModeSendsNothing()
    {
        OutputTest test(*wire->link);
        QCoro::waitFor(test.channelOn(1, OutputTest::Red));
        QVERIFY(wire->sent().isEmpty());
        QVERIFY(test.results().isEmpty());
    }

    void channelOffWorksInAndOutOfTestMode_data()
    {
        QTest::addColumn<bool>("inTest");
        QTest::newRow("normal") << false;
        QTest::newRow("test") << true;
    }
    void channelOffWorksInAndOutOfTestMode()
    {
        QFETCH(bool, inTest);
        wire->answer = [](const QByteArray &) { return QByteArray("SUCCESS:\n"); };
        OutputTest test(*wire->link);
        if (inTest)
            QCoro::waitFor(test.testOn());
        QCoro::waitFor(test.channelOff(3, OutputTest::Green));
        QCOMPARE(wire->sent().last(), QByteArray("channel 3 g off"));
        QCOMPARE(test.results(), QStringList{QStringLiteral("ВЫКЛ!")});
    }

    void measurement_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("colour");
        QTest::addColumn<QByteArray>("tokens");
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<QByteArray>("asked");
        QTest::newRow("group 8 red, current")
            << 8 << int(OutputTest::Red) << QByteArray("0 0 0 0 0 0 0 1")
            << QStringList{"Канал 8 К", "ВКЛ!", "Ток есть."} << QByteArray("get lineADC");
        QTest::newRow("group 2 red, none")
            << 2 << int(OutputTest::Red) << QByteArray("1 0 1 1 1 1 1 1")
            << QStringList{"Канал 2 К", "ВКЛ!", "Тока нет."} << QByteArray("get lineADC");
        QTest::newRow("too few tokens")
            << 8 << int(OutputTest::Red) << QByteArray("1 1 1")
            << QStringList{"Канал 8 К", "ВКЛ!", "Тока нет."} << QByteArray("get lineADC");
        QTest::newRow("group 3 green, voltage")
            << 3 << int(OutputTest::Green) << QByteArray("0 0 01 0 0 0 0 0")
            << QStringList{"Канал 3 З", "ВКЛ!", "Напряжение есть."} << QByteArray("get linePWM");
        QTest::newRow("group 1 green, none")
            << 1 << int(OutputTest::Green) << QByteArray("0 1 1 1 1 1 1 1")
            << QStringList{"Канал 1 З", "ВКЛ!", "Напряжения нет."} << QByteArray("get linePWM");
        QTest::newRow("yellow is not measured")
            << 5 << int(OutputTest::Yellow) << QByteArray() << QStringList{"Канал 5 Ж", "ВКЛ!"}
            << QByteArray("channel 5 y on");
    }
    void measurement()
    {
        QFETCH(int, group);
        QFETCH(int, colour);
        QFETCH(QByteArray, tokens);
        QFETCH(QStringList, results);
        QFETCH(QByteArray, asked);
        wire->answer = [&](const QByteArray &command) {
            return command.startsWith("get line") ? "SUCCESS:" + tokens + "\n"
                                                  : QByteArray("SUCCESS:\n");
        };
        OutputTest test(*wire->link);
        QCoro::waitFor(test.testOn());
        QVERIFY(test.testMode());
        QCOMPARE(test.statusText(), QStringLiteral("ТЕСТ режим"));
        // The pauses before measuring are waits, not sleeps: the event loop keeps running.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(50);
        QElapsedTimer clock;
        clock.start();
        QCoro::waitFor(test.channelOn(group, static_cast<OutputTest::Colour>(colour)));
        QCOMPARE(test.results(), results);
        QCOMPARE(wire->sent().last(), asked);
        if (colour != OutputTest::Yellow) {
            QVERIFY2(clock.elapsed() >= OutputTest::SettleMs + OutputTest::MeasureMs,
                     qPrintable(QString::number(clock.elapsed())));
            QVERIFY(ticks >= 15);
        }
    }

    // A window closed while its feature waits must not wake up later inside freed memory and
    // talk to the controller on its behalf.
    void channelMeasuredWhenItsOwnerGoesSendsNothingMore()
    {
        wire->answer = [](const QByteArray &) { return QByteArray("SUCCESS:1 1 1 1 1 1 1 1\n"); };
        auto test = std::make_unique<OutputTest>(*wire->link);
        QCoro::waitFor(test->testOn());
        int changes = 0;
        connect(test.get(), &OutputTest::changed, this, [&] { ++changes; });
        test->channelOn(2, OutputTest::Red);
        QTRY_VERIFY(test->results().contains(QStringLiteral("ВКЛ!")));
        QVERIFY(test->working());
        const qsizetype before = wire->sent().size();
        const int changesBefore = changes;
        test.reset();
        // The script ended inside the destructor, and said so while the object still lived.
        QCOMPARE(changes, changesBefore + 1);
        QTest::qWait(OutputTest::SettleMs + OutputTest::MeasureMs + 200);
        QCOMPARE(wire->sent().size(), before);
    }

    void journalSettlingWhenItsOwnerGoesSendsNothingMore()
    {
        journal(5);
        auto reader = std::make_unique<JournalReader>(*wire->link);
        reader->setSettlePause(300);
        reader->read();
        QTRY_COMPARE(wire->sent(), QList<QByteArray>{"event init"});
        QTest::qWait(50);
        reader.reset();
        QTest::qWait(500);
        QCOMPARE(wire->sent(), QList<QByteArray>{"event init"});
    }

    void secondPressWhileAskingForTheCountReadsOnce()
    {
        journal(5);
        JournalReader reader(*wire->link);
        listen(reader);
        auto first = reader.read();
        QVERIFY(reader.busy());
        QCoro::waitFor(reader.read());
        QCoro::waitFor(std::move(first));
        QTRY_VERIFY_WITH_TIMEOUT(!reader.busy(), 5000);
        QCOMPARE(wire->sent().count("event init"), 1);
        QCOMPARE(wire->sent().count("event get"), 6);
        QCOMPARE(reader.recordCount(), 5);
    }

    // Closing the window stops the journal; before the count arrives that must still hold.
    void stopWhileAskingForTheCountReadsNothing()
    {
        journal(5);
        JournalReader reader(*wire->link);
        listen(reader);
        reader.setSettlePause(200);
        auto start = reader.read();
        QTRY_COMPARE(wire->sent(), QList<QByteArray>{"event init"});
        reader.stop();
        QCoro::waitFor(std::move(start));
        QTest::qWait(300);
        QVERIFY(!reader.busy());
        QCOMPARE(wire->sent().count("event get"), 0);
        QCOMPARE(statuses.last(), QStringLiteral("Чтение прервано! Всего записей прочитано: 0"));
    }

    void pausesEndAtOnceForGood()
    {
        // A pause that ran would take this long; one that does not run ends well inside it.
        constexpr int kLongPauseMs = 60000;
        Pauses pauses;
        const auto pause = [](Pauses &in, int ms) -> QCoro::Task<bool> {
            co_return co_await in.wait(ms);
        };
        std::optional<bool> first;
        const auto waitOnce = [&]() -> QCoro::Task<void> {
            first = co_await pauses.wait(kLongPauseMs);
        };
        auto task = waitOnce();
        QVERIFY(pauses.waiting());
        QVERIFY(!first);
        pauses.end();
        QCOMPARE(first, std::optional<bool>(false));
        QVERIFY(!pauses.waiting());
        // Asked for after the end, a pause does not wait.
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(QCoro::waitFor(pause(pauses, kLongPauseMs)), false);
        QVERIFY2(clock.elapsed() < kLongPauseMs / 4, qPrintable(QString::number(clock.elapsed())));
        Pauses fresh;
        clock.restart();
        QCOMPARE(QCoro::waitFor(pause(fresh, 30)), true);
        QVERIFY(clock.elapsed() >= 30);
    }

    void refusedTestModeShowsNormal()
    {
        OutputTest test(*wire->link);
        QCoro::waitFor(test.testOn());
        QCOMPARE(wire->sent().size(), OutputTest::Tries);
        QVERIFY(!test.testMode());
        QCOMPARE(test.statusText(), QStringLiteral("НЕТ"));
    }

    void testOffOpensAClosedSerialPort()
    {
        wire->answer = [](const QByteArray &) { return QByteArray("SUCCESS:\n"); };
        wire->link->setLinkType(LinkKind::Serial);
        OutputTest test(*wire->link);
        QCoro::waitFor(test.testOn());
        wire->link->closeSerial();
        QCoro::waitFor(test.testOff());
        QCOMPARE(wire->sent().last(), QByteArray("set test off"));
        QVERIFY(!test.testMode());
        QCOMPARE(test.statusText(), QStringLiteral("НЕТ"));
    }

    void journalOf45IsReadInThreeTicks()
    {
        journal(45);
        JournalReader reader(*wire->link);
        listen(reader);
        QSignalSpy progress(&reader, &JournalReader::progressChanged);
        QCoro::waitFor(reader.read());
        QCOMPARE(reader.rows(), 45);
        QTRY_VERIFY_WITH_TIMEOUT(!reader.reading(), 5000);
        QList<int> shown;
        for (const auto &p : progress)
            shown.append(p.first().toInt());
        // Below 100 until the end marker: 46 records are expected for 45.
        QCOMPARE(shown, (QList<int>{0, 20 * 100 / 46, 40 * 100 / 46, 100}));
        QCOMPARE(reader.recordCount(), 45);
        QCOMPARE(wire->sent().count("event get"), 46);
        QCOMPARE(statuses.last(), QStringLiteral("Журнал прочитан! Всего записей прочитано: 45"));
        QCOMPARE(reader.data(reader.index(44, 0), Qt::DisplayRole).toInt(), 45);
        QVERIFY(reader.text(44).contains(QStringLiteral("запись 45")));
    }

    void stopEndsAfterTheCurrentRecord()
    {
        journal(100);
        JournalReader reader(*wire->link);
        listen(reader);
        int gets = 0;
        const auto base = wire->answer;
        wire->answer = [&](const QByteArray &command) {
            if (command == "event get" && ++gets == 27)
                QTimer::singleShot(0, &reader, [&] { reader.stop(); });
            return base(command);
        };
        QCoro::waitFor(reader.read());
        QTRY_VERIFY_WITH_TIMEOUT(!reader.reading(), 5000);
        QCOMPARE(reader.recordCount(), 27);
        QCOMPARE(statuses.last(), QStringLiteral("Чтение прервано! Всего записей прочитано: 27"));
    }

    void usedThatIsNoNumber_data()
    {
        QTest::addColumn<QByteArray>("used");
        QTest::newRow("letters") << QByteArray("abc");
        QTest::newRow("negative") << QByteArray("-3");
    }
    void usedThatIsNoNumber()
    {
        QFETCH(QByteArray, used);
        journal(3, used);
        JournalReader reader(*wire->link);
        listen(reader);
        QCoro::waitFor(reader.read());
        QCOMPARE(statuses.last(), QStringLiteral("Oшибка чтения журнала!!!"));
        QVERIFY(!reader.reading());
    }

    void longerJournalThanAnnouncedKeepsEveryRecord()
    {
        journal(15, "3");
        JournalReader reader(*wire->link);
        listen(reader);
        reader.setBatchInterval(0);
        QCoro::waitFor(reader.read());
        QTRY_VERIFY_WITH_TIMEOUT(!reader.reading(), 5000);
        QCOMPARE(reader.recordCount(), 15);
        for (int r = 0; r < 15; ++r)
            QVERIFY(reader.text(r).contains(QStringLiteral("запись %1").arg(r + 1)));
    }

    void hostileJournalIsBounded()
    {
        // A million records announced, each 30 000 characters long.
        wire->answer = [](const QByteArray &command) -> QByteArray {
            if (command == "event used")
                return "SUCCESS:1000000\n";
            if (command == "event get")
                return "SUCCESS:" + QByteArray(30000, 'r') + '\n';
            return command == "event init" ? "SUCCESS:\n" : QByteArray();
        };
        JournalReader reader(*wire->link);
        listen(reader);
        reader.setBatchInterval(0);
        QCoro::waitFor(reader.read());
        QTRY_VERIFY_WITH_TIMEOUT(!reader.reading(), 60000);
        QVERIFY(reader.recordCount() > 0);
        QCOMPARE(statuses.last(), JournalReader::kFullText + QString::number(reader.recordCount()));
        qint64 held = 0;
        for (int r = 0; r < reader.recordCount(); ++r) {
            const QString text = reader.text(r);
            QVERIFY(text.startsWith(QStringLiteral("rrr")));
            QVERIFY(text.contains(QStringLiteral("обрезано")));
            QVERIFY(text.size() < JournalReader::MaxRecordChars + 100);
            held += text.size();
        }
        QVERIFY(held <= JournalReader::MaxHeldChars);
    }

    void exportWritesOneLinePerRecord_data()
    {
        QTest::addColumn<bool>("serial");
        QTest::newRow("UDP, records end in LF") << false;
        QTest::newRow("serial, records lost their LF") << true;
    }
    void exportWritesOneLinePerRecord()
    {
        QFETCH(bool, serial);
        if (serial)
            wire->link->setLinkType(LinkKind::Serial);
        journal(3);
        JournalReader reader(*wire->link);
        listen(reader);
        QCoro::waitFor(reader.read());
        QTRY_VERIFY_WITH_TIMEOUT(!reader.reading(), 5000);
        QTemporaryDir dir;
        const QString path = dir.filePath(JournalReader::kExportFile);
        QVERIFY(reader.exportTo(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.count("\r\n"), 3);
        QVERIFY(!bytes.contains("\r\r") && !bytes.contains("\n\n"));
        QVERIFY(bytes.endsWith("\xE7\xE0\xEF\xE8\xF1\xFC 3\r\n")); // code page 1251
        QCOMPARE(statuses.last(),
                 QStringLiteral("Журнал записан в jor.txt в директории программы!!!"));
    }

    void exportOfAnEmptyGridIsAnEmptyFile()
    {
        JournalReader reader(*wire->link);
        listen(reader);
        QTemporaryDir dir;
        const QString path = dir.filePath(JournalReader::kExportFile);
        QVERIFY(reader.exportTo(path));
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    void failedExportSaysSoAndKeepsTheOldFile()
    {
        JournalReader reader(*wire->link);
        listen(reader);
        QTemporaryDir dir;
        // A folder of that name cannot be replaced by the file.
        QVERIFY(QDir(dir.path()).mkdir(JournalReader::kExportFile));
        QVERIFY(!reader.exportTo(dir.filePath(JournalReader::kExportFile)));
        QVERIFY(statuses.last().startsWith(QStringLiteral("Журнал НЕ записан")));
        QVERIFY(QFileInfo(dir.filePath(JournalReader::kExportFile)).isDir());
    }

    void eraseAsksThenReadsAgain_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void eraseAsksThenReadsAgain()
    {
        QFETCH(bool, yes);
        journal(0);
        const auto base = wire->answer;
        wire->answer = [&](const QByteArray &c) {
            return c == "event erase" ? QByteArray("SUCCESS:\n") : base(c);
        };
        JournalReader reader(*wire->link);
        listen(reader);
        answers = {yes};
        QCoro::waitFor(reader.erase());
        if (!yes) {
            QVERIFY(wire->sent().isEmpty());
            return;
        }
        QCOMPARE(wire->sent().value(0), QByteArray("event erase"));
        QVERIFY(statuses.contains(QStringLiteral("Очистка - ОК!")));
        QCOMPARE(wire->sent().value(1), QByteArray("event init"));
        QCOMPARE(reader.rows(), 0);
    }

    void hundredThousandRecordsLeaveTheWindowAlive()
    {
        const int count = 100000;
        journal(count);
        JournalReader reader(*wire->link);
        listen(reader);
        reader.setBatchInterval(0);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(20);
        QElapsedTimer clock;
        clock.start();
        QCoro::waitFor(reader.read());
        QTRY_VERIFY_WITH_TIMEOUT(!reader.reading(), 60000);
        QCOMPARE(reader.recordCount(), count);
        QCOMPARE(reader.rows(), count);
        // Other events were served all along: about one tick per 20 ms of reading.
        QVERIFY2(ticks >= clock.elapsed() / 20 / 2,
                 qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(clock.elapsed())));
    }

    void clockCommands_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("padded") << QDateTime(QDate(2027, 3, 1), QTime(9, 5, 3))
                                << QByteArray("set ds1390_time 01.03.2027-09:05:03");
        QTest::newRow("last second of the day")
            << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))
            << QByteArray("set ds1390_time 31.12.2026-23:59:59");
    }
    void clockCommands()
    {
        QFETCH(QDateTime, when);
        QFETCH(QByteArray, command);
        wire->answer = [](const QByteArray &) { return QByteArray("SUCCESS:\n"); };
        ClockService service(*wire->link);
        listen(service);
        // One reading of the PC clock gives date and time together.
        int readings = 0;
        service.setClock([&] {
            ++readings;
            return when;
        });
        QVERIFY(QCoro::waitFor(service.syncWithPc()));
        QCOMPARE(readings, 1);
        QCOMPARE(wire->sent().last(), command);
        QCOMPARE(console, QStringList{QString::fromLatin1(command)});
        QCOMPARE(statuses.last(), ClockService::kTimeSet);
        QVERIFY(QCoro::waitFor(service.setTime(when)));
        QCOMPARE(wire->sent().last(), command);
    }

    void refusedClockAndInfo()
    {
        ClockService service(*wire->link);
        listen(service);
        InfoService info(*wire->link);
        listen(info);
        QVERIFY(!QCoro::waitFor(service.syncWithPc()));
        QCOMPARE(statuses.last(), ClockService::kTimeNotSet);
        QCOMPARE(QCoro::waitFor(service.readTime()), std::optional<QString>(QStringLiteral("НЕТ")));
        QVERIFY(!QCoro::waitFor(info.readInfo()));
        QCOMPARE(statuses.last(), QStringLiteral("Ошибка"));
        QCOMPARE(wire->sent().count("get info"), 2);
    }

    void flashEraseNeedsAYes_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("declined") << false;
        QTest::newRow("accepted") << true;
    }
    void flashEraseNeedsAYes()
    {
        QFETCH(bool, yes);
        wire->answer = [](const QByteArray &) { return QByteArray("SUCCESS:\n"); };
        InfoService info(*wire->link);
        listen(info);
        answers = {yes};
        QCOMPARE(QCoro::waitFor(info.eraseFlash()), yes);
        QCOMPARE(wire->sent(), yes ? QList<QByteArray>{"flash_reset 255"} : QList<QByteArray>{});
        if (yes)
            QCOMPARE(statuses.last(), QStringLiteral("Очистка - ОК!"));
    }
};

QTEST_GUILESS_MAIN(TestServiceCommands)
#include "tst_servicecommands.moc"
