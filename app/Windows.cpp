#include "app/Windows.h"

#include "app/ProjectForm.h"
#include "app/TForm1.h"
#include "app/TForm9.h"
#include "service/Unit12.h"

void createWindows(TForm1 &main)
{
    auto *settings = new TForm2(main, &main);
    main.attachWindow(TForm1::Window::Settings, settings, [settings] { settings->FormShow(); });
    auto *about = new TForm9(&main);
    main.attachWindow(TForm1::Window::About, about);
    auto *console = new TForm12(main.communic().link(), &main);
    main.attachWindow(TForm1::Window::Console, console);
}
