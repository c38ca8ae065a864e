#include "app/Windows.h"

#include <QTimer>

#include "app/AboutBox.h"
#include "app/FindingNavigator.h"
#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "app/ProjectSettingsDialog.h"
#include "app/WindowMemory.h"
#include "check/CheckReportWindow.h"
#include "check/SignalSafety.h"
#include "config/DirectionsDialog.h"
#include "config/SafetyDialog.h"
#include "config/Templates.h"
#include "config/TemplatesDialog.h"
#include "programs/ProgramEditor.h"
#include "programs/ProgramView.h"
#include "programs/SheetActions.h"
#include "schedules/DayPlansDialog.h"
#include "schedules/WeekPlansDialog.h"
#include "schedules/YearPlanDialog.h"
#include "service/ConsoleWindow.h"
#include "service/ControllerWindow.h"

void createWindows(TForm1 &main)
{
    auto *editor = new ProgramEditor(main.model(), main.programControls(), main.scrollBox(),
                                     [&main] { main.refreshProgramDisplay(); });
    main.setProgramDisplayHook([editor] { editor->displayRefresh(); });
    editor->view()->setMarkSource(&SignalSafety::programMarks);
    auto *sheets = new SheetActions(main.model(), &main);
    sheets->addTo(main.fileMenu());
    sheets->setMarkSource(&SignalSafety::programMarks);

    // The other windows, hidden, in start-up order.
    auto *settings = new TForm2(main, &main);
    main.attachWindow(TForm1::Window::Settings, settings, [settings] { settings->FormShow(); });
    auto *dayPlans = new TForm3(main.model(), &main);
    main.attachWindow(TForm1::Window::DayPlans, dayPlans, [dayPlans] { dayPlans->openDialog(); });
    auto *weekPlans = new TForm4(main.model(), &main);
    main.attachWindow(TForm1::Window::WeekPlans, weekPlans,
                      [weekPlans] { weekPlans->openDialog(); });
    auto *yearPlan = new TForm5(main.model(), &main);
    main.attachWindow(TForm1::Window::YearPlan, yearPlan, [yearPlan] { yearPlan->openDialog(); });
    auto *safety = new TForm7(main.model(), &main);
    main.attachWindow(TForm1::Window::Safety, safety, [safety] { safety->openDialog(); });
    auto *templates = new TForm8(main.model(), &main);
    main.attachWindow(TForm1::Window::Templates, templates,
                      [templates] { templates->openDialog(); });
    auto *about = new TForm9(&main);
    main.attachWindow(TForm1::Window::About, about);
    auto *console = new TForm12(main.communic().link(), &main);
    main.attachWindow(TForm1::Window::Console, console);
    auto *controller = new TForm10(main.communic().link(), main.model(), &main);
    QObject::connect(controller, &TForm10::projectReplaced, &main, [&main] {
        main.refreshProgramDisplay();
        main.refreshTitle();
    });
    main.attachWindow(TForm1::Window::Controller, controller);
    QObject::connect(controller, &TForm10::commandLogged, console, &TForm12::appendLog);
    main.setCloseGuard([controller, &main] {
        return controller->mayQuit([&main] { QTimer::singleShot(0, &main, &QWidget::close); });
    });
    auto *directions = new TForm13(main.model(), &main);
    directions->setControllerStatus(
        [controller](const QString &text) { controller->setStatusText(text); });
    main.attachWindow(TForm1::Window::Directions, directions,
                      [directions] { directions->openDialog(); });

    auto *report = new CheckReportWindow(main.model(), &main);
    report->setOpenPlace(FindingNavigator{&main, editor, dayPlans, weekPlans, yearPlan, safety,
                                          templates, directions});
    main.attachWindow(TForm1::Window::Check, report, [report] { report->openReport(); });

    auto *help = new HelpWindow(&main);
    main.attachWindow(TForm1::Window::Help, help);

    for (QWidget *tool :
         std::initializer_list<QWidget *>{settings, controller, console, report, help})
        closeOnEscape(tool);

    main.setConsistencyCheck(TemplatesConflict);
}
