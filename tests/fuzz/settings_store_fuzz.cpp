// Any bytes as zeb.ini, the registry values the store reads and a quote
// reply. Fields are separated by NUL bytes, in this order: "ss", "su", "sp",
// "fontsize", "version", "wstat", StkCode, ProxyEnable, ProxyServer, a service
// host and the reply. A block field that starts with '!' is taken as the
// block's bytes and stored with a valid checksum, so that the fuzzer reaches
// past the checksum. What the store loads is saved and loaded back unchanged,
// struct blocks and service hosts round-trip, and the page built with the
// loaded settings keeps its properties.
#include "settings/Deployment.h"
#include "settings/SettingsStore.h"
#include "settings/StructBlock.h"
#include "tests/fuzz/QuotePageProperties.h"
#include "tests/support/SampleQuotes.h"
#include "tests/unit/settings/FakeStorage.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

enum Field {
    ss,
    su,
    sp,
    fontsize,
    version,
    wstat,
    stkCode,
    proxyEnable,
    proxyServer,
    host,
    reply,
    fieldCount
};

std::string blockText(const std::string& field, std::size_t size)
{
    if (field.empty() || field[0] != '!')
        return field;
    std::string bytes = field.substr(1);
    bytes.resize(size);
    return encodeStructBlock(bytes.data(), size);
}

bool sameHost(const ServiceHost& a, const ServiceHost& b)
{
    return a.name == b.name && a.port == b.port;
}

}  // namespace

std::vector<std::string> fuzzSeeds()
{
    const std::string sep(1, '\0');
    const std::string reply = "var hq_str_hk00700=\"TENCENT,腾讯控股,1e300,nan,inf,-inf,1e300,0,0,0,0,1e300,"
                              "-2147483648,0,0,1,1,2023/09/26,16:08\";\n";
    return {"!,hkHSI,hk00700" + sep + "!\xE6\xFF\xFF" + sep + "!127.0.0.1:3128" + sep + "4" + sep + "2" +
                sep + "!\x01" + sep + ",hkHSI" + sep + "\x01" + sep + "proxy:8080" + sep +
                "hq.sinajs.cn:8080" + sep + reply,
            sep + sep + sep + "1e300" + sep + "nan" + sep + sep + "代码" + sep + sep + "inf" + sep +
                "a..b:0" + sep + reply};
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && fields.size() < fieldCount)
            fields.emplace_back();
        else
            fields.back() += static_cast<char>(data[i]);
    }
    fields.resize(fieldCount);

    // Blocks round-trip, and a block text that decodes encodes back (in upper case).
    const std::string& raw = fields[reply];
    std::vector<unsigned char> decoded(raw.size() + 1);
    require(decodeStructBlock(encodeStructBlock(raw.data(), raw.size()), decoded.data(), raw.size()) &&
            std::memcmp(decoded.data(), raw.data(), raw.size()) == 0);
    for (const std::string& text : fields) {
        std::vector<unsigned char> bytes(text.size() / 2 + 1);
        if (text.size() >= 2 && decodeStructBlock(text, bytes.data(), text.size() / 2 - 1)) {
            std::string upper = text;
            for (char& c : upper)
                c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
            require(encodeStructBlock(bytes.data(), text.size() / 2 - 1) == upper);
        }
    }

    // An accepted service host re-parses to itself.
    ServiceHost parsed;
    if (parseServiceHost(fields[host].c_str(), parsed)) {
        ServiceHost again;
        require(parseServiceHost(parsed.authority().c_str(), again) && sameHost(parsed, again));
    }

    FakeProfile profile;
    const char* const keys[] = {"ss", "su", "sp", "fontsize", "version"};
    const std::size_t sizes[] = {528, 28, 156, 0, 0};
    for (int f = ss; f <= version; ++f)
        if (!fields[f].empty())
            profile.sections["UserSet"][keys[f]] = blockText(fields[f], sizes[f]);
    if (!fields[wstat].empty())
        profile.sections["WinStat"]["wstat"] = blockText(fields[wstat], sizeof(WindowState));
    FakeRegistry registry;
    if (!fields[stkCode].empty())
        registry.set(appRegKey, stockListValueName, regSz, fields[stkCode]);
    if (!fields[proxyEnable].empty())
        registry.set(internetSettingsKey, "ProxyEnable", regDword, fields[proxyEnable]);
    if (!fields[proxyServer].empty())
        registry.set(internetSettingsKey, "ProxyServer", regSz, fields[proxyServer]);
    SettingsStore store(profile, registry);

    UserSettings loaded;
    store.loadUserSettings(loaded);
    require(loaded.stockList[511] == 0 && loaded.proxyServer[49] == 0 && loaded.proxyUser[49] == 0 &&
            loaded.proxyPassword[49] == 0);
    require(loaded.fontSizeIndex >= 0 && loaded.fontSizeIndex <= 4);
    // What was loaded is what a save and a load give back, but for the version,
    // which a save always writes as this build's.
    store.saveUserSettings(loaded);
    UserSettings again;
    require(store.loadUserSettings(again) == StoreResult::ok);
    require(again.settingsVersion == buildNumber);
    again.settingsVersion = loaded.settingsVersion;
    require(std::memcmp(&again, &loaded, sizeof loaded) == 0);

    WindowState state{};
    store.loadWindowState(state);
    WindowState stateAgain;
    require(store.loadWindowState(stateAgain) == StoreResult::ok && std::memcmp(&state, &stateAgain, sizeof state) == 0);

    // The page of the loaded settings.
    QuotePageModel model;
    std::string page;
    const PageContext context = samplePageContext(fields[host].size() % 7 == 1);
    buildCheckedPage(loaded, context, fields[reply], model, page);
    return 0;
}
