// The report window of the whole-project check in the running program: opened from the menu
// and the toolbar, a double-click on a finding opens the editor of its place.
#include "PlantedFaults.h"

#include "app/MainWindow.h"
#include "app/Windows.h"
#include "check/CheckReportWindow.h"
#include "config/DirectionsDialog.h"
#include "config/TemplatesDialog.h"
#include "programs/PhaseEditPanel.h"
#include "programs/ProgramEditor.h"
#include "schedules/DayPlansDialog.h"
#include "schedules/WeekPlansDialog.h"
#include "schedules/YearPlanDialog.h"
#include "support/FakePrompts.h"
#include "support/ShellActions.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using namespace ProjectCheck;

namespace {

using Plant = std::function<void(RingModel &)>;

void startProject(TForm1 &main, const Plant &plant)
{
    makeCleanProject(main.model());
    if (plant)
        plant(main.model());
    main.refreshProgramDisplay();
}

CheckReportWindow *report(TForm1 &main)
{
    return main.findChild<CheckReportWindow *>(QStringLiteral("FormCheck"));
}

void doubleClickRow(CheckReportWindow &window, int row)
{
    QTreeWidget *list = window.list();
    QTreeWidgetItem *item = list->topLevelItem(row);
    QVERIFY(item);
    const QPoint centre = list->visualItemRect(item).center();
    // What a mouse sends: the first click, then the second press as a double-click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre);
}

} // namespace

Q_DECLARE_METATYPE(Plant)
Q_DECLARE_METATYPE(ProjectCheck::Kind)
Q_DECLARE_METATYPE(ProjectCheck::Place)

