#include "model/ByteIO.h"
#include "model/Crc32.h"
#include "model/Description.h"
#include "model/RingModel.h"

#include <QSignalSpy>
#include <QTest>

namespace PL = ProjectLayout;

class TestRingModel : public QObject
{
    Q_OBJECT
private slots:
    void crcCheckValue()
    {
        const QByteArray text("123456789");
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(text.constData());
        QCOMPARE(Crc32({bytes, 9}), 0xCBF43926u);
        QCOMPARE(Crc32({}), 0u);
    }

    void newProjectBytes_data()
    {
        QTest::addColumn<int>("ring");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        // Ring 1 is wired: direction 1 on group 1, direction 2 on group 2.
        QTest::newRow("ring1 dir1 red group") << 0 << 4 << 1;
        QTest::newRow("ring1 dir1 yellow group") << 0 << 10 << 1;
        QTest::newRow("ring1 dir1 green group") << 0 << 16 << 1;
        QTest::newRow("ring1 dir2 red group") << 0 << 23 << 2;
        QTest::newRow("ring1 dir2 green group") << 0 << 35 << 2;
        QTest::newRow("ring1 dir3 not wired") << 0 << 42 << 0;
        // Rings 2..4 have the same defaults but nothing wired.
        QTest::newRow("ring2 dir1 red group") << 1 << 4 << 0;
        QTest::newRow("ring4 dir2 green group") << 3 << 35 << 0;
        QTest::newRow("ring4 dir32 green colour") << 3 << 3 + 19 * 31 + 14 << 2;
        QTest::newRow("ring3 dir32 row2 colour") << 2 << 3 + 19 * 31 + 17 << 2;
        QTest::newRow("ring2 yellow colour") << 1 << 3 + 8 << 1;
        QTest::newRow("ring2 tram record 4 colour") << 1 << 611 + 18 * 3 + 4 << 2;
        QTest::newRow("ring2 direction count") << 1 << 2 << 2;
        QTest::newRow("reserved 683") << 2 << 683 << 2;
        QTest::newRow("template 1 dir 1") << 1 << 684 << 1;
        QTest::newRow("template 2 dir 2") << 1 << 717 << 1;
        QTest::newRow("template 1 dir 2") << 1 << 685 << 0;
        QTest::newRow("min red") << 0 << 10339 << 2;
        QTest::newRow("yellow") << 0 << 10340 << 3;
        QTest::newRow("red-yellow") << 0 << 10341 << 2;
        QTest::newRow("green blink") << 0 << 10342 << 3;
        QTest::newRow("min green") << 0 << 10343 << 5;
        QTest::newRow("max phase lo") << 0 << 10344 << (3600 & 0xFF);
        QTest::newRow("max phase hi") << 0 << 10345 << (3600 >> 8);
        QTest::newRow("fill mode") << 0 << 10346 << 0;
        QTest::newRow("restart interval") << 0 << 10347 << 5;
        QTest::newRow("restart attempts") << 0 << 10348 << 5;
        QTest::newRow("failure clear") << 0 << 10349 << 5;
        QTest::newRow("10350") << 0 << 10350 << 0;
        QTest::newRow("all red") << 0 << 10351 << 1;
        QTest::newRow("journal power on") << 3 << 10864 << 1;
        QTest::newRow("journal power off") << 3 << 10865 << 0;
        QTest::newRow("gps offset") << 3 << 10867 << 3;
        QTest::newRow("journal failures") << 3 << 10869 << 1;
        QTest::newRow("marker unset") << 0 << 10480 << 0;
        QTest::newRow("ring count byte") << 0 << 10482 << 0;
        QTest::newRow("day plan 16 entry count") << 0 << 1708 + 193 * 15 << 1;
        QTest::newRow("day plan 1 first entry start") << 0 << 1708 + 3 << 0;
        QTest::newRow("current program copy phase count") << 0 << 4962 << 2;
        QTest::newRow("current program copy phase 2 template") << 0 << 4962 + 1 + 104 + 5 << 1;
    }
    void newProjectBytes()
    {
        QFETCH(int, ring);
        QFETCH(int, offset);
        QFETCH(int, value);
        RingModel model;
        model.NewProjectDefaults();
        // The working copy is ring 1; the stores of the other rings are checked directly.
        const ProjectBlock &block = ring == 0 ? model.project() : model.store(ring).project;
        QCOMPARE(int(block[offset]), value);
    }

