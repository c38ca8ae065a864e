// The sample project in examples/: what the builder makes is what ships, and it opens as a
// two-ring intersection whose programs have the cycles worked out by hand below.
#include "config/Templates.h"
#include "model/ProjectFile.h"
#include "model/RingModel.h"
#include "programs/Tacts.h"
#include "support/ExampleProject.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kExample = QStringLiteral(VELT_SOURCE_DIR "/examples/crossing.velt");

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestExample : public QObject
{
    Q_OBJECT
private slots:
    void shippedFileIsWhatTheBuilderSaves()
    {
        RingModel model;
        ExampleProject::build(model);
        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("crossing.velt"));
        QVERIFY(!ProjectFile::save(model, saved));
        // VELT_WRITE_EXAMPLE=1 refreshes the shipped file after the sample was changed on purpose.
        if (qEnvironmentVariableIsSet("VELT_WRITE_EXAMPLE")) {
            QFile::remove(kExample);
            QVERIFY(QFile::copy(saved, kExample));
        }
        QCOMPARE(fileBytes(saved).size(), qsizetype(2 * RingRecordSize));
        QVERIFY2(fileBytes(saved) == fileBytes(kExample),
                 "examples/crossing.velt is not what the builder saves");
    }

    void opensWithItsCycleLengths_data()
    {
        QTest::addColumn<int>("ring");
        QTest::addColumn<int>("program");
        QTest::addColumn<int>("phases");
        QTest::addColumn<int>("cycle");
        // Y 3, RY 2, GB 3. Ring 1, program 1: leaving the main road and the crossing, the
        // pedestrian's blink (3) and its conflict time to the side road (5) give 8; back, the
        // side road's green blink and yellow give 6: 20 + 8 + 12 + 6.
        QTest::newRow("ring 1, program 1") << 0 << 0 << 2 << 46;
        // Ring 2, program 1: pedestrian 3 + 6 to the side road gives 9 one way; the side road's
        // blink plus its time of 4 to the main road gives 7 back: 25 + 9 + 15 + 7.
        QTest::newRow("ring 2, program 1") << 1 << 0 << 2 << 56;
        // Program 2: the turn's early green of 2 and red-yellow give 4; the turn and main road
        // stopping give 6; the side road's extension 2 and extra red 1 around blink and yellow
        // give 9: 30 + 4 + 10 + 6 + 20 + 9.
        QTest::newRow("ring 1, program 2") << 0 << 1 << 3 << 79;
        QTest::newRow("ring 1, program 3") << 0 << 2 << 3 << 96; // 40 + 4 + 15 + 6 + 25 + 6
        // The side road's early green of 1 lengthens the pair term to 0 + 3 + 1 + 6 = 10.
        QTest::newRow("ring 2, program 2") << 1 << 1 << 2 << 72; // 35 + 10 + 20 + 7
        // The pedestrian's green extension of 2: 2 + 3 + 6 = 11.
        QTest::newRow("ring 2, program 3") << 1 << 2 << 2 << 88; // 45 + 11 + 25 + 7
    }
    void opensWithItsCycleLengths()
    {
        QFETCH(int, ring);
        QFETCH(int, program);
        QFETCH(int, phases);
        QFETCH(int, cycle);
        RingModel model;
        const ProjectFile::OpenResult opened = ProjectFile::open(model, kExample);
        QVERIFY(opened.ok());
        QCOMPARE(opened.ringsRead, 2);
        QCOMPARE(model.ringCount(), 2);
        model.SwitchRing(ring);
        QVERIFY(!TemplatesConflict(model.project()));
        Takts takts;
        takts.bind(model.project(), model.programs());
        QCOMPARE(takts.phaseCount(program), phases);
        QCOMPARE(takts.cycleLength(program), cycle);
    }

    void dayPlanChangesProgram()
    {
        RingModel model;
        QVERIFY(ProjectFile::open(model, kExample).ok());
        const Dayplans::DayPlanView plan(model.project(), 0);
        QVERIFY(plan.isCorrect());
        QSet<int> programs;
        for (int e = 0; e < plan.entryCount(); ++e)
            programs.insert(plan.program(e));
        QCOMPARE(programs, (QSet<int>{0, 1, 2}));
    }
};

QTEST_GUILESS_MAIN(TestExample)
#include "tst_example.moc"
