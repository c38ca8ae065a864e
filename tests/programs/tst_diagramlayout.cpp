#include "model/RingModel.h"
#include "programs/DiagramLayout.h"

#include <QTest>

using namespace Diagram;

namespace {

const Bar *findBar(const Layout &layout, int phase, int direction, int slot)
{
    for (const Bar &b : layout.bars)
        if (b.phase == phase && b.direction == direction && b.slot == slot)
            return &b;
    return nullptr;
}

float zoomed(int times)
{
    float scale = 1.0f;
    for (int i = 0; i < times; ++i)
        scale = static_cast<float>(double(scale) * 1.2);
    return scale;
}

} // namespace

class TestDiagramLayout : public QObject
{
    Q_OBJECT
private:
    RingModel m_model;

    Layout layout(float scale = 1.0f, int current = 0)
    {
        return layoutDiagram(computeSlots(m_model.project(), m_model.programs(), 0),
                             m_model.project(), scale, current);
    }

private slots:
    void init() { m_model.NewProjectDefaults(); }

    void newProjectGeometry()
    {
        const Layout l = layout(1.0f, 1);
        QCOMPARE(l.labelContainer, QRect(10, 30, 170, 105));
        QCOMPARE(l.labels.size(), std::size_t(2));
        QCOMPARE(l.labels[0].rect, QRect(10, 45, 170, 25));
        QCOMPARE(l.labels[1].rect, QRect(10, 95, 170, 25));
        QCOMPARE(l.labels[1].caption, QStringLiteral("2 транспорт"));
        QCOMPARE(l.phases.size(), std::size_t(2));
        // Main time 10 plus an interval of 6: 16 s × 5 px.
        QCOMPARE(l.phases[0].rect, QRect(180, 30, 80, 105));
        QCOMPARE(l.phases[1].rect, QRect(260, 30, 80, 105));
        QVERIFY(!l.phases[0].current);
        QVERIFY(l.phases[1].current);
    }

