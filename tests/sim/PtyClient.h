#pragma once

// The configurator's end of the virtual controller's pseudo-terminal, read without Qt's
// serial port so the tests see every byte as and when it arrives.
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <cerrno>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

class PtyClient
{
public:
    explicit PtyClient(const QString &device)
    {
        m_fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios raw{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(m_fd, TCSANOW, &raw);
        }
    }
    ~PtyClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PtyClient(const PtyClient &) = delete;
    PtyClient &operator=(const PtyClient &) = delete;

    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    bool send(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // Everything that came until `lines` line ends did or the time ran out; the event loop
    // runs meanwhile, as the virtual controller lives in this thread.
    QByteArray readLines(int lines, int timeoutMs, int *reads = nullptr)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        // Every byte comes from an event of this thread, so waiting for events misses none;
        // the ticks only end the wait when nothing comes.
        QTimer tick;
        tick.start(5);
        while (got.count('\n') < lines && clock.elapsed() < timeoutMs && !m_hungUp) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                got.append(buffer, n);
                if (reads)
                    ++*reads;
            } else if (n == 0 || (n < 0 && errno == EIO)) {
                m_hungUp = true;
            }
        }
        return got;
    }
    [[nodiscard]] bool hungUp() const { return m_hungUp; }

private:
    int m_fd = -1;
    bool m_hungUp = false;
};
