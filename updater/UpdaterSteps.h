// What ZebUpdater does: wait for Zeb to end, put the new executable in the
// place of the old one and start it; if the new one cannot be put in place,
// put the old one back, start it and leave a mark that it reads. The steps
// run over a table of plain functions so that the program stays small and
// every decision can be checked without touching files.
#pragma once

enum class MoveResult {
    moved,
    busy,    // the file is in use (a sharing violation): worth trying again
    failed,  // anything else
};

struct UpdaterSystem {
    void* context;
    void (*print)(void* context, const char* text);
    void (*sleep)(void* context, unsigned milliseconds);
    // Waits up to milliseconds for the running Zeb to end; true once no Zeb
    // runs.
    bool (*waitForZebToEnd)(void* context, unsigned milliseconds);
    bool (*remove)(void* context, const char* path);
    // Moves a file, replacing the target, written through to the disk.
    MoveResult (*move)(void* context, const char* from, const char* to);
    // Starts the program with the given command line, shown normally.
    void (*start)(void* context, const char* commandLine);
    // Leaves failedUpdateMarkName in the current directory.
    void (*markFailure)(void* context);
};

// The name the previous executable gets, in the current directory.
constexpr const char* previousExeName = "Zeb.exe.old";
// The mark of an update that did not take place, in the current directory;
// Zeb reads it at its next start, tells the user and deletes it.
constexpr const char* failedUpdateMarkName = "ZebUpdater.failed";

// How long Zeb is given to end, and how long a file in use is tried again.
constexpr unsigned zebEndTimeoutMs = 60000;
constexpr unsigned busyRetryMs = 250;
constexpr int busyRetries = 20;

// Exit statuses.
enum UpdaterStatus : int {
    updaterSwapped = 0,        // the new program is in place and started
    updaterBadArguments = -1,  // not exactly two arguments: nothing printed, nothing touched
    updaterZebStillRuns = 1,   // Zeb did not end in time: nothing moved, nothing started
    updaterNotReplaced = 2,    // the new program could not be put in place: the old one is back and started
    updaterNotRestored = 3,    // neither could be put in place; the old one is left as previousExeName
};

// argv[1]: the executable to replace and restart; argv[2]: the new one.
int runUpdater(int argc, const char* const* argv, const UpdaterSystem& system);
