#include "link/ProjectTransfer.h"

#include "check/ProjectCheck.h"
#include "config/Directions.h"
#include "config/Templates.h"
#include "link/ControllerLink.h"
#include "model/ByteIO.h"
#include "model/Crc32.h"
#include "model/RingModel.h"

#include <QMetaMethod>

#include <algorithm>
#include <array>

namespace {
using namespace FlashPackets;
using Outcome = TransferResult::Outcome;
using Cause = TransferResult::Cause;
using Severity = TransferResult::Severity;

const QString kUploadDashes = QString(33, QLatin1Char('-'));
const QString kDownloadDashes = QString(43, QLatin1Char('-'));
const QString kTryOk = QStringLiteral("Попытка № 1 - OK");
const QString kNoAnswer = QStringLiteral("ДК не отвечает!");
const QString kCancelled = QStringLiteral("Отменено!");
const QString kError = QStringLiteral("Ошибка!");
const QString kDone = QStringLiteral("Готово!");

int triesFor(Block block)
{
    return block == Block::Project ? ProjectTransfer::ProjectTries : ProjectTransfer::ProgramsTries;
}

bool crcChecks(std::span<const std::uint8_t> block, std::size_t crcAt)
{
    return Crc32(block.first(crcAt)) == readU32(block, crcAt);
}
} // namespace

const QString ProjectTransfer::kUploadCaption = QStringLiteral("Загрузить проект в ДК");
const QString ProjectTransfer::kDownloadCaption = QStringLiteral("Выгрузить проект из ДК");
const QString ProjectTransfer::kCancelCaption = QStringLiteral("ОТМЕНА!!!");

ProjectTransfer::ProjectTransfer(ControllerLink &link, RingModel &model, QObject *parent)
    : QObject(parent), m_link(link), m_model(model)
{
}

RingData &ProjectTransfer::receivedBuffer() const
{
    if (!m_received)
        m_received = std::make_unique<RingData>();
    return *m_received;
}

std::shared_ptr<const RingData> ProjectTransfer::sealedRing(int ring) const
{
    if (m_sealed[std::size_t(ring)])
        return m_sealed[std::size_t(ring)];
    auto sealed = std::make_shared<RingData>(m_model.store(ring));
    RingModel::SealForController(*sealed);
    return sealed;
}

ProjectTransfer::~ProjectTransfer() = default;

int ProjectTransfer::progressPercent() const
{
    return m_progressMax > 0 ? m_progressCount * 100 / m_progressMax : 0;
}

QCoro::Task<TransferResult> ProjectTransfer::upload()
{
    if (busy() || running())
        co_return TransferResult{};
    m_result = TransferResult{};
    {
        const RunGuard guard(*this, true);
        co_await uploadSteps(guard.run);
    }
    co_return m_result;
}

QCoro::Task<TransferResult> ProjectTransfer::download()
{
    if (busy() || running())
        co_return TransferResult{};
    m_result = TransferResult{};
    if (m_model.modified() &&
        !ask(Question::ReplaceModified, kDownloadCaption,
             QStringLiteral("Проект изменён. Заменить его проектом из ДК?"))) {
        m_result.outcome = Outcome::Failed;
        m_result.cause = Cause::Declined;
        m_result.question = Question::ReplaceModified;
        co_return m_result;
    }
    {
        const RunGuard guard(*this, false);
        co_await downloadSteps(guard.run);
    }
    co_return m_result;
}

void ProjectTransfer::cancel()
{
    if (busy())
        cancelRequest();
}

void ProjectTransfer::cancelRequest()
{
    m_uploadBusy = false;
    m_downloadBusy = false;
    ++m_run;
    logStatus(QStringLiteral("Операция прервана!"));
    emit busyChanged();
}

ProjectTransfer::RunGuard::RunGuard(ProjectTransfer &transfer, bool upload) : self(transfer)
{
    self.startProgress(1);
    self.begin(upload);
    run = self.m_run;
}

ProjectTransfer::RunGuard::~RunGuard()
{
    // Every way out of a script leaves the buttons idle.
    self.finish(run);
}

void ProjectTransfer::begin(bool upload)
{
    ++m_run;
    ++m_running;
    m_uploadBusy = upload;
    m_downloadBusy = !upload;
    emit busyChanged();
}

