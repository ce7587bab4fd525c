// The live settings of the running program: the settings record and the
// records of the user's codes. The refresh worker reads them while the
// user-interface thread may replace them, so they are only reached through
// copies taken under their lock.
#pragma once

#include "settings/CodeBook.h"
#include "settings/UserSettings.h"

#include <mutex>

class LiveSettings {
public:
    // A copy of the record (all zero before the first load).
    UserSettings copy() const;
    // Replaces the record as a whole.
    void replace(const UserSettings& settings);
    // A copy of the code records (none before the first load).
    CodeBook codes() const;
    void replaceCodes(const CodeBook& book);

private:
    mutable std::mutex lock;
    UserSettings record = {};
    CodeBook book;
};
