#pragma once

#include <QtGlobal>

// What a process and every process below it use, from /proc: on the system's
// Chromium the pages live in the browser's processes, which are the shell's
// descendants, so the shell's own process alone would miss most of the work.
namespace ProcessUsage {

// CPU seconds, user and system, the processes have spent so far.
double cpuSeconds(qint64 root);

// Proportional set size in megabytes: each shared page counted once over all
// processes, so that the engine's shared libraries do not count per process.
double proportionalMegabytes(qint64 root);

} // namespace ProcessUsage
