#include "PlantedFaults.h"

#include "check/ProjectCheck.h"
#include "model/ProjectFile.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace ProjectCheck;
namespace DL = DirectionLayout;
namespace PL = ProjectLayout;

namespace {

using Plant = std::function<void(RingModel &)>;

} // namespace

Q_DECLARE_METATYPE(Plant)
Q_DECLARE_METATYPE(ProjectCheck::Kind)
Q_DECLARE_METATYPE(ProjectCheck::Place)

class TestProjectCheck : public QObject
{
    Q_OBJECT
private slots:
    void cleanProjectHasNoFindings()
    {
        RingModel model;
        makeCleanProject(model);
        const auto findings = run(model);
        QVERIFY2(findings.empty(), findings.empty() ? "" : qPrintable(findingLine(findings[0])));
        // A new project is clean as it comes.
        model.NewProjectDefaults();
        QVERIFY(run(model).empty());
    }

    void oneFaultOneFinding_data()
    {
        QTest::addColumn<Plant>("plant");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("error");
        QTest::addColumn<Place>("place");
        QTest::addColumn<QList<Kind>>("alongside");

        for (const PlantedFault &f : plantedFaults())
            QTest::newRow(qPrintable(f.name))
                << Plant(f.plant) << f.kind << f.error << f.place
                << QList<Kind>(f.alongside.begin(), f.alongside.end());
    }
    void oneFaultOneFinding()
    {
        QFETCH(Plant, plant);
        QFETCH(Kind, kind);
        QFETCH(bool, error);
        QFETCH(Place, place);
        QFETCH(QList<Kind>, alongside);
        RingModel model;
        makeCleanProject(model);
        plant(model);
        const auto findings = run(model);
        QStringList lines;
        QList<Kind> others;
        const Finding *planted = nullptr;
        for (const Finding &f : findings) {
            lines << findingLine(f);
            if (f.kind == kind && !planted)
                planted = &f;
            else
                others << f.kind;
        }
        QVERIFY2(planted, qPrintable(lines.join('\n')));
        QCOMPARE(planted->isError(), error);
        QVERIFY2(planted->place == place, qPrintable(lines.join('\n')));
        QVERIFY(!planted->message.isEmpty());
        QVERIFY2(others == alongside, qPrintable(lines.join('\n')));
    }

    // Each kind of the table has a planted fault that the check finds; the one kind no
    // project can reach through the tact computation and the switch rules is planted into a
    // track instead (tst_signalsafety), and the damage of a file is planted into a file
    // (damagedFileIsNotClean).
    void plantedFaultsCoverEveryKind()
    {
        QSet<int> planted{int(Kind::MissingTransition), int(Kind::FileCutRing),
                          int(Kind::FileChecksum)};
        for (const PlantedFault &f : plantedFaults())
            planted.insert(int(f.kind));
        for (const KindInfo &info : Kinds)
            QVERIFY2(planted.contains(int(info.kind)), info.id);
    }

    // Every fault of one project at once: each is found where it was planted, ring by ring.
    void findingsFollowRingOrder()
    {
        RingModel model;
        makeCleanProject(model);
        bindDirection(model.project(), 0, 0);
        model.store(1).project[directionOffset(1) + DL::Green1 + DL::BindingGroup] = 3;
        const auto findings = run(model);
        QCOMPARE(findings.size(), std::size_t(2));
        QCOMPARE(findings[0].place.ring, 0);
        QCOMPARE(findings[1].kind, Kind::OutputTwice);
        QVERIFY2(findings[1].message.contains(QStringLiteral("кольцо 2, направление 1")),
                 qPrintable(findings[1].message));
    }

    void damagedFileIsNotClean_data()
    {
        QTest::addColumn<qint64>("cutAt");    // -1: the file keeps its length
        QTest::addColumn<qint64>("changeAt"); // -1: no byte changed
        QTest::addColumn<Kind>("kind");
        QTest::newRow("cut inside ring 2")
            << qint64(RingRecordSize + 5000) << qint64(-1) << Kind::FileCutRing;
        QTest::newRow("byte changed in ring 2's programs")
            << qint64(-1) << qint64(RingRecordSize + ProjectLayout::Size + 10)
            << Kind::FileChecksum;
    }
    void damagedFileIsNotClean()
    {
        QFETCH(qint64, cutAt);
        QFETCH(qint64, changeAt);
        QFETCH(Kind, kind);
        RingModel model;
        makeCleanProject(model);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.velt"));
        QVERIFY(!ProjectFile::save(model, path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (cutAt >= 0)
            QVERIFY(file.resize(cutAt));
        if (changeAt >= 0) {
            QVERIFY(file.seek(changeAt));
            QVERIFY(file.write("\x5A", 1) == 1);
        }
        file.close();

        RingModel opened;
        QVERIFY(ProjectFile::open(opened, path).ok());
        const auto findings = run(opened);
        QVERIFY(!findings.empty());
        QCOMPARE(findings[0].kind, kind);
        QVERIFY(findings[0].isError());
        QCOMPARE(findings[0].place.ring, 1);
        QVERIFY2(findings[0].message.contains(QStringLiteral("кольца 2")),
                 qPrintable(findings[0].message));
        // What the controller gives back, or a file saved whole again, is clean.
        RingModel downloaded;
        QVERIFY(ProjectFile::open(downloaded, path).ok());
        downloaded.setRingCount(downloaded.ringCount()); // as a download sets its rings
        QVERIFY(run(downloaded).empty() || run(downloaded)[0].kind != kind);
        QVERIFY(!ProjectFile::save(opened, dir.filePath(QStringLiteral("whole.velt"))));
        QVERIFY(run(opened).empty() || run(opened)[0].kind != kind);
    }

    void placeTexts_data()
    {
        QTest::addColumn<Place>("place");
        QTest::addColumn<QString>("text");
        QTest::newRow("phase") << at(2, {{&Place::program, 2}, {&Place::phase, 1}})
                               << QStringLiteral("кольцо 3, программа 3, фаза 2");
        QTest::newRow("week plan day") << at(0, {{&Place::weekPlan, 0}, {&Place::day, 0}})
                                       << QStringLiteral("кольцо 1, недельный план 1, ВС");
        QTest::newRow("day plan row") << at(1, {{&Place::dayPlan, 15}, {&Place::entry, 31}})
                                      << QStringLiteral("кольцо 2, дневной план 16, запись 32");
    }
    void placeTexts()
    {
        QFETCH(Place, place);
        QFETCH(QString, text);
        QCOMPARE(placeText(place), text);
    }
};

QTEST_GUILESS_MAIN(TestProjectCheck)
#include "tst_projectcheck.moc"
