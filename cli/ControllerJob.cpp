#include "cli/ControllerJob.h"

#include "check/Finding.h"
#include "cli/BlockFields.h"
#include "link/ControllerLink.h"
#include "link/ProjectTransfer.h"

#include <algorithm>

namespace {

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

// What a question answered No on the script's behalf stands for, and how to say Yes.
QString declined(const TransferResult &result)
{
    switch (result.question) {
    case Question::UploadWarnings:
        return ProjectCheck::WarningCaption + QStringLiteral(": ") + result.detail +
               QStringLiteral(" - нет (загрузка с предупреждениями только с --accept-warnings)");
    case Question::OneRing:
        return result.detail + QStringLiteral(" - нет (одно кольцо грузится только с --one-ring)");
    default:
        return result.detail;
    }
}

} // namespace

ControllerJob::ControllerJob(ControllerLink &link, QObject *parent)
    : ControllerJob(link, std::make_unique<RingModel>(), parent)
{
}

ControllerJob::ControllerJob(ControllerLink &link, std::unique_ptr<RingModel> own, QObject *parent)
    : ControllerJob(link, *own, parent)
{
    m_own = std::move(own);
}

ControllerJob::ControllerJob(ControllerLink &link, RingModel &model, QObject *parent)
    : QObject(parent), m_model(model), m_transfer(new ProjectTransfer(link, m_model, this))
{
    m_transfer->setQuestions(this);
    connect(m_transfer, &ProjectTransfer::progressChanged, this, &ControllerJob::progressChanged);
}

ControllerJob::~ControllerJob() = default;

void ControllerJob::setVerifyAfterUpload(bool on)
{
    m_transfer->setVerifyAfterUpload(on);
}

void ControllerJob::setSealedRings(const ProjectTransfer::SealedRings &rings)
{
    m_transfer->setSealedRings(rings);
}

void ControllerJob::setRingSink(ProjectTransfer::RingSink sink)
{
    m_transfer->setRingSink(std::move(sink));
}

QString ControllerJob::label() const
{
    return m_transfer->label();
}

bool ControllerJob::ask(Question kind, const QString &, const QString &)
{
    switch (kind) {
    case Question::UploadWarnings:
        return m_acceptWarnings;
    case Question::OneRing:
        return m_oneRing;
    default:
        return false;
    }
}

QCoro::Task<ControllerJob::Outcome> ControllerJob::upload()
{
    co_return outcome(co_await m_transfer->upload());
}

QCoro::Task<ControllerJob::Outcome> ControllerJob::download()
{
    co_return outcome(co_await m_transfer->download());
}

ControllerJob::Outcome ControllerJob::outcome(const TransferResult &result) const
{
    using Cause = TransferResult::Cause;
    Outcome job;
    job.log = m_transfer->statusLog();
    // A download that may lack a ring the controller holds is no copy to keep: the transfer's
    // message already says which ring and why.
    job.ok = result.ok();
    QString message = result.message;
    message.replace(QLatin1Char('\n'), QStringLiteral("; "));
    if (result.outcome != TransferResult::Outcome::Failed) {
        job.message = message;
        return job;
    }
    switch (result.cause) {
    case Cause::OpenFailed:
        job.message = ControllerLink::kOpenFailedText;
        break;
    case Cause::Declined:
        job.message = declined(result);
        break;
    default:
        if (message.isEmpty())
            job.message = result.detail;
        else if (!result.detail.isEmpty() && result.detail != message)
            job.message = message + QStringLiteral(" (") + result.detail + QLatin1Char(')');
        else
            job.message = message;
    }
    return job;
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
        return ringCountDifference(expected.ringCount(), read.ringCount());
    for (int r = 0; r < expected.ringCount(); ++r) {
        // The file's ring as the upload would have sent it: sizes and checksums sealed.
        RingData sent = expected.store(r);
        if (r == expected.currentRing())
            sent = expected.working();
        RingModel::SealForController(sent);
        if (QString differs = ringDifference(r, sent, read.store(r)); !differs.isEmpty())
            return differs;
    }
    return {};
}

QString ControllerJob::ringCountDifference(int inFile, int inController)
{
    return QStringLiteral("колец в файле %1, в ДК %2").arg(inFile).arg(inController);
}

QString ControllerJob::ringDifference(int ring, const RingData &sent, const RingData &back)
{
    const auto project =
        std::mismatch(sent.project.begin(), sent.project.end(), back.project.begin());
    if (project.first != sent.project.end())
        return firstDifference(ring, BlockFields::Block::Project,
                               std::size_t(project.first - sent.project.begin()));
    const auto programs =
        std::mismatch(sent.programs.begin(), sent.programs.end(), back.programs.begin());
    if (programs.first != sent.programs.end())
        return firstDifference(ring, BlockFields::Block::Programs,
                               std::size_t(programs.first - sent.programs.begin()));
    return {};
}
