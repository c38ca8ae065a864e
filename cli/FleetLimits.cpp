#include "cli/FleetLimits.h"

#include <QFile>

#include <algorithm>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace FleetLimits {

namespace {

// MemAvailable of /proc/meminfo: free memory plus the caches the kernel gives back.
long long availableBytes()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        // The file is a few dozen short lines; bounded all the same.
        const QList<QByteArray> lines = meminfo.read(16384).split('\n');
        for (const QByteArray &line : lines) {
            if (!line.startsWith("MemAvailable:"))
                continue;
            bool ok = false;
            const long long kb = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
            if (ok && kb > 0)
                return kb * 1024;
        }
    }
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? (long long)pages * size : 0;
}

long long limitOf(int resource)
{
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<long long>::max();
    return (long long)limit.rlim_cur;
}

} // namespace

long long memoryJobs()
{
    long long bytes = availableBytes() / 2;
    // An address-space or data limit binds the process whatever the machine has free; the
    // program itself needs some of it.
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        const long long limit = limitOf(resource);
        if (limit != std::numeric_limits<long long>::max())
            bytes = std::min(bytes, std::max(0LL, limit - 256LL * 1024 * 1024) / 2);
    }
    return std::max(1LL, bytes / JobBytes);
}

long long descriptorJobs()
{
    // Counted as if every job listened on a port of its own, the worst a list can ask.
    const long long limit = limitOf(RLIMIT_NOFILE);
    return std::max(1LL, std::min<long long>(limit, std::numeric_limits<int>::max()) -
                             ReservedDescriptors);
}

int defaultJobs(int controllers)
{
    const long long bound = std::min(memoryJobs(), descriptorJobs());
    return int(std::max(1LL, std::min<long long>(controllers, bound)));
}

} // namespace FleetLimits