void ProjectTransfer::finish(int run)
{
    --m_running;
    if (run == m_run) {
        m_uploadBusy = false;
        m_downloadBusy = false;
    }
    setLabel(QString());
    emit busyChanged();
}

QCoro::Task<bool> ProjectTransfer::ringAware(int run)
{
    for (int i = 0; i < VersionTries; ++i) {
        if (!alive(run))
            co_return false;
        const Reply reply = co_await m_link.SendCommand(QStringLiteral("get ver"));
        if (reply.ok())
            co_return true;
        // An old controller answers without the success marker: asking again changes nothing.
        if (!reply.payload.isEmpty() || !reply.sent())
            co_return false;
    }
    co_return false;
}

QCoro::Task<void> ProjectTransfer::uploadSteps(int run)
{
    if (!projectPassesCheck())
        co_return;
    m_result.outcome = Outcome::Failed;
    if (!prepareLink()) {
        m_result.cause = Cause::OpenFailed;
        co_return;
    }

    m_commandSet = static_cast<CommandSet>(co_await ProbeCommandSet());
    if (m_commandSet == CommandSet::None) {
        if (!alive(run)) {
            m_result.cause = Cause::Cancelled;
            co_return;
        }
        logStatus(kNoAnswer);
        m_result.cause = Cause::Silent;
        m_result.detail = kNoAnswer;
        close(Outcome::Failed, kError, kNoAnswer, Severity::Error);
        co_return;
    }
    const bool rings = co_await ringAware(run);
    const int passes = rings ? MaxRings : 1;
    const QString oneRing = QStringLiteral("Не поддерживаются кольца. Грузим 1 кольцо?");
    if (!rings && alive(run) &&
        !ask(Question::OneRing, QStringLiteral("Версия меньше 1.1.0 !"), oneRing)) {
        m_result.cause = Cause::Declined;
        m_result.question = Question::OneRing;
        m_result.detail = oneRing;
        co_return;
    }
    if (!alive(run)) {
        m_result.cause = Cause::Cancelled;
        co_return;
    }

    m_model.storeWorkingCopy();
    setLabel(QStringLiteral("Загрузка..."));
    const int ringCount = m_model.ringCount();
    const int uploaded = std::min(ringCount, passes);
    int maximum = ringCount * ringPackets();
    if (passes > ringCount)
        maximum += (passes - ringCount) * 2;
    if (m_verify)
        maximum += uploaded * ringPackets();
    startProgress(maximum);

    // The sealed copies as they went out, for the read-back.
    std::array<std::shared_ptr<const RingData>, MaxRings> sent;
    int good = 0;
    for (int p = 0; p < passes; ++p) {
        if (p < ringCount) {
            logStatus(QStringLiteral("Загружаем кольцо: ") + QString::number(p + 1));
            sent[p] = sealedRing(p);
            co_await writeSealed(p, *sent[p]);
            logStatus(m_projectDone ? QStringLiteral("Проект успешно загружен!")
                                    : QStringLiteral("Проект НЕ загружен!"));
            logStatus(m_programsDone ? QStringLiteral("Программы успешно загружены!")
                                     : QStringLiteral("Программы НЕ загружены!"));
        } else {
            logStatus(QStringLiteral("Стираем кольцо: ") + QString::number(p + 1));
            co_await EraseRing(p);
        }
        if (!m_projectDone || !m_programsDone) {
            logStatus(QStringLiteral("Кольцо НЕ загружено!"));
            logFailure(p < ringCount ? QStringLiteral("; кольцо записано не полностью")
                                     : QStringLiteral("; кольцо стерто не полностью"));
            break;
        }
        logStatus(QStringLiteral("Кольцо загружено!"));
        ++good;
        logStatus(kUploadDashes);
    }
    m_result.ringsDone = std::min(good, ringCount);

    bool verified = good == passes;
    if (verified && m_verify) {
        for (int r = 0; r < uploaded && verified; ++r)
            verified = co_await verifyRing(r, *sent[r]);
        if (verified)
            logStatus(QStringLiteral("Проверено!"));
    }
    if (!verified) {
        logStatus(QStringLiteral("ОШИБКА!"));
        if (!alive(run))
            m_result.cause = Cause::Cancelled;
        close(Outcome::Failed, kError, QStringLiteral("Сбой загрузки проекта!"), Severity::Error);
        co_return;
    }
    logStatus(QStringLiteral("Всё загружено!"));
    setFull();
    QString message = QStringLiteral("Проект успешно загружен!");
    auto severity = Severity::Information;
    if (!m_verify) {
        // Over a lossy link a late acknowledgement counts for the next packet; only the
        // read-back would have caught a packet that never reached the flash.
        message = QStringLiteral("Загружено без проверки");
        logStatus(message);
        severity = Severity::Warning;
    }
    if (passes == 1) {
        const QString kept =
            QStringLiteral("Загружено только кольцо 1; остальные кольца ДК остались как были");
        logStatus(kept);
        message += QLatin1Char('\n') + kept;
        m_result.otherRingsKept = true;
        severity = Severity::Warning;
    }
    close(m_verify ? Outcome::Done : Outcome::Unverified, kDone, message, severity);
}

