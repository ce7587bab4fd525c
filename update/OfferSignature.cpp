#include "update/OfferSignature.h"

#include "common/Hex.h"
#include "common/ProfileText.h"

bool parseHex(const std::string& text, std::uint8_t* out, std::size_t size)
{
    if (text.size() != 2 * size)
        return false;
    for (char c : text)
        if (hexDigitValue(c) < 0)
            return false;
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<std::uint8_t>(hexDigitValue(text[2 * i]) << 4 | hexDigitValue(text[2 * i + 1]));
    return true;
}

std::string toHex(const std::uint8_t* bytes, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * size);
    for (std::size_t i = 0; i < size; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

std::string updateSignedText(std::uint32_t infoVer, const Sha256Digest& sha256)
{
    return "Zeb.exe " + std::to_string(infoVer) + " " + toHex(sha256.data(), sha256.size());
}

bool readOfferSignature(const std::string& reply, OfferSignature& out)
{
    OfferSignature read;
    if (!parseHex(profileValue(reply, "Zeb", "sha256"), read.sha256.data(), read.sha256.size()) ||
        !parseHex(profileValue(reply, "Zeb", "sig"), read.signature.data(), read.signature.size()))
        return false;
    out = read;
    return true;
}

bool isSignedOffer(SignatureVerifier& verifier, std::uint32_t infoVer, const OfferSignature& offer)
{
    return verifier.verify(updateSignedText(infoVer, offer.sha256), offer.signature);
}
