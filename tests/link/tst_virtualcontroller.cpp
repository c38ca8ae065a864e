#include "sim/Faults.h"
#include "sim/VirtualController.h"

#include <QTest>

class TestVirtualController : public QObject
{
    Q_OBJECT
private slots:
    void answers_data()
    {
        QTest::addColumn<bool>("old");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("positive");
        QTest::newRow("test 1") << false << QByteArray("test 1\r") << true;
        QTest::newRow("get ver") << false << QByteArray("get ver") << true;
        QTest::newRow("old get ver") << true << QByteArray("get ver") << false;
        QTest::newRow("help") << false << QByteArray("help") << true;
        QTest::newRow("ifconfig") << false << QByteArray("ifconfig") << true;
        QTest::newRow("get info") << true << QByteArray("get info") << true;
        QTest::newRow("unknown") << false << QByteArray("frobnicate") << false;
        QTest::newRow("probe ring-aware") << false << QByteArray("proj_flashrd 0 0") << true;
        QTest::newRow("old probe on old") << true << QByteArray("proj_flashrd 0 0") << false;
        QTest::newRow("old probe write") << true << QByteArray("pflashwr 0x1000 0 00") << true;
        QTest::newRow("old set on new") << false << QByteArray("pflashwr 0x1000 0 00") << true;
        QTest::newRow("beyond four rings")
            << false << QByteArray("proj_flashrd A9F8 1") << false; // 4 x 10878
        QTest::newRow("last byte of ring 4") << false << QByteArray("proj_flashrd A9F7 1") << true;
        QTest::newRow("old project past its block")
            << true << QByteArray("flashrd 3A7E 1") << false; // 0x1000 + 10878
        QTest::newRow("huge address")
            << false << QByteArray("proj_flashwr 7FFFFFFFFFFFFFFF 1 00") << false;
        QTest::newRow("bad length") << false << QByteArray("progs_flashrd 0 x") << false;
        QTest::newRow("too long") << false << QByteArray("progs_flashrd 0 5000") << false;
        QTest::newRow("short data") << false << QByteArray("proj_flashwr 0 2 AB") << false;
        QTest::newRow("bad hex") << false << QByteArray("proj_flashwr 0 1 ZZ") << false;
    }
    void answers()
    {
        QFETCH(bool, old);
        QFETCH(QByteArray, command);
        QFETCH(bool, positive);
        VirtualController controller(old);
        const QByteArray answer = controller.handle(command);
        QVERIFY(answer.endsWith('\n'));
        QCOMPARE(answer.startsWith("SUCCESS:"), positive);
    }

