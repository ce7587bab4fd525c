#include "settings/LiveSettings.h"

#include <mutex>

WindowState windowState = {};

static std::mutex settingsLock;
static UserSettings userSettings = {};

UserSettings currentSettings()
{
    std::lock_guard<std::mutex> hold(settingsLock);
    return userSettings;
}

void replaceUserSettings(const UserSettings& settings)
{
    std::lock_guard<std::mutex> hold(settingsLock);
    userSettings = settings;
}
