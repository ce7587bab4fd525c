#include "updater/UpdaterSteps.h"

#include <string.h>

int runUpdater(int argc, const char* const* argv, const UpdaterSystem& system)
{
    if (argc != 3)
        return -1;
    const char* target = argv[1];
    const char* replacement = argv[2];

    system.print(system.context, "Zeb Update...\n");
    system.sleep(system.context, 2000);
    // The target name of the first rename must be free: a leftover of an
    // update whose clean-up failed would otherwise make every later update
    // restart the old build.
    system.remove(system.context, previousExeName);
    system.rename(system.context, target, previousExeName);
    system.sleep(system.context, 2000);
    system.rename(system.context, replacement, target);
    system.sleep(system.context, 2000);

    // A path with a blank is quoted, so that it is not read as a program
    // name and arguments.
    char command[1024];
    const size_t length = strlen(target);
    if (strchr(target, ' ') && length + 3 <= sizeof command) {
        command[0] = '"';
        memcpy(command + 1, target, length);
        command[length + 1] = '"';
        command[length + 2] = '\0';
        system.start(system.context, command);
    } else {
        system.start(system.context, target);
    }
    return 0;
}
