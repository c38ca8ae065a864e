#include "config/Directions.h"
#include "service/LiveLamps.h"

#include <QTest>

using namespace LiveLamps;
using Napr::Row;

Q_DECLARE_METATYPE(LiveLamps::Lamp)

namespace {

// "R1:3:0 G2:8:2": row, group, colour of each binding that is set; the rest stay unbound.
void bindRows(ProjectBlock &block, int d, const QString &bindings)
{
    const QStringList names = {"R1", "R2", "Y1", "Y2", "G1", "G2"};
    const Row rows[] = {Row::Red1, Row::Red2, Row::Yellow1, Row::Yellow2, Row::Green1, Row::Green2};
    for (const QString &binding : bindings.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList parts = binding.split(QLatin1Char(':'));
        QCOMPARE(parts.size(), 3);
        const qsizetype row = names.indexOf(parts[0]);
        QVERIFY(row >= 0);
        const Napr::BindingPlace at = Napr::bindingPlace(rows[row], d, 0);
        block[at.group] = std::uint8_t(parts[1].toInt());
        block[at.colour] = std::uint8_t(parts[2].toInt());
    }
}

ProjectBlock oneDirection(int type, const QString &bindings)
{
    ProjectBlock block{};
    block[ProjectLayout::DirectionCount] = 1;
    block[directionOffset(0) + DirectionLayout::Type] = std::uint8_t(type);
    bindRows(block, 0, bindings);
    return block;
}

const QString kVehicle = QStringLiteral("R1:1:0 Y1:1:1 G1:1:2");
const QString kAllRows = QStringLiteral("R1:2:0 R2:2:0 Y1:2:1 Y2:2:1 G1:2:2 G2:2:2");

} // namespace

