#include "app/FindingNavigator.h"

#include "app/MainWindow.h"
#include "config/Directions.h"
#include "config/DirectionsDialog.h"
#include "config/SafetyDialog.h"
#include "config/TemplatesDialog.h"
#include "programs/ProgramEditor.h"
#include "schedules/DayPlansDialog.h"
#include "schedules/WeekPlansDialog.h"
#include "schedules/YearPlanDialog.h"

using ProjectCheck::Editor;

namespace {

// An open dialog keeps what the user typed into it and is only brought forward; a hidden one
// opens on a fresh copy, as from the menu.
void bring(TForm1 &main, TForm1::Window which, QWidget *window)
{
    if (window->isVisible()) {
        window->raise();
        window->activateWindow();
    } else {
        main.showWindow(which);
    }
}

// The direction to show for a finding; a tram signal's lower signal is shown from its first
// direction.
int directionOf(const ProjectBlock &project, const ProjectCheck::Place &place)
{
    if (place.direction >= 0)
        return place.direction;
    for (int d = 0; d < Napr::directionCount(project); ++d)
        if (Napr::tramSignalNumber(project, d) == place.tramSignal + 1)
            return d;
    return 0;
}

} // namespace

void FindingNavigator::operator()(const ProjectCheck::Finding &finding) const
{
    const ProjectCheck::Place &place = finding.place;
    if (place.ring != main->model().currentRing())
        main->ComboBox2Change(place.ring);
    switch (ProjectCheck::kindInfo(finding.kind).editor) {
    case Editor::Directions:
        bring(*main, TForm1::Window::Directions, directions);
        directions->ListBox1Click(directionOf(main->model().project(), place));
        break;
    case Editor::Templates:
        bring(*main, TForm1::Window::Templates, templates);
        templates->showTemplate(place.templateIndex);
        break;
    case Editor::Safety:
        bring(*main, TForm1::Window::Safety, safety);
        // A matrix finding names its cells; the transition times are on their own page.
        safety->showPage(place.direction >= 0 ? TForm7::Page::Flags : TForm7::Page::Intermediate);
        break;
    case Editor::DayPlans:
        bring(*main, TForm1::Window::DayPlans, dayPlans);
        dayPlans->showEntry(place.dayPlan, place.entry);
        break;
    case Editor::WeekPlans:
        bring(*main, TForm1::Window::WeekPlans, weekPlans);
        weekPlans->showDay(place.weekPlan, place.day);
        break;
    case Editor::YearPlan:
        bring(*main, TForm1::Window::YearPlan, yearPlan);
        yearPlan->showWeek(place.week);
        break;
    case Editor::Program:
        main->ComboBoxProgsChange(place.program);
        editor->openPhase(place.phase);
        main->raise();
        main->activateWindow();
        break;
    case Editor::None:
        // A damaged file is mended by opening a good one, not in any window.
        break;
    }
}
