// Addresses a page can navigate to, through the file-address conversion and
// the link router of both engines: a path never holds a NUL, no file of
// another machine is ever handed to the shell, and a new-window address
// carries any address unchanged.
#include <cstdlib>

#include "disc/action_address.h"
#include "fuzz_support.h"
#include "platform/file_address.h"
#include "player/link_route.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rondivo;
    const auto address = fuzz::text(data, size);
    for (auto style : {platform::PathStyle::Posix, platform::PathStyle::Windows}) {
        auto path = platform::pathFromFileAddress(address, style);
        if (path && path->path.find('\0') != std::string::npos) std::abort();
        const std::string local = platform::localFilePath(address, style);
        if (!local.empty() && (!path || path->otherHost)) std::abort();
    }
    for (auto engine : {WebEngine::WebKit, WebEngine::InternetExplorer}) {
        for (bool newWindow : {false, true}) {
            LinkDecision d = routeLink(address, newWindow, engine);
            if (d.route != LinkRoute::ShellFile) continue;
            auto path = platform::pathFromFileAddress(address);
            if (!path || path->otherHost || d.target.find('\0') != std::string::npos) std::abort();
        }
    }
    if (carriedAddress(kNewWindowScheme, carryAddress(kNewWindowScheme, address)) != address)
        std::abort();
    unreachablePageHtml(std::string(address));
    return 0;
}
