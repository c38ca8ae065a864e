#include "app/Windows.h"

#include "app/TForm1.h"
#include "app/TForm9.h"
#include "programs/ProgramEditor.h"
#include "schedules/DayplansForm.h"
#include "schedules/WeeksplansForm.h"
#include "schedules/YearForm.h"

void createWindows(TForm1 &main)
{
    auto *editor = new ProgramEditor(main.model(), main, main.scrollBox(),
                                     [&main] { main.RefreshProgramDisplay(); });
    main.setProgramDisplayHook([editor] { editor->displayRefresh(); });

    auto *dayPlans = new TForm3(main.model(), &main);
    main.attachWindow(TForm1::Window::DayPlans, dayPlans, [dayPlans] { dayPlans->openDialog(); });
    auto *weekPlans = new TForm4(main.model(), &main);
    main.attachWindow(TForm1::Window::WeekPlans, weekPlans,
                      [weekPlans] { weekPlans->openDialog(); });
    auto *yearPlan = new TForm5(main.model(), &main);
    main.attachWindow(TForm1::Window::YearPlan, yearPlan, [yearPlan] { yearPlan->openDialog(); });

    auto *about = new TForm9(&main);
    main.attachWindow(TForm1::Window::About, about);
}