    void barsOfTheFirstPhase_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("colour");
        QTest::addColumn<QString>("text");
        QTest::newRow("1 main green") << 0 << 0 << QRect(180, 45, 50, 25) << int(TactGreen) << "Ф1";
        QTest::newRow("1 blink") << 0 << 1 << QRect(230, 45, 15, 25) << int(TactGreenBlink) << "";
        QTest::newRow("1 yellow") << 0 << 2 << QRect(245, 45, 15, 25) << int(TactYellow) << "";
        QTest::newRow("2 main red") << 1 << 0 << QRect(180, 95, 50, 25) << int(TactRed) << "Ф1";
        QTest::newRow("2 red") << 1 << 1 << QRect(230, 95, 20, 25) << int(TactRed) << "";
        QTest::newRow("2 red-yellow")
            << 1 << 2 << QRect(250, 95, 10, 25) << int(TactRedYellow) << "";
    }
    void barsOfTheFirstPhase()
    {
        QFETCH(int, direction);
        QFETCH(int, slot);
        const Layout l = layout();
        const Bar *bar = findBar(l, 0, direction, slot);
        QVERIFY(bar);
        QTEST(bar->rect, "rect");
        QTEST(int(bar->colour), "colour");
        QTEST(bar->text, "text");
        QCOMPARE(bar->rectInPhase, bar->rect.translated(-180, -30));
        QCOMPARE(hintAt(l, bar->rect.center()), QString::number(bar->duration) + " c");
        QVERIFY(!findBar(l, 0, direction, 3));
    }

    void twoZoomInsGiveTruncatedWidths()
    {
        const float scale = zoomed(2);
        QCOMPARE(scale, 1.44f);
        const Layout l = layout(scale);
        for (const Bar &b : l.bars)
            QCOMPARE(b.rect.width(), int(std::trunc(b.duration * 5 * double(scale))));
        QCOMPARE(findBar(l, 0, 1, 0)->rect.width(), 72);
        QCOMPARE(findBar(l, 0, 1, 1)->rect, QRect(180 + 72, 45 + 50, 28, 25));
        // 72 + 28.8 is cut to 100 before the next bar starts.
        QCOMPARE(findBar(l, 0, 1, 2)->rect.x(), 180 + 100);
        QCOMPARE(l.phases[0].rect.width(), 115); // trunc(16 × 5 × 1.44)
    }

    void hitTest_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("phase");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("slot");
        QTest::newRow("main bar") << QPoint(200, 50) << int(Hit::BarHit) << 0 << 0 << 0;
        QTest::newRow("bar's last pixel") << QPoint(229, 69) << int(Hit::BarHit) << 0 << 0 << 0;
        QTest::newRow("next bar") << QPoint(230, 45) << int(Hit::BarHit) << 0 << 0 << 1;
        QTest::newRow("second phase, red-yellow")
            << QPoint(330, 50) << int(Hit::BarHit) << 1 << 0 << 2;
        QTest::newRow("panel between rows")
            << QPoint(200, 80) << int(Hit::PhaseHit) << 0 << -1 << -1;
        QTest::newRow("panel below the rows")
            << QPoint(300, 125) << int(Hit::PhaseHit) << 1 << -1 << -1;
        QTest::newRow("label") << QPoint(20, 100) << int(Hit::LabelHit) << -1 << 1 << -1;
        QTest::newRow("container between labels")
            << QPoint(20, 80) << int(Hit::Nothing) << -1 << -1 << -1;
        QTest::newRow("beyond the last phase")
            << QPoint(345, 50) << int(Hit::Nothing) << -1 << -1 << -1;
        QTest::newRow("above everything") << QPoint(200, 10) << int(Hit::Nothing) << -1 << -1 << -1;
    }
    void hitTest()
    {
        QFETCH(QPoint, point);
        const Hit hit = Diagram::hitTest(layout(), point);
        QTEST(int(hit.kind), "kind");
        QTEST(hit.phase, "phase");
        QTEST(hit.direction, "direction");
        QTEST(hit.slot, "slot");
    }

    void labelHint()
    {
        QCOMPARE(hintAt(layout(), QPoint(20, 50)), QStringLiteral("Направление № 1"));
        QCOMPARE(hintAt(layout(), QPoint(200, 80)), QString());
    }

    void ringWithoutDirectionsIsEmpty()
    {
        m_model.project()[ProjectLayout::DirectionCount] = 0;
        const Layout l = layout();
        QVERIFY(l.labels.empty());
        QVERIFY(l.bars.empty());
        QCOMPARE(l.labelContainer.width(), 0);
        for (const Phase &p : l.phases)
            QVERIFY(p.rect.isEmpty());
        QCOMPARE(Diagram::hitTest(l, QPoint(15, 35)).kind, Hit::Nothing);
    }

    void fullProgramStaysInsideItsPanels()
    {
        auto &p = m_model.project();
        auto &g = m_model.programs();
        p[ProjectLayout::DirectionCount] = 32;
        for (int t = 0; t < MaxTemplates; ++t)
            p[templateMarkOffset(t, t)] = 1;
        for (int d = 0; d < MaxDirections; ++d)
            p[directionOffset(d)] = static_cast<std::uint8_t>(d % 7);
        g[programOffset(0)] = 32;
        for (int f = 0; f < MaxPhases; ++f) {
            g[phaseOffset(0, f) + PhaseLayout::Template] = static_cast<std::uint8_t>(f);
            g[phaseOffset(0, f) + PhaseLayout::MainTime] = static_cast<std::uint8_t>(5 + f);
            g[phaseOffset(0, f) + PhaseLayout::Additions + 3 * f] = 2;
        }
        for (const float scale : {0.3f, 1.0f, zoomed(5)}) {
            const Layout l = layout(scale, 31);
            QCOMPARE(l.phases.size(), std::size_t(32));
            QCOMPARE(l.labels.size(), std::size_t(32));
            QVERIFY(l.bars.size() >= 32 * 32);
            for (const Bar &b : l.bars) {
                QVERIFY(l.phases[b.phase].rect.contains(b.rect));
                const Hit hit = Diagram::hitTest(l, b.rect.center());
                if (b.rect.width() > 0) {
                    QCOMPARE(hit.phase, b.phase);
                    QCOMPARE(hit.direction, b.direction);
                    QCOMPARE(hit.slot, b.slot);
                }
            }
            QCOMPARE(l.phases[31].rect.height(), 15 + 50 * 31 + 25 + 15);
            QVERIFY(l.extent.width() >= l.phases[31].rect.right());
        }
    }
};

QTEST_GUILESS_MAIN(TestDiagramLayout)
#include "tst_diagramlayout.moc"
