#include "cli/ControllerJob.h"

#include "check/Finding.h"
#include "cli/BlockFields.h"
#include "link/ControllerLink.h"
#include "link/ProjectTransfer.h"

#include <algorithm>
#include <span>

namespace {

// Lines of the status log that say nothing of why a transfer failed.
bool explains(const QString &line)
{
    return !line.isEmpty() && line != QStringLiteral("ОШИБКА!") &&
           !line.startsWith(QLatin1String("---"));
}

QString firstDifference(int ring, BlockFields::Block block, std::size_t offset)
{
    const BlockFields::Field field = BlockFields::fieldAt(block, offset);
    QString where = QStringLiteral("кольцо %1").arg(ring + 1);
    if (!field.place.isEmpty())
        where += QStringLiteral(", ") + field.place;
    if (!field.name.isEmpty())
        return where + QStringLiteral(": ") + field.name;
    return where +
           QStringLiteral(", %1, смещение %2").arg(BlockFields::blockName(block)).arg(offset);
}

} // namespace

ControllerJob::ControllerJob(ControllerLink &link, QObject *parent)
    : QObject(parent), m_link(link), m_transfer(new ProjectTransfer(link, m_model, this))
{
    ProjectTransfer::Hooks hooks;
    hooks.askYesNo = [this](const QString &caption, const QString &text) {
        // Nobody is there to answer: a script says beforehand which questions it answers Yes.
        if (caption == ProjectCheck::WarningCaption) {
            if (!m_acceptWarnings)
                m_declined = caption + QStringLiteral(": ") + text +
                             QStringLiteral(" - нет (загрузка с предупреждениями только с "
                                            "--accept-warnings)");
            return m_acceptWarnings;
        }
        if (!m_oneRing)
            m_declined = caption + QLatin1Char(' ') + text +
                         QStringLiteral(" - нет (одно кольцо грузится только с --one-ring)");
        return m_oneRing;
    };
    hooks.tell = [this](const QString &, const QString &text, bool error) {
        m_told = true;
        m_toldError = error;
        m_toldText = text;
    };
    m_transfer->setHooks(std::move(hooks));
    connect(m_transfer, &ProjectTransfer::progressChanged, this, &ControllerJob::progressChanged);
    connect(&m_link, &ControllerLink::openFailed, this, [this] { m_openFailed = true; });
}

ControllerJob::~ControllerJob() = default;

void ControllerJob::setVerifyAfterUpload(bool on)
{
    m_transfer->setVerifyAfterUpload(on);
}

QCoro::Task<ControllerJob::Outcome> ControllerJob::upload()
{
    return run(true);
}

QCoro::Task<ControllerJob::Outcome> ControllerJob::download()
{
    return run(false);
}

QCoro::Task<ControllerJob::Outcome> ControllerJob::run(bool upload)
{
    m_told = false;
    m_toldError = false;
    m_toldText.clear();
    m_declined.clear();
    m_openFailed = false;
    m_upload = upload;
    if (upload)
        co_await m_transfer->Button3Click();
    else
        co_await m_transfer->Button2Click();
    co_return outcome();
}

ControllerJob::Outcome ControllerJob::outcome() const
{
    Outcome result;
    result.log = m_transfer->statusLog();
    result.ok = m_told && !m_toldError;
    if (result.ok) {
        const QString lost = m_upload ? QString() : lostRings(result.log);
        result.ok = lost.isEmpty();
        result.message = result.ok ? m_toldText : m_toldText + QStringLiteral(", но ") + lost;
        return result;
    }
    QString reason;
    for (auto line = result.log.crbegin(); line != result.log.crend() && reason.isEmpty(); ++line)
        if (explains(*line))
            reason = *line;
    if (m_openFailed)
        result.message = ControllerLink::kOpenFailedText;
    else if (!m_declined.isEmpty())
        result.message = m_declined;
    else if (!m_told)
        result.message = reason.isEmpty() ? QStringLiteral("Операция прервана!") : reason;
    else if (!reason.isEmpty() && reason != m_toldText)
        result.message = m_toldText + QStringLiteral(" (") + reason + QLatin1Char(')');
    else
        result.message = m_toldText;
    return result;
}

QString ControllerJob::lostRings(const QStringList &log) const
{
    // The window keeps the rings read before the first one that fails and calls that a
    // success. That is right where the project ends (a ring erased by an upload of fewer
    // rings, or never written, fails its checksum), but a copy kept for a rainy day must not
    // silently lack a ring because one answer went astray.
    const auto next = log.count(QStringLiteral("Кольцо выгружено!!")) + 1;
    if (log.contains(QStringLiteral("Кольцо НЕ выгружено!")))
        return QStringLiteral("кольцо %1 не прочитано: ДК перестал отвечать").arg(next);
    const bool mismatch = std::any_of(log.cbegin(), log.cend(), [](const QString &line) {
        return line.startsWith(QStringLiteral("Контрольная сумма"));
    });
    if (!mismatch)
        return {};
    const auto first = std::span<const std::uint8_t>(m_transfer->received().project)
                           .first(FlashLayout::PacketSize);
    const auto all = [&](std::uint8_t value) {
        return std::all_of(first.begin(), first.end(), [&](std::uint8_t b) { return b == value; });
    };
    if (all(0x00) || all(0xFF))
        return {};
    return QStringLiteral("у кольца %1 не совпала контрольная сумма, а оно не стерто: "
                          "прочитано с ошибкой")
        .arg(next);
}

QCoro::Task<ControllerJob::Outcome> ControllerJob::verify(const RingModel &expected)
{
    Outcome result = co_await download();
    if (!result.ok)
        co_return result;
    const QString difference = ControllerJob::difference(expected, m_model);
    result.ok = difference.isEmpty();
    result.message = result.ok ? QStringLiteral("Проект в ДК совпадает с файлом")
                               : QStringLiteral("Проект в ДК отличается от файла: ") + difference;
    co_return result;
}

QString ControllerJob::difference(const RingModel &expected, const RingModel &read)
{
    if (expected.ringCount() != read.ringCount())
        return QStringLiteral("колец в файле %1, в ДК %2")
            .arg(expected.ringCount())
            .arg(read.ringCount());
    for (int r = 0; r < expected.ringCount(); ++r) {
        // The file's ring as the upload would have sent it: sizes and checksums sealed.
        RingData sent = expected.store(r);
        if (r == expected.currentRing())
            sent = expected.working();
        RingModel::SealForController(sent);
        const RingData &back = read.store(r);
        const auto project =
            std::mismatch(sent.project.begin(), sent.project.end(), back.project.begin());
        if (project.first != sent.project.end())
            return firstDifference(r, BlockFields::Block::Project,
                                   std::size_t(project.first - sent.project.begin()));
        const auto programs =
            std::mismatch(sent.programs.begin(), sent.programs.end(), back.programs.begin());
        if (programs.first != sent.programs.end())
            return firstDifference(r, BlockFields::Block::Programs,
                                   std::size_t(programs.first - sent.programs.begin()));
    }
    return {};
}
