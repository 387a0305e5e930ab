#pragma once
// Letting pending window events run from code that has no message loop of
// its own (the start-up routine, a copy in progress).
#include <wx/app.h>
#include <wx/evtloop.h>

namespace rondivo {

// Runs the pending events of the given categories and returns; never waits.
inline void pumpPendingEvents(long categories = wxEVT_CATEGORY_ALL) {
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
        loop->YieldFor(categories);
        return;
    }
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(&loop);
    loop.YieldFor(categories);
}

}  // namespace rondivo
