// What binds an offered build to the vendor: the update check's reply names
// the new executable's SHA-256 ("sha256") and carries the vendor's ECDSA
// P-256 signature ("sig") over the text "Zeb.exe <infoVer> <sha256>". Only a
// build whose bytes have that hash, offered under the number that was
// signed, is installed.
#pragma once

#include "update/UpdatePorts.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Reads exactly size bytes written as 2 * size hexadecimal digits, in either
// case, with nothing before or after them; false (out untouched) otherwise.
bool parseHex(const std::string& text, std::uint8_t* out, std::size_t size);

// The bytes as lower-case hexadecimal digits.
std::string toHex(const std::uint8_t* bytes, std::size_t size);

// "Zeb.exe <infoVer in decimal> <the hash in lower case>": the ASCII text the
// vendor signs.
std::string updateSignedText(std::uint32_t infoVer, const Sha256Digest& sha256);

// The reply's "sha256" and "sig".
struct OfferSignature {
    Sha256Digest sha256{};
    UpdateSignature signature{};
};

// Reads "sha256" (64 digits) and "sig" (128 digits) from section "Zeb" of a
// reply's text; false (out untouched) when either is missing or not exactly
// that.
bool readOfferSignature(const std::string& reply, OfferSignature& out);

// True when the update key signed this offer of infoVer.
bool isSignedOffer(SignatureVerifier& verifier, std::uint32_t infoVer, const OfferSignature& offer);
