// verify --fleet: every controller's project against its archive copy DIR/name.velt, in full
// (a download of every ring) or quickly (the checksum words of each ring).
#include "cli/FleetVerify.h"
#include "cli/ControllerJob.h"
#include "cli/FlashGlance.h"
#include "cli/FleetCommon.h"
#include "cli/FleetProgress.h"
#include "cli/JsonOutput.h"
#include "cli/LinkOptions.h"
#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kVerdict = QStringLiteral("verdict");
const QString kRings = QStringLiteral("rings");

// The archive's rings; nothing, with the reason, when there is no usable copy.
std::unique_ptr<RingModel> archive(const QString &path, QString *error)
{
    auto model = std::make_unique<RingModel>();
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("нет копии \"%1\"").arg(path);
        return nullptr;
    }
    const ProjectFile::OpenResult opened = ProjectFile::open(*model, path);
    if (!opened.ok() || opened.ringsRead == 0) {
        *error = opened.ok() ? QStringLiteral("в копии \"%1\" нет ни одного кольца").arg(path)
                             : opened.error;
        return nullptr;
    }
    return model;
}

QString ringList(const QList<int> &rings)
{
    QStringList numbers;
    for (const int r : rings)
        numbers << QString::number(r);
    return (rings.size() == 1 ? QStringLiteral("кольцо ") : QStringLiteral("кольца ")) +
           numbers.join(QStringLiteral(", "));
}

QJsonArray jsonRings(const QList<int> &rings)
{
    QJsonArray array;
    for (const int r : rings)
        array.append(r);
    return array;
}

// Sets the verdict of a controller that answered: the rings whose contents differ (from 1)
// and the ring counts of both sides.
void judge(FleetRun::Result &result, const QList<int> &differing, int inFile, int inController,
           const QString &detail = {})
{
    result.ok = differing.isEmpty() && inFile == inController;
    QStringList parts;
    if (inFile != inController)
        parts << QStringLiteral("колец в копии %1, в ДК %2").arg(inFile).arg(inController);
    if (!differing.isEmpty())
        parts << QStringLiteral("отличается %1").arg(ringList(differing)) +
                     (detail.isEmpty() ? QString() : QStringLiteral(" (") + detail + ')');
    result.message =
        result.ok ? QStringLiteral("совпадает с копией") : parts.join(QStringLiteral("; "));
    result.data.insert(kVerdict, result.ok                ? QStringLiteral("matches")
                                 : inFile != inController ? QStringLiteral("ring-count")
                                                          : QStringLiteral("differs"));
    result.data.insert(kRings, jsonRings(differing));
    result.data.insert(QStringLiteral("ringsInArchive"), inFile);
    result.data.insert(QStringLiteral("ringsInController"), inController);
}

void unanswered(FleetRun::Result &result, const QString &message, const QString &verdict)
{
    result.ok = false;
    result.message = message;
    result.data.insert(kVerdict, verdict);
}

QCoro::Task<void> quickCheck(QString path, ControllerLink &link, FleetRun::Result &result)
{
    QList<FlashGlance::RingHead> want;
    {
        QString error;
        const auto model = archive(path, &error);
        if (!model) {
            unanswered(result, error, QStringLiteral("no-archive"));
            co_return;
        }
        want = FlashGlance::expected(*model);
    }
    const FlashGlance::Seen seen = co_await FlashGlance::look(link, int(want.size()));
    if (!seen.answered) {
        unanswered(result, QStringLiteral("ДК не отвечает!"), QStringLiteral("silent"));
        co_return;
    }
    if (seen.lost) {
        unanswered(result, QStringLiteral("ДК перестал отвечать"), QStringLiteral("silent"));
        co_return;
    }
    QList<int> differing;
    bool programs = false;
    for (int r = 0; r < seen.rings.size(); ++r) {
        const auto &held = seen.rings[r];
        if (held.first == want[r].first && held.last == want[r].last)
            continue;
        differing << r + 1;
        programs = programs ||
                   FlashGlance::programsCrc(held.last) != FlashGlance::programsCrc(want[r].last);
    }
    // The project block's checksum covers the copy of the programs block's: a change in the
    // programs changes both words.
    judge(result, differing, int(want.size()), seen.held,
          programs ? QStringLiteral("контрольные суммы программ") : QString());
}