class TestLiveLamps : public QObject
{
    Q_OBJECT
private slots:
    void lamp_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("bindings");
        QTest::addColumn<QString>("red");
        QTest::addColumn<QString>("yellow");
        QTest::addColumn<QString>("green");
        QTest::addColumn<Lamp>("lamp");
        using namespace Napr;
        QTest::newRow("vehicle red") << int(Vehicle) << kVehicle << "10000000"
                                     << "00000000"
                                     << "00000000" << Lamp::Red;
        QTest::newRow("vehicle red-yellow") << int(Vehicle) << kVehicle << "10000000"
                                            << "10000000"
                                            << "00000000" << Lamp::RedYellow;
        QTest::newRow("vehicle yellow") << int(Vehicle) << kVehicle << "00000000"
                                        << "10000000"
                                        << "00000000" << Lamp::Yellow;
        QTest::newRow("vehicle green") << int(Vehicle) << kVehicle << "00000000"
                                       << "00000000"
                                       << "10000000" << Lamp::Green;
        QTest::newRow("vehicle dark") << int(Vehicle) << kVehicle << "00000000"
                                      << "00000000"
                                      << "00000000" << Lamp::Off;
        QTest::newRow("other group lit") << int(Vehicle) << kVehicle << "01111111"
                                         << "01111111"
                                         << "01111111" << Lamp::Off;
        QTest::newRow("red over green") << int(Vehicle) << kVehicle << "10000000"
                                        << "00000000"
                                        << "10000000" << Lamp::Red;
        QTest::newRow("yellow over green") << int(Vehicle) << kVehicle << "00000000"
                                           << "10000000"
                                           << "10000000" << Lamp::Yellow;
        QTest::newRow("second row alone") << int(Vehicle) << "R2:5:0"
                                          << "00001000"
                                          << ""
                                          << "" << Lamp::Red;
        QTest::newRow("second green row") << int(Vehicle) << "G1:1:2 G2:6:2"
                                          << ""
                                          << ""
                                          << "00000100" << Lamp::Green;
        // The binding's own colour picks the string, whatever row it sits in.
        QTest::newRow("colour byte picks the string") << int(Vehicle) << "G1:3:1"
                                                      << ""
                                                      << "00100000"
                                                      << "" << Lamp::Green;
        QTest::newRow("other colour of the group") << int(Vehicle) << "G1:3:2"
                                                   << "00100000"
                                                   << "00100000"
                                                   << "" << Lamp::Off;
        QTest::newRow("group 8 is the last character") << int(Vehicle) << "G1:8:2"
                                                       << ""
                                                       << ""
                                                       << "00000001" << Lamp::Green;
        QTest::newRow("short string") << int(Vehicle) << "G1:8:2"
                                      << ""
                                      << ""
                                      << "1111111" << Lamp::Off;
        QTest::newRow("unbound rows") << int(Vehicle) << ""
                                      << "11111111"
                                      << "11111111"
                                      << "11111111" << Lamp::Off;
        QTest::newRow("group beyond the table") << int(Vehicle) << "R1:9:0"
                                                << "11111111"
                                                << ""
                                                << "" << Lamp::Off;
        QTest::newRow("colour beyond the table") << int(Vehicle) << "R1:1:3"
                                                 << "11111111"
                                                 << "11111111"
                                                 << "11111111" << Lamp::Off;
        QTest::newRow("reversible red-yellow") << int(Reversible) << kVehicle << "10000000"
                                               << "10000000"
                                               << "" << Lamp::RedYellow;
        QTest::newRow("pedestrian red") << int(Pedestrian) << kAllRows << "01000000"
                                        << ""
                                        << "" << Lamp::Red;
        QTest::newRow("pedestrian green") << int(Pedestrian) << kAllRows << ""
                                          << ""
                                          << "01000000" << Lamp::Green;
        QTest::newRow("pedestrian has no yellow") << int(Pedestrian) << kAllRows << ""
                                                  << "01000000"
                                                  << "" << Lamp::Off;
        QTest::newRow("pedestrian yellow does not hide green") << int(Pedestrian) << kAllRows << ""
                                                               << "01000000"
                                                               << "01000000" << Lamp::Green;
        QTest::newRow("arrow green") << int(TurnArrow) << kAllRows << ""
                                     << ""
                                     << "01000000" << Lamp::Green;
        QTest::newRow("arrow ignores red") << int(TurnArrow) << kAllRows << "01000000"
                                           << ""
                                           << "" << Lamp::Off;
        QTest::newRow("arrow ignores yellow") << int(TurnArrow) << kAllRows << ""
                                              << "01000000"
                                              << "01000000" << Lamp::Green;
        QTest::newRow("tram left") << int(TramLeft) << "R1:4:0"
                                   << "00010000"
                                   << ""
                                   << "" << Lamp::Red;
        QTest::newRow("tram straight") << int(TramStraight) << "Y1:4:1"
                                       << ""
                                       << "00010000"
                                       << "" << Lamp::Yellow;
        QTest::newRow("tram right") << int(TramRight) << "G1:4:2"
                                    << ""
                                    << ""
                                    << "00010000" << Lamp::Green;
    }
    void lamp()
    {
        QFETCH(int, type);
        QFETCH(QString, bindings);
        QFETCH(QString, red);
        QFETCH(QString, yellow);
        QFETCH(QString, green);
        QFETCH(Lamp, lamp);
        const ProjectBlock block = oneDirection(type, bindings);
        QCOMPARE(directionLamp(block, 0, Channels{red, yellow, green}), lamp);
    }

    void everyDirectionOfTheRing()
    {
        ProjectBlock block{};
        block[ProjectLayout::DirectionCount] = 3;
        const int types[] = {Napr::Vehicle, Napr::Pedestrian, Napr::TurnArrow};
        for (int d = 0; d < 3; ++d)
            block[directionOffset(d) + DirectionLayout::Type] = std::uint8_t(types[d]);
        bindRows(block, 0, kVehicle);
        bindRows(block, 1, "R1:2:0 G1:2:2");
        bindRows(block, 2, "G1:3:2");
        // A record beyond the count is not a direction, whatever it holds.
        block[directionOffset(3) + DirectionLayout::Type] = Napr::Vehicle;
        bindRows(block, 3, "R1:1:0");
        LiveLamps::State state{{"RED_CHANNEL", "11000000"},
                               {"YEL_CHANNEL", "10000000"},
                               {"GREEN_CHANNEL", "00100000"}};
        const std::vector<DirectionLamp> expected = {{1, Napr::Vehicle, Lamp::RedYellow},
                                                     {2, Napr::Pedestrian, Lamp::Red},
                                                     {3, Napr::TurnArrow, Lamp::Green}};
        QCOMPARE(directionLamps(block, channels(state)), expected);
    }

    void countByteClamped()
    {
        ProjectBlock block{};
        block[ProjectLayout::DirectionCount] = 200;
        QCOMPARE(int(directionLamps(block, {}).size()), MaxDirections);
    }

    void projectDiffers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("differs");
        QTest::newRow("phase in range") << "PROGRAM=1 PROG_FAZA=3" << false;
        QTest::newRow("phase beyond the program") << "PROGRAM=1 PROG_FAZA=4" << true;
        QTest::newRow("program without phases") << "PROGRAM=2 PROG_FAZA=1" << true;
        QTest::newRow("last program") << "PROGRAM=32 PROG_FAZA=5" << false;
        QTest::newRow("last program, phase beyond") << "PROGRAM=32 PROG_FAZA=6" << true;
        QTest::newRow("program beyond the table") << "PROGRAM=33 PROG_FAZA=1" << true;
        QTest::newRow("program zero") << "PROGRAM=0 PROG_FAZA=1" << true;
        QTest::newRow("no program running") << "SINGLE_FAZA=4" << false;
        QTest::newRow("program without phase") << "PROGRAM=3" << false;
    }
    void projectDiffers()
    {
        QFETCH(QString, answer);
        QFETCH(bool, differs);
        ProgramsBlock programs{};
        programs[programOffset(0) + ProgramLayout::PhaseCount] = 3;
        programs[programOffset(2) + ProgramLayout::PhaseCount] = 2;
        programs[programOffset(31) + ProgramLayout::PhaseCount] = 5;
        LiveLamps::State state;
        for (const QString &pair : answer.split(QLatin1Char(' ')))
            state.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        QCOMPARE(LiveLamps::projectDiffers(programs, state), differs);
    }
};

QTEST_GUILESS_MAIN(TestLiveLamps)
#include "tst_livelamps.moc"
