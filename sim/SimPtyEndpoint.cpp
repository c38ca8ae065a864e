#include "sim/SimPtyEndpoint.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

SimPtyEndpoint::SimPtyEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent)
    : SimEndpoint(controller, faults, parent)
{
    m_streamed = true;
}

SimPtyEndpoint::~SimPtyEndpoint()
{
    m_notifier.reset();
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).isSymLink())
        QFile::remove(m_linkPath);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool SimPtyEndpoint::open()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return false;
    const char *name = ::ptsname(m_master);
    if (!name)
        return false;
    m_devicePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slave < 0)
        return false;
    // Raw from the start: no echo of commands back to the sender before a client sets it.
    termios raw{};
    if (::tcgetattr(m_slave, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SimPtyEndpoint::onReadable);
    return true;
}

bool SimPtyEndpoint::makeLink(const QString &linkPath)
{
    const QFileInfo info(linkPath);
    if (info.isSymLink())
        QFile::remove(linkPath);
    else if (info.exists())
        return false;
    if (!QFile::link(m_devicePath, linkPath))
        return false;
    m_linkPath = linkPath;
    return true;
}

void SimPtyEndpoint::onReadable()
{
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0)
        return;
    // The first byte after the last allowed command finds the device gone, so exactly that
    // many commands are answered and none of their answers is lost in the hang-up.
    if (hangUpDue()) {
        hangUp();
        return;
    }
    const qint64 start = qMax(WireSchedule::now(), m_rxFreeNs);
    m_rxFreeNs = start + WireSchedule::wireNs(n, baud());
    for (ssize_t i = 0; i < n; ++i) {
        const char c = buffer[i];
        if (c != '\n') {
            // A line that never ends is dropped rather than grown without bound.
            if (m_line.size() < MaxLine)
                m_line.append(c);
            continue;
        }
        const QByteArray command = m_line;
        m_line.clear();
        ++m_commands;
        const qint64 arrived = start + WireSchedule::wireNs(i + 1, baud());
        m_schedule.at(arrived, [this, command, arrived] {
            answer(
                command, [this](const QByteArray &piece) { writeAll(piece); }, arrived);
        });
        if (hangUpDue() && i + 1 < n) {
            // More was sent behind it in one go: the device goes once that command is taken.
            m_schedule.at(arrived, [this] { hangUp(); });
            return;
        }
    }
}

bool SimPtyEndpoint::hangUpDue() const
{
    const int after = m_faults.options().hangupAfter;
    return after > 0 && m_commands >= after;
}

void SimPtyEndpoint::hangUp()
{
    if (m_master < 0)
        return;
    m_notifier.reset();
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).isSymLink())
        QFile::remove(m_linkPath);
    m_linkPath.clear();
    // Our own hold on the slave is of no use once the master is gone.
    ::close(m_slave);
    ::close(m_master);
    m_slave = -1;
    m_master = -1;
    emit hungUp();
}

void SimPtyEndpoint::writeAll(const QByteArray &bytes)
{
    if (m_master < 0)
        return;
    qsizetype done = 0;
    int spins = 0;
    while (done < bytes.size() && spins < 100) {
        const ssize_t n =
            ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            ++spins;
            ::usleep(1000);
        }
    }
}
