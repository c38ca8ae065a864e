#include "app/Windows.h"

#include "app/TForm1.h"
#include "app/TForm9.h"
#include "programs/ProgramEditor.h"

void createWindows(TForm1 &main)
{
    auto *editor = new ProgramEditor(main.model(), main, main.scrollBox(),
                                     [&main] { main.RefreshProgramDisplay(); });
    main.setProgramDisplayHook([editor] { editor->displayRefresh(); });

    auto *about = new TForm9(&main);
    main.attachWindow(TForm1::Window::About, about);
}