QCoro::Task<bool> ProjectTransfer::verifyRing(int ring, const RingData &sent)
{
    const int run = m_run;
    std::size_t base = 0;
    for (const Block block : {Block::Project, Block::Programs}) {
        const std::span<const std::uint8_t> expected =
            block == Block::Project ? std::span<const std::uint8_t>(sent.project)
                                    : std::span<const std::uint8_t>(sent.programs);
        std::size_t mismatch = expected.size();
        if (!co_await readBlock(block, ring, {}, expected, &mismatch)) {
            logFailure(QStringLiteral(" при проверке; загруженное не проверено"));
            co_return false;
        }
        if (mismatch < expected.size()) {
            if (alive(run)) {
                m_result.cause = Cause::Mismatch;
                m_result.ring = ring;
                m_result.offset = base + mismatch;
                m_result.detail = QStringLiteral("Сбой проверки: кольцо %1, смещение %2")
                                      .arg(ring + 1)
                                      .arg(m_result.offset);
                logStatus(m_result.detail);
            }
            co_return false;
        }
        base += expected.size();
    }
    co_return true;
}

QCoro::Task<void> ProjectTransfer::downloadSteps(int run)
{
    m_result.outcome = Outcome::Failed;
    if (!prepareLink()) {
        m_result.cause = Cause::OpenFailed;
        co_return;
    }
    const bool rings = co_await ringAware(run);
    const int passes = rings ? MaxRings : 1;
    if (!alive(run)) {
        m_result.cause = Cause::Cancelled;
        co_return;
    }
    m_commandSet = static_cast<CommandSet>(co_await ProbeCommandSet());
    if (m_commandSet == CommandSet::None) {
        if (alive(run)) {
            logStatus(kNoAnswer);
            m_result.detail = kNoAnswer;
        }
        m_result.cause = alive(run) ? Cause::Silent : Cause::Cancelled;
        co_return;
    }
    setLabel(QStringLiteral("Выгрузка..."));
    startProgress(passes * ringPackets());

    // Rings keep their numbers: the read stops at the first ring that is missing, unreadable
    // or broken, and only rings whose both checksums hold are kept.
    std::array<std::unique_ptr<RingData>, MaxRings> read;
    int good = 0;
    for (int p = 0; p < passes && alive(run); ++p) {
        logStatus(QStringLiteral("Выгружаем конфигурацию: %1 кольцо.").arg(p + 1));
        co_await ReadRing(p);
        if (!m_projectDone || !m_programsDone) {
            if (alive(run)) {
                logStatus(QStringLiteral("Кольцо НЕ выгружено!"));
                logFailure(QString());
            }
            logStatus(kDownloadDashes);
            break;
        }
        RingData &received = receivedBuffer();
        const bool project = crcChecks(received.project, ProjectLayout::Crc);
        if (!project || !crcChecks(received.programs, ProgramsLayout::Crc)) {
            m_result.cause = Cause::Checksum;
            m_result.ring = p;
            m_result.detail = project
                                  ? QStringLiteral("Контрольная сумма в программах не совпадает!")
                                  : QStringLiteral("Контрольная сумма в проекте не совпадает!");
            logStatus(m_result.detail);
            break;
        }
        if (!m_sink)
            read[p] = std::make_unique<RingData>(received);
        else if (!m_sink(p, received))
            break;
        logStatus(QStringLiteral("Кольцо выгружено!!"));
        ++good;
        logStatus(kDownloadDashes);
    }
    if (good < passes && !alive(run))
        m_result.cause = Cause::Cancelled;

    if (good == 0) {
        close(Outcome::Failed, QStringLiteral("Нет данных!"), QStringLiteral("Проект не выгружен"),
              Severity::Error);
        co_return;
    }
    logStatus(kDownloadDashes);
    logStatus(QStringLiteral("Итого - выгружено ") + QString::number(good));
    if (!m_sink) {
        for (int r = 0; r < good; ++r)
            m_model.store(r) = *read[r];
        m_model.setRingCount(good);
        m_model.ReloadRing(0);
        // Not on disk yet: closing the program must offer to save it.
        m_model.setModified(true);
        m_model.recordStep(QStringLiteral("выгрузка проекта из ДК"));
    }
    setFull();
    if (!m_sink)
        emit projectReplaced();

    m_result.ringsDone = good;
    // A ring the controller holds but that was not read must not pass for the project's end.
    QString lost;
    switch (m_result.cause) {
    case Cause::NoAnswer:
    case Cause::BadAnswer:
        lost = QStringLiteral("Кольцо %1 не прочитано: %2")
                   .arg(m_result.ring + 1)
                   .arg(m_result.detail);
        break;
    case Cause::Checksum:
        m_result.erased = receivedRingErased();
        if (!m_result.erased)
            lost = QStringLiteral("Кольцо %1 прочитано с ошибкой: контрольная сумма не совпала, а "
                                  "кольцо не стерто")
                       .arg(good + 1);
        break;
    case Cause::None:
        m_result.ringCountUnknown = !rings && m_commandSet == CommandSet::RingAware;
        if (m_result.ringCountUnknown)
            lost = QStringLiteral("ДК не ответил на \"get ver\": прочитано только кольцо 1, "
                                  "остальные кольца ДК не читались");
        break;
    default:
        break;
    }
    QString message = QStringLiteral("Выгружено колец: ") + QString::number(good);
    auto severity = Severity::Information;
    Outcome outcome = m_result.cause == Cause::Cancelled ? Outcome::Partial : Outcome::Done;
    if (!lost.isEmpty()) {
        logStatus(lost);
        message += QLatin1Char('\n') + lost;
        severity = Severity::Warning;
        outcome = Outcome::Partial;
    }
    close(outcome, kDone, message, severity);
}

