// The update reply a release carries (scripts/package.sh), read and checked
// the way the update check reads and checks an offer, with the key built into
// this build. The end-to-end release test names the reply and the program it
// offers in ZEB_RELEASE_REPLY and ZEB_RELEASE_PROGRAM; without them there is
// nothing to check.
#include "common/WebAddress.h"
#include "update/OfferSignature.h"
#include "update/SelfUpdate.h"
#include "update/VendorReply.h"
#include "update/Win32Files.h"
#include "update/Win32Signature.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(ReleaseReply, OffersTheReleasedProgramSignedWithTheBuiltInKey)
{
    const char* reply = std::getenv("ZEB_RELEASE_REPLY");
    const char* program = std::getenv("ZEB_RELEASE_PROGRAM");
    if (!reply || !program)
        GTEST_SKIP() << "no release named";

    Win32Files files;
    const UpdateOffer offer = readUpdateOffer(readReplyFile(files, reply));
    const std::uint32_t infoVer = offer.infoVer;
    EXPECT_NE(infoVer, 0u);
    EXPECT_TRUE(isWebAddress(offer.address));
    ASSERT_TRUE(offer.isSigned);

    CngSignatureVerifier verifier;
    EXPECT_TRUE(isSignedOffer(verifier, infoVer, offer.signature));
    EXPECT_FALSE(isSignedOffer(verifier, infoVer + 1, offer.signature));
    Sha256Digest digest{};
    ASSERT_TRUE(verifier.fileSha256(program, digest));
    EXPECT_EQ(digest, offer.signature.sha256);
    EXPECT_TRUE(isWindowsExecutable(files, program));
}
