#include "config/Safety.h"
#include "model/ByteIO.h"
#include "model/RingModel.h"

#include <QTest>

namespace PL = ProjectLayout;
using Guard::Field;

namespace {

ProjectBlock newRing()
{
    RingModel model;
    model.NewProjectDefaults();
    return model.project();
}

} // namespace

class TestGuard : public QObject
{
    Q_OBJECT
private slots:
    void flagIsNotMirrored()
    {
        ProjectBlock b = newRing();
        Guard::toggleConflictFlag(b, 0, 1);
        QVERIFY(Guard::conflictFlag(b, 0, 1));
        QVERIFY(!Guard::conflictFlag(b, 1, 0));
        QCOMPARE(int(b[9315 + 1]), 1);
        Guard::toggleConflictFlag(b, 0, 1);
        QVERIFY(!Guard::conflictFlag(b, 0, 1));
        b[conflictFlagOffset(2, 3)] = 9; // any non-zero value is set; a toggle clears it
        Guard::toggleConflictFlag(b, 2, 3);
        QCOMPARE(int(b[conflictFlagOffset(2, 3)]), 0);
        Guard::toggleConflictFlag(b, 4, 4);
        QVERIFY(!Guard::conflictFlag(b, 4, 4));
    }

    void timeIsShownOnlyWhileFlagged()
    {
        ProjectBlock b = newRing();
        b[conflictTimeOffset(0, 1)] = 7;
        QCOMPARE(Guard::conflictTimeText(b, 0, 1), QString());
        Guard::toggleConflictFlag(b, 0, 1);
        QCOMPARE(Guard::conflictTimeText(b, 0, 1), QStringLiteral("7"));
        Guard::toggleConflictFlag(b, 0, 1);
        QCOMPARE(int(b[conflictTimeOffset(0, 1)]), 7); // the time stays in its cell
    }

    void conflictTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stored");
        QTest::newRow("plain") << "12" << 12;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("255") << "255" << 255;
        QTest::newRow("300 saturates") << "300" << 255;
        QTest::newRow("huge saturates") << "99999999999999999999999" << 255;
        QTest::newRow("empty keeps") << "" << 9;
        QTest::newRow("letters keep") << "abc" << 9;
        QTest::newRow("negative keeps") << "-4" << 9;
        QTest::newRow("spaces around") << " 15 " << 15;
    }
    void conflictTimes()
    {
        QFETCH(QString, text);
        QFETCH(int, stored);
        ProjectBlock b = newRing();
        b[conflictTimeOffset(1, 0)] = 9;
        b[conflictFlagOffset(1, 0)] = 1;
        Guard::applyConflictTimes(
            b, 2, [&](int i, int j) { return i == 1 && j == 0 ? text : QStringLiteral("77"); });
        QCOMPARE(int(b[conflictTimeOffset(1, 0)]), stored);
        QCOMPARE(int(b[conflictTimeOffset(0, 1)]), 0); // flag clear: never taken
        QCOMPARE(int(b[conflictTimeOffset(0, 0)]), 0); // diagonal: never taken
    }

    void timesBeyondCountAreNotTaken()
    {
        ProjectBlock b = newRing();
        b[conflictFlagOffset(0, 2)] = 1;
        Guard::applyConflictTimes(b, 2, [](int, int) { return QStringLiteral("5"); });
        QCOMPARE(int(b[conflictTimeOffset(0, 2)]), 0);
        Guard::applyConflictTimes(b, 300, [](int, int) { return QStringLiteral("5"); });
        QCOMPARE(int(b[conflictTimeOffset(0, 2)]), 5);
    }

    void fields_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stored"); // -1: unchanged
        const auto f = [](Field x) { return int(x); };
        QTest::newRow("min red") << f(Field::MinRed) << 10339 << "4" << 4;
        QTest::newRow("yellow letters") << f(Field::Yellow) << 10340 << "abc" << -1;
        QTest::newRow("yellow empty") << f(Field::Yellow) << 10340 << "" << -1;
        QTest::newRow("yellow negative") << f(Field::Yellow) << 10340 << "-3" << -1;
        QTest::newRow("yellow 255") << f(Field::Yellow) << 10340 << "255" << 255;
        QTest::newRow("yellow 256 refused") << f(Field::Yellow) << 10340 << "256" << -1;
        QTest::newRow("red-yellow") << f(Field::RedYellow) << 10341 << "0" << 0;
        QTest::newRow("green blink") << f(Field::GreenBlink) << 10342 << "6" << 6;
        QTest::newRow("min green") << f(Field::MinGreen) << 10343 << "9" << 9;
        QTest::newRow("all red") << f(Field::AllRedDuration) << 10351 << "30" << 30;
        QTest::newRow("all red negative") << f(Field::AllRedDuration) << 10351 << "-1" << -1;
        QTest::newRow("restart interval") << f(Field::RestartInterval) << 10347 << "17" << 17;
        QTest::newRow("attempts") << f(Field::RestartAttempts) << 10348 << "2" << 2;
        QTest::newRow("failure clear 300") << f(Field::FailureClearMinutes) << 10349 << "300" << -1;
        QTest::newRow("failure clear") << f(Field::FailureClearMinutes) << 10349 << "60" << 60;
    }
    void fields()
    {
        QFETCH(int, field);
        QFETCH(int, offset);
        QFETCH(QString, text);
        QFETCH(int, stored);
        ProjectBlock b = newRing();
        const ProjectBlock before = b;
        QCOMPARE(Guard::applyField(b, Field(field), text), stored >= 0);
        if (stored >= 0) {
            QCOMPARE(int(b[offset]), stored);
            QCOMPARE(Guard::fieldValue(b, Field(field)), stored);
            b[offset] = before[offset];
        }
        QVERIFY(b == before); // nothing else moved
    }

    void maxPhaseDurationIsSixteenBits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stored");
        QTest::newRow("300") << "300" << 300;
        QTest::newRow("65535") << "65535" << 65535;
        QTest::newRow("65536 refused") << "65536" << 3600;
        QTest::newRow("letters") << "1h" << 3600;
    }
    void maxPhaseDurationIsSixteenBits()
    {
        QFETCH(QString, text);
        QFETCH(int, stored);
        ProjectBlock b = newRing();
        (void)Guard::applyField(b, Field::MaxPhaseDuration, text);
        QCOMPARE(int(readU16(b, PL::MaxPhaseDuration)), stored);
        QCOMPARE(int(b[PL::FillMode]), 0);
    }

    void fillMode()
    {
        ProjectBlock b = newRing();
        Guard::setFillMode(b, 1);
        QCOMPARE(int(b[10346]), 1);
        QCOMPARE(Guard::fillMode(b), 1);
        Guard::setFillMode(b, 0);
        QCOMPARE(int(b[10346]), 0);
    }

    void storedRange()
    {
        QCOMPARE(Guard::StoredOffset, std::size_t(8291));
        QCOMPARE(Guard::StoredOffset + Guard::StoredSize, std::size_t(10352));
    }
};

QTEST_GUILESS_MAIN(TestGuard)
#include "tst_safety.moc"