QCoro::Task<int> ProjectTransfer::ProbeCommandSet()
{
    const int run = m_run;
    for (int i = 0; i < ProbeTries; ++i) {
        if (!alive(run))
            co_return 0;
        const Reply reply = co_await m_link.SendCommand(QStringLiteral("proj_flashrd 0 0"));
        if (reply.ok())
            co_return 2;
        logPacket(reply.AnswerText());
    }
    for (int i = 0; i < ProbeTries; ++i) {
        if (!alive(run))
            co_return 0;
        if ((co_await m_link.SendCommand(QStringLiteral("pflashwr 0x1000 0 00"))).ok())
            co_return 1;
    }
    if (alive(run))
        logStatus(QStringLiteral("Не определена версия ДК!!!"));
    co_return 0;
}

QCoro::Task<bool> ProjectTransfer::writePacket(CommandSet set, Block block, int ring,
                                               std::size_t offset,
                                               std::span<const std::uint8_t> data, int tries,
                                               int index)
{
    const int run = m_run;
    const QString command = writeCommand(set, block, ring, offset, data);
    bool answered = false;
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (!alive(run))
            co_return false;
        const Reply reply = co_await m_link.SendCommand(command);
        if (reply.ok()) {
            logPacket(kTryOk);
            step();
            co_return true;
        }
        answered = answered || !reply.payload.isEmpty();
    }
    if (alive(run))
        noteFailure(ring, index, answered);
    co_return false;
}

QCoro::Task<void> ProjectTransfer::WriteRing(int ring)
{
    RingData copy = m_model.store(ring);
    RingModel::SealForController(copy);
    co_await writeSealed(ring, copy);
}

