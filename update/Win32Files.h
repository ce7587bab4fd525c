// The update's files on Windows. Paths are in the ANSI code page (the
// download cache hands them out so); the update files' own names are ASCII.
#pragma once

#include "update/UpdatePorts.h"

class Win32Files : public FileSystem {
public:
    bool exists(const char* path) override;
    bool remove(const char* path) override;
    bool write(const char* path, const void* data, std::size_t size) override;
    std::size_t read(const char* path, std::uint64_t offset, void* buffer, std::size_t size) override;
    std::string shortPath(const std::string& path) override;
};