    void newProjectPrograms()
    {
        RingModel model;
        model.NewProjectDefaults();
        QCOMPARE(model.ringCount(), 1);
        QCOMPARE(model.currentRing(), 0);
        QCOMPARE(model.currentProgram(), 0);
        for (int p = 0; p < MaxPrograms; ++p) {
            const auto &g = model.programs();
            QCOMPARE(int(g[programOffset(p)]), 2);
            QCOMPARE(readU16(g, phaseOffset(p, 0) + PhaseLayout::MainTime), 10);
            QCOMPARE(readU16(g, phaseOffset(p, 1) + PhaseLayout::MainTime), 10);
            QCOMPARE(int(g[phaseOffset(p, 1) + PhaseLayout::Template]), 1);
            QCOMPARE(readU16(g, phaseOffset(p, 2) + PhaseLayout::MainTime), 0);
            QCOMPARE(readU16(g, phaseOffset(p, 31) + PhaseLayout::MinTime), 3);
        }
        QCOMPARE(readU32(model.programs(), ProgramsLayout::BlockSize), 0u);
        // The current-program copy is refreshed in the working copy only, after the stores
        // were filled.
        QCOMPARE(model.store(0).programs, model.programs());
        QCOMPARE(int(model.store(0).project[PL::CurrentProgram]), 0);
        QCOMPARE(int(model.project()[PL::CurrentProgram]), 2);
        QCOMPARE(model.store(1).programs, model.programs());
    }

    void newProjectKeepsFileState()
    {
        RingModel model;
        model.setFileName(QStringLiteral("a.velt"));
        model.setModified(true);
        model.NewProjectDefaults();
        QCOMPARE(model.fileName(), QStringLiteral("a.velt"));
        QVERIFY(model.modified());
    }

