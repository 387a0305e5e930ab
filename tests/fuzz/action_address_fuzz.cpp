// Action addresses from a page: preparation, path macros, the verbs and
// their argument lists. Entities are decoded once, so the text never grows.
#include <cstdlib>

#include "disc/action_address.h"
#include "disc/text_util.h"
#include "fuzz_support.h"
#include "player/action_executor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rondivo;
    auto address = fuzz::text(data, size);
    PathMacros macros{"/media/disc",
                      "/",
                      "/home/u/bin",
                      "/win",
                      "/win/sys",
                      "/home/u/Desktop",
                      "/home/u/.local/share/RondivoTemp"};
    if (decodeEntities(address).size() > address.size()) std::abort();
    resolvePathMacros(address, macros);
    ActionRequest r = parseActionAddress(address, macros);
    for (const auto& call : r.calls) {
        splitActionList(call.argument);
        runCommands(call.argument);
        copyPairs(call.argument);
        userSelectCopyItems(call.argument, "/tmp/x");
        browsePath(call.argument, call.hasArgument, "/media/disc");
        for (const auto& item : copyPairs(call.argument)) destinationFolderPart(item.destination);
    }
    capitalizeFirst(address);
    return 0;
}
