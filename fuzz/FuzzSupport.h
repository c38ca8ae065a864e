#pragma once

// Shared by the fuzz targets: an application object for the parts that need one, a reader
// that turns the fuzzer's bytes into choices, and a check that turns a broken rule into a
// crash the fuzzer keeps.

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

// Creates the QCoreApplication once; timers, sockets and text codecs want one.
void fuzzApp();
// A folder for the files a target writes, in memory where the system has such a place: a
// file written per input must not cost a disk write.
[[nodiscard]] QString fuzzFolder();

// A rule of the program broke: report it and abort, so the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Reads choices from the front of the input; an exhausted input reads as zeros.
class FuzzInput
{
public:
    FuzzInput(const std::uint8_t *data, std::size_t size) : m_bytes(data, size) {}

    [[nodiscard]] bool empty() const { return m_at >= m_bytes.size(); }
    [[nodiscard]] std::size_t left() const { return m_bytes.size() - m_at; }
    std::uint8_t byte() { return empty() ? 0 : m_bytes[m_at++]; }
    std::uint32_t number(int bytes)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= std::uint32_t(byte()) << (8 * i);
        return value;
    }
    // 0 .. count - 1.
    int pick(int count) { return count <= 1 ? 0 : int(number(count > 256 ? 2 : 1) % count); }
    QByteArray bytes(std::size_t count)
    {
        count = count < left() ? count : left();
        const QByteArray out(reinterpret_cast<const char *>(m_bytes.data() + m_at),
                             qsizetype(count));
        m_at += count;
        return out;
    }
    QByteArray rest() { return bytes(left()); }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};
