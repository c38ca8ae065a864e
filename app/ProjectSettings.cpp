#include "app/ProjectSettings.h"

#include "link/LinkSettings.h"
#include "model/ByteIO.h"
#include "model/Description.h"

namespace PL = ProjectLayout;

namespace {
constexpr std::array<std::size_t, 5> kJournal = {PL::JournalPowerOn, PL::JournalPowerOff,
                                                 PL::JournalInputs, PL::JournalPhases,
                                                 PL::JournalFailures};
} // namespace

ProjectSettingsValues readProjectSettings(const RingModel &model)
{
    ProjectSettingsValues values;
    const ProjectBlock &work = model.project();
    values.description = projectDescription(work);
    values.ringCount = model.ringCount();
    for (std::size_t i = 0; i < kJournal.size(); ++i)
        values.journal[i] = work[kJournal[i]] != 0;
    values.gpsOffset = static_cast<std::int8_t>(work[PL::GpsUtcOffset]);
    for (int r = 0; r < MaxRings; ++r) {
        const ProjectBlock &store = model.store(r).project;
        values.sync[r] = store[PL::SyncFlag] != 0;
        values.shiftText[r] = QString::number(readU16(store, PL::SyncShift));
    }
    return values;
}

void applyProjectSettings(RingModel &model, const ProjectSettingsValues &values)
{
    ProjectBlock &work = model.project();
    setProjectDescription(work, values.description.left(qsizetype(PL::DescriptionSize) - 1));
    for (std::size_t i = 0; i < kJournal.size(); ++i)
        work[kJournal[i]] = values.journal[i] ? 1 : 0;
    work[PL::GpsUtcOffset] = static_cast<std::uint8_t>(
        static_cast<std::int8_t>(std::clamp(values.gpsOffset, -MaxGpsUtcOffset, MaxGpsUtcOffset)));
    // Edits made in the current ring since the last switch go into its store with the
    // description, before ring 1 is reloaded below.
    model.storeWorkingCopy();
    model.setRingCount(values.ringCount);
    for (int r = 0; r < MaxRings; ++r) {
        ProjectBlock &store = model.store(r).project;
        store[PL::SyncFlag] = values.sync[r] ? 1 : 0;
        bool ok = false;
        const qlonglong shift = values.shiftText[r].trimmed().toLongLong(&ok, 10);
        if (ok)
            writeU16(store, PL::SyncShift, static_cast<std::uint16_t>(shift & 0xFFFF));
    }
    for (int r = 0; r < MaxRings; ++r) {
        ProjectBlock &store = model.store(r).project;
        store[PL::RingCount] = static_cast<std::uint8_t>(model.ringCount());
        std::copy_n(work.begin() + PL::JournalAndGps, PL::JournalAndGpsSize,
                    store.begin() + PL::JournalAndGps);
    }
    model.ReloadRing(0);
    model.recordStep(QStringLiteral("изменение настроек проекта"));
}

LinkFieldsResult applyLinkFields(LinkSettings &settings, const LinkFields &fields)
{
    // A port beyond the nine offered (COM12 from a file) stays unless another is chosen.
    if (fields.comIndex >= 0)
        settings.portNumber = static_cast<std::uint8_t>(std::clamp(fields.comIndex + 1, 1, 255));
    bool ok = false;
    const int timeout = fields.timeoutText.trimmed().toInt(&ok, 10);
    if (ok)
        settings.timeoutMs = timeout;
    settings.linkType = fields.ethernet ? 1 : 0;
    settings.setAddressText(fields.address);
    const qlonglong port = fields.portText.trimmed().toLongLong(&ok, 10);
    if (!ok || port > 65535)
        return LinkFieldsResult::BadPort;
    if (port >= 0)
        settings.udpPort = static_cast<std::int32_t>(port);
    return LinkFieldsResult::Applied;
}
