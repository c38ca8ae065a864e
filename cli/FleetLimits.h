#pragma once

// How many controllers a fleet command may serve at once on this machine. A job listens through
// the receiver its port shares with the others; a backup holds one descriptor, the new file it
// writes its rings to. What bounds the jobs is memory and descriptors: the jobs in flight may
// take half of what the machine has free, and no more than the process's own limits allow. The
// processors are no bound: a thread that falls behind makes answers later, not wrong (a wait reads
// what has arrived before it gives up).
namespace FleetLimits {

// What one job in flight costs at most: the ring being read (a backup's or a full check's),
// the transfer and its link. The project an upload sends is shared by all its jobs.
inline constexpr long long JobBytes = 300LL * 1024;
// Descriptors kept back for the process itself (its files, the receivers of the ports).
inline constexpr long long ReservedDescriptors = 64;

// Every controller of the list at once when the machine allows it; never below 1.
[[nodiscard]] int defaultJobs(int controllers);
// The parts of the bound, for a message and for tests.
[[nodiscard]] long long memoryJobs();
[[nodiscard]] long long descriptorJobs();

} // namespace FleetLimits
