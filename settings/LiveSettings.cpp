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

CodeBook LiveSettings::codes() const
{
    std::lock_guard<std::mutex> hold(lock);
    return book;
}

void LiveSettings::replaceCodes(const CodeBook& codes)
{
    std::lock_guard<std::mutex> hold(lock);
    book = codes;
}
