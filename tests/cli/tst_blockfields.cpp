#include "cli/BlockFields.h"

#include "model/ByteIO.h"
#include "model/Description.h"

#include <QTest>

namespace PL = ProjectLayout;
namespace DL = DirectionLayout;
namespace FL = PhaseLayout;
using BlockFields::Block;

Q_DECLARE_METATYPE(Block)

class TestBlockFields : public QObject
{
    Q_OBJECT
private slots:
    // A locator that slipped by a record would name the wrong field or reach past it; every
    // byte must land in a field that holds it.
    void everyByteLandsInItsField_data()
    {
        QTest::addColumn<Block>("block");
        QTest::addColumn<int>("size");
        QTest::newRow("project") << Block::Project << int(PL::Size);
        QTest::newRow("programs") << Block::Programs << int(ProgramsLayout::Size);
    }

    void everyByteLandsInItsField()
    {
        QFETCH(Block, block);
        QFETCH(int, size);
        for (std::size_t at = 0; at < std::size_t(size); ++at) {
            const BlockFields::Field field = BlockFields::fieldAt(block, at);
            QVERIFY2(field.offset <= at && at < field.offset + field.size,
                     qPrintable(QString::number(at)));
            QVERIFY(field.offset + field.size <= std::size_t(size));
            // Only the reserved stretch of the header is left without a name.
            const bool reserved =
                block == Block::Project && at >= PL::Reserved && at < PL::JournalPowerOn;
            QCOMPARE(field.name.isEmpty() && !field.derived, reserved);
        }
    }

    void names_data()
    {
        QTest::addColumn<Block>("block");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("name");
        QTest::newRow("last direction's last binding")
            << Block::Project << int(directionOffset(31) + DL::Green2 + DL::BindingControlOff)
            << int(directionOffset(31) + DL::Green2 + DL::BindingControlOff)
            << QStringLiteral("направление 32")
            << QStringLiteral("контроль откл. зеленого (строка 2)");
        QTest::newRow("tram signal binding")
            << Block::Project << int(tramSignalBindingOffset(3, 5) + DL::BindingColour)
            << int(tramSignalBindingOffset(3, 5) + DL::BindingColour)
            << QStringLiteral("трамвайный сигнал 4") << QStringLiteral("цвет привязки 6");
        QTest::newRow("last byte of a day plan start")
            << Block::Project << int(dayPlanEntryOffset(15, 31) + DayPlanLayout::EntrySize - 1)
            << int(dayPlanEntryOffset(15, 31) + DayPlanLayout::EntryStart)
            << QStringLiteral("дневной план 16, запись 32") << QStringLiteral("начало");
        QTest::newRow("week plan Saturday")
            << Block::Project << int(weekPlanDayOffset(15, 6)) << int(weekPlanDayOffset(15, 6))
            << QStringLiteral("недельный план 16") << QStringLiteral("СБ");
        QTest::newRow("current program phase")
            << Block::Project << int(PL::CurrentProgram + ProgramLayout::Phases + FL::MinTime + 1)
            << int(PL::CurrentProgram + ProgramLayout::Phases + FL::MinTime)
            << QStringLiteral("текущая программа, фаза 1") << QStringLiteral("Тмин");
        QTest::newRow("conflict time")
            << Block::Project << int(conflictTimeOffset(4, 1)) << int(conflictTimeOffset(4, 1))
            << QStringLiteral("конфликт 5-2") << QStringLiteral("время");
        QTest::newRow("high byte of the phase limit")
            << Block::Project << int(PL::MaxPhaseDuration + 1) << int(PL::MaxPhaseDuration)
            << QString() << QStringLiteral("максимальная длительность фазы");
        QTest::newRow("last phase's pedestrian call")
            << Block::Programs << int(phaseOffset(31, 31) + FL::PedestrianCall2)
            << int(phaseOffset(31, 31) + FL::PedestrianCall2)
            << QStringLiteral("программа 32, фаза 32") << QStringLiteral("№ ТВП 2");
        QTest::newRow("addition of the last direction")
            << Block::Programs << int(phaseOffset(0, 0) + phaseAdditionOffset(31) + FL::ExtraRed)
            << int(phaseOffset(0, 0) + phaseAdditionOffset(31) + FL::ExtraRed)
            << QStringLiteral("программа 1, фаза 1, направление 32")
            << QStringLiteral("красный доп.");
    }

    void names()
    {
        QFETCH(Block, block);
        QFETCH(int, offset);
        QFETCH(int, start);
        QFETCH(QString, place);
        QFETCH(QString, name);
        const BlockFields::Field field = BlockFields::fieldAt(block, std::size_t(offset));
        QCOMPARE(int(field.offset), start);
        QCOMPARE(field.place, place);
        QCOMPARE(field.name, name);
    }

    void checksumsAndSizesAreNotCompared_data()
    {
        QTest::addColumn<Block>("block");
        QTest::addColumn<int>("offset");
        QTest::newRow("project size") << Block::Project << int(PL::BlockSize + 1);
        QTest::newRow("programs checksum copy") << Block::Project << int(PL::ProgramsCrcCopy);
        QTest::newRow("project checksum") << Block::Project << int(PL::Crc + 3);
        QTest::newRow("programs size") << Block::Programs << int(ProgramsLayout::BlockSize);
        QTest::newRow("programs checksum") << Block::Programs << int(ProgramsLayout::Crc + 2);
    }

    void checksumsAndSizesAreNotCompared()
    {
        QFETCH(Block, block);
        QFETCH(int, offset);
        QVERIFY(BlockFields::fieldAt(block, std::size_t(offset)).derived);
    }

    void values()
    {
        ProjectBlock project{};
        project[PL::GpsUtcOffset] = 0xFD;
        writeU32(project, dayPlanEntryOffset(0, 1) + DayPlanLayout::EntryStart, 6 * 3600 + 30);
        project[directionOffset(0) + DL::Type] = 5;
        project[dayPlanEntryOffset(0, 0) + DayPlanLayout::EntryKind] = 3;
        setProjectDescription(project, QStringLiteral("Ленина"));
        const auto text = [&project](std::size_t at) {
            return BlockFields::valueText(BlockFields::fieldAt(Block::Project, at), project);
        };
        QCOMPARE(text(PL::GpsUtcOffset), QStringLiteral("-3"));
        QCOMPARE(text(dayPlanEntryOffset(0, 1) + DayPlanLayout::EntryStart + 3),
                 QStringLiteral("06:00:30"));
        QCOMPARE(text(directionOffset(0) + DL::Type), QStringLiteral("трам-право"));
        QCOMPARE(text(directionOffset(0) + DL::Red1 + DL::BindingGroup), QStringLiteral("НЕТ"));
        QCOMPARE(text(dayPlanEntryOffset(0, 0) + DayPlanLayout::EntryKind), QStringLiteral("КК"));
        QCOMPARE(text(PL::Description + 40), QStringLiteral("«Ленина»"));
        QCOMPARE(text(weekPlanDayOffset(0, 0)), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestBlockFields)
#include "tst_blockfields.moc"
