#pragma once

#include "model/Structures.h"
#include "sim/ControllerClock.h"
#include "sim/ControllerRuntime.h"
#include "sim/ControllerState.h"
#include "sim/FlashFile.h"
#include "sim/Journal.h"
#include "sim/SimOutputs.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <limits>
#include <optional>
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

    // Flash never written reads as erased flash does.
    static constexpr std::uint8_t Erased = 0xFF;
    // The image on disk: the project areas of all rings, then their programs areas.
    static constexpr qint64 FlashImageSize = qint64(ProjectSize + ProgramsSize) * Rings;

    explicit VirtualController(bool oldFirmware = false);

    // Takes the image from `path` when it is whole (otherwise flash stays erased), then saves
    // it there after every write that changed a byte.
    FlashFile::Load useFlashFile(const QString &path);
    [[nodiscard]] QByteArray flashImage() const;

    // The commands whose answer carries flash contents.
    [[nodiscard]] static bool isFlashRead(const QByteArray &command);
    [[nodiscard]] bool oldFirmware() const { return m_oldFirmware; }
    // A line without its line end; a trailing CR or LF is ignored.
    [[nodiscard]] QByteArray handle(const QByteArray &line);

    [[nodiscard]] const std::vector<std::uint8_t> &projectFlash() const { return m_project; }
    [[nodiscard]] const std::vector<std::uint8_t> &programsFlash() const { return m_programs; }
    [[nodiscard]] const QList<QByteArray> &received() const { return m_received; }

    // The service side, set up from the command line or by tests before the first command.
    [[nodiscard]] SimOutputs &outputs() { return m_outputs; }
    [[nodiscard]] Journal &journal() { return m_journal; }
    [[nodiscard]] ControllerClock &clock() { return m_clock; }

    // The running project. The rings move on to the clock's time whenever the state or the
    // outputs are asked for, and whenever advance() is called (veltsim does so on a timer, so
    // that a trace is written while nobody asks).
    [[nodiscard]] ControllerRuntime &runtime() { return m_runtime; }
    // Journals the power-on and starts every ring with what its schedule says now.
    void powerOn();
    void advance();

private:
    QByteArray flashWrite(std::vector<std::uint8_t> &flash, qint64 address,
                          const QList<QByteArray> &args,
                          qint64 limit = std::numeric_limits<qint64>::max());
    QByteArray flashRead(const std::vector<std::uint8_t> &flash, qint64 address,
                         const QList<QByteArray> &args,
                         qint64 limit = std::numeric_limits<qint64>::max());
    QByteArray oldWrite(const QList<QByteArray> &args);
    QByteArray oldRead(const QList<QByteArray> &args);
    void saveFlash();
    [[nodiscard]] static QByteArray unknownCommand();
    QByteArray stateAnswer(const QList<QByteArray> &words);
    void record(const QString &text);
    // The commands of the service windows (ServiceCommands.cpp); nothing when not one of them.
    std::optional<QByteArray> serviceAnswer(const QByteArray &line, const QList<QByteArray> &words);
    QByteArray channelAnswer(const QList<QByteArray> &words);
    QByteArray journalAnswer(const QByteArray &what);
    QByteArray info() const;
    void eraseFlash();

    bool m_oldFirmware;
    FlashFile m_flashFile;
    bool m_saveFailed = false;
    SimOutputs m_outputs;
    Journal m_journal;
    ControllerClock m_clock;
    std::vector<std::uint8_t> m_project;
    std::vector<std::uint8_t> m_programs;
    ControllerRuntime m_runtime{m_project, m_programs};
    QList<QByteArray> m_received; // the last commands, for tests
};
