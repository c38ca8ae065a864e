#include "cli/FleetCommon.h"
#include "cli/FleetProgress.h"
#include "cli/FleetRun.h"
#include "cli/JsonOutput.h"
#include "cli/LinkCommands.h"
#include "cli/LinkOptions.h"
#include "cli/ProgressLine.h"
#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

QString oneLine(const QString &message)
{
    QStringList parts = message.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &part : parts)
        part = part.trimmed();
    parts.removeAll(QString());
    return parts.join(QStringLiteral("; "));
}

void printEachResult(CliContext &context, FleetRun &run, ProgressLine &progress, int nameWidth,
                     const QString &failed)
{
    QObject::connect(&run, &FleetRun::controllerFinished, &run,
                     [&context, &run, &progress, failed, nameWidth](int index) {
                         if (context.json)
                             return;
                         const FleetRun::Result &r = run.results()[index];
                         progress.clear();
                         context.out << r.name.leftJustified(nameWidth) << "  "
                                     << r.address.leftJustified(21) << "  "
                                     << (r.ok ? QStringLiteral("OK") : failed).leftJustified(8)
                                     << oneLine(r.message) << '\n';
                         context.out.flush();
                     });
}

std::optional<FleetRun::Options> fleetOptions(CliContext &context, FleetRun::Mode mode)
{
    for (const QString &single : {QStringLiteral("--to"), QStringLiteral("--serial")}) {
        if (context.has(single)) {
            context.err << single << " не сочетается с --fleet\n";
            return std::nullopt;
        }
    }
    const auto jobs = LinkOptions::jobCount(context);
    const auto rounds = LinkOptions::waitRounds(context);
    if (!jobs || !rounds)
        return std::nullopt;
    FleetRun::Options options;
    options.mode = mode;
    options.jobs = *jobs;
    options.udpWaitRounds = *rounds;
    options.verify = !context.has(LinkOptions::noVerify().name);
    options.oneRing = context.has(LinkOptions::oneRing().name);
    options.acceptWarnings = context.has(LinkOptions::acceptWarnings().name);
    options.allowFewerRings = context.has(LinkOptions::allowFewerRings().name);
    return options;
}

std::optional<FleetList> loadList(CliContext &context)
{
    const QString path = context.value(LinkOptions::fleet().name);
    FleetList list = FleetList::load(path);
    if (list.ok())
        return list;
    for (const QString &error : list.errors)
        context.err << path << ": " << error << '\n';
    return std::nullopt;
}

namespace {

const QString kOutput = QStringLiteral("--output");

QString summary(const FleetRun &run, FleetRun::Mode mode)
{
    QString text = QStringLiteral("Итого: ДК %1, успешно %2, с ошибкой %3")
                       .arg(run.total())
                       .arg(run.total() - run.failed())
                       .arg(run.failed());
    if (mode == FleetRun::Mode::Backup) {
        const auto count = [&](BackupFile::Result kind) {
            return std::count_if(
                run.results().cbegin(), run.results().cend(),
                [&](const FleetRun::Result &r) { return r.ok && r.backup == kind; });
        };
        text += QStringLiteral(" (записано %1, без изменений %2)")
                    .arg(count(BackupFile::Result::Written))
                    .arg(count(BackupFile::Result::Unchanged));
    }
    QStringList failed;
    for (const FleetRun::Result &result : run.results())
        if (!result.ok)
            failed << result.name;
    if (!failed.isEmpty())
        text += QStringLiteral(". Не выполнено: ") + failed.join(QStringLiteral(", "));
    return text;
}

int execute(const FleetList &list, const FleetRun::Options &options, CliContext &context)
{
    FleetRun run(list, options);
    int width = 0;
    for (const FleetList::Controller &c : list.controllers)
        width = std::max(width, int(c.name.size()));
    ProgressLine progress(context.err);
    const QString doing = options.mode == FleetRun::Mode::Backup ? QStringLiteral("Выгрузка")
                                                                 : QStringLiteral("Загрузка");
    FleetProgress shown(run, progress, doing);
    printEachResult(context, run, progress, width, QStringLiteral("ОШИБКА"));
    QCoro::waitFor(run.run());
    progress.clear();

    if (context.json) {
        QJsonArray results;
        for (const FleetRun::Result &r : run.results()) {
            QJsonObject object{{QStringLiteral("name"), r.name},
                               {QStringLiteral("address"), r.address},
                               {QStringLiteral("ok"), r.ok},
                               {QStringLiteral("message"), r.message}};
            if (!r.file.isEmpty())
                object.insert(QStringLiteral("file"), r.file);
            // The window's status log tells where a failed transfer stopped.
            if (!r.ok)
                object.insert(QStringLiteral("log"), QJsonArray::fromStringList(r.log));
            if (options.mode == FleetRun::Mode::Backup && r.ok)
                object.insert(QStringLiteral("changed"), r.backup == BackupFile::Result::Written);
            results.append(object);
        }
        writeJson(context.out, QJsonObject{{QStringLiteral("results"), results},
                                           {QStringLiteral("total"), run.total()},
                                           {QStringLiteral("failed"), run.failed()}});
    } else {
        context.out << summary(run, options.mode) << '\n';
    }
    return run.failed() == 0 ? ExitCode::Clean : ExitCode::Findings;
}

} // namespace

