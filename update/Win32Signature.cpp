#include "update/Win32Signature.h"

#include "update/OfferSignature.h"
#include "winui/Handles.h"
#include "winui/Trace.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <vector>

#ifndef ZEB_UPDATE_PUBLIC_KEY
#error "ZEB_UPDATE_PUBLIC_KEY: the update key, 128 hexadecimal digits (X then Y)"
#endif

namespace {

// True for a status of success; a failure is traced with what failed.
bool succeeded(NTSTATUS status, const char* what)
{
    if (status >= 0)
        return true;
    trace(what, static_cast<std::uint32_t>(status));
    return false;
}

// A SHA-256 hash under way.
class Sha256 {
public:
    Sha256()
    {
        ok = succeeded(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0),
                       "update: no SHA-256 provider") &&
             succeeded(BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0),
                       "update: no SHA-256 hash");
    }
    void add(const void* data, std::size_t size)
    {
        ok = ok && size <= 0xFFFFFFFFu &&
             succeeded(BCryptHashData(hash.get(), static_cast<PUCHAR>(const_cast<void*>(data)),
                                      static_cast<ULONG>(size), 0),
                       "update: SHA-256 does not take the data");
    }
    bool finish(Sha256Digest& digest)
    {
        return ok && succeeded(BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0),
                               "update: SHA-256 does not finish");
    }

private:
    CngAlgorithmHandle algorithm;
    CngHashHandle hash;
    bool ok = false;
};

}  // namespace

const UpdatePublicKey& builtInUpdateKey()
{
    static const UpdatePublicKey key = [] {
        // The build checks the key's form; one that did not parse would stay
        // all zeros, which is no point of the curve and verifies nothing.
        UpdatePublicKey parsed{};
        static_cast<void>(parseHex(ZEB_UPDATE_PUBLIC_KEY, parsed.data(), parsed.size()));
        return parsed;
    }();
    return key;
}

bool CngSignatureVerifier::fileSha256(const char* path, Sha256Digest& digest)
{
    const FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        traceLastError("update: the new build cannot be opened to hash it");
        return false;
    }
    Sha256 hash;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            traceLastError("update: the new build cannot be read to hash it");
            return false;
        }
        if (got == 0)
            return hash.finish(digest);
        hash.add(buffer.data(), got);
    }
}

bool CngSignatureVerifier::verify(const std::string& text, const UpdateSignature& signature)
{
    Sha256Digest digest{};
    Sha256 hash;
    hash.add(text.data(), text.size());
    if (!hash.finish(digest))
        return false;

    // BCRYPT_ECCKEY_BLOB, then X and Y.
    std::uint8_t blob[sizeof(BCRYPT_ECCKEY_BLOB) + 64];
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob, &header, sizeof header);
    std::memcpy(blob + sizeof header, key.data(), key.size());

    CngAlgorithmHandle algorithm;
    CngKeyHandle publicKey;
    UpdateSignature sig = signature;
    if (!succeeded(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0),
                   "update: no ECDSA P-256 provider") ||
        !succeeded(BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, publicKey.put(), blob,
                                       sizeof blob, 0),
                   "update: the update key is not taken"))
        return false;
    // A signature that does not verify is traced as well: an offer refused
    // for it is told only as a failed update.
    const NTSTATUS verdict = BCryptVerifySignature(publicKey.get(), nullptr, digest.data(),
                                                   static_cast<ULONG>(digest.size()), sig.data(),
                                                   static_cast<ULONG>(sig.size()), 0);
    if (verdict != 0)
        trace("update: the offer's signature does not verify", static_cast<std::uint32_t>(verdict));
    return verdict == 0;
}
