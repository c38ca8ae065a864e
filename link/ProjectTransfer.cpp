#include "link/ProjectTransfer.h"

#include "check/ProjectCheck.h"
#include "config/Directions.h"
#include "config/Templates.h"
#include "link/ControllerLink.h"
#include "model/ByteIO.h"
#include "model/Crc32.h"
#include "model/RingModel.h"

#include <algorithm>
#include <array>

namespace {
using namespace FlashPackets;

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

std::span<std::uint8_t> bytesOf(RingData &ring, Block block)
{
    if (block == Block::Project)
        return ring.project;
    return ring.programs;
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
    : QObject(parent), m_link(link), m_model(model), m_received(std::make_unique<RingData>())
{
}

ProjectTransfer::~ProjectTransfer() = default;

int ProjectTransfer::progressPercent() const
{
    return m_progressMax > 0 ? m_progressCount * 100 / m_progressMax : 0;
}

QCoro::Task<void> ProjectTransfer::Button3Click()
{
    return click(true);
}

QCoro::Task<void> ProjectTransfer::Button2Click()
{
    return click(false);
}

QCoro::Task<void> ProjectTransfer::click(bool upload)
{
    if (upload ? m_uploadBusy : m_downloadBusy) {
        cancelRequest();
        co_return;
    }
    // The other transfer, or the tail of a cancelled one, still holds the link.
    if (busy() || running())
        co_return;
    if (upload)
        co_await this->upload();
    else
        co_await download();
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

QCoro::Task<void> ProjectTransfer::upload()
{
    const RunGuard guard(*this, true);
    const int run = guard.run;

    if (!projectPassesCheck())
        co_return;
    if (!prepareLink())
        co_return;

    m_commandSet = static_cast<CommandSet>(co_await ProbeCommandSet());
    if (m_commandSet == CommandSet::None) {
        if (alive(run)) {
            logStatus(kNoAnswer);
            tell(kError, kNoAnswer, true);
        }
        co_return;
    }
    const bool ringAware = (co_await m_link.SendCommand(QStringLiteral("get ver"))).ok();
    const int passes = ringAware ? MaxRings : 1;
    if (!ringAware &&
        (!alive(run) || !ask(QStringLiteral("Версия меньше 1.1.0 !"),
                             QStringLiteral("Не поддерживаются кольца. Грузим 1 кольцо?"))))
        co_return;
    if (!alive(run))
        co_return;

    m_model.storeWorkingCopy();
    setLabel(QStringLiteral("Загрузка..."));
    const int rings = m_model.ringCount();
    const int uploaded = std::min(rings, passes);
    int maximum = rings * ringPackets();
    if (passes > rings)
        maximum += (passes - rings) * 2;
    if (m_verify)
        maximum += uploaded * ringPackets();
    startProgress(maximum);

    // The sealed copies as they went out, for the read-back.
    std::array<std::unique_ptr<RingData>, MaxRings> sent;
    int good = 0;
    for (int p = 0; p < passes; ++p) {
        if (p < rings) {
            logStatus(QStringLiteral("Загружаем кольцо: ") + QString::number(p + 1));
            sent[p] = std::make_unique<RingData>(m_model.store(p));
            RingModel::SealForController(*sent[p]);
            co_await WriteRing(p);
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
            break;
        }
        logStatus(QStringLiteral("Кольцо загружено!"));
        ++good;
        logStatus(kUploadDashes);
    }

    bool verified = good == passes;
    if (verified && m_verify) {
        for (int r = 0; r < uploaded && verified; ++r)
            verified = co_await verifyRing(r, *sent[r]);
        if (verified)
            logStatus(QStringLiteral("Проверено!"));
    }
    if (verified) {
        logStatus(QStringLiteral("Всё загружено!"));
        setFull();
        tell(kDone, QStringLiteral("Проект успешно загружен!"), false);
    } else {
        logStatus(QStringLiteral("ОШИБКА!"));
        tell(kError, QStringLiteral("Сбой загрузки проекта!"), true);
    }
}

QCoro::Task<bool> ProjectTransfer::verifyRing(int ring, const RingData &sent)
{
    const int run = m_run;
    RingData back;
    std::size_t failedAt = 0;
    std::size_t base = 0;
    for (const Block block : {Block::Project, Block::Programs}) {
        const std::span<std::uint8_t> out = bytesOf(back, block);
        const std::span<const std::uint8_t> expected =
            block == Block::Project ? std::span<const std::uint8_t>(sent.project)
                                    : std::span<const std::uint8_t>(sent.programs);
        bool same = co_await readBlock(block, ring, out, &failedAt);
        if (same) {
            const auto diff = std::mismatch(out.begin(), out.end(), expected.begin());
            same = diff.first == out.end();
            if (!same)
                failedAt = static_cast<std::size_t>(diff.first - out.begin());
        }
        if (!same) {
            if (alive(run)) {
                logStatus(QStringLiteral("Сбой проверки: кольцо %1, смещение %2")
                              .arg(ring + 1)
                              .arg(base + failedAt));
            }
            co_return false;
        }
        base += out.size();
    }
    co_return true;
}

QCoro::Task<void> ProjectTransfer::download()
{
    if (m_model.modified() &&
        !ask(kDownloadCaption, QStringLiteral("Проект изменён. Заменить его проектом из ДК?")))
        co_return;
    const RunGuard guard(*this, false);
    const int run = guard.run;

    if (!prepareLink())
        co_return;
    const int passes = (co_await m_link.SendCommand(QStringLiteral("get ver"))).ok() ? MaxRings : 1;
    if (!alive(run))
        co_return;
    m_commandSet = static_cast<CommandSet>(co_await ProbeCommandSet());
    if (m_commandSet == CommandSet::None) {
        if (alive(run))
            logStatus(kNoAnswer);
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
            if (alive(run))
                logStatus(QStringLiteral("Кольцо НЕ выгружено!"));
            logStatus(kDownloadDashes);
            break;
        }
        if (!crcChecks(m_received->project, ProjectLayout::Crc)) {
            logStatus(QStringLiteral("Контрольная сумма в проекте не совпадает!"));
            break;
        }
        if (!crcChecks(m_received->programs, ProgramsLayout::Crc)) {
            logStatus(QStringLiteral("Контрольная сумма в программах не совпадает!"));
            break;
        }
        logStatus(QStringLiteral("Кольцо выгружено!!"));
        read[p] = std::make_unique<RingData>(*m_received);
        ++good;
        logStatus(kDownloadDashes);
    }

    if (good == 0) {
        tell(QStringLiteral("Нет данных!"), QStringLiteral("Проект не выгружен"), true);
        co_return;
    }
    logStatus(kDownloadDashes);
    logStatus(QStringLiteral("Итого - выгружено ") + QString::number(good));
    for (int r = 0; r < good; ++r)
        m_model.store(r) = *read[r];
    m_model.setRingCount(good);
    m_model.ReloadRing(0);
    // Not on disk yet: closing the program must offer to save it.
    m_model.setModified(true);
    m_model.recordStep(QStringLiteral("выгрузка проекта из ДК"));
    setFull();
    if (m_hooks.projectReplaced)
        m_hooks.projectReplaced();
    tell(kDone, QStringLiteral("Выгружено колец: ") + QString::number(good), false);
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
                                               std::span<const std::uint8_t> data, int tries)
{
    const int run = m_run;
    const QString command = writeCommand(set, block, ring, offset, data);
    for (int attempt = 0; attempt < tries; ++attempt) {
        if (!alive(run))
            co_return false;
        if ((co_await m_link.SendCommand(command)).ok()) {
            logPacket(kTryOk);
            step();
            co_return true;
        }
    }
    co_return false;
}

QCoro::Task<void> ProjectTransfer::WriteRing(int ring)
{
    m_projectDone = false;
    m_programsDone = false;
    RingData copy = m_model.store(ring);
    RingModel::SealForController(copy);
    for (const Block block : {Block::Project, Block::Programs}) {
        const std::span<const std::uint8_t> bytes = bytesOf(copy, block);
        for (int i = 0; i < packetCount(block); ++i) {
            const Packet pk = packet(block, i);
            logPacket(QStringLiteral("Пакет №=") + QString::number(i + 1));
            if (!co_await writePacket(m_commandSet, block, ring, pk.offset,
                                      bytes.subspan(pk.offset, pk.length), triesFor(block)))
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
                                             ProjectTries);
    m_programsDone =
        co_await writePacket(CommandSet::RingAware, Block::Programs, ring, 0, zeros, ProgramsTries);
}

QCoro::Task<bool> ProjectTransfer::readBlock(Block block, int ring, std::span<std::uint8_t> out,
                                             std::size_t *failedAt)
{
    const int run = m_run;
    for (int i = 0; i < packetCount(block); ++i) {
        const Packet pk = packet(block, i);
        logPacket(QStringLiteral("Пакет №=") + QString::number(i + 1));
        const QString command = readCommand(m_commandSet, block, ring, pk);
        bool read = false;
        for (int attempt = 0; attempt < triesFor(block) && !read; ++attempt) {
            if (!alive(run))
                break;
            const Reply reply = co_await m_link.SendCommand(command);
            // An answer of the wrong length or with a stray character is retried like a
            // missing one.
            if (reply.ok() && decodeReadPayload(reply.payload, out.subspan(pk.offset, pk.length))) {
                logPacket(kTryOk);
                step();
                read = true;
            }
        }
        if (!read) {
            if (failedAt)
                *failedAt = pk.offset;
            co_return false;
        }
    }
    co_return true;
}

QCoro::Task<void> ProjectTransfer::ReadRing(int ring)
{
    m_projectDone = false;
    m_programsDone = false;
    m_projectDone = co_await readBlock(Block::Project, ring, m_received->project);
    if (m_projectDone)
        m_programsDone = co_await readBlock(Block::Programs, ring, m_received->programs);
}

bool ProjectTransfer::prepareLink()
{
    m_statusLog.clear();
    emit statusCleared();
    // No poll may go out between the packets.
    if (m_hooks.stopMonitor)
        m_hooks.stopMonitor();
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
    // The two checks an upload has always run keep their own messages; the answer to them
    // changes nothing.
    if (found(Kind::TramSignal)) {
        (void)ask(kCancelled, Napr::TramCheckText);
        return false;
    }
    if (found(Kind::TemplateConflict)) {
        (void)ask(kCancelled, Fazas::ConflictText);
        return false;
    }
    if (ProjectCheck::hasErrors(findings)) {
        tell(kCancelled, ProjectCheck::uploadErrorText(findings), true);
        return false;
    }
    if (findings.empty())
        return true;
    return ask(ProjectCheck::WarningCaption, ProjectCheck::uploadWarningText(findings));
}

bool ProjectTransfer::ask(const QString &caption, const QString &text)
{
    return m_hooks.askYesNo ? m_hooks.askYesNo(caption, text) : false;
}

void ProjectTransfer::tell(const QString &caption, const QString &text, bool error)
{
    if (m_hooks.tell)
        m_hooks.tell(caption, text, error);
}
