// Replays a fuzz target without libFuzzer: the seeds the target carries, then
// every file named on the command line or found under a folder named there.
// Built with the program's own compiler, so that the target's and the
// program's literals are GB2312 as in the program (clang makes them UTF-8).
//     <target>_replay [file or folder]...
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Targets without seeds of their own leave it undefined.
__attribute__((weak)) std::vector<std::string> fuzzSeeds();

namespace {

std::string current = "(none)";

void reportInput(int signal)
{
    std::fprintf(stderr, "input %s broke a property (signal %d)\n", current.c_str(), signal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void replay(const std::string& name, const std::string& input)
{
    current = name;
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

}  // namespace

int main(int argc, char** argv)
{
    for (int s : {SIGILL, SIGABRT, SIGSEGV, SIGFPE, SIGTRAP})
        std::signal(s, reportInput);

    int count = 0;
    if (fuzzSeeds) {
        const std::vector<std::string> seeds = fuzzSeeds();
        for (std::size_t i = 0; i < seeds.size(); ++i, ++count)
            replay("seed " + std::to_string(i), seeds[i]);
    }
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i]))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else if (std::filesystem::exists(argv[i])) {
            files.push_back(argv[i]);
        } else {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            return 2;
        }
    }
    for (const std::filesystem::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        replay(file.string(),
               std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        ++count;
    }
    std::printf("%d inputs replayed\n", count);
    return 0;
}