QCoro::Task<void> ProjectTransfer::writeSealed(int ring, const RingData &sealed)
{
    m_projectDone = false;
    m_programsDone = false;
    int index = 0;
    for (const Block block : {Block::Project, Block::Programs}) {
        const std::span<const std::uint8_t> bytes =
            block == Block::Project ? std::span<const std::uint8_t>(sealed.project)
                                    : std::span<const std::uint8_t>(sealed.programs);
        for (int i = 0; i < packetCount(block); ++i, ++index) {
            const Packet pk = packet(block, i);
            logPacketNumber(i + 1);
            if (!co_await writePacket(m_commandSet, block, ring, pk.offset,
                                      bytes.subspan(pk.offset, pk.length), triesFor(block), index))
                co_return;
        }
        (block == Block::Project ? m_projectDone : m_programsDone) = true;
    }
}

QCoro::Task<void> ProjectTransfer::EraseRing(int ring)
{
    m_projectDone = false;
    m_programsDone = false;
    // Zeros over the first packet of each block break both checksums, so a later read stops
    // at this ring.
    static const std::array<std::uint8_t, FlashLayout::PacketSize> zeros{};
    // The old firmware has no rings to erase: its project half fails, and with it the pass.
    if (m_commandSet == CommandSet::RingAware)
        m_projectDone = co_await writePacket(CommandSet::RingAware, Block::Project, ring, 0, zeros,
                                             ProjectTries, 0);
    m_programsDone = co_await writePacket(CommandSet::RingAware, Block::Programs, ring, 0, zeros,
                                          ProgramsTries, packetCount(Block::Project));
}

QCoro::Task<bool> ProjectTransfer::readBlock(Block block, int ring, std::span<std::uint8_t> out,
                                             std::span<const std::uint8_t> expected,
                                             std::size_t *mismatch)
{
    const int run = m_run;
    const int first = block == Block::Programs ? packetCount(Block::Project) : 0;
    std::array<std::uint8_t, FlashLayout::PacketSize> checked{};
    for (int i = 0; i < packetCount(block); ++i) {
        const Packet pk = packet(block, i);
        const std::span<std::uint8_t> into =
            expected.empty() ? out.subspan(pk.offset, pk.length)
                             : std::span<std::uint8_t>(checked).first(pk.length);
        logPacketNumber(i + 1);
        const QString command = readCommand(m_commandSet, block, ring, pk);
        bool read = false;
        bool answered = false;
        for (int attempt = 0; attempt < triesFor(block) && !read; ++attempt) {
            if (!alive(run))
                break;
            const Reply reply = co_await m_link.SendCommand(command);
            // An answer of the wrong length or with a stray character is retried like a
            // missing one.
            if (reply.ok() && decodeReadPayload(reply.payload, into)) {
                logPacket(kTryOk);
                step();
                read = true;
            }
            answered = answered || reply.ok() || !reply.payload.isEmpty();
        }
        if (!read) {
            if (alive(run))
                noteFailure(ring, first + i, answered);
            co_return false;
        }
        if (!expected.empty() && *mismatch == expected.size()) {
            const auto diff = std::mismatch(into.begin(), into.end(),
                                            expected.begin() + std::ptrdiff_t(pk.offset));
            if (diff.first != into.end())
                *mismatch = pk.offset + std::size_t(diff.first - into.begin());
        }
    }
    co_return true;
}

QCoro::Task<void> ProjectTransfer::ReadRing(int ring)
{
    m_projectDone = false;
    m_programsDone = false;
    RingData &into = receivedBuffer();
    m_projectDone = co_await readBlock(Block::Project, ring, into.project);
    if (m_projectDone)
        m_programsDone = co_await readBlock(Block::Programs, ring, into.programs);
}

bool ProjectTransfer::prepareLink()
{
    m_statusLog.clear();
    emit statusCleared();
    // No poll may go out between the packets.
    emit monitorStopRequested();
    return m_link.OpenLink();
}

void ProjectTransfer::logStatus(const QString &line)
{
    m_statusLog.append(line);
    emit statusLogged(line);
}

void ProjectTransfer::logPacket(const QString &line)
{
    emit packetLogged(line);
}

