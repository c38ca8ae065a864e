#include "sim/VirtualController.h"

#include "sim/SimAnswer.h"

#include <QDebug>

#include <algorithm>
#include <cctype>
#include <optional>
#include <span>

namespace {
constexpr int kKeptCommands = 64;

using SimAnswer::positive;

QByteArray error(const QByteArray &what)
{
    return SimAnswer::refused(what);
}

// Hexadecimal with or without "0x", in either case.
std::optional<qint64> parseAddress(QByteArray text)
{
    if (text.startsWith("0x") || text.startsWith("0X"))
        text = text.mid(2);
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 16);
    if (!ok || text.isEmpty() || value < 0)
        return std::nullopt;
    return value;
}

bool isHex(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(uchar(c)); });
}

std::optional<int> parseLength(const QByteArray &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < 0 || value > VirtualController::MaxPacket)
        return std::nullopt;
    return value;
}
} // namespace

VirtualController::VirtualController(bool oldFirmware)
    : m_oldFirmware(oldFirmware), m_project(static_cast<std::size_t>(ProjectSize) * Rings, Erased),
      m_programs(static_cast<std::size_t>(ProgramsSize) * Rings, Erased)
{
    m_runtime.setEvents([this](qint64 ms, const QString &text) {
        m_journal.append(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC), text);
    });
}

void VirtualController::powerOn()
{
    record(QStringLiteral("Включение питания"));
    // The rings start on a whole second of the controller's clock, as all their times are whole
    // seconds; otherwise the moments between setting a fast clock and switching on would shift
    // every lamp change by a fraction.
    const qint64 now = m_clock.nowMs();
    m_runtime.restart(now - (now % 1000 + 1000) % 1000);
}

void VirtualController::advance()
{
    m_runtime.advanceTo(m_clock.nowMs());
}

void VirtualController::record(const QString &text)
{
    m_journal.append(m_clock.now(), text);
}

bool VirtualController::isFlashRead(const QByteArray &command)
{
    // The first word, as the interpreter cuts it, without the copies of a split: it is asked
    // for every command.
    const QByteArrayView line = QByteArrayView(command).trimmed();
    const qsizetype space = line.indexOf(' ');
    const QByteArrayView name = space < 0 ? line : line.first(space);
    return name == "proj_flashrd" || name == "progs_flashrd" || name == "flashrd";
}

FlashFile::Load VirtualController::useFlashFile(const QString &path)
{
    m_flashFile = FlashFile(path);
    FlashFile::Load result = FlashFile::Load::Missing;
    const auto image = m_flashFile.load(FlashImageSize, result);
    if (image) {
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(image->constData());
        std::copy(bytes, bytes + m_project.size(), m_project.begin());
        std::copy(bytes + m_project.size(), bytes + image->size(), m_programs.begin());
    } else {
        std::fill(m_project.begin(), m_project.end(), Erased);
        std::fill(m_programs.begin(), m_programs.end(), Erased);
    }
    m_runtime.flashChanged();
    return result;
}

QByteArray VirtualController::flashImage() const
{
    QByteArray image;
    image.reserve(FlashImageSize);
    image.append(reinterpret_cast<const char *>(m_project.data()), qsizetype(m_project.size()));
    image.append(reinterpret_cast<const char *>(m_programs.data()), qsizetype(m_programs.size()));
    return image;
}

QByteArray VirtualController::handle(const QByteArray &raw)
{
    const QByteArray line = raw.trimmed();
    m_received.append(line.left(64));
    if (m_received.size() > kKeptCommands)
        m_received.removeFirst();

    const QList<QByteArray> words = line.split(' ');
    const QByteArray command = words.value(0);
    const QList<QByteArray> args = words.mid(1);

    if (line == "test 1")
        return positive("test ok");
    if (command == "help")
        return positive(m_oldFirmware ? "test get pflashwr flashrd ifconfig help"
                                      : "test get proj_flashwr proj_flashrd progs_flashwr "
                                        "progs_flashrd pflashwr flashrd ifconfig help");
    if (command == "ifconfig")
        return positive("ip=127.0.0.2 mask=255.0.0.0 gw=127.0.0.1 port=11990");
    if (command == "get" && (words.value(1) == "state" || words.value(1) == "lines"))
        return stateAnswer(words);
    if (auto answer = serviceAnswer(line, words))
        return *answer;
    if (line == "get ver" && !m_oldFirmware)
        return positive("1.2.0");
    if (command == "pflashwr")
        return oldWrite(args);
    if (command == "flashrd")
        return oldRead(args);
    if (!m_oldFirmware) {
        // The name is known before the address is looked at: an unknown command with a
        // number after it is still unknown, not a bad address.
        const bool project = command == "proj_flashwr" || command == "proj_flashrd";
        const bool programs = command == "progs_flashwr" || command == "progs_flashrd";
        const auto address = parseAddress(args.value(0));
        if ((project || programs) && address) {
            auto &flash = project ? m_project : m_programs;
            return command.endsWith("wr") ? flashWrite(flash, *address, args)
                                          : flashRead(flash, *address, args);
        }
    }
    return unknownCommand();
}

