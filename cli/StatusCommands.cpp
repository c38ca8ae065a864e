#include "cli/StatusCommands.h"

#include "cli/FleetCommon.h"
#include "cli/FleetProgress.h"
#include "cli/FleetStatus.h"
#include "cli/JsonOutput.h"
#include "cli/LinkOptions.h"
#include "cli/PrometheusText.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

const QString kArchive = QStringLiteral("--archive");
const QString kPrometheus = QStringLiteral("--prometheus");
const QString kSync = QStringLiteral("--sync");

CliOption archiveOption()
{
    return {kArchive,
            QStringLiteral("КАТАЛОГ"),
            QStringLiteral("сравнить проект каждого ДК с копией КАТАЛОГ/имя.velt (быстро, по "
                           "контрольным суммам)"),
            {}};
}

CliOption prometheusOption()
{
    return {kPrometheus,
            QStringLiteral("ФАЙЛ"),
            QStringLiteral("записать метрики для Prometheus (textfile collector node_exporter)"),
            {}};
}

// Runs the job on every controller of --fleet with the progress line; nothing after an error
// message.
std::unique_ptr<FleetRun> runFleet(CliContext &context, FleetRun::Job job, const QString &doing)
{
    auto options = fleetOptions(context, FleetRun::Mode::Custom);
    const auto list = loadList(context);
    if (!options || !list)
        return nullptr;
    options->job = std::move(job);
    auto run = std::make_unique<FleetRun>(*list, *options);
    ProgressLine progress(context.err);
    FleetProgress shown(*run, progress, doing);
    QCoro::waitFor(run->run());
    progress.clear();
    return run;
}

QString ringText(const QJsonObject &ring)
{
    const QString mode = ring.value(QStringLiteral("mode")).toString();
    const int phase = ring.value(QStringLiteral("phase")).toInt();
    if (mode.isEmpty())
        return QStringLiteral("нет ответа");
    if (mode == QLatin1String("program"))
        return QStringLiteral("программа %1, фаза %2")
            .arg(ring.value(QStringLiteral("program")).toInt())
            .arg(phase);
    if (mode == QLatin1String("single-phase"))
        return QStringLiteral("фаза %1").arg(phase);
    static const QHash<QString, QString> names{
        {QStringLiteral("yellow-flashing"), QStringLiteral("ЖМ")},
        {QStringLiteral("dark"), QStringLiteral("ОС")},
        {QStringLiteral("all-red"), QStringLiteral("КК")},
        {QStringLiteral("test"), QStringLiteral("тест")},
        {QStringLiteral("alarm"), QStringLiteral("АВАРИЯ")}};
    return names.value(mode, QStringLiteral("?"));
}

QString offsetText(const QJsonValue &offset)
{
    if (!offset.isDouble())
        return QStringLiteral("-");
    const qint64 seconds = qint64(offset.toDouble());
    return (seconds > 0 ? QStringLiteral("+") : QString()) + QString::number(seconds) +
           QStringLiteral(" с");
}

void table(const FleetRun &run, QTextStream &out, bool archive)
{
    QList<QStringList> rows;
    QStringList head{QStringLiteral("ДК"), QStringLiteral("адрес"), QStringLiteral("связь"),
                     QStringLiteral("версия"), QStringLiteral("часы")};
    if (archive)
        head << QStringLiteral("копия");
    head << QStringLiteral("кольца");
    rows << head;
    for (const FleetRun::Result &r : run.results()) {
        const QJsonObject &d = r.data;
        const bool up = d.value(QStringLiteral("up")).toBool();
        QStringList row{r.name, r.address, up ? QStringLiteral("да") : QStringLiteral("НЕТ"),
                        d.value(QStringLiteral("version")).toString(QStringLiteral("-")),
                        offsetText(d.value(QStringLiteral("clockOffsetSeconds")))};
        if (row[3].isEmpty())
            row[3] = up ? QStringLiteral("без колец") : QStringLiteral("-");
        if (archive) {
            const QJsonValue match = d.value(QStringLiteral("matchesArchive"));
            row << (match.isBool() ? (match.toBool() ? QStringLiteral("совпадает")
                                                     : QStringLiteral("ОТЛИЧАЕТСЯ"))
                                   : QStringLiteral("-"));
        }
        QStringList rings;
        for (const QJsonValue &ring : d.value(QStringLiteral("rings")).toArray())
            rings << QStringLiteral("%1: %2")
                         .arg(ring.toObject().value(QStringLiteral("ring")).toInt())
                         .arg(ringText(ring.toObject()));
        row << (rings.isEmpty() ? QStringLiteral("-") : rings.join(QStringLiteral("; ")));
        rows << row;
    }
    QList<int> widths(head.size(), 0);
    for (const QStringList &row : rows)
        for (int c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], int(row[c].size()));
    for (const QStringList &row : rows) {
        QString line;
        for (int c = 0; c < row.size(); ++c)
            line += c + 1 < row.size() ? row[c].leftJustified(widths[c] + 2) : row[c];
        out << line << '\n';
    }
}

