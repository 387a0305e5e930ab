// Where the player sends a link: file addresses of this and other machines,
// actions, schemes. A new-window address carries any address unchanged.
#include <cstdlib>

#include "fuzz_support.h"
#include "player/link_route.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rondivo;
    const auto address = fuzz::text(data, size);
    for (bool newWindow : {false, true}) {
        LinkDecision d = routeLink(address, newWindow);
        if (d.route == LinkRoute::ShellFile && d.target.empty()) std::abort();
    }
    LinkDecision unshown = routeUnshown(address);
    if (unshown.route == LinkRoute::ShellFile && unshown.target != filePathFromUrl(address))
        std::abort();
    if (newWindowTarget(newWindowAddress(address)) != address) std::abort();
    unreachablePageHtml(std::string(address));
    return 0;
}
