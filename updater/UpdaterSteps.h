// What ZebUpdater does: wait for Zeb to end, keep a copy of the old
// executable, put the new one in its place with one replacing move and start
// it; if the new one cannot be put in place or does not start, put the old
// one back, start it and leave a mark that it reads. At every moment the
// executable's name holds one whole build, old or new, whenever the updater
// is stopped. The steps run over a table of plain functions so that the
// program stays small and every decision can be checked without touching
// files.
#pragma once

enum class MoveResult {
    moved,
    busy,    // the file is in use (a sharing violation): worth trying again
    failed,  // anything else
};

struct UpdaterSystem {
    void* context;
    void (*sleep)(void* context, unsigned milliseconds);
    // Waits up to milliseconds for the running Zeb to end; true once no Zeb
    // runs.
    bool (*waitForZebToEnd)(void* context, unsigned milliseconds);
    bool (*remove)(void* context, const char* path);
    // Copies a file, replacing the target, written through to the disk.
    bool (*copy)(void* context, const char* from, const char* to);
    // Moves a file, replacing the target in one step, written through to
    // the disk.
    MoveResult (*move)(void* context, const char* from, const char* to);
    // Starts the program with the given command line; false when it could
    // not be started.
    bool (*start)(void* context, const char* commandLine);
    // Waits up to milliseconds for the program started last to take Zeb's
    // single-instance mutex; false when it ended before, or did not within
    // the time (it is then ended, so that its file can be replaced).
    bool (*waitForZebToStart)(void* context, unsigned milliseconds);
    // Leaves failedUpdateMarkName in the current directory.
    void (*markFailure)(void* context);
};

// The name the copy of the previous executable gets, in the current
// directory.
constexpr const char* previousExeName = "Zeb.exe.old";
// The mark of an update that did not take place, in the current directory;
// Zeb reads it at its next start, tells the user and deletes it.
constexpr const char* failedUpdateMarkName = "ZebUpdater.failed";

// How long Zeb is given to end, how long the new Zeb is given to start, and
// how long a file in use is tried again.
constexpr unsigned zebEndTimeoutMs = 60000;
constexpr unsigned zebStartTimeoutMs = 30000;
constexpr unsigned busyRetryMs = 250;
constexpr int busyRetries = 20;

// Exit statuses.
enum UpdaterStatus : int {
    updaterSwapped = 0,        // the new program is in place and runs
    updaterBadArguments = -1,  // not exactly two arguments: nothing touched
    updaterZebStillRuns = 1,   // Zeb did not end in time: nothing moved, nothing started
    updaterNotReplaced = 2,    // the new program could not be put in place: the old one is started
    updaterNotRestored = 3,    // the new one did not start and the old one could not be put back:
                               // the old one is started as previousExeName
    updaterNewDidNotStart = 4, // the new program did not start: the old one is back and started
};

// argv[1]: the executable to replace and restart; argv[2]: the new one.
int runUpdater(int argc, const char* const* argv, const UpdaterSystem& system);
