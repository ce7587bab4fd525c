// Signature checks of offered builds with the system's own cryptography
// (CNG): SHA-256 and ECDSA P-256.
#pragma once

#include "update/UpdatePorts.h"

// A P-256 public key: X then Y, 32 bytes each, big-endian.
using UpdatePublicKey = std::array<std::uint8_t, 64>;

// The update key built into the program (ZEB_UPDATE_PUBLIC_KEY).
const UpdatePublicKey& builtInUpdateKey();

class CngSignatureVerifier : public SignatureVerifier {
public:
    explicit CngSignatureVerifier(const UpdatePublicKey& key = builtInUpdateKey()) : key(key) {}
    // Reads the file in pieces: a build is never held whole in memory.
    bool fileSha256(const char* path, Sha256Digest& digest) override;
    bool verify(const std::string& text, const UpdateSignature& signature) override;

private:
    UpdatePublicKey key;
};
