// The OPEN= line and the player's command line, word by word.
#include <cstdlib>

#include "disc/launch_arguments.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rondivo;
    auto line = fuzz::text(data, size);
    auto words = splitAtBlanks(line, LaunchArguments::kMaxWords);
    if (words.size() > LaunchArguments::kMaxWords) std::abort();
    LaunchArguments args = LaunchArguments::fromWords(words);
    for (int p = 0; p <= LaunchArguments::kMaxWords + 1; ++p) {
        args.at(p);
        decimalOrZero(args.at(p));
    }
    decimalOrZero(line);
    return 0;
}