QString prometheus(const FleetRun &run, bool archive)
{
    PrometheusText text;
    const auto label = [](const FleetRun::Result &r) {
        return PrometheusText::Labels{{QStringLiteral("controller"), r.name}};
    };
    text.family(QStringLiteral("velt_controller_up"),
                QStringLiteral("1 when the controller answered"));
    for (const FleetRun::Result &r : run.results())
        text.sample(QStringLiteral("velt_controller_up"), label(r),
                    r.data.value(QStringLiteral("up")).toBool() ? 1 : 0);
    text.family(QStringLiteral("velt_controller_info"),
                QStringLiteral("Address and firmware version of the controller"));
    for (const FleetRun::Result &r : run.results())
        text.sample(
            QStringLiteral("velt_controller_info"),
            {{QStringLiteral("controller"), r.name},
             {QStringLiteral("address"), r.address},
             {QStringLiteral("version"), r.data.value(QStringLiteral("version")).toString()}},
            1);
    text.family(QStringLiteral("velt_controller_rings"),
                QStringLiteral("Rings the controller holds"));
    for (const FleetRun::Result &r : run.results())
        if (r.data.value(QStringLiteral("up")).toBool())
            text.sample(QStringLiteral("velt_controller_rings"), label(r),
                        r.data.value(QStringLiteral("ringsHeld")).toInt());
    text.family(QStringLiteral("velt_controller_mode"),
                QStringLiteral("1 for the mode each ring is in: ") +
                    FleetStatus::modes().join(QStringLiteral(", ")));
    for (const FleetRun::Result &r : run.results()) {
        for (const QJsonValue &value : r.data.value(QStringLiteral("rings")).toArray()) {
            const QJsonObject ring = value.toObject();
            if (!ring.contains(QStringLiteral("mode")))
                continue;
            const QString ringNumber = QString::number(ring.value(QStringLiteral("ring")).toInt());
            for (const QString &mode : FleetStatus::modes())
                text.sample(QStringLiteral("velt_controller_mode"),
                            {{QStringLiteral("controller"), r.name},
                             {QStringLiteral("ring"), ringNumber},
                             {QStringLiteral("mode"), mode}},
                            ring.value(QStringLiteral("mode")).toString() == mode ? 1 : 0);
        }
    }
    for (const auto &[metric, key, help] :
         {std::tuple{QStringLiteral("velt_ring_program"), QStringLiteral("program"),
                     QStringLiteral("Program the ring runs, from 1")},
          std::tuple{QStringLiteral("velt_ring_phase"), QStringLiteral("phase"),
                     QStringLiteral("Phase the ring shows, from 1")}}) {
        text.family(metric, help);
        for (const FleetRun::Result &r : run.results())
            for (const QJsonValue &value : r.data.value(QStringLiteral("rings")).toArray())
                if (value.toObject().contains(key))
                    text.sample(
                        metric,
                        {{QStringLiteral("controller"), r.name},
                         {QStringLiteral("ring"),
                          QString::number(value.toObject().value(QStringLiteral("ring")).toInt())}},
                        value.toObject().value(key).toInt());
    }
    text.family(QStringLiteral("velt_clock_offset_seconds"),
                QStringLiteral("Controller clock minus host clock, seconds"));
    for (const FleetRun::Result &r : run.results())
        if (r.data.value(QStringLiteral("clockOffsetSeconds")).isDouble())
            text.sample(QStringLiteral("velt_clock_offset_seconds"), label(r),
                        r.data.value(QStringLiteral("clockOffsetSeconds")).toDouble());
    if (archive) {
        text.family(QStringLiteral("velt_project_matches_archive"),
                    QStringLiteral("1 when the checksum words of every ring match the archive "
                                   "copy (not a proof that the flash behind them is intact)"));
        for (const FleetRun::Result &r : run.results())
            if (r.data.value(QStringLiteral("matchesArchive")).isBool())
                text.sample(QStringLiteral("velt_project_matches_archive"), label(r),
                            r.data.value(QStringLiteral("matchesArchive")).toBool() ? 1 : 0);
    }
    text.family(QStringLiteral("velt_status_time_seconds"),
                QStringLiteral("When velt-cli status finished, seconds since the epoch"));
    text.sample(QStringLiteral("velt_status_time_seconds"), {},
                double(QDateTime::currentSecsSinceEpoch()));
    return text.text();
}