void ProjectTransfer::logPacketNumber(int number)
{
    // Thousands of packets a second in a fleet, where nobody shows them.
    static const QMetaMethod logged = QMetaMethod::fromSignal(&ProjectTransfer::packetLogged);
    if (isSignalConnected(logged))
        emit packetLogged(QStringLiteral("Пакет №=") + QString::number(number));
}

void ProjectTransfer::setLabel(const QString &text)
{
    m_label = text;
    emit labelChanged(text);
}

void ProjectTransfer::startProgress(int maximum)
{
    m_progressMax = std::max(maximum, 1);
    m_progressCount = 0;
    emit progressChanged(0);
}

void ProjectTransfer::step()
{
    if (m_progressCount < m_progressMax)
        ++m_progressCount;
    emit progressChanged(progressPercent());
}

void ProjectTransfer::setFull()
{
    m_progressCount = m_progressMax;
    emit progressChanged(100);
}

bool ProjectTransfer::projectPassesCheck()
{
    using ProjectCheck::Kind;
    const std::vector<ProjectCheck::Finding> findings = ProjectCheck::run(m_model);
    const auto found = [&findings](Kind kind) {
        return std::any_of(findings.begin(), findings.end(),
                           [kind](const ProjectCheck::Finding &f) { return f.kind == kind; });
    };
    m_result.outcome = Outcome::Failed;
    m_result.cause = Cause::RefusedByCheck;
    // The two checks an upload has always run keep their own messages; the answer to them
    // changes nothing.
    if (found(Kind::TramSignal)) {
        m_result.detail = Napr::TramCheckText;
        (void)ask(Question::ProjectFault, kCancelled, Napr::TramCheckText);
        return false;
    }
    if (found(Kind::TemplateConflict)) {
        m_result.detail = Fazas::ConflictText;
        (void)ask(Question::ProjectFault, kCancelled, Fazas::ConflictText);
        return false;
    }
    if (ProjectCheck::hasErrors(findings)) {
        close(Outcome::Failed, kCancelled, ProjectCheck::uploadErrorText(findings),
              Severity::Error);
        return false;
    }
    if (findings.empty() || ask(Question::UploadWarnings, ProjectCheck::WarningCaption,
                                ProjectCheck::uploadWarningText(findings))) {
        m_result.outcome = Outcome::NotStarted;
        m_result.cause = Cause::None;
        return true;
    }
    m_result.cause = Cause::Declined;
    m_result.question = Question::UploadWarnings;
    m_result.detail = ProjectCheck::uploadWarningText(findings);
    return false;
}

bool ProjectTransfer::ask(Question kind, const QString &caption, const QString &text)
{
    return m_questions && m_questions->ask(kind, caption, text);
}

void ProjectTransfer::close(Outcome outcome, const QString &caption, const QString &message,
                            Severity severity)
{
    m_result.outcome = outcome;
    m_result.caption = caption;
    m_result.message = message;
    m_result.severity = severity;
}

void ProjectTransfer::noteFailure(int ring, int index, bool answered)
{
    m_result.cause = answered ? Cause::BadAnswer : Cause::NoAnswer;
    m_result.ring = ring;
    m_result.packet = index;
}

void ProjectTransfer::logFailure(const QString &what)
{
    // A cancel or a port that failed to open leaves nothing noted: the log says so already.
    if (m_result.cause != Cause::NoAnswer && m_result.cause != Cause::BadAnswer)
        return;
    const QString where = m_result.cause == Cause::NoAnswer
                              ? QStringLiteral("ДК перестал отвечать на пакете %1 кольца %2")
                              : QStringLiteral("ДК не дал верного ответа на пакет %1 кольца %2");
    m_result.detail = where.arg(m_result.packet + 1).arg(m_result.ring + 1) + what;
    logStatus(m_result.detail);
}

bool ProjectTransfer::receivedRingErased() const
{
    // An erase pass zeros the first packet; a ring never written is still 0xFF.
    const auto first =
        std::span<const std::uint8_t>(receivedBuffer().project).first(FlashLayout::PacketSize);
    const auto all = [&](std::uint8_t value) {
        return std::all_of(first.begin(), first.end(), [&](std::uint8_t b) { return b == value; });
    };
    return all(0x00) || all(0xFF);
}
