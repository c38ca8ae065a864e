#include "cli/LoadedProject.h"

#include "model/ProjectFile.h"
#include "model/RingModel.h"

LoadedProject LoadedProject::load(const QString &path)
{
    LoadedProject project;
    RingModel model;
    const ProjectFile::OpenResult result = ProjectFile::open(model, path);
    if (!result.ok()) {
        project.error = result.error;
        return project;
    }
    if (result.ringsRead == 0) {
        project.error =
            QStringLiteral("Файл \"%1\" не является проектом ДК: в нем нет ни одного кольца")
                .arg(path);
        return project;
    }
    for (int r = 0; r < model.ringCount(); ++r)
        project.rings.push_back(model.store(r));
    project.damage = model.fileDamage();
    return project;
}