QJsonArray jsonResults(const FleetRun &run)
{
    QJsonArray results;
    for (const FleetRun::Result &r : run.results()) {
        QJsonObject object = r.data;
        object.insert(QStringLiteral("name"), r.name);
        object.insert(QStringLiteral("address"), r.address);
        object.insert(QStringLiteral("ok"), r.ok);
        if (!r.message.isEmpty())
            object.insert(QStringLiteral("message"), r.message);
        results.append(object);
    }
    return results;
}

QStringList namesWhere(const FleetRun &run, const std::function<bool(const QJsonObject &)> &test)
{
    QStringList names;
    for (const FleetRun::Result &r : run.results())
        if (test(r.data))
            names << r.name;
    return names;
}

} // namespace

CliCommand statusCommand()
{
    return {QStringLiteral("status"),
            QStringLiteral("--fleet СПИСОК"),
            0,
            QStringLiteral("состояние всех ДК списка: связь, версия, режим колец, часы"),
            QStringLiteral(
                "Спрашивает каждый ДК списка по UDP: \"get ver\", сколько колец он хранит\n"
                "(первый пакет блока проекта каждого кольца), \"get state\" каждого кольца и\n"
                "часы, которые сравниваются с часами этого компьютера. Режим кольца:\n"
                "программа, отдельная фаза, ЖМ, ОС, КК, тест или АВАРИЯ.\n"
                "--prometheus ФАЙЛ записывает метрики velt_controller_up, velt_controller_mode,\n"
                "velt_clock_offset_seconds, velt_project_matches_archive (с --archive) и другие\n"
                "с меткой controller; файл заменяется целиком, атомарно.\n"
                "Код выхода: 0 - все ДК ответили (и совпали с копиями), 1 - нет.\n"),
            &runStatus,
            {LinkOptions::fleet(), archiveOption(), prometheusOption(), LinkOptions::jobs(),
             LinkOptions::wait()},
            false};
}

CliCommand clockCommand()
{
    return {QStringLiteral("clock"),
            QStringLiteral("--fleet СПИСОК [--sync]"),
            0,
            QStringLiteral("часы всех ДК списка: расхождение, установка по этому компьютеру"),
            QStringLiteral("Читает часы каждого ДК списка и показывает, на сколько секунд они\n"
                           "расходятся с часами этого компьютера. С --sync устанавливает часы\n"
                           "каждого ДК по этому компьютеру (в начале секунды) и показывает\n"
                           "расхождение до и после.\n"
                           "Код выхода: 0 - все ДК ответили (и часы установлены), 1 - нет.\n"),
            &runClock,
            {LinkOptions::fleet(),
             {kSync, {}, QStringLiteral("установить часы по этому компьютеру"), {}},
             LinkOptions::jobs(),
             LinkOptions::wait()},
            false};
}