QCoro::Task<void> fullCheck(QString path, ControllerLink &link, RingModel &blank,
                            FleetRun::Result &result)
{
    QString error;
    if (!archive(path, &error)) {
        unanswered(result, error, QStringLiteral("no-archive"));
        co_return;
    }
    // Each ring is compared with the archive's as soon as it is read, the archive opened
    // again for it, so that no job in flight holds a project or a copy of what it read.
    QList<int> differing;
    QString detail;
    int inFile = 0;
    int read = 0;
    bool archiveLost = false;
    ControllerJob job(link, blank);
    job.setRingSink([&](int r, RingData &back) {
        const auto expected = archive(path, &error);
        if (!expected) {
            archiveLost = true;
            return false;
        }
        inFile = expected->ringCount();
        ++read;
        if (r >= inFile)
            return true;
        RingData sent = r == expected->currentRing() ? expected->working() : expected->store(r);
        RingModel::SealForController(sent);
        if (sent.project != back.project || sent.programs != back.programs) {
            differing << r + 1;
            if (detail.isEmpty())
                detail = ControllerJob::ringDifference(r, sent, back);
        }
        return true;
    });
    const ControllerJob::Outcome outcome = co_await job.download();
    if (archiveLost) {
        unanswered(result, error, QStringLiteral("no-archive"));
        co_return;
    }
    if (!outcome.ok) {
        result.log = outcome.log;
        unanswered(result, outcome.message, QStringLiteral("failed"));
        co_return;
    }
    if (inFile != read)
        detail = ControllerJob::ringCountDifference(inFile, read);
    judge(result, differing, inFile, read, detail);
}

QString summary(const FleetRun &run, bool quick)
{
    QStringList matches, differs, rings, silent;
    for (const FleetRun::Result &r : run.results()) {
        const QString verdict = r.data.value(kVerdict).toString();
        if (verdict == QLatin1String("matches"))
            matches << r.name;
        else if (verdict == QLatin1String("differs"))
            differs << r.name;
        else if (verdict == QLatin1String("ring-count"))
            rings << r.name;
        else
            silent << r.name;
    }
    QString text = QStringLiteral("Итого: ДК %1, совпадает %2, отличается %3, другое число колец "
                                  "%4, не проверено %5")
                       .arg(run.total())
                       .arg(matches.size())
                       .arg(differs.size())
                       .arg(rings.size())
                       .arg(silent.size());
    const auto named = [&](const QString &what, const QStringList &names) {
        if (!names.isEmpty())
            text += QStringLiteral("\n%1: %2").arg(what, names.join(QStringLiteral(", ")));
    };
    named(QStringLiteral("Отличается"), differs);
    named(QStringLiteral("Другое число колец"), rings);
    named(QStringLiteral("Не проверено"), silent);
    if (quick)
        text += '\n' + FleetVerify::kNotProven;
    return text;
}

} // namespace

const QString FleetVerify::kNotProven = QStringLiteral(
    "Быстрая проверка сравнила контрольные суммы колец, записанные в ДК, и начало каждого "
    "кольца; она не доказывает, что память ДК за этими суммами цела. Это проверяет полная "
    "проверка (без --quick), а испорченное кольцо ДК показывает сам: желтое мигание.");

int runFleetVerify(const QStringList &files, CliContext &context)
{
    auto options = fleetOptions(context, FleetRun::Mode::Custom);
    const auto list = loadList(context);
    if (!options || !list)
        return ExitCode::Failure;
    const QString dir = files.first();
    if (!QFileInfo(dir).isDir()) {
        context.err << "Нет каталога копий \"" << dir << "\"\n";
        return ExitCode::Failure;
    }
    const bool quick = context.has(FleetVerify::quick().name);
    // What each full check's transfer is given as its project: with a ring sink it stays
    // untouched.
    const auto blank = std::make_shared<RingModel>();
    options->job = [dir, quick, blank](const FleetList::Controller &controller,
                                       ControllerLink &link, FleetRun::Result &result) {
        const QString path = QDir(dir).filePath(controller.name + QStringLiteral(".velt"));
        result.file = path;
        return quick ? quickCheck(path, link, result) : fullCheck(path, link, *blank, result);
    };
    FleetRun run(*list, *options);
    int width = 0;
    for (const FleetList::Controller &c : list->controllers)
        width = std::max(width, int(c.name.size()));
    ProgressLine progress(context.err);
    FleetProgress shown(run, progress, QStringLiteral("Проверка"));
    printEachResult(context, run, progress, width, QStringLiteral("ОТЛИЧИЕ"));
    QCoro::waitFor(run.run());
    progress.clear();
    if (context.json) {
        QJsonArray results;
        for (const FleetRun::Result &r : run.results()) {
            QJsonObject object = r.data;
            object.insert(QStringLiteral("name"), r.name);
            object.insert(QStringLiteral("address"), r.address);
            object.insert(QStringLiteral("ok"), r.ok);
            object.insert(QStringLiteral("message"), r.message);
            object.insert(QStringLiteral("file"), r.file);
            results.append(object);
        }
        QJsonObject top{{QStringLiteral("results"), results},
                        {QStringLiteral("total"), run.total()},
                        {QStringLiteral("failed"), run.failed()},
                        {QStringLiteral("quick"), quick}};
        if (quick)
            top.insert(QStringLiteral("notProven"), FleetVerify::kNotProven);
        writeJson(context.out, top);
    } else {
        context.out << summary(run, quick) << '\n';
    }
    return run.failed() == 0 ? ExitCode::Clean : ExitCode::Findings;
}

CliOption FleetVerify::quick()
{
    return {QStringLiteral("--quick"),
            {},
            QStringLiteral("с --fleet: сравнить только контрольные суммы колец (два чтения на "
                           "кольцо вместо 231)"),
            {}};
}
