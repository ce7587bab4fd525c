#include "settings/LiveSettings.h"

UserSettings LiveSettings::copy() const
{
    std::lock_guard<std::mutex> hold(lock);
    return record;
}

void LiveSettings::replace(const UserSettings& settings)
{
    std::lock_guard<std::mutex> hold(lock);
    record = settings;
}
