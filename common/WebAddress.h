// The one check that an address may be handed to the shell to open.
#pragma once

#include <string>

// True for an http:// or https:// address (any case) with a host, made of
// printable ASCII without blanks or quotes, and at most 2048 characters.
// file:, javascript:, bare and UNC paths are refused: links and notice
// addresses come from text that a reply from outside can influence.
bool isWebAddress(const std::string& address);
