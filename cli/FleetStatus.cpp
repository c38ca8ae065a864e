#include "cli/FleetStatus.h"

#include "cli/FlashGlance.h"
#include "link/ControllerLink.h"
#include "model/ProjectFile.h"
#include "model/RingModel.h"
#include "service/ClockService.h"
#include "service/StateMonitor.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <chrono>
#include <cmath>

#include <qcoro/qcorotimer.h>

namespace FleetStatus {

namespace {

constexpr int kTries = 2;

qint64 hostMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Reads the controller's clock; the host's moment is the middle of the exchange, since the
// controller read its clock somewhere in it.
QCoro::Task<std::optional<qint64>> readOffset(ControllerLink &link, QString *text = nullptr)
{
    for (int attempt = 0; attempt < kTries; ++attempt) {
        const qint64 before = hostMs();
        const Reply reply = co_await link.SendCommand(QStringLiteral("get ds1390_time"));
        if (!reply.ok())
            continue;
        const qint64 middle = before + (hostMs() - before) / 2;
        if (text)
            *text = withoutLineEnd(reply.AnswerText()).trimmed().left(64);
        co_return offsetSeconds(reply.payload, middle);
    }
    co_return std::nullopt;
}

void putOffset(QJsonObject &data, const QString &key, const std::optional<qint64> &offset)
{
    if (offset)
        data.insert(key, double(*offset));
}

} // namespace

const QStringList &modes()
{
    static const QStringList all{QStringLiteral("program"),         QStringLiteral("single-phase"),
                                 QStringLiteral("yellow-flashing"), QStringLiteral("dark"),
                                 QStringLiteral("all-red"),         QStringLiteral("test"),
                                 QStringLiteral("alarm"),           QStringLiteral("unknown")};
    return all;
}

QString modeOf(const QMap<QString, QString> &state)
{
    if (state.value(QStringLiteral("LEVEL")) == QLatin1String("ALARM"))
        return QStringLiteral("alarm");
    const QString work = state.value(QStringLiteral("WORK"));
    if (work == QLatin1String("PROGRAM"))
        return QStringLiteral("program");
    if (work == QLatin1String("SINGLE_FAZA"))
        return QStringLiteral("single-phase");
    if (work != QLatin1String("SPEC_PROG"))
        return QStringLiteral("unknown");
    const QString special = state.value(QStringLiteral("SPEC_PROG"));
    if (special == QLatin1String("FLASH"))
        return QStringLiteral("yellow-flashing");
    if (special == QLatin1String("OFF"))
        return QStringLiteral("dark");
    if (special == QLatin1String("KK"))
        return QStringLiteral("all-red");
    if (special == QLatin1String("TEST"))
        return QStringLiteral("test");
    return QStringLiteral("unknown");
}

std::optional<qint64> offsetSeconds(const QByteArray &answer, qint64 hostMs)
{
    const QString text = QString::fromLatin1(answer.left(64)).trimmed();
    QDateTime time = QDateTime::fromString(text.left(19), QStringLiteral("dd.MM.yyyy-HH:mm:ss"));
    if (!time.isValid())
        return std::nullopt;
    // The controller shows whole seconds: its moment is, on average, half a second later.
    const double seconds = double(time.toMSecsSinceEpoch() + 500 - hostMs) / 1000.0;
    return qint64(std::llround(seconds));
}

QCoro::Task<void> status(QString archiveDir, const FleetList::Controller &controller,
                         ControllerLink &link, FleetRun::Result &result)
{
    QList<FlashGlance::RingHead> want;
    bool archived = false;
    if (!archiveDir.isEmpty()) {
        const QString path = QDir(archiveDir).filePath(controller.name + QStringLiteral(".velt"));
        RingModel model;
        ProjectFile::OpenResult opened;
        if (QFileInfo(path).isFile())
            opened = ProjectFile::open(model, path);
        else
            opened.error = QStringLiteral("нет копии");
        archived = opened.ok() && opened.ringsRead > 0;
        if (archived)
            want = FlashGlance::expected(model);
        else
            result.data.insert(QStringLiteral("archive"),
                               opened.ok() ? QStringLiteral("в копии нет колец") : opened.error);
    }
    const FlashGlance::Seen seen = co_await FlashGlance::look(link, int(want.size()));
    QJsonObject &data = result.data;
    data.insert(QStringLiteral("version"), seen.version);
    data.insert(QStringLiteral("ringsHeld"), seen.held);
    if (archived && seen.answered && !seen.lost)
        data.insert(QStringLiteral("matchesArchive"), FlashGlance::matches(seen, want));

    bool answered = seen.answered;
    QJsonArray rings;
    for (int r = 1; r <= std::max(1, seen.held) && seen.answered; ++r) {
        const Reply reply =
            co_await link.SendCommandRetry(QStringLiteral("get state %1").arg(r), kTries);
        QJsonObject ring{{QStringLiteral("ring"), r}};
        if (reply.ok()) {
            StateMonitor::StateMap state;
            StateMonitor::ParseAnswer(state, withoutLineEnd(reply.AnswerText()));
            ring.insert(QStringLiteral("mode"), modeOf(state));
            for (const auto &[key, name] :
                 {std::pair{QStringLiteral("PROGRAM"), QStringLiteral("program")},
                  std::pair{QStringLiteral("PROG_FAZA"), QStringLiteral("phase")},
                  std::pair{QStringLiteral("SINGLE_FAZA"), QStringLiteral("phase")}}) {
                bool ok = false;
                const int value = state.value(key).toInt(&ok);
                if (ok)
                    ring.insert(name, value);
            }
            ring.insert(QStringLiteral("state"), withoutLineEnd(reply.AnswerText()).left(200));
        }
        rings.append(ring);
    }
    data.insert(QStringLiteral("rings"), rings);
    if (seen.answered) {
        QString text;
        const auto offset = co_await readOffset(link, &text);
        putOffset(data, QStringLiteral("clockOffsetSeconds"), offset);
        if (!text.isEmpty())
            data.insert(QStringLiteral("clock"), text);
    }
    data.insert(QStringLiteral("up"), answered);
    result.ok = answered && data.value(QStringLiteral("matchesArchive")).toBool(!archived);
    result.message = !answered   ? QStringLiteral("ДК не отвечает!")
                     : seen.lost ? QStringLiteral("ДК перестал отвечать")
                                 : QString();
}

QCoro::Task<void> clock(bool sync, ControllerLink &link, FleetRun::Result &result)
{
    QJsonObject &data = result.data;
    const auto before = co_await readOffset(link);
    putOffset(data, QStringLiteral("offsetBefore"), before);
    data.insert(QStringLiteral("up"), before.has_value());
    if (!before) {
        result.message = QStringLiteral("ДК не отвечает!");
        co_return;
    }
    if (!sync) {
        result.ok = true;
        co_return;
    }
    // The command carries whole seconds: sent at the start of a second, the controller starts
    // that second when the host does.
    co_await QCoro::sleepFor(std::chrono::milliseconds(1000 - hostMs() % 1000));
    // A coarse timer may wake a little early: the nearest second is the one starting now.
    const qint64 now = hostMs();
    const QString command = ClockService::clockCommand(
        QDateTime::fromMSecsSinceEpoch(now - now % 1000 + (now % 1000 >= 500 ? 1000 : 0)));
    const bool set = (co_await link.SendCommandRetry(command, 1)).ok();
    data.insert(QStringLiteral("set"), set);
    const auto after = co_await readOffset(link);
    putOffset(data, QStringLiteral("offsetAfter"), after);
    result.ok = set && after.has_value();
    result.message = set ? ClockService::kTimeSet : ClockService::kTimeNotSet;
}

} // namespace FleetStatus
