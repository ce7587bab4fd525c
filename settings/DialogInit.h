// A dialog's initialisation block (resource type 240): strings that are
// added to its list controls when the dialog is created. Each entry is the
// control id and a message number (16 bits each), the length of the data
// (32 bits, little-endian) and the data, a text with its terminator; a
// control id of 0 ends the block.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct DialogInitItem {
    int controlId;
    int message;
    std::string text;
};

// The entries of a block, in order. False when the block runs past size or
// has no end mark; items then holds the entries read up to that point.
bool parseDialogInit(const void* data, std::size_t size, std::vector<DialogInitItem>& items);
