// The report window of the whole-project check in the running program: opened from the menu
// and the toolbar, a double-click on a finding opens the editor of its place.
#include "PlantedFaults.h"

#include "app/MainWindow.h"
#include "app/Windows.h"
#include "check/CheckReportWindow.h"
#include "check/ProjectCheck.h"
#include "config/DirectionsDialog.h"
#include "config/SafetyDialog.h"
#include "config/TemplatesDialog.h"
#include "programs/PhaseEditPanel.h"
#include "programs/ProgramEditor.h"
#include "programs/ProgramView.h"
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
        const std::vector<Finding> findings = run(main.model());
        QCOMPARE(window->list()->topLevelItemCount(), int(findings.size()));
        const auto planted = std::find_if(findings.begin(), findings.end(),
                                          [&](const Finding &f) { return f.kind == kind; });
        QVERIFY(planted != findings.end());
        doubleClickRow(*window, int(planted - findings.begin()));

        QCOMPARE(main.model().currentRing(), place.ring);
        switch (kindInfo(kind).editor) {
        case Editor::Directions: {
            auto *directions = main.findChild<TForm13 *>();
            QVERIFY(directions->isVisible());
            QCOMPARE(directions->selectedDirection(), place.direction);
            break;
        }
        case Editor::Templates: {
            auto *templates = main.findChild<TForm8 *>();
            QVERIFY(templates->isVisible());
            QCOMPARE(templates->shownTemplate(), place.templateIndex);
            auto *grid = templates->findChild<QTableWidget *>(QStringLiteral("StringGrid1"));
            QVERIFY(grid->item(0, place.templateIndex + 1)->font().bold());
            // Showing a template toggles nothing.
            QCOMPARE(templates->dialogCopy(), main.model().project());
            break;
        }
        case Editor::Safety: {
            auto *safety = main.findChild<TForm7 *>();
            QVERIFY(safety->isVisible());
            QCOMPARE(safety->shownPage(),
                     place.direction >= 0 ? TForm7::Page::Flags : TForm7::Page::Intermediate);
            // Showing the matrix toggles no flag.
            QCOMPARE(safety->dialogCopy(), main.model().project());
            break;
        }
        case Editor::DayPlans: {
            auto *dayPlans = main.findChild<TForm3 *>();
            QVERIFY(dayPlans->isVisible());
            QCOMPARE(dayPlans->selectedPlan(), place.dayPlan);
            QCOMPARE(dayPlans->selectedEntry(), place.entry);
            auto *grid = dayPlans->findChild<QTableWidget *>(QStringLiteral("StringGrid1"));
            QCOMPARE(grid->currentRow(), place.entry);
            break;
        }
        case Editor::WeekPlans: {
            auto *weekPlans = main.findChild<TForm4 *>();
            QVERIFY(weekPlans->isVisible());
            QCOMPARE(weekPlans->selectedPlan(), place.weekPlan);
            break;
        }
        case Editor::YearPlan: {
            auto *yearPlan = main.findChild<TForm5 *>();
            QVERIFY(yearPlan->isVisible());
            auto *grid = yearPlan->findChild<QTableWidget *>(QStringLiteral("StringGrid1"));
            QCOMPARE(grid->currentRow(), place.week);
            break;
        }
        case Editor::Program: {
            QCOMPARE(main.model().currentProgram(), place.program);
            auto *editor = main.findChild<ProgramEditor *>();
            QVERIFY(editor->editPanel()->isVisible());
            QCOMPARE(editor->editPanel()->phase(), place.phase);
            QCOMPARE(main.findChild<QLabel *>(QStringLiteral("Panel5"))->text(),
                     QString::number(place.phase + 1));
            break;
        }
        case Editor::None:
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

    // A violation is marked where it happens, on both rows, as soon as an edit makes it, and
    // the mark goes when the edit is undone. The picture in docs/ is made here.
    void diagramMarksTheViolation()
    {
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        main.resize(900, 300);
        main.show();
        startProject(main, {});
        ProgramView *view = main.findChild<ProgramEditor *>()->view();
        QVERIFY(view->diagram().marks.empty());
        std::vector<PlantedFault> faults;
        addSignalFaults(faults);
        faults[4].plant(main.model()); // early green of direction 2 against the flag 2-1 only
        main.model().applyEdit();
        const auto &marks = view->diagram().marks;
        QCOMPARE(marks.size(), std::size_t(2));
        QCOMPARE(marks[0].direction + marks[1].direction, 1);
        for (const Diagram::Mark &m : marks) {
            const QString hint = Diagram::hintAt(view->diagram(), m.rect.center());
            QVERIFY2(hint.contains(QStringLiteral("направления 1 и 2")) &&
                         hint.contains(QStringLiteral("1 c")) &&
                         hint.contains(QStringLiteral("время конфликта 3 c")),
                     qPrintable(hint));
            // The frame stands over the bars of its own row.
            const Diagram::Label &label = view->diagram().labels[std::size_t(m.direction)];
            QVERIFY(m.rect.top() < label.rect.top() && m.rect.bottom() > label.rect.bottom());
        }
        const QString dir = qEnvironmentVariable("VELT_DOCS_DIR");
        if (!dir.isEmpty()) {
            for (int i = 0; i < 4; ++i)
                view->zoomIn();
            QCOMPARE(view->diagram().marks.size(), std::size_t(2));
            const QImage image = view->grab().toImage();
            QVERIFY(image.save(QDir(dir).filePath(QStringLiteral("signal-safety-mark.png"))));
        }
        setAddition(main.model().programs(), 0, 1, 1, PhaseLayout::EarlyGreen, 0);
        main.model().applyEdit();
        QVERIFY(view->diagram().marks.empty());
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
