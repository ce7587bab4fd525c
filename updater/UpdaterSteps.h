// What ZebUpdater does: wait for Zeb to end, put the new executable in the
// place of the old one and start it. The steps run over a table of plain
// functions so that the program stays small and the order can be checked
// without touching files.
#pragma once

struct UpdaterSystem {
    void* context;
    void (*print)(void* context, const char* text);
    void (*sleep)(void* context, unsigned milliseconds);
    // Both report success; the steps go on either way.
    bool (*remove)(void* context, const char* path);
    bool (*rename)(void* context, const char* from, const char* to);
    // Starts the program with the given command line, shown normally.
    void (*start)(void* context, const char* commandLine);
};

// The name the previous executable gets, in the current directory.
constexpr const char* previousExeName = "Zeb.exe.old";

// argv[1]: the executable to replace and restart; argv[2]: the new one.
// -1 (nothing printed, nothing touched) unless there are exactly two
// arguments; otherwise 0, whatever the renames and the start gave.
int runUpdater(int argc, const char* const* argv, const UpdaterSystem& system);
