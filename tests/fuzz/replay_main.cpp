// Runs a fuzz target once over each file in the folders given, without
// libFuzzer: the normal test suite (any compiler, any sanitizer) replays the
// committed seeds and every input that once broke an invariant.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char* argv[]) {
    int inputs = 0;
    for (int i = 1; i < argc; ++i)
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(entry.path(), std::ios::binary);
            // An exact-size heap copy, so a sanitizer sees any read past the input.
            const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), {}};
            LLVMFuzzerTestOneInput(input.data(), input.size());
            ++inputs;
        }
    std::printf("%d inputs replayed\n", inputs);
    return inputs > 0 ? 0 : 1;
}
