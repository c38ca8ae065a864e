#include "programs/ModeSwitch.h"
#include "programs/TactsFixture.h"

#include <QTest>

namespace {

// "G10 GB3 Y3 R4 YF1": each span's lamp and length.
QString describe(const LampTimeline &line)
{
    static const char *const names[] = {"-", "G", "GB", "R", "RY", "Y", "YF"};
    QStringList parts;
    int at = 0;
    for (const LampSpan &span : line) {
        if (span.start != at)
            parts << QStringLiteral("gap");
        parts << QString::fromLatin1(names[int(span.lamp)]) +
                     QString::number(span.end - span.start);
        at = span.end;
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestModeSwitch : public QObject
{
    Q_OBJECT
private slots:
    void timelines_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("type1"); // direction 2: 0 vehicle, 1 pedestrian
        QTest::addColumn<QString>("d0");
        QTest::addColumn<QString>("d1");
        QTest::addColumn<int>("length");
        // Program 1: two phases of 10 s, direction 1 then 2; CT 3 both ways; Y3 RY2 GB3; КК 4.
        // Program 2: one phase of 7 s with direction 1.
        QTest::newRow("cycle") << "cycle" << 0 << "G10 GB3 Y3 R14 RY2"
                               << "R14 RY2 G10 GB3 Y3" << 32;
        QTest::newRow("program switch goes from the last phase to the first")
            << "switch" << 0 << "R14 RY2 G7"
            << "G10 GB3 Y3 R7" << 23;
        QTest::newRow("same program wraps as its cycle does") << "same" << 0 << "R14 RY2 G10"
                                                              << "G10 GB3 Y3 R10" << 26;
        QTest::newRow("into flashing: clearance, КК, the mode") << "flash" << 0 << "R20 YF1"
                                                                << "G10 GB3 Y3 R4 YF1" << 21;
        QTest::newRow("a pedestrian clears without yellow") << "flash" << 1 << "R17 YF1"
                                                            << "G10 GB3 R4 YF1" << 18;
        QTest::newRow("a last main time of 0 s still clears its green")
            << "flash0" << 0 << "R10 YF1"
            << "GB3 Y3 R4 YF1" << 11;
        QTest::newRow("into all-red") << "allred" << 0 << "R21"
                                      << "G10 GB3 Y3 R5" << 21;
        QTest::newRow("out of dark: КК, red-yellow, phase 1") << "leaveoff" << 0 << "-1 R4 RY2 G10"
                                                              << "-1 R16" << 17;
        QTest::newRow("out of flashing into program 2") << "leaveflash" << 0 << "YF1 R4 RY2 G7"
                                                        << "YF1 R13" << 14;
    }

    void timelines()
    {
        QFETCH(QString, what);
        QFETCH(int, type1);
        Ring r;
        r.directions(2).type(1, type1).times(3, 2, 3);
        r.green(0, 0).green(1, 1).conflict(0, 1, 3).conflict(1, 0, 3);
        r.phases(0, 2).phase(0, 0, 0, 10).phase(0, 1, 1, 10);
        r.phases(1, 1).phase(1, 0, 0, 7);
        r.p()[ProjectLayout::AllRedDuration] = 4;
        if (what == QLatin1String("flash0"))
            r.phase(0, 1, 1, 0);
        Takts takts;
        takts.bind(r.p(), r.g());
        SwitchTimeline t;
        if (what == QLatin1String("cycle"))
            t = ModeSwitch::cycle(takts, 0);
        else if (what == QLatin1String("switch"))
            t = ModeSwitch::programSwitch(takts, 0, 1);
        else if (what == QLatin1String("same"))
            t = ModeSwitch::programSwitch(takts, 0, 0);
        else if (what.startsWith(QLatin1String("flash")))
            t = ModeSwitch::enterMode(takts, r.p(), 0, RingMode::Flashing);
        else if (what == QLatin1String("allred"))
            t = ModeSwitch::enterMode(takts, r.p(), 0, RingMode::AllRed);
        else if (what == QLatin1String("leaveoff"))
            t = ModeSwitch::leaveMode(takts, r.p(), RingMode::SignalsOff, 0);
        else
            t = ModeSwitch::leaveMode(takts, r.p(), RingMode::Flashing, 1);
        QTEST(describe(t.directions[0]), "d0");
        QTEST(describe(t.directions[1]), "d1");
        QTEST(t.length, "length");
        QVERIFY(t.directions[2].empty());
        QCOMPARE(ModeSwitch::lampAt(t.directions[0], t.length - 1), t.directions[0].back().lamp);
    }
};

QTEST_GUILESS_MAIN(TestModeSwitch)
#include "tst_modeswitch.moc"
