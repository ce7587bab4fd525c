#include "update/OfferSignature.h"
#include "update/Win32Signature.h"

#include "SignedSample.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

UpdatePublicKey developmentKey()
{
    UpdatePublicKey key{};
    EXPECT_TRUE(parseHex(ZEB_DEV_UPDATE_PUBLIC_KEY, key.data(), key.size()));
    return key;
}

}  // namespace

TEST(UpdateSignature, CngAcceptsWhatSignUpdateSignedAndRefusesAFlippedBit)
{
    CngSignatureVerifier verifier(developmentKey());
    Sha256Digest digest{};
    ASSERT_TRUE(verifier.fileSha256(ZEB_SIGNED_SAMPLE, digest));
    EXPECT_EQ(toHex(digest.data(), digest.size()), sample_sha256);
    UpdateSignature signature{};
    ASSERT_TRUE(parseHex(sample_sig, signature.data(), signature.size()));
    EXPECT_TRUE(verifier.verify(updateSignedText(3, digest), signature));

    for (std::size_t byte : {0u, 31u, 32u, 63u}) {  // in r and in s
        UpdateSignature flipped = signature;
        flipped[byte] ^= 0x01;
        EXPECT_FALSE(verifier.verify(updateSignedText(3, digest), flipped)) << byte;
    }
    Sha256Digest otherFile = digest;
    otherFile[5] ^= 0x80;
    EXPECT_FALSE(verifier.verify(updateSignedText(3, otherFile), signature));
    EXPECT_FALSE(verifier.verify(updateSignedText(4, digest), signature));

    UpdatePublicKey otherKey = developmentKey();
    otherKey[63] ^= 0x01;  // no point of the curve: the key is not even taken
    EXPECT_FALSE(CngSignatureVerifier(otherKey).verify(updateSignedText(3, digest), signature));
}

TEST(UpdateSignature, FilesAreHashedInPiecesToTheirEnd)
{
    const char* path = "signature test file.bin";
    const std::string bytes(150000, 'z');  // more than two pieces
    FILE* f = std::fopen(path, "wb");
    ASSERT_TRUE(f);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    CngSignatureVerifier verifier;
    Sha256Digest digest{};
    EXPECT_TRUE(verifier.fileSha256(path, digest));
    EXPECT_EQ(toHex(digest.data(), digest.size()), "82d7c3408941ca2a1bd0df86386e6c9a10a848953caabbf8c0e54de48d5e94ff");
    std::remove(path);
    EXPECT_FALSE(verifier.fileSha256(path, digest));
}