class TestCheckReport : public QObject
{
    Q_OBJECT
private slots:
    void menuAndToolbarOpenTheReport_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("menu") << true;
        QTest::newRow("toolbar") << false;
    }
    void menuAndToolbarOpenTheReport()
    {
        QFETCH(bool, fromMenu);
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        startProject(main, {});
        if (fromMenu)
            trigger(main, "ActionCheckProject");
        else
            clickTool(main, "ButtonCheckProject");
        CheckReportWindow *window = report(main);
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Проверка проекта"));
        QCOMPARE(window->list()->topLevelItemCount(), 0);
        QVERIFY(window->summaryText().startsWith(QStringLiteral("Замечаний нет")));
    }

    // The list follows the project: an edit applied elsewhere shows up without a new request.
    void reportFollowsEdits()
    {
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        startProject(main, {});
        trigger(main, "ActionCheckProject");
        CheckReportWindow *window = report(main);
        bindDirection(main.model().project(), 1, 0);
        main.model().applyEdit();
        QTRY_COMPARE(window->list()->topLevelItemCount(), 1);
        QCOMPARE(window->list()->topLevelItem(0)->text(1),
                 QStringLiteral("кольцо 1, направление 2"));
        QCOMPARE(window->list()->topLevelItem(0)->text(0), QStringLiteral("Предупреждение"));
        bindDirection(main.model().project(), 1, 2);
        main.model().applyEdit();
        QTRY_COMPARE(window->list()->topLevelItemCount(), 0);
    }

    void doubleClickOpensTheEditor_data()
    {
        QTest::addColumn<Plant>("plant");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Place>("place");
        for (const PlantedFault &f : plantedFaults())
            QTest::newRow(qPrintable(f.name)) << Plant(f.plant) << f.kind << f.place;
    }
    void doubleClickOpensTheEditor()
    {
        QFETCH(Plant, plant);
        QFETCH(Kind, kind);
        QFETCH(Place, place);
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        main.show();
        startProject(main, plant);
        trigger(main, "ActionCheckProject");
        CheckReportWindow *window = report(main);
        QCOMPARE(window->list()->topLevelItemCount(), 1);
        doubleClickRow(*window, 0);

        QCOMPARE(main.model().currentRing(), place.ring);
        switch (kind) {
        case Kind::TramSignal:
        case Kind::OutputTwice:
        case Kind::DirectionWithoutOutput: {
            auto *directions = main.findChild<TForm13 *>();
            QVERIFY(directions->isVisible());
            QCOMPARE(directions->selectedDirection(), place.direction);
            break;
        }
        case Kind::TemplateConflict: {
            auto *templates = main.findChild<TForm8 *>();
            QVERIFY(templates->isVisible());
            QCOMPARE(templates->shownTemplate(), place.templateIndex);
            auto *grid = templates->findChild<QTableWidget *>(QStringLiteral("StringGrid1"));
            QVERIFY(grid->item(0, place.templateIndex + 1)->font().bold());
            // Showing a template toggles nothing.
            QCOMPARE(templates->dialogCopy(), main.model().project());
            break;
        }
        case Kind::DayPlanOrder:
        case Kind::DayPlanEmptyProgram: {
            auto *dayPlans = main.findChild<TForm3 *>();
            QVERIFY(dayPlans->isVisible());
            QCOMPARE(dayPlans->selectedPlan(), place.dayPlan);
            QCOMPARE(dayPlans->selectedEntry(), place.entry);
            auto *grid = dayPlans->findChild<QTableWidget *>(QStringLiteral("StringGrid1"));
            QCOMPARE(grid->currentRow(), place.entry);
            break;
        }
        case Kind::WeekPlanEmptyDayPlan: {
            auto *weekPlans = main.findChild<TForm4 *>();
            QVERIFY(weekPlans->isVisible());
            QCOMPARE(weekPlans->selectedPlan(), place.weekPlan);
            break;
        }
        case Kind::YearUnfilledWeekPlan: {
            auto *yearPlan = main.findChild<TForm5 *>();
            QVERIFY(yearPlan->isVisible());
            auto *grid = yearPlan->findChild<QTableWidget *>(QStringLiteral("StringGrid1"));
            QCOMPARE(grid->currentRow(), place.week);
            break;
        }
        case Kind::PhaseBelowMinimum:
        case Kind::PhaseAboveMaximum: {
            QCOMPARE(main.model().currentProgram(), place.program);
            auto *editor = main.findChild<ProgramEditor *>();
            QVERIFY(editor->editPanel()->isVisible());
            QCOMPARE(editor->editPanel()->phase(), place.phase);
            QCOMPARE(main.findChild<QLabel *>(QStringLiteral("Panel5"))->text(),
                     QString::number(place.phase + 1));
            break;
        }
        case Kind::FileCutRing:
        case Kind::FileChecksum:
            QFAIL("no editor mends a damaged file");
        }
        // The report stays open beside the editor.
        QVERIFY(window->isVisible());
    }

    // An editor with unsaved changes is brought forward as it is, not refilled.
    void openDialogKeepsWhatWasTyped()
    {
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        startProject(main, [](RingModel &m) { bindDirection(m.project(), 1, 0); });
        main.showWindow(TForm1::Window::Directions);
        auto *directions = main.findChild<TForm13 *>();
        directions->ToolButton1Click(); // "+", a vehicle direction, not stored yet
        directions->ButtonTypeOkClick();
        const ProjectBlock typed = directions->dialogCopy();
        QCOMPARE(typed[ProjectLayout::DirectionCount], 3);
        trigger(main, "ActionCheckProject");
        doubleClickRow(*report(main), 0);
        QCOMPARE(directions->selectedDirection(), 1);
        QCOMPARE(directions->dialogCopy(), typed);
    }

    // The picture of the report in the README, made by the program itself: run with
    // VELT_DOCS_DIR set to the docs folder to write it there.
    void screenshotForReadme()
    {
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        startProject(main, [](RingModel &m) {
            for (const PlantedFault &f : plantedFaults())
                if (f.kind != Kind::TramSignal && f.kind != Kind::DirectionWithoutOutput)
                    f.plant(m);
            bindDirection(m.store(1).project, 1, 0);
        });
        trigger(main, "ActionCheckProject");
        CheckReportWindow *window = report(main);
        QVERIFY(window->list()->topLevelItemCount() >= 8);
        window->list()->setCurrentItem(window->list()->topLevelItem(0));
        const QImage image = window->grab().toImage();
        QVERIFY(!image.isNull());
        const QString dir = qEnvironmentVariable("VELT_DOCS_DIR");
        if (!dir.isEmpty())
            QVERIFY(image.save(QDir(dir).filePath(QStringLiteral("check-report.png"))));
    }
};

QTEST_MAIN(TestCheckReport)
#include "tst_checkreport.moc"
