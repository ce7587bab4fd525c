#include "update/VendorState.h"

std::atomic<int> versionBlocked{0};
