#include "model/ByteIO.h"
#include "model/RingModel.h"
#include "programs/ProgramOps.h"
#include "programs/TactsFixture.h"

#include <QTest>

namespace FL = PhaseLayout;

namespace {

// Marks phase f of program p with its own number in the main time, so moves can be followed.
Ring numberedProgram(int p, int count)
{
    Ring r;
    r.phases(p, count);
    for (int f = 0; f < MaxPhases; ++f)
        r.phase(p, f, f % 3, 100 + f);
    return r;
}

int mainTime(Ring &r, int p, int f)
{
    return readU16(r.g(), phaseOffset(p, f) + FL::MainTime);
}

} // namespace

class TestProgutil : public QObject
{
    Q_OBJECT
private slots:
    void insertAfterTheCurrentPhase_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<int>>("expected"); // main times; 10 is the new phase
        QTest::newRow("first") << 0 << QList<int>{100, 10, 101, 102};
        QTest::newRow("middle") << 1 << QList<int>{100, 101, 10, 102};
        QTest::newRow("last") << 2 << QList<int>{100, 101, 102, 10};
    }
    void insertAfterTheCurrentPhase()
    {
        QFETCH(int, current);
        QFETCH(QList<int>, expected);
        Ring r = numberedProgram(5, 3);
        r.addition(5, current + 1, 7, FL::EarlyGreen, 9); // must not survive in the new phase
        QVERIFY(Progutil::insertPhase(r.g(), 5, current));
        QCOMPARE(int(r.g()[programOffset(5)]), 4);
        QList<int> times;
        for (int f = 0; f < 4; ++f)
            times << mainTime(r, 5, f);
        QCOMPARE(times, expected);
        const std::size_t fresh = phaseOffset(5, current + 1);
        QCOMPARE(readU16(r.g(), fresh + FL::MinTime), std::uint16_t(3));
        QCOMPARE(int(r.g()[fresh + FL::Template]), 0);
        QCOMPARE(int(r.g()[fresh + FL::Type]), 0);
        for (std::size_t i = FL::Additions; i < FL::Size; ++i)
            QCOMPARE(int(r.g()[fresh + i]), 0);
    }

    void insertIntoAFullProgramIsRefused()
    {
        Ring r = numberedProgram(31, 32);
        const RingData before = *r.data;
        QVERIFY(!Progutil::insertPhase(r.g(), 31, 5));
        QVERIFY(*r.data == before);
    }

    void insertWithACountFromAFile_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("inserted");
        QTest::addColumn<int>("count");
        QTest::newRow("0 counts as one phase") << 0 << true << 2;
        QTest::newRow("40 counts as a full program") << 40 << false << 40;
    }
    void insertWithACountFromAFile()
    {
        QFETCH(int, stored);
        Ring r = numberedProgram(31, stored);
        const ProgramsBlock before = r.g();
        QTEST(Progutil::insertPhase(r.g(), 31, 31), "inserted");
        QTEST(int(r.g()[programOffset(31)]), "count");
        // Nothing past the program record (size word, checksum) is ever touched.
        QVERIFY(std::equal(before.begin() + ProgramsLayout::BlockSize, before.end(),
                           r.g().begin() + ProgramsLayout::BlockSize));
    }

    void removeTheCurrentPhase()
    {
        Ring r = numberedProgram(2, 4);
        QVERIFY(Progutil::removePhase(r.g(), 2, 1));
        QCOMPARE(int(r.g()[programOffset(2)]), 3);
        QCOMPARE(mainTime(r, 2, 0), 100);
        QCOMPARE(mainTime(r, 2, 1), 102);
        QCOMPARE(mainTime(r, 2, 2), 103);
        QCOMPARE(mainTime(r, 2, 3), 103); // the old last record stays behind the count
        QCOMPARE(mainTime(r, 2, 4), 104);
    }

    void removeTheLastOfAFullProgram()
    {
        Ring r = numberedProgram(31, 32);
        const ProgramsBlock before = r.g();
        QVERIFY(Progutil::removePhase(r.g(), 31, 31));
        QCOMPARE(int(r.g()[programOffset(31)]), 31);
        // No record moves: the last one simply stays behind the new count.
        QVERIFY(std::equal(before.begin() + phaseOffset(31, 0), before.end(),
                           r.g().begin() + phaseOffset(31, 0)));
    }

    void removeTheOnlyPhaseIsRefused()
    {
        Ring r = numberedProgram(0, 1);
        const RingData before = *r.data;
        QVERIFY(!Progutil::removePhase(r.g(), 0, 0));
        QVERIFY(*r.data == before);
    }

    void phaseEdit_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // stored value after OK; -1 = unchanged
        QTest::newRow("Тосн empty") << "main"
                                    << "" << -1;
        QTest::newRow("Тосн 0") << "main"
                                << "0" << -1;
        QTest::newRow("Тосн text") << "main"
                                   << "abc" << -1;
        QTest::newRow("Тосн 65535") << "main"
                                    << "65535" << 65535;
        QTest::newRow("Тосн 65536") << "main"
                                    << "65536" << -1;
        QTest::newRow("Тосн with blanks") << "main"
                                          << " 42 " << 42;
        QTest::newRow("Тмин 0") << "min"
                                << "0" << -1;
        QTest::newRow("Тмин 7") << "min"
                                << "7" << 7;
        QTest::newRow("Тмин 70000") << "min"
                                    << "70000" << -1;
        QTest::newRow("early green 0") << "early"
                                       << "0" << 0;
        QTest::newRow("early green 255") << "early"
                                         << "255" << 255;
        QTest::newRow("early green 256") << "early"
                                         << "256" << -1;
        QTest::newRow("early green -1") << "early"
                                        << "-1" << -1;
        QTest::newRow("extension 12") << "extension"
                                      << "12" << 12;
        QTest::newRow("extension 1.5") << "extension"
                                       << "1.5" << -1;
        QTest::newRow("extra red 3") << "red"
                                     << "3" << 3;
        QTest::newRow("extra red huge") << "red"
                                        << "99999999999999999999" << -1;
    }
    void phaseEdit()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(int, expected);
        Ring r;
        r.phases(3, 2).phase(3, 1, 4, 20);
        writeU16(r.g(), phaseOffset(3, 1) + FL::MinTime, 5);
        r.addition(3, 1, 6, FL::EarlyGreen, 1).addition(3, 1, 6, FL::GreenExtension, 2);
        r.addition(3, 1, 6, FL::ExtraRed, 4);
        const Progutil::PhaseValues old = Progutil::readPhase(r.g(), 3, 1, 6);
        QCOMPARE(old.mainTime, 20);
        QCOMPARE(old.minTime, 5);
        QCOMPARE(old.templateIndex, 4);
        QCOMPARE(old.earlyGreen, 1);

        // The panel hands back what it showed, with one field typed over.
        Progutil::PhaseEditInput in;
        in.mainTime = QString::number(old.mainTime);
        in.minTime = QString::number(old.minTime);
        in.earlyGreen = QString::number(old.earlyGreen);
        in.greenExtension = QString::number(old.greenExtension);
        in.extraRed = QString::number(old.extraRed);
        in.type = old.type;
        in.templateIndex = old.templateIndex;
        in.call1 = old.call1;
        in.call2 = old.call2;
        QMap<QString, QString *> fields{{"main", &in.mainTime},
                                        {"min", &in.minTime},
                                        {"early", &in.earlyGreen},
                                        {"extension", &in.greenExtension},
                                        {"red", &in.extraRed}};
        *fields[field] = text;
        const bool changed = Progutil::applyPhaseEdit(r.g(), 3, 1, 6, in);
        const Progutil::PhaseValues now = Progutil::readPhase(r.g(), 3, 1, 6);
        const QMap<QString, std::pair<int, int>> values{
            {"main", {old.mainTime, now.mainTime}},
            {"min", {old.minTime, now.minTime}},
            {"early", {old.earlyGreen, now.earlyGreen}},
            {"extension", {old.greenExtension, now.greenExtension}},
            {"red", {old.extraRed, now.extraRed}}};
        const auto [before, after] = values[field];
        QCOMPARE(after, expected < 0 ? before : expected);
        QCOMPARE(changed, expected >= 0 && expected != before);
        // Only direction 7's additions are touched.
        QCOMPARE(int(r.g()[phaseOffset(3, 1) + FL::Additions + 3 * 5]), 0);
    }

    void selectorsAreWrittenOnlyWhenSelected()
    {
        Ring r;
        r.phases(0, 1).phase(0, 0, 3, 10);
        Progutil::PhaseEditInput in;
        in.type = 2;
        in.templateIndex = -1; // nothing selected: keep
        in.call1 = 1;
        in.call2 = 5; // not an item
        QVERIFY(Progutil::applyPhaseEdit(r.g(), 0, 0, 0, in));
        const Progutil::PhaseValues v = Progutil::readPhase(r.g(), 0, 0, 0);
        QCOMPARE(v.type, 2);
        QCOMPARE(v.templateIndex, 3);
        QCOMPARE(v.call1, 1);
        QCOMPARE(v.call2, 0);
        QCOMPARE(v.mainTime, 10); // empty text keeps Тосн
    }

    void directionCaptions_data()
    {
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("caption");
        QTest::newRow("vehicle") << QList<int>{0, 0} << 1 << "2 транспорт";
        QTest::newRow("pedestrian") << QList<int>{1} << 0 << "1 пешеход";
        QTest::newRow("turn arrow") << QList<int>{2} << 0 << "1 поворот";
        QTest::newRow("reversible") << QList<int>{3} << 0 << "1 реверс";
        QTest::newRow("second tram right") << QList<int>{0, 5, 4, 0, 5} << 4 << "5 трам-право (2)";
        QTest::newRow("first tram left") << QList<int>{0, 5, 4} << 2 << "3 трам-лево (1)";
        QTest::newRow("tram straight") << QList<int>{6} << 0 << "1 трам-прямо (1)";
        QTest::newRow("unknown type") << QList<int>{9} << 0 << "1 ";
    }
    void directionCaptions()
    {
        QFETCH(QList<int>, types);
        Ring r;
        r.directions(int(types.size()));
        for (int d = 0; d < int(types.size()); ++d)
            r.type(d, types[d]);
        QFETCH(int, direction);
        QTEST(Progutil::directionCaption(r.p(), direction), "caption");
    }

    void additionsEditableWhereGreen()
    {
        Ring r;
        r.green(2, 1).phases(0, 1).phase(0, 0, 2, 10);
        QVERIFY(Progutil::additionsEditable(r.p(), r.g(), 0, 0, 1));
        QVERIFY(!Progutil::additionsEditable(r.p(), r.g(), 0, 0, 0));
    }

    void phaseTypeWithSynchronisation_data()
    {
        QTest::addColumn<int>("sync");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("selectable");
        QTest::newRow("off, fixed") << 0 << 0 << true;
        QTest::newRow("off, combined") << 0 << 1 << true;
        QTest::newRow("on, fixed") << 1 << 0 << false;
        QTest::newRow("on, combined") << 1 << 1 << true;
        QTest::newRow("on, pedestrian call") << 1 << 2 << true;
    }
    void phaseTypeWithSynchronisation()
    {
        QFETCH(int, sync);
        QFETCH(int, type);
        Ring r;
        r.p()[ProjectLayout::SyncFlag] = static_cast<std::uint8_t>(sync);
        QTEST(Progutil::phaseTypeSelectable(r.p(), type), "selectable");
    }
};

QTEST_GUILESS_MAIN(TestProgutil)
#include "tst_programops.moc"
