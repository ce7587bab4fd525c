// The live records of the running program. The settings record is read by
// the refresh worker while the user-interface thread may replace it, so it is
// only reached through these calls, which copy it under a lock.
#pragma once

#include "settings/UserSettings.h"

// A copy of the live settings record (all zero before the first load).
UserSettings currentSettings();

// Replaces the live settings record as a whole.
void replaceUserSettings(const UserSettings& settings);

// The window record: read and written on the user-interface thread only.
extern WindowState windowState;
