#include "app/Windows.h"

#include "app/TForm1.h"
#include "app/TForm9.h"

void createWindows(TForm1 &main)
{
    auto *about = new TForm9(&main);
    main.attachWindow(TForm1::Window::About, about);
}
