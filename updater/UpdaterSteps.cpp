#include "updater/UpdaterSteps.h"

#include <string.h>

namespace {

// A file in use (an antivirus scanning the fresh download, Zeb's image not
// yet released) is tried again for a few seconds.
bool moveFile(const UpdaterSystem& system, const char* from, const char* to)
{
    for (int attempt = 0;; ++attempt) {
        const MoveResult result = system.move(system.context, from, to);
        if (result == MoveResult::moved)
            return true;
        if (result == MoveResult::failed || attempt + 1 >= busyRetries)
            return false;
        system.sleep(system.context, busyRetryMs);
    }
}

// A path with a blank is quoted, so that it is not read as a program name
// and arguments.
bool startProgram(const UpdaterSystem& system, const char* path)
{
    char command[1024];
    const size_t length = strlen(path);
    if (strchr(path, ' ') && length + 3 <= sizeof command) {
        command[0] = '"';
        memcpy(command + 1, path, length);
        command[length + 1] = '"';
        command[length + 2] = '\0';
        return system.start(system.context, command);
    }
    return system.start(system.context, path);
}

}  // namespace

int runUpdater(int argc, const char* const* argv, const UpdaterSystem& system)
{
    if (argc != 3)
        return updaterBadArguments;
    const char* target = argv[1];
    const char* replacement = argv[2];

    // Nothing is touched while Zeb runs: a new Zeb started beside it would
    // hand over to it and end, and no Zeb would run once it has ended. Zeb
    // that is still running keeps its program; it is told at its next start.
    if (!system.waitForZebToEnd(system.context, zebEndTimeoutMs)) {
        system.markFailure(system.context);
        return updaterZebStillRuns;
    }

    // The old build is copied, not moved: its name never stands empty. A
    // leftover copy of an earlier update is replaced.
    system.remove(system.context, previousExeName);
    if (!system.copy(system.context, target, previousExeName) || !moveFile(system, replacement, target)) {
        system.markFailure(system.context);
        startProgram(system, target);
        return updaterNotReplaced;
    }
    if (startProgram(system, target) && system.waitForZebToStart(system.context, zebStartTimeoutMs))
        return updaterSwapped;

    // A build that does not run on this computer: the old one goes back.
    const bool restored = moveFile(system, previousExeName, target);
    system.markFailure(system.context);
    startProgram(system, restored ? target : previousExeName);
    return restored ? updaterNewDidNotStart : updaterNotRestored;
}
