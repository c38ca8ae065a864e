// The commands of the configurator's service windows: output test, journal, clocks, sensors,
// controller information and the flash erase.
#include "sim/SimAnswer.h"
#include "sim/VirtualController.h"

using SimAnswer::positive;
using SimAnswer::refused;

namespace {
// The argument "flash_reset" takes for the whole flash; parts are not erased from the
// configurator.
constexpr char kWholeFlash[] = "255";

std::optional<SimOutputs::Colour> colour(const QByteArray &letter)
{
    if (letter == "r")
        return SimOutputs::Colour::Red;
    if (letter == "y")
        return SimOutputs::Colour::Yellow;
    if (letter == "g")
        return SimOutputs::Colour::Green;
    return std::nullopt;
}
} // namespace

std::optional<QByteArray> VirtualController::serviceAnswer(const QByteArray &line,
                                                           const QList<QByteArray> &words)
{
    const QByteArray command = words.value(0);
    if (line == "get info")
        return positive(info());
    if (line == "set test on" || line == "set test off") {
        const bool on = line.endsWith("on");
        advance();
        if (on != m_outputs.testMode())
            record(on ? QStringLiteral("Вход в режим тестирования")
                      : QStringLiteral("Выход из режима тестирования"));
        m_outputs.setTestMode(on);
        return positive({});
    }
    if (command == "channel")
        return channelAnswer(words);
    if (line == "get lineADC")
        return positive(m_outputs.lineAdc());
    if (line == "get linePWM")
        return positive(m_outputs.linePwm());
    if (command == "event" && words.size() == 2)
        return journalAnswer(words[1]);
    if (line == "get ds1390_time")
        return positive(m_clock.text());
    if (command == "set" && words.value(1) == "ds1390_time") {
        if (words.size() == 3 && m_clock.set(words[2])) {
            record(QStringLiteral("Установка времени"));
            // Every ring starts again from what its schedule says at the new time.
            m_runtime.restart(m_clock.nowMs());
            return positive({});
        }
        return refused("bad time, DD.MM.YYYY-HH:MM:SS");
    }
    if (line == "get gps_time") {
        // The receiver reports UTC; it has a fix as long as the host has a clock.
        return positive(ControllerClock::format(QDateTime::currentDateTimeUtc()) + " UTC");
    }
    if (line == "get sensors")
        return positive("temp=27C supply=12.3V door=closed");
    if (command == "flash_reset") {
        if (words.size() != 2 || words[1] != kWholeFlash)
            return refused("flash_reset 255 only");
        eraseFlash();
        record(QStringLiteral("Стирание FLASH"));
        advance();
        return positive({});
    }
    return std::nullopt;
}

QByteArray VirtualController::channelAnswer(const QList<QByteArray> &words)
{
    bool ok = false;
    const int group = words.value(1).toInt(&ok);
    const auto lamp = colour(words.value(2));
    const QByteArray state = words.value(3);
    if (words.size() != 4 || !ok || !SimOutputs::isGroup(group) || !lamp ||
        (state != "on" && state != "off"))
        return refused("channel G r|y|g on|off, G 1..8");
    if (!m_outputs.setChannel(group, *lamp, state == "on"))
        return refused("not in test mode");
    return positive({});
}

QByteArray VirtualController::journalAnswer(const QByteArray &what)
{
    if (what == "init") {
        m_journal.rewind();
        return positive({});
    }
    if (what == "used")
        return positive(QByteArray::number(m_journal.size()));
    if (what == "get")
        return positive(m_journal.next());
    if (what == "erase") {
        m_journal.erase();
        return positive({});
    }
    return refused("event init|used|get|erase");
}

QByteArray VirtualController::info() const
{
    // One fact a line, as the configurator shows the answer as it comes.
    if (m_oldFirmware)
        return "VELT virtual controller\nfirmware 1.0.0\nrings 1\nflash ok";
    return "VELT virtual controller\nfirmware 1.2.0\nrings " + QByteArray::number(Rings) +
           "\nflash ok";
}

void VirtualController::eraseFlash()
{
    std::fill(m_project.begin(), m_project.end(), Erased);
    std::fill(m_programs.begin(), m_programs.end(), Erased);
    m_runtime.flashChanged();
    saveFlash();
}
