// What this process knows of the vendor's view of it.
#pragma once

#include <atomic>

// Set by the vendor service client when the vendor demands an upgrade of this
// version; every later page is the upgrade notice.
extern std::atomic<int> versionBlocked;
