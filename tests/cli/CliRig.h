#pragma once

// What the tests of velt-cli's controller commands share: the tool run in this process (so
// that virtual controllers living in this thread answer it) and projects made to order.
#include "cli/Commands.h"
#include "model/Description.h"
#include "model/ProjectFile.h"
#include "model/RingModel.h"
#include "sim/VirtualController.h"
#include "support/CheckClean.h"
#include "support/SeedFlash.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <memory>

struct CliRun
{
    int status = -1;
    QString out;
    QString err;
};

inline CliRun runInProcess(const QStringList &arguments)
{
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.status = Commands::run(arguments, out, err);
    out.flush();
    err.flush();
    return run;
}

// A new project of `rings` rings whose description tells it apart.
inline std::unique_ptr<RingModel> makeProject(const QString &description, int rings = 1)
{
    auto model = std::make_unique<RingModel>();
    model->NewProjectDefaults();
    model->setRingCount(rings);
    // Rings beyond the first start unwired, which the upload's check would question.
    wireEveryRing(*model);
    for (int r = 0; r < rings; ++r)
        setProjectDescription(model->store(r).project, description);
    model->ReloadRing(0);
    return model;
}

// The project as an upload reads it from its file (the save seals it, the open fixes it up).
inline std::unique_ptr<RingModel> loaded(const QString &path)
{
    auto model = std::make_unique<RingModel>();
    const ProjectFile::OpenResult result = ProjectFile::open(*model, path);
    return result.ok() && result.ringsRead > 0 ? std::move(model) : nullptr;
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The bytes the window's save writes for the model.
inline QByteArray savedImage(RingModel &model, const QString &scratch)
{
    if (ProjectFile::save(model, scratch))
        return {};
    const QByteArray bytes = readAll(scratch);
    QFile::remove(scratch);
    return bytes;
}

// What a download of the project in `path` saves: the rings as the controller holds them
// (sealed for it, the programs checksum copied into the project block), sealed for a file.
inline QByteArray downloadedImage(const QString &path, const QString &scratch)
{
    auto model = loaded(path);
    if (!model)
        return {};
    for (int r = 0; r < model->ringCount(); ++r)
        RingModel::SealForController(model->store(r));
    model->ReloadRing(0);
    return savedImage(*model, scratch);
}

// The controller's flash as an upload of `model` would leave it, written without the wire.
inline void preload(VirtualController &controller, const RingModel &model)
{
    if (seedFlash(controller, model).size() != std::size_t(model.ringCount()))
        qFatal("the controller refused a flash packet");
}

// Whether the controller's flash holds ring `r` of `model` as an upload sends it.
inline bool holds(const VirtualController &controller, const RingModel &model, int r)
{
    RingData ring = model.store(r);
    RingModel::SealForController(ring);
    const auto &project = controller.projectFlash();
    const auto &programs = controller.programsFlash();
    const std::size_t p = std::size_t(r) * ring.project.size();
    const std::size_t q = std::size_t(r) * ring.programs.size();
    return std::equal(ring.project.begin(), ring.project.end(), project.begin() + p) &&
           std::equal(ring.programs.begin(), ring.programs.end(), programs.begin() + q);
}

// Files in `dir` other than the given backups: what an interrupted write would leave.
inline QStringList strayFiles(const QString &dir)
{
    QStringList stray;
    for (const QString &name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        if (!name.endsWith(QLatin1String(".velt")))
            stray << name;
    return stray;
}
