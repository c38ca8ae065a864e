// The lamps on the "Состояние" tab follow the polls, the ring on the slider and the project.
#include "config/Directions.h"
#include "link/ControllerLink.h"
#include "model/RingModel.h"
#include "service/ControllerWindow.h"
#include "service/LampList.h"
#include "support/FakeTransport.h"

#include <QLabel>
#include <QSlider>
#include <QTest>

#include <memory>

using LiveLamps::Lamp;

namespace {

void setDirection(ProjectBlock &block, int d, int type, int group)
{
    block[ProjectLayout::DirectionCount] =
        std::uint8_t(std::max<int>(block[ProjectLayout::DirectionCount], d + 1));
    block[directionOffset(d) + DirectionLayout::Type] = std::uint8_t(type);
    const std::pair<Napr::Row, int> rows[] = {{Napr::Row::Red1, LampColour::Red},
                                              {Napr::Row::Yellow1, LampColour::Yellow},
                                              {Napr::Row::Green1, LampColour::Green}};
    for (const auto &[row, colour] : rows) {
        const Napr::BindingPlace at = Napr::bindingPlace(row, d, 0);
        block[at.group] = std::uint8_t(group);
        block[at.colour] = std::uint8_t(colour);
    }
}

MonitorDisplay poll(const QString &answer)
{
    StateMonitor::StateMap state;
    StateMonitor::ParseAnswer(state, answer);
    return StateMonitor::describe(state);
}

} // namespace

class TestLampList : public QObject
{
    Q_OBJECT
    FakeTransport serial;
    FakeTransport udp;
    std::unique_ptr<ControllerLink> link;
    std::unique_ptr<RingModel> model;
    std::unique_ptr<TForm10> form;
    LampList *lamps = nullptr;
    QLabel *check = nullptr;

    [[nodiscard]] QStringList shown() const
    {
        QStringList rows;
        for (int i = 0; i < lamps->count(); ++i)
            rows << lamps->item(i)->text() + QStringLiteral(" = ") +
                        LiveLamps::lampName(Lamp(lamps->item(i)->data(LampList::LampRole).toInt()));
        return rows;
    }

private slots:
    void init()
    {
        link = std::make_unique<ControllerLink>(serial, udp);
        model = std::make_unique<RingModel>();
        model->NewProjectDefaults();
        model->setRingCount(2);
        ProjectBlock &first = model->project();
        first[ProjectLayout::DirectionCount] = 0;
        setDirection(first, 0, Napr::Vehicle, 1);
        setDirection(first, 1, Napr::Pedestrian, 2);
        setDirection(first, 2, Napr::TurnArrow, 3);
        model->programs()[programOffset(0) + ProgramLayout::PhaseCount] = 2;
        ProjectBlock &second = model->store(1).project;
        second[ProjectLayout::DirectionCount] = 0;
        setDirection(second, 0, Napr::TramLeft, 4);
        model->store(1).programs[programOffset(0) + ProgramLayout::PhaseCount] = 5;
        form = std::make_unique<TForm10>(*link, *model);
        lamps = form->findChild<LampList *>(QStringLiteral("ListLamps"));
        check = form->findChild<QLabel *>(QStringLiteral("LabelProjectCheck"));
        QVERIFY(lamps && check);
    }
    void cleanup()
    {
        form.reset();
        model.reset();
        link.reset();
    }

    void lampsFollowThePolls()
    {
        const QString kLines = QStringLiteral("RED_CHANNEL=11000000 YEL_CHANNEL=10000000 "
                                              "GREEN_CHANNEL=00100000");
        // Before any poll every lamp is dark.
        QCOMPARE(shown(), (QStringList{"1. транспорт = выключен", "2. пешеход = выключен",
                                       "3. поворот = выключен"}));
        emit form->monitor().refreshed(
            poll(QStringLiteral("WORK=PROGRAM PROGRAM=1 PROG_FAZA=2 ") + kLines));
        QCOMPARE(shown(), (QStringList{"1. транспорт = красный+желтый", "2. пешеход = красный",
                                       "3. поворот = зеленый"}));
        QVERIFY(check->text().isEmpty());

        form->resize(900, 560);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(form->grab().save(QStringLiteral("/tmp/lamps.png")));

        emit form->monitor().refreshed(
            poll(QStringLiteral("WORK=PROGRAM PROGRAM=1 PROG_FAZA=3 RED_CHANNEL=00000000 "
                                "YEL_CHANNEL=00000000 GREEN_CHANNEL=11100000")));
        QCOMPARE(shown(), (QStringList{"1. транспорт = зеленый", "2. пешеход = зеленый",
                                       "3. поворот = зеленый"}));
        QCOMPARE(check->text(), QStringLiteral("Проект в ДК отличается от открытого"));

        // The other ring is read from its store, with its own programs.
        form->findChild<QSlider *>(QStringLiteral("TrackBar1"))->setValue(2);
        QCOMPARE(shown(), (QStringList{"1. трам-лево = выключен"}));
        QVERIFY(check->text().isEmpty());
        emit form->monitor().refreshed(poll(QStringLiteral("RED_CHANNEL=00010000")));
        QCOMPARE(shown(), (QStringList{"1. трам-лево = красный"}));
        form->hide();
    }

    void anEditShowsAtOnce()
    {
        emit form->monitor().refreshed(poll(QStringLiteral("GREEN_CHANNEL=00001000")));
        QCOMPARE(lamps->item(0)->data(LampList::LampRole).toInt(), int(Lamp::Off));
        setDirection(model->project(), 0, Napr::Vehicle, 5);
        model->applyEdit();
        QCOMPARE(lamps->item(0)->data(LampList::LampRole).toInt(), int(Lamp::Green));
        QCOMPARE(lamps->item(0)->toolTip(), QStringLiteral("зеленый"));
    }

    // While the controller is silent the list is greyed out: the last lamps stay recognisable.
    void aGreyedLampKeepsItsColour()
    {
        const QImage lit =
            LampList::lampIcon(Lamp::Red).pixmap(QSize(20, 20), 1.0, QIcon::Disabled).toImage();
        const QColor centre = lit.pixelColor(10, 10);
        QVERIFY2(centre.red() > 2 * centre.green() && centre.alpha() < 255,
                 qPrintable(centre.name(QColor::HexArgb)));
    }
};

QTEST_MAIN(TestLampList)
#include "tst_lamplist.moc"
