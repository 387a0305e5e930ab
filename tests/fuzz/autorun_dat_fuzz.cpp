// autorun.dat as a disc gives it: the reader never trusts its numbers.
#include <cstdlib>
#include <sstream>

#include "disc/autorun_dat.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in{std::string(rondivo::fuzz::text(data, size))};
    rondivo::PresentationSettings s;
    rondivo::readPresentationSettings(in, s);
    if (s.splashDisplayMs > rondivo::kMaxSplashDisplayMs) std::abort();
    if (s.customWidth < 0 || s.customWidth > rondivo::kMaxCustomWindowExtent) std::abort();
    if (s.customHeight < 0 || s.customHeight > rondivo::kMaxCustomWindowExtent) std::abort();
    return 0;
}