    void stateAnswers_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("positive");
        QTest::newRow("ring 1") << QByteArray("get state 1") << true;
        QTest::newRow("ring 4") << QByteArray("get state 4\r") << true;
        QTest::newRow("ring 0") << QByteArray("get state 0") << false;
        QTest::newRow("ring 5") << QByteArray("get state 5") << false;
        QTest::newRow("negative ring") << QByteArray("get state -1") << false;
        QTest::newRow("no ring") << QByteArray("get state") << false;
        QTest::newRow("ring not a number") << QByteArray("get state A") << false;
        QTest::newRow("two rings") << QByteArray("get state 1 2") << false;
        QTest::newRow("lines") << QByteArray("get lines") << true;
        QTest::newRow("lines of a ring") << QByteArray("get lines 1") << false;
    }
    void stateAnswers()
    {
        QFETCH(QByteArray, command);
        QFETCH(bool, positive);
        for (const bool old : {false, true}) {
            VirtualController controller(old);
            const QByteArray answer = controller.handle(command);
            QVERIFY(answer.endsWith('\n'));
            QCOMPARE(answer.startsWith("SUCCESS:"), positive);
        }
    }

    void ringStateIsKeyValueTokens()
    {
        VirtualController controller;
        for (int ring = 1; ring <= VirtualController::Rings; ++ring) {
            const QByteArray answer = controller.handle("get state " + QByteArray::number(ring));
            const QList<QByteArray> tokens = answer.mid(8).chopped(1).split(' ');
            QVERIFY(tokens.size() >= 1 && tokens.size() <= 9);
            for (const QByteArray &token : tokens) {
                const qsizetype eq = token.indexOf('=');
                QVERIFY2(eq > 0 && eq < token.size() - 1, token.constData());
            }
            // Erased flash: every ring runs yellow flashing.
            QVERIFY(answer.startsWith("SUCCESS:WORK=SPEC_PROG SPEC_PROG=FLASH "));
        }
    }

    void linesAreEightChannelsWithoutRedAndGreenAtOnce()
    {
        VirtualController controller;
        const QByteArray answer = controller.handle("get lines");
        QVERIFY(answer.startsWith("SUCCESS:") && answer.endsWith('\n'));
        QHash<QByteArray, QByteArray> colours;
        for (const QByteArray &token : answer.mid(8).chopped(1).split(' ')) {
            const QList<QByteArray> pair = token.split('=');
            QCOMPARE(pair.size(), 2);
            QCOMPARE(pair[1].size(), 8);
            QVERIFY(pair[1].count('0') + pair[1].count('1') == 8);
            colours.insert(pair[0], pair[1]);
        }
        QCOMPARE(colours.size(), 3);
        const QByteArray red = colours.value("RED_CHANNEL");
        const QByteArray green = colours.value("GREEN_CHANNEL");
        QVERIFY(!colours.value("YEL_CHANNEL").isEmpty() && !red.isEmpty() && !green.isEmpty());
        for (int channel = 0; channel < 8; ++channel)
            QVERIFY(!(red[channel] == '1' && green[channel] == '1'));
    }

    void flashRoundTripInEitherCase()
    {
        VirtualController controller;
        QCOMPARE(controller.handle("proj_flashwr 56FC 3 0aFf10"), QByteArray("SUCCESS:\n"));
        QCOMPARE(controller.handle("proj_flashrd 56fc 3"), QByteArray("SUCCESS:0AFF10\n"));
        QCOMPARE(controller.projectFlash()[0x56FC + 1], 0xFF);
        QCOMPARE(controller.handle("progs_flashwr 0x1A028 2 0102"), QByteArray("SUCCESS:\n"));
        QCOMPARE(controller.programsFlash()[106536], 1);
    }

    // A write stores its data only when the data is exactly its length in bytes, two hex
    // digits each; a write of no bytes is the old firmware's probe and may carry "00" as a
    // placeholder word, nothing else.
    void writeDataMatchesItsLength_data()
    {
        QTest::addColumn<bool>("old");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("answer");
        const QByteArray ok = "SUCCESS:\n";
        const QByteArray unknown = "ERROR: unknown command\n";
        QTest::newRow("exact") << false << QByteArray("proj_flashwr 0000 1 01") << ok;
        QTest::newRow("two bytes too many")
            << false << QByteArray("proj_flashwr 0000 1 0123") << unknown;
        QTest::newRow("odd digit too many")
            << false << QByteArray("proj_flashwr 0000 1 012") << unknown;
        QTest::newRow("one digit short") << false << QByteArray("progs_flashwr 0 2 012") << unknown;
        QTest::newRow("old set, too long") << true << QByteArray("pflashwr 1000 1 0123") << unknown;
        QTest::newRow("old set, exact") << true << QByteArray("pflashwr 1000 1 01") << ok;
        QTest::newRow("old probe") << true << QByteArray("pflashwr 0x1000 0 00") << ok;
        QTest::newRow("old probe on new") << false << QByteArray("pflashwr 0x1000 0 00") << ok;
        QTest::newRow("no bytes, no data") << false << QByteArray("proj_flashwr 0 0") << ok;
        QTest::newRow("no bytes, data") << false << QByteArray("proj_flashwr 0 0 01") << unknown;
        QTest::newRow("data not hex") << false << QByteArray("proj_flashwr 0 1 ZZ") << unknown;
        QTest::newRow("a word too many")
            << false << QByteArray("proj_flashwr 0 1 01 02") << unknown;
    }
    void writeDataMatchesItsLength()
    {
        QFETCH(bool, old);
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, answer);
        VirtualController controller(old);
        QCOMPARE(controller.handle(command), answer);
        const bool stored = controller.projectFlash()[0] != VirtualController::Erased ||
                            controller.programsFlash()[0] != VirtualController::Erased;
        const bool someBytes = command.split(' ').value(2) != "0";
        QCOMPARE(stored, answer.startsWith("SUCCESS:") && someBytes);
    }

    void unknownOrMalformedCommands_data()
    {
        QTest::addColumn<bool>("old");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("answer");
        const QByteArray unknown = "ERROR: unknown command\n";
        QTest::newRow("unknown with words") << false << QByteArray("frobnicate 12 34") << unknown;
        QTest::newRow("unknown alone") << true << QByteArray("frobnicate") << unknown;
        QTest::newRow("address not hex") << false << QByteArray("proj_flashrd zz 1") << unknown;
        QTest::newRow("old address not hex") << true << QByteArray("flashrd zz 1") << unknown;
        QTest::newRow("old write, no words") << true << QByteArray("pflashwr") << unknown;
        QTest::newRow("length not a number") << false << QByteArray("progs_flashrd 0 x") << unknown;
        QTest::newRow("read of a word too many")
            << false << QByteArray("proj_flashrd 0 1 2") << unknown;
        QTest::newRow("out of range is said so") << false << QByteArray("proj_flashrd A9F8 1")
                                                 << QByteArray("ERROR: address out of range\n");
    }
    void unknownOrMalformedCommands()
    {
        QFETCH(bool, old);
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, answer);
        VirtualController controller(old);
        QCOMPARE(controller.handle(command), answer);
    }

    void oldSetReachesTheFirstRing()
    {
        VirtualController controller(true);
        QCOMPARE(controller.handle("pflashwr 33000 2 ABCD"), QByteArray("SUCCESS:\n"));
        QCOMPARE(controller.handle("flashrd 33000 2"), QByteArray("SUCCESS:ABCD\n"));
        QCOMPARE(controller.handle("pflashwr 1000 1 5A"), QByteArray("SUCCESS:\n"));
        QCOMPARE(controller.projectFlash()[0], 0x5A);
        QVERIFY(!controller.handle("progs_flashrd 0 1").startsWith("SUCCESS:"));
    }

    void faultsShapeAnswers()
    {
        FaultOptions options;
        options.chunkSize = 4;
        options.noLineEnd = true;
        FaultPlan plan(options);
        QCOMPARE(plan.shape("SUCCESS:12\n"), (QList<QByteArray>{"SUCC", "ESS:", "12"}));

        FaultOptions dropping;
        dropping.dropShare = 0.5;
        dropping.seed = 7;
        FaultPlan a(dropping);
        FaultPlan b(dropping);
        int dropped = 0;
        for (int i = 0; i < 200; ++i) {
            const auto pieces = a.shape("SUCCESS:\n");
            QCOMPARE(pieces, b.shape("SUCCESS:\n")); // the seed repeats the run
            dropped += pieces.isEmpty();
        }
        QVERIFY(dropped > 50 && dropped < 150);
    }

    void faultSwitches()
    {
        FaultOptions options;
        const QStringList args{"--drop", "0.25",   "--no-lf", "--chunk", "3", "--delay",
                               "40",     "--seed", "9",       "--drop",  "2"};
        int i = 0;
        for (; i < 9; ++i)
            QVERIFY(!parseFaultOption(options, args, i));
        QCOMPARE(options.dropShare, 0.25);
        QVERIFY(options.noLineEnd);
        QCOMPARE(options.chunkSize, 3);
        QCOMPARE(options.delayMs, 40);
        QCOMPARE(options.seed, 9u);
        QVERIFY(parseFaultOption(options, args, i).has_value());
    }
};

QTEST_GUILESS_MAIN(TestVirtualController)
#include "tst_virtualcontroller.moc"
