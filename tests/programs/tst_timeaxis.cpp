#include "model/RingModel.h"
#include "programs/TactsFixture.h"
#include "programs/TimeAxis.h"

#include <QTest>

using namespace Diagram;

namespace {

float zoomed(int steps)
{
    // As the zoom buttons do it: × 1.2 in, × 0.8 out, held in a float each time.
    float scale = 1.0f;
    for (int i = 0; i < std::abs(steps); ++i)
        scale = static_cast<float>(double(scale) * (steps > 0 ? 1.2 : 0.8));
    return scale;
}

// Two vehicle directions in conflict: phases of 14 s main time and a 6 s interval, so each
// phase is 20 s and its border falls on a tick.
Ring twentySecondPhases()
{
    Ring r;
    r.directions(2).times(3, 2, 3).green(0, 0).green(1, 1).conflict(0, 1, 3).conflict(1, 0, 3);
    r.phases(0, 4).phase(0, 0, 0, 14).phase(0, 1, 1, 14).phase(0, 2, 0, 14).phase(0, 3, 1, 14);
    return r;
}

} // namespace

class TestTimeAxis : public QObject
{
    Q_OBJECT
private slots:
    void ticksFollowTheZoom_data()
    {
        QTest::addColumn<int>("zoom"); // button presses: in > 0, out < 0
        QTest::newRow("start") << 0;
        QTest::newRow("in twice") << 2;
        QTest::newRow("in five times") << 5;
        QTest::newRow("out three times") << -3;
        QTest::newRow("out eight times") << -8;
    }
    void ticksFollowTheZoom()
    {
        QFETCH(int, zoom);
        Ring r = twentySecondPhases();
        const float scale = zoomed(zoom);
        const Layout layout = layoutDiagram(computeSlots(r.p(), r.g(), 0), r.p(), scale, 0);
        const TimeAxis axis = layoutTimeAxis(layout);

        // Four phases of 20 s: ticks at 0, 5, ..., 80; numbers on 0, 10, ..., 80.
        QCOMPARE(axis.seconds, 80);
        QCOMPARE(int(axis.ticks.size()), 17);
        QCOMPARE(axis.left, layout.phases.front().rect.x());
        QCOMPARE(axis.right, layout.phases.back().rect.right() + 1);
        QCOMPARE(axis.baseline, layout.labelContainer.y() - 1);
        for (std::size_t i = 0; i < axis.ticks.size(); ++i) {
            const TimeAxis::Tick &tick = axis.ticks[i];
            QCOMPARE(tick.seconds, int(i) * 5);
            QCOMPARE(tick.labelled, tick.seconds % 10 == 0);
            // 5 s are 25 px at scale 1, less what each phase width before lost by truncation.
            const double expected = axis.left + tick.seconds * 5.0 * double(scale);
            const double lost = tick.seconds / 20 + 1;
            QVERIFY2(tick.x <= expected && tick.x > expected - lost,
                     qPrintable(QStringLiteral("%1 s at %2, expected %3")
                                    .arg(tick.seconds)
                                    .arg(tick.x)
                                    .arg(expected)));
            if (i > 0)
                QVERIFY(tick.x >= axis.ticks[i - 1].x);
        }
        // A tick on a phase border is drawn on the panel's edge, where the bars change.
        QCOMPARE(axis.ticks[4].x, layout.phases[1].rect.x());
        QCOMPARE(axis.ticks[8].x, layout.phases[2].rect.x());
        QCOMPARE(axis.ticks[12].x, layout.phases[3].rect.x());
        QCOMPARE(axis.ticks[16].x, axis.right);
    }

    void zoomInWidensTheAxis()
    {
        Ring r = twentySecondPhases();
        int previous = 0;
        for (int zoom = -4; zoom <= 4; ++zoom) {
            const Layout layout =
                layoutDiagram(computeSlots(r.p(), r.g(), 0), r.p(), zoomed(zoom), 0);
            const TimeAxis axis = layoutTimeAxis(layout);
            const int width = axis.ticks.back().x - axis.ticks.front().x;
            QVERIFY2(width > previous, qPrintable(QString::number(zoom)));
            previous = width;
        }
    }

    void aLongIntervalIsCountedInFull()
    {
        // An interval of 306 s: more than a tact slot's byte would hold.
        Ring r = twentySecondPhases();
        r.addition(0, 0, 0, PhaseLayout::GreenExtension, 200)
            .addition(0, 1, 1, PhaseLayout::EarlyGreen, 100);
        const Layout layout = layoutDiagram(computeSlots(r.p(), r.g(), 0), r.p(), 1.0f, 0);
        const TimeAxis axis = layoutTimeAxis(layout);
        Takts takts;
        takts.bind(r.p(), r.g());
        QCOMPARE(axis.seconds, takts.cycleLength(0));
        QCOMPARE(axis.seconds, 14 + 306 + 3 * 20);
        QCOMPARE(axis.ticks.back().seconds, axis.seconds / 5 * 5);
    }

    void noDirectionsNoAxis()
    {
        Ring r = twentySecondPhases();
        r.directions(0);
        const Layout layout = layoutDiagram(computeSlots(r.p(), r.g(), 0), r.p(), 1.0f, 0);
        QVERIFY(layoutTimeAxis(layout).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTimeAxis)
#include "tst_timeaxis.moc"