    void switchStoresReloadDiscards()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        QSignalSpy replaced(&model, &RingModel::currentRingReplaced);
        model.project()[PL::Description] = 'A';
        model.SwitchRing(1);
        QCOMPARE(model.currentRing(), 1);
        QCOMPARE(int(model.store(0).project[PL::Description]), int('A'));
        QCOMPARE(int(model.project()[PL::Description]), 0);
        model.project()[PL::Description] = 'B';
        model.ReloadRing(0);
        QCOMPARE(int(model.store(1).project[PL::Description]), 0); // not stored by a reload
        QCOMPARE(int(model.project()[PL::Description]), int('A'));
        QCOMPARE(replaced.count(), 2);
    }

    void selectProgramCopiesRecord()
    {
        RingModel model;
        model.NewProjectDefaults();
        writeU16(model.programs(), phaseOffset(7, 0) + PhaseLayout::MainTime, 777);
        model.SelectProgram(7);
        QCOMPARE(model.currentProgram(), 7);
        QCOMPARE(readU16(model.project(), PL::CurrentProgram + 1 + PhaseLayout::MainTime), 777);
        model.SelectProgram(99); // never outside the 32 programs
        QCOMPARE(model.currentProgram(), 31);
    }

    void loadFixup_data()
    {
        QTest::addColumn<bool>("marker");
        QTest::newRow("with marker keeps ring fields") << true;
        QTest::newRow("without marker clears them") << false;
    }
    void loadFixup()
    {
        QFETCH(bool, marker);
        RingModel model;
        model.NewProjectDefaults();
        for (int r = 0; r < MaxRings; ++r) {
            auto &p = model.store(r).project;
            p[directionOffset(5) + 5] = 0;
            p[directionOffset(31) + 11] = 7;
            p[directionOffset(0) + 17] = 1;
            p[tramSignalOffset(3) + 4] = 0;
            writeU16(p, PL::Marker, marker ? PL::MarkerValue : 0xABBB);
            p[PL::RingCount] = 3;
            p[PL::SyncFlag] = 1;
            writeU16(p, PL::SyncShift, 300);
            p[PL::Reserved] = 9; // carried through
        }
        model.LoadFixup();
        for (int r = 0; r < MaxRings; ++r) {
            const auto &p = model.store(r).project;
            QCOMPARE(int(p[directionOffset(5) + 5]), 2);
            QCOMPARE(int(p[directionOffset(31) + 11]), 2);
            QCOMPARE(int(p[directionOffset(0) + 17]), 2);
            QCOMPARE(int(p[tramSignalOffset(3) + 4]), 2);
            QCOMPARE(int(p[PL::RingCount]), marker ? 3 : 0);
            QCOMPARE(int(p[PL::SyncFlag]), marker ? 1 : 0);
            QCOMPARE(int(readU16(p, PL::SyncShift)), marker ? 300 : 0);
            QCOMPARE(int(p[PL::Reserved]), 9);
        }
    }

    void sealForFile()
    {
        RingModel model;
        model.NewProjectDefaults();
        RingData ring = model.working();
        writeU32(ring.project, PL::ProgramsCrcCopy, 0x11223344);
        writeU32(ring.programs, ProgramsLayout::BlockSize, 0x55667788);
        RingModel::SealForFile(ring);
        QCOMPARE(readU16(ring.project, PL::BlockSize), 10878);
        QCOMPARE(readU16(ring.project, PL::Marker), 0xABBA);
        QCOMPARE(readU32(ring.project, PL::Crc), Crc32(std::span(ring.project).first(10874)));
        QCOMPARE(readU32(ring.programs, ProgramsLayout::Crc),
                 Crc32(std::span(ring.programs).first(106532)));
        // Left as they stand for a file.
        QCOMPARE(readU32(ring.project, PL::ProgramsCrcCopy), 0x11223344u);
        QCOMPARE(readU32(ring.programs, ProgramsLayout::BlockSize), 0x55667788u);
        RingData again = ring;
        RingModel::SealForFile(again);
        QVERIFY(again == ring);
    }

    void sealForController()
    {
        RingModel model;
        model.NewProjectDefaults();
        RingData ring = model.working();
        RingModel::SealForController(ring);
        QCOMPARE(readU16(ring.project, PL::BlockSize), 10878);
        QCOMPARE(readU32(ring.programs, ProgramsLayout::BlockSize), 106536u);
        const std::uint32_t programsCrc = Crc32(std::span(ring.programs).first(106532));
        QCOMPARE(readU32(ring.programs, ProgramsLayout::Crc), programsCrc);
        QCOMPARE(readU32(ring.project, PL::ProgramsCrcCopy), programsCrc);
        // The project CRC covers the copy of the programs CRC.
        QCOMPARE(readU32(ring.project, PL::Crc), Crc32(std::span(ring.project).first(10874)));
        QCOMPARE(readU16(ring.project, PL::Marker), 0); // not written for the controller
    }

    void description_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("cyrillic") << QStringLiteral("Перекресток Ленина")
                                  << QStringLiteral("Перекресток Ленина");
        QTest::newRow("127 fits") << QString(127, QLatin1Char('x'))
                                  << QString(127, QLatin1Char('x'));
        QTest::newRow("128 cut") << QString(128, QChar(0x0416)) << QString(127, QChar(0x0416));
        QTest::newRow("300 cut") << QString(300, QLatin1Char('y'))
                                 << QString(127, QLatin1Char('y'));
    }
    void description()
    {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        RingModel model;
        model.NewProjectDefaults();
        writeU16(model.project(), PL::Marker, PL::MarkerValue);
        setProjectDescription(model.project(), QString(100, QLatin1Char('z')));
        setProjectDescription(model.project(), text);
        QCOMPARE(projectDescription(model.project()), stored);
        QCOMPARE(int(model.project()[PL::Description + 127]), 0);
        QCOMPARE(readU16(model.project(), PL::Marker), PL::MarkerValue);
        if (text.startsWith(QChar(0x0416)))
            QCOMPARE(int(model.project()[PL::Description]), 0xC6); // Ж in code page 1251
    }
};

QTEST_GUILESS_MAIN(TestRingModel)
#include "tst_ringmodel.moc"