int runStatus(const QStringList &, CliContext &context)
{
    if (!context.has(LinkOptions::fleet().name)) {
        context.err << "Нужен --fleet СПИСОК\n";
        return ExitCode::Failure;
    }
    const QString archive = context.value(kArchive);
    if (context.has(kArchive) && !QFileInfo(archive).isDir()) {
        context.err << "Нет каталога копий \"" << archive << "\"\n";
        return ExitCode::Failure;
    }
    const auto run = runFleet(
        context,
        [archive](const FleetList::Controller &controller, ControllerLink &link,
                  FleetRun::Result &result) {
            return FleetStatus::status(archive, controller, link, result);
        },
        QStringLiteral("Опрос"));
    if (!run)
        return ExitCode::Failure;
    if (context.has(kPrometheus)) {
        if (const auto error = PrometheusText::write(context.value(kPrometheus),
                                                     prometheus(*run, context.has(kArchive)))) {
            context.err << *error << '\n';
            return ExitCode::Failure;
        }
    }
    if (context.json) {
        writeJson(context.out, QJsonObject{{QStringLiteral("results"), jsonResults(*run)},
                                           {QStringLiteral("total"), run->total()},
                                           {QStringLiteral("failed"), run->failed()}});
    } else {
        table(*run, context.out, context.has(kArchive));
        const QStringList silent = namesWhere(
            *run, [](const QJsonObject &d) { return !d.value(QStringLiteral("up")).toBool(); });
        context.out << QStringLiteral("Итого: ДК %1, на связи %2, не отвечает %3")
                           .arg(run->total())
                           .arg(run->total() - silent.size())
                           .arg(silent.size());
        if (!silent.isEmpty())
            context.out << ": " << silent.join(QStringLiteral(", "));
        const QStringList differs = namesWhere(*run, [](const QJsonObject &d) {
            return !d.value(QStringLiteral("matchesArchive")).toBool(true);
        });
        if (!differs.isEmpty())
            context.out << ". Отличается от копии: " << differs.join(QStringLiteral(", "));
        context.out << '\n';
    }
    return run->failed() == 0 ? ExitCode::Clean : ExitCode::Findings;
}

int runClock(const QStringList &, CliContext &context)
{
    if (!context.has(LinkOptions::fleet().name)) {
        context.err << "Нужен --fleet СПИСОК\n";
        return ExitCode::Failure;
    }
    const bool sync = context.has(kSync);
    const auto run = runFleet(
        context,
        [sync](const FleetList::Controller &, ControllerLink &link, FleetRun::Result &result) {
            return FleetStatus::clock(sync, link, result);
        },
        sync ? QStringLiteral("Установка часов") : QStringLiteral("Часы"));
    if (!run)
        return ExitCode::Failure;
    if (context.json) {
        writeJson(context.out, QJsonObject{{QStringLiteral("results"), jsonResults(*run)},
                                           {QStringLiteral("total"), run->total()},
                                           {QStringLiteral("failed"), run->failed()}});
        return run->failed() == 0 ? ExitCode::Clean : ExitCode::Findings;
    }
    int width = 2;
    for (const FleetRun::Result &r : run->results())
        width = std::max(width, int(r.name.size()));
    for (const FleetRun::Result &r : run->results()) {
        context.out << r.name.leftJustified(width) << "  " << r.address.leftJustified(21) << "  ";
        if (!r.data.value(QStringLiteral("up")).toBool()) {
            context.out << r.message << '\n';
            continue;
        }
        context.out << "расхождение " << offsetText(r.data.value(QStringLiteral("offsetBefore")));
        if (sync)
            context.out << ", после установки "
                        << offsetText(r.data.value(QStringLiteral("offsetAfter"))) << "  "
                        << r.message;
        context.out << '\n';
    }
    context.out << QStringLiteral("Итого: ДК %1, успешно %2, с ошибкой %3")
                       .arg(run->total())
                       .arg(run->total() - run->failed())
                       .arg(run->failed())
                << '\n';
    return run->failed() == 0 ? ExitCode::Clean : ExitCode::Findings;
}