int runBackup(const QStringList &, CliContext &context)
{
    if (!context.has(LinkOptions::fleet().name) || !context.has(kOutput)) {
        context.err << "Нужны --fleet СПИСОК и -o КАТАЛОГ\n";
        return ExitCode::Failure;
    }
    auto options = fleetOptions(context, FleetRun::Mode::Backup);
    const auto list = loadList(context);
    if (!options || !list)
        return ExitCode::Failure;
    options->directory = context.value(kOutput);
    if (!QDir().mkpath(options->directory)) {
        context.err << "Не удалось создать каталог \"" << options->directory << "\"\n";
        return ExitCode::Failure;
    }
    return execute(*list, *options, context);
}

int runFleetUpload(const QStringList &files, CliContext &context)
{
    if (context.has(kOutput)) {
        context.err << "-o не нужен для загрузки\n";
        return ExitCode::Failure;
    }
    auto options = fleetOptions(context, FleetRun::Mode::Upload);
    const auto list = loadList(context);
    if (!options || !list)
        return ExitCode::Failure;
    // Every file is read once before any controller is touched: a planned change either
    // starts with all its files good or not at all.
    for (const QString &file : files) {
        RingModel model;
        const ProjectFile::OpenResult opened = ProjectFile::open(model, file);
        if (!opened.ok() || opened.ringsRead == 0) {
            context.err << (opened.ok() ? QStringLiteral("Файл \"%1\" не является проектом ДК: в "
                                                         "нем нет ни одного кольца")
                                              .arg(file)
                                        : opened.error)
                        << '\n';
            return ExitCode::Failure;
        }
    }
    // Two files for one controller: which of them was meant cannot be told.
    if (files.size() > 1) {
        QHash<QString, QString> byName;
        for (const QString &file : files) {
            const QString name = QFileInfo(file).completeBaseName();
            const auto other = byName.constFind(name);
            const QString same = QFileInfo(file).canonicalFilePath();
            if (other != byName.cend() &&
                (same.isEmpty() || QFileInfo(*other).canonicalFilePath() != same)) {
                context.err << "Для ДК " << FleetList::shown(name) << " несколько файлов: \""
                            << FleetList::shown(*other) << "\" и \"" << FleetList::shown(file)
                            << "\"\n";
                return ExitCode::Failure;
            }
            byName.insert(name, file);
        }
    }
    bool missing = false;
    for (const FleetList::Controller &controller : list->controllers) {
        if (files.size() == 1) {
            options->files.insert(controller.name, files.first());
            continue;
        }
        const auto file = std::find_if(files.cbegin(), files.cend(), [&](const QString &f) {
            return QFileInfo(f).completeBaseName() == controller.name;
        });
        if (file == files.cend()) {
            context.err << "Для ДК " << controller.name << " нет файла " << controller.name
                        << ".velt\n";
            missing = true;
        } else {
            options->files.insert(controller.name, *file);
        }
    }
    if (missing)
        return ExitCode::Failure;
    return execute(*list, *options, context);
}
