// The live settings record of the running program. The refresh worker reads
// it while the user-interface thread may replace it, so it is only reached
// through copies taken under its lock.
#pragma once

#include "settings/UserSettings.h"

#include <mutex>

class LiveSettings {
public:
    // A copy of the record (all zero before the first load).
    UserSettings copy() const;
    // Replaces the record as a whole.
    void replace(const UserSettings& settings);

private:
    mutable std::mutex lock;
    UserSettings record = {};
};