QByteArray VirtualController::unknownCommand()
{
    // The controller's parser does not tell a misspelt name from a malformed word.
    return error("unknown command");
}

QByteArray VirtualController::flashWrite(std::vector<std::uint8_t> &flash, qint64 address,
                                         const QList<QByteArray> &args, qint64 limit)
{
    const auto length = parseLength(args.value(1));
    if (!length || args.size() > 3)
        return unknownCommand();
    const QByteArray hex = args.value(2);
    // The data is the bytes written, two hex digits each, nothing more and nothing less. A
    // write of no bytes writes nothing; the old firmware's probe ("pflashwr 0x1000 0 00")
    // fills the data word with one zero byte because its parser wants three words, so for
    // no bytes that placeholder (or no data word) is taken and anything else is not.
    const bool probe = *length == 0 && (hex.isEmpty() || hex == "00");
    if (!probe && (hex.size() != 2 * *length || !isHex(hex)))
        return unknownCommand();
    // Compared without a sum, which a huge address would overflow.
    if (address > qMin<qint64>(limit, static_cast<qint64>(flash.size())) - *length)
        return error("address out of range");
    const QByteArray data = QByteArray::fromHex(hex.left(2 * *length));
    const auto at = flash.begin() + address;
    // Rewriting the same bytes, as a repeated upload does, costs no save.
    if (!std::equal(data.begin(), data.end(), at,
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; })) {
        std::copy(data.begin(), data.end(), at);
        m_runtime.flashChanged();
        saveFlash();
    }
    return positive({});
}

QByteArray VirtualController::flashRead(const std::vector<std::uint8_t> &flash, qint64 address,
                                        const QList<QByteArray> &args, qint64 limit)
{
    const auto length = parseLength(args.value(1));
    if (!length || args.size() != 2)
        return unknownCommand();
    // Compared without a sum, which a huge address would overflow.
    if (address > qMin<qint64>(limit, static_cast<qint64>(flash.size())) - *length)
        return error("address out of range");
    // Written straight into the answer: every backup asks for hundreds of these per controller,
    // and a copy, its hex, an upper-case copy and the framing each cost an allocation.
    static constexpr char digits[] = "0123456789ABCDEF";
    static const QByteArray head = positive({}).chopped(1);
    QByteArray answer(head.size() + 2 * *length + 1, Qt::Uninitialized);
    char *out = std::copy(head.cbegin(), head.cend(), answer.data());
    for (const std::uint8_t byte :
         std::span(flash).subspan(std::size_t(address), std::size_t(*length))) {
        *out++ = digits[byte >> 4];
        *out++ = digits[byte & 0x0F];
    }
    *out = '\n';
    return answer;
}

QByteArray VirtualController::oldWrite(const QList<QByteArray> &args)
{
    const auto address = parseAddress(args.value(0));
    if (!address)
        return unknownCommand();
    if (*address >= OldProgramsBase)
        return flashWrite(m_programs, *address - OldProgramsBase, args, ProgramsSize);
    if (*address >= OldProjectBase && *address < OldProjectBase + ProjectSize)
        return flashWrite(m_project, *address - OldProjectBase, args, ProjectSize);
    return error("address out of range");
}

QByteArray VirtualController::oldRead(const QList<QByteArray> &args)
{
    const auto address = parseAddress(args.value(0));
    if (!address)
        return unknownCommand();
    if (*address >= OldProgramsBase && *address < OldProgramsBase + ProgramsSize)
        return flashRead(m_programs, *address - OldProgramsBase, args, ProgramsSize);
    if (*address >= OldProjectBase && *address < OldProjectBase + ProjectSize)
        return flashRead(m_project, *address - OldProjectBase, args, ProjectSize);
    return error("address out of range");
}

QByteArray VirtualController::stateAnswer(const QList<QByteArray> &words)
{
    if (words.value(1) == "lines") {
        if (words.size() != 2)
            return error("unknown command");
        // During the test the outputs show what the technician switched, not the program.
        if (m_outputs.testMode())
            return positive(m_outputs.lines());
        const qint64 now = m_clock.nowMs();
        m_runtime.advanceTo(now);
        return positive(m_runtime.lines(now));
    }
    bool ok = false;
    const int ring = words.value(2).toInt(&ok);
    if (words.size() != 3 || !ok || !ControllerState::isRing(ring))
        return error("bad ring");
    advance();
    // The program goes on underneath, but the outputs are the technician's.
    if (m_outputs.testMode())
        return positive("WORK=SPEC_PROG SPEC_PROG=TEST LEVEL=SERVICE");
    return positive(m_runtime.stateText(ring - 1));
}

void VirtualController::saveFlash()
{
    if (!m_flashFile.isSet())
        return;
    const bool saved = m_flashFile.save(flashImage());
    // Said once: a full disk would otherwise repeat it for every block of an upload.
    if (!saved && !m_saveFailed)
        qWarning("veltsim: cannot save the flash to %s", qPrintable(m_flashFile.path()));
    m_saveFailed = !saved;
}
