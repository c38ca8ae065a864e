#pragma once

#include "model/Structures.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <limits>
#include <vector>

// The command interpreter of the virtual controller: one text line in, one answer line out.
// It behaves as the controller does on the wire: positive answers are "SUCCESS:" with the
// payload and an LF; anything it does not know gets an answer without the marker.
class VirtualController
{
public:
    static constexpr int ProjectSize = int(ProjectLayout::Size);
    static constexpr int ProgramsSize = int(ProgramsLayout::Size);
    static constexpr int Rings = MaxRings;
    static constexpr int MaxPacket = 1024;
    // Where the old firmware keeps its single project.
    static constexpr int OldProjectBase = 0x1000;
    static constexpr int OldProgramsBase = 0x33000;

    explicit VirtualController(bool oldFirmware = false);

    [[nodiscard]] bool oldFirmware() const { return m_oldFirmware; }
    // A line without its line end; a trailing CR or LF is ignored.
    [[nodiscard]] QByteArray handle(const QByteArray &line);

    [[nodiscard]] const std::vector<std::uint8_t> &projectFlash() const { return m_project; }
    [[nodiscard]] const std::vector<std::uint8_t> &programsFlash() const { return m_programs; }
    [[nodiscard]] const QList<QByteArray> &received() const { return m_received; }

private:
    QByteArray flashWrite(std::vector<std::uint8_t> &flash, qint64 address,
                          const QList<QByteArray> &args,
                          qint64 limit = std::numeric_limits<qint64>::max());
    QByteArray flashRead(const std::vector<std::uint8_t> &flash, qint64 address,
                         const QList<QByteArray> &args,
                         qint64 limit = std::numeric_limits<qint64>::max());
    QByteArray oldWrite(const QList<QByteArray> &args);
    QByteArray oldRead(const QList<QByteArray> &args);

    bool m_oldFirmware;
    std::vector<std::uint8_t> m_project;
    std::vector<std::uint8_t> m_programs;
    QList<QByteArray> m_received; // the last commands, for tests
};
