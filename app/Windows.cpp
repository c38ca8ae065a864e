#include "app/Windows.h"

#include "app/TForm1.h"
#include "app/TForm9.h"
#include "config/Fazas.h"
#include "config/FazasForm.h"
#include "config/GuardForm.h"
#include "config/NaprForm.h"
#include "service/Unit10Form.h"

void createWindows(TForm1 &main)
{
    auto *safety = new TForm7(main.model(), &main);
    main.attachWindow(TForm1::Window::Safety, safety, [safety] { safety->OpenSafetyDialog(); });
    auto *templates = new TForm8(main.model(), &main);
    main.attachWindow(TForm1::Window::Templates, templates,
                      [templates] { templates->OpenTemplatesDialog(); });
    auto *about = new TForm9(&main);
    main.attachWindow(TForm1::Window::About, about);
    auto *controller = new TForm10(&main);
    main.attachWindow(TForm1::Window::Controller, controller);
    auto *directions = new TForm13(main.model(), &main);
    directions->setControllerStatus(
        [controller](const QString &text) { controller->setStatusText(text); });
    main.attachWindow(TForm1::Window::Directions, directions,
                      [directions] { directions->OpenDirectionsDialog(); });
    main.setConsistencyCheck(TemplatesConflict);
}
