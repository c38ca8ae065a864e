#include "app/ProjectSettings.h"
#include "model/ByteIO.h"
#include "model/Description.h"
#include "model/DialogCopy.h"
#include "model/ProjectHistory.h"
#include "support/SealedImage.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace PL = ProjectLayout;
namespace FL = PhaseLayout;

using Change = std::function<void(RingModel &)>;
Q_DECLARE_METATYPE(Change)

namespace {

void setMainTime(RingModel &model, int program, int phase, int seconds)
{
    writeU16(model.programs(), phaseOffset(program, phase) + FL::MainTime,
             static_cast<std::uint16_t>(seconds));
}

} // namespace

class TestProjectHistory : public QObject
{
    Q_OBJECT
private slots:
    // Each kind of applied change is one step that undo takes back to the exact bytes and the
    // same ring count and ring, and redo replays.
    void everyKindOfChangeIsOneStep_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("text");
        QTest::newRow("dialog store") << Change([](RingModel &m) {
            DialogCopy copy(m);
            copy.setStepName(QStringLiteral("сохранение окна «Годовой план»"));
            copy.block()[PL::YearPlan + 3] = 5;
            copy.block()[PL::Description] = 'x'; // outside the stored range
            copy.store(PL::YearPlan, YearWeeks);
        }) << "сохранение окна «Годовой план»";
        QTest::newRow("program edit") << Change([](RingModel &m) {
            setMainTime(m, 2, 1, 44);
            m.applyEdit(QStringLiteral("изменение фазы 2"));
        }) << "изменение фазы 2";
        QTest::newRow("settings apply") << Change([](RingModel &m) {
            ProjectSettingsValues values = readProjectSettings(m);
            values.ringCount = 3;
            values.description = QStringLiteral("Перекрёсток");
            values.sync[2] = true;
            applyProjectSettings(m, values);
        }) << "изменение настроек проекта";
        QTest::newRow("download") << Change([](RingModel &m) {
            for (int r = 0; r < 2; ++r)
                m.store(r).programs[programOffset(5) + ProgramLayout::PhaseCount] = 7;
            m.setRingCount(2);
            m.ReloadRing(0);
            m.recordStep(QStringLiteral("выгрузка проекта из ДК"));
        }) << "выгрузка проекта из ДК";
        QTest::newRow("unnamed edit") << Change([](RingModel &m) {
            m.project()[PL::MinGreen] = 9;
            m.applyEdit();
        }) << "изменение проекта";
    }
    void everyKindOfChangeIsOneStep()
    {
        QFETCH(Change, change);
        QFETCH(QString, text);
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        model.SwitchRing(1); // edits of ring 2 not yet in its store
        model.SelectProgram(2);
        model.project()[PL::ReservedByte] = 13;
        ProjectHistory history(model);
        const QByteArray before = sealedImage(model);

        change(model);
        const QByteArray after = sealedImage(model);
        const int ringsAfter = model.ringCount();
        QVERIFY(after != before);
        QCOMPARE(history.stack().count(), 1);
        QCOMPARE(history.stack().undoText(), text);

        QSignalSpy restored(&history, &ProjectHistory::restored);
        history.undo();
        QCOMPARE(restored.count(), 1);
        QCOMPARE(model.ringCount(), 2);
        QCOMPARE(model.currentRing(), 1);
        QCOMPARE(model.currentProgram(), 2);
        QVERIFY(sealedImage(model) == before);
        QCOMPARE(int(model.project()[PL::ReservedByte]), 13);

        history.redo();
        QCOMPARE(model.ringCount(), ringsAfter);
        QVERIFY(sealedImage(model) == after);
    }

    // Several steps with ring switches and program changes between them: each undo gives the
    // project exactly as it was before that step, on the ring and program where it was made.
    void navigationIsNoStepButIsRestored()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        ProjectHistory history(model);
        QByteArray images[3];
        model.SelectProgram(3);
        images[0] = sealedImage(model);

        setMainTime(model, 3, 0, 21);
        model.applyEdit(QStringLiteral("изменение фазы 1"));
        images[1] = sealedImage(model);
        model.SwitchRing(1);
        model.SelectProgram(7);
        const QByteArray beforeSecond = sealedImage(model);
        QCOMPARE(history.stack().count(), 1);
        setMainTime(model, 7, 1, 33);
        model.applyEdit(QStringLiteral("изменение фазы 2"));
        images[2] = sealedImage(model);
        model.SwitchRing(0);
        model.SelectProgram(0);
        QCOMPARE(history.stack().count(), 2);

        history.undo();
        QCOMPARE(model.currentRing(), 1);
        QCOMPARE(model.currentProgram(), 7);
        QCOMPARE(readU16(model.programs(), phaseOffset(7, 1) + FL::MainTime), 10);
        QVERIFY(sealedImage(model) == beforeSecond);
        history.undo();
        QCOMPARE(model.currentRing(), 0);
        QCOMPARE(model.currentProgram(), 3);
        QCOMPARE(readU16(model.programs(), phaseOffset(3, 0) + FL::MainTime), 10);
        QCOMPARE(readU16(model.store(1).programs, phaseOffset(7, 1) + FL::MainTime), 10);
        QVERIFY(!history.stack().canUndo());
        QVERIFY(sealedImage(model) == images[0]);

        history.redo();
        QVERIFY(sealedImage(model) == images[1]);
        history.redo();
        QCOMPARE(model.currentRing(), 1);
        QCOMPARE(model.currentProgram(), 7);
        QVERIFY(sealedImage(model) == images[2]);
    }

    void storeWithoutChangeIsNoStep()
    {
        RingModel model;
        model.NewProjectDefaults();
        ProjectHistory history(model);
        DialogCopy copy(model);
        copy.store(PL::DayPlans, 100);
        QCOMPARE(history.stack().count(), 0);
        // The flag still says a dialog stored, as it always did.
        QVERIFY(model.modified());
    }

    void modifiedFollowsTheSavedStep()
    {
        RingModel model;
        model.NewProjectDefaults();
        ProjectHistory history(model);
        for (int i = 1; i <= 3; ++i) {
            setMainTime(model, 0, 0, 10 + i);
            model.applyEdit();
        }
        model.setModified(false); // what a save does after writing the file
        QVERIFY(history.stack().isClean());
        history.undo();
        QVERIFY(model.modified());
        history.undo();
        QVERIFY(model.modified());
        history.redo();
        history.redo();
        QVERIFY(!model.modified());
        history.redo(); // nothing to redo
        QVERIFY(!model.modified());

        // A new step after undoing past the save: the saved state is out of reach.
        history.undo();
        setMainTime(model, 0, 1, 55);
        model.applyEdit();
        QVERIFY(model.modified());
        history.undo();
        QVERIFY(model.modified());

        // Undoing every step of a project never saved clears the flag: nothing is lost.
        RingModel fresh;
        fresh.NewProjectDefaults();
        ProjectHistory freshHistory(fresh);
        fresh.project()[PL::Yellow] = 4;
        fresh.applyEdit();
        QVERIFY(fresh.modified());
        freshHistory.undo();
        QVERIFY(!fresh.modified());
    }

    void clearKeepsAPendingFlag_data()
    {
        QTest::addColumn<bool>("pending");
        QTest::newRow("saved project") << false;
        QTest::newRow("unsaved edits") << true;
    }
    void clearKeepsAPendingFlag()
    {
        QFETCH(bool, pending);
        RingModel model;
        model.NewProjectDefaults();
        ProjectHistory history(model);
        model.project()[PL::Yellow] = 4;
        model.applyEdit();
        model.setModified(pending);
        model.NewProjectDefaults();
        history.clear();
        QVERIFY(!history.stack().canUndo());
        QCOMPARE(model.modified(), pending);
        model.project()[PL::Yellow] = 5;
        model.applyEdit();
        history.undo();
        QCOMPARE(model.modified(), pending);
        QCOMPARE(int(model.project()[PL::Yellow]), 3);
    }

    void limitKeepsTheLatestSteps()
    {
        RingModel model;
        model.NewProjectDefaults();
        ProjectHistory history(model);
        const int extra = 5;
        QByteArray afterExtra;
        for (int i = 1; i <= ProjectHistory::Limit + extra; ++i) {
            setMainTime(model, i % MaxPrograms, 0, 100 + i);
            model.applyEdit(QStringLiteral("шаг %1").arg(i));
            if (i == extra)
                afterExtra = sealedImage(model);
        }
        QCOMPARE(history.stack().count(), 200);
        int undone = 0;
        while (history.stack().canUndo()) {
            history.undo();
            ++undone;
        }
        QCOMPARE(undone, 200);
        QVERIFY(sealedImage(model) == afterExtra);
        QCOMPARE(history.stack().redoText(), QStringLiteral("шаг %1").arg(extra + 1));
        QVERIFY(model.modified()); // the first steps are gone, so is the way back to clean
    }

    // A step keeps only the blocks it changed; the others are shared with the step before.
    void unchangedBlocksAreShared()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        const ProjectSnapshot first = ProjectSnapshot::take(model);
        setMainTime(model, 1, 1, 77);
        const ProjectSnapshot second = ProjectSnapshot::take(model, first);
        QVERIFY(second.programs[0] != first.programs[0]);
        QVERIFY(second.project[0] == first.project[0]);
        for (int r = 1; r < MaxRings; ++r) {
            QVERIFY(second.programs[r] == first.programs[r]);
            QVERIFY(second.project[r] == first.project[r]);
        }
        QVERIFY(second.contentDiffers(first));
        QVERIFY(!ProjectSnapshot::take(model, second).contentDiffers(second));
    }
};

QTEST_GUILESS_MAIN(TestProjectHistory)
#include "tst_projecthistory.moc"
