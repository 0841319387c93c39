#include "render/programfolder.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <libgen.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

// A mount namespace of its own, where the folder is bound read-only onto itself; mounts made
// private first, so nothing of it reaches the rest of the system. A system that refuses the
// namespace (a container without the right) leaves the folder as it was: the sub-process then
// runs on all the same.
void ProgramFolder::keepUnwritten()
{
    if (geteuid() != 0)
        return;
    char program[PATH_MAX];
    if (!realpath("/proc/self/exe", program))
        return;
    const char *folder = dirname(program);
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || mount(folder, folder, nullptr, MS_BIND, nullptr) != 0)
        return;
    mount(nullptr, folder, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr);
}
