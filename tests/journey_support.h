#pragma once
// Journey tests: the program runs its own modal loops on the main thread
// while a driver thread plays the person at the keyboard. The driver finds
// controls by the labels a person reads, and acts only through xdotool
// (the X server's own input), never by calling a handler.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/toolbar.h>
#include <wx/toplevel.h>
#include <wx/window.h>
#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace rondivo::test {

class Journey {
  public:
    using Clock = std::chrono::steady_clock;

    // Runs `f` on the window thread and gives its result; nothing when the
    // window thread did not get to it in time (a modal loop of a native box).
    template <class F>
    auto onGui(F f, int ms = 5000) -> std::optional<decltype(f())> {
        using R = decltype(f());
        auto done = std::make_shared<std::promise<R>>();
        auto result = done->get_future();
        wxTheApp->CallAfter([done, f] { done->set_value(f()); });
        if (result.wait_for(std::chrono::milliseconds(ms)) != std::future_status::ready)
            return std::nullopt;
        return result.get();
    }

    // Polls `done` (on this thread) until it holds or `ms` have passed.
    static bool within(int ms, const std::function<bool()>& done) {
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < until) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return done();
    }

    static RunResult xdo(const std::vector<std::string>& args) {
        std::vector<std::string> argv{"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProgram(argv, {}, {}, 15000);
    }

    // The visible X windows whose title matches the regular expression.
    static std::vector<std::string> windows(const std::string& title) {
        RunResult r = xdo({"search", "--onlyvisible", "--name", title});
        std::vector<std::string> ids;
        std::size_t start = 0;
        while (r.status == 0 && start < r.output.size()) {
            std::size_t end = r.output.find('\n', start);
            if (end == std::string::npos) end = r.output.size();
            if (end > start) ids.push_back(r.output.substr(start, end - start));
            start = end + 1;
        }
        return ids;
    }

    // Waits for a visible window titled exactly `title` that is not in `known`.
    std::optional<std::string> waitWindow(const std::string& title, int ms = 20000,
                                          const std::vector<std::string>& known = {},
                                          bool required = true) {
        std::optional<std::string> found;
        within(ms, [&] {
            for (const std::string& id : windows("^" + title + "$"))
                if (std::find(known.begin(), known.end(), id) == known.end()) found = id;
            return found.has_value();
        });
        if (!found && required) fail("no window \"" + title + "\" appeared");
        return found;
    }

    bool waitGone(const std::string& id, int ms = 10000) {
        return within(ms, [&] {
            RunResult r = xdo({"search", "--onlyvisible", "--name", "."});
            return r.output.find(id + "\n") == std::string::npos;
        });
    }

    // The screen centre of the shown, enabled control labelled `label` (its
    // mnemonic left out), or of the toolbar tool of that label; the first in
    // window order when several carry it.
    std::optional<wxPoint> where(const std::string& label) {
        auto p = onGui([label]() -> std::optional<wxPoint> {
            const wxString want = wxString::FromUTF8(label);
            for (wxWindow* top : reachable())
                if (auto p = findIn(top, want)) return p;
            return std::nullopt;
        });
        return p ? *p : std::nullopt;
    }

    // Clicks the control labelled `label` once it is there and enabled.
    bool click(const std::string& label, int ms = 20000) {
        std::optional<wxPoint> p;
        within(ms, [&] { return (p = where(label)).has_value(); });
        if (!p) return fail("no control \"" + label + "\" to click");
        clickAt(p->x, p->y);
        return true;
    }

    // Clicks the control that follows the one labelled `label` (a list under
    // its caption), near its left end.
    bool clickAfter(const std::string& label, int ms = 20000) {
        std::optional<wxPoint> p;
        within(ms, [&] {
            auto found = onGui([label]() -> std::optional<wxPoint> {
                const wxString want = wxString::FromUTF8(label);
                for (wxWindow* top : reachable())
                    if (wxWindow* w = findWindow(top, want))
                        if (wxWindow* next = w->GetNextSibling()) {
                            wxRect r = next->GetScreenRect();
                            return wxPoint(r.x + std::min(20, r.width / 2), r.y + r.height / 2);
                        }
                return std::nullopt;
            });
            return (p = found ? *found : std::nullopt).has_value();
        });
        if (!p) return fail("nothing after \"" + label + "\" to click");
        clickAt(p->x, p->y);
        return true;
    }

    static void clickAt(int x, int y) {
        xdo({"mousemove", "--sync", std::to_string(x), std::to_string(y)});
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        xdo({"click", "1"});
    }

    // Keys (xdotool names: Return, Escape, ctrl+a) into window `id`.
    static void keys(const std::string& id, const std::vector<std::string>& names) {
        xdo({"windowfocus", "--sync", id});
        for (const std::string& k : names) xdo({"key", "--clearmodifiers", k});
    }
    static void type(const std::string& id, const std::string& text) {
        xdo({"windowfocus", "--sync", id});
        xdo({"type", "--delay", "30", text});
    }

    // A file chooser: the whole path typed into its location field (a save
    // chooser's name field, which has the focus), then Return.
    bool chooseFile(const std::string& title, const std::string& path, bool save = false) {
        auto id = waitWindow(title);
        if (!id) return false;
        // A chooser reads its folder before it takes keys.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        keys(*id, {save ? "ctrl+a" : "ctrl+l"});
        type(*id, path);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        keys(*id, {"Return"});
        return waitGone(*id);
    }

    // Clicks `label` until the window `title` opens: a click just after a
    // popup closed may go to the popup's grab.
    bool clickFor(const std::string& label, const std::string& title) {
        // A loaded machine may take seconds to show it: wait longer each time.
        for (int wait : {4000, 8000, 16000}) {
            if (!click(label)) return false;
            if (waitWindow(title, wait, {}, false)) return true;
        }
        return fail("\"" + label + "\" did not open \"" + title + "\"");
    }

    // A message box: waits for it and presses Return.
    bool answerMessage(const std::string& title, const std::vector<std::string>& known) {
        auto id = waitWindow(title, 60000, known);
        if (!id) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        keys(*id, {"Return"});
        return waitGone(*id);
    }

    // With RONDIVO_SHOTS set, the screen as <name>.png in that folder.
    static void shot(const std::string& name) {
        if (const char* dir = std::getenv("RONDIVO_SHOTS"))
            runProgram({"import", "-window", "root", std::string(dir) + "/" + name + ".png"});
    }

    bool fail(const std::string& what) {
        ADD_FAILURE() << what;
        failed_ = true;
        return false;
    }
    bool failed() const { return failed_; }

    // After a failure: ends the program's modal loops from the innermost out,
    // so that the test returns and the next one finds no window left.
    void closeEverything() {
        for (int i = 0; i < 20; ++i) {
            auto left = onGui(
                [] {
                    wxDialog* inner = nullptr;
                    for (wxWindow* top : wxTopLevelWindows)
                        if (auto* d = dynamic_cast<wxDialog*>(top); d && d->IsModal()) inner = d;
                    if (inner) inner->EndModal(wxID_CANCEL);
                    return inner != nullptr;
                },
                1000);
            if (left && !*left) return;
            // A native box holds the window thread: Escape closes it.
            if (!left) xdo({"key", "Escape"});
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    }

  private:
    // The windows a person can reach: the innermost modal dialog (GTK's grab
    // sends nothing elsewhere), else every shown one.
    static std::vector<wxWindow*> reachable() {
        std::vector<wxWindow*> shown;
        wxWindow* modal = nullptr;
        for (wxWindow* top : wxTopLevelWindows) {
            if (!top->IsShown()) continue;
            shown.push_back(top);
            if (auto* d = dynamic_cast<wxDialog*>(top); d && d->IsModal()) modal = d;
        }
        if (modal) return {modal};
        return shown;
    }

    static wxWindow* findWindow(wxWindow* w, const wxString& want) {
        if (!w->IsTopLevel() && w->IsShown() && wxStripMenuCodes(w->GetLabel()) == want) return w;
        for (wxWindow* child : w->GetChildren())
            if (!child->IsTopLevel())
                if (wxWindow* found = findWindow(child, want)) return found;
        return nullptr;
    }

    static std::optional<wxPoint> findIn(wxWindow* w, const wxString& want) {
        if (!w->IsShown()) return std::nullopt;
        if (auto* bar = dynamic_cast<wxToolBar*>(w)) return findTool(bar, want);
        if (!w->IsTopLevel() && w->IsEnabled() && wxStripMenuCodes(w->GetLabel()) == want) {
            wxRect r = w->GetScreenRect();
            return wxPoint(r.x + r.width / 2, r.y + r.height / 2);
        }
        for (wxWindow* child : w->GetChildren())
            if (child->IsTopLevel()) {
                continue;
            } else if (auto p = findIn(child, want)) {
                return p;
            }
        return std::nullopt;
    }

    // A tool has no window of its own, and wxGTK cannot say where one is:
    // GTK's toolbar holds one item per tool, in the same order.
    static std::optional<wxPoint> findTool(wxToolBar* bar, const wxString& want) {
        if (!bar->IsEnabled()) return std::nullopt;
#ifdef __WXGTK__
        GtkToolbar* gtkBar = bar->GTKGetToolbar();
        const int n = std::min<int>(gtk_toolbar_get_n_items(gtkBar), bar->GetToolsCount());
        for (int i = 0; i < n; ++i) {
            const wxToolBarToolBase* tool = bar->GetToolByPos(i);
            if (!tool || !tool->IsEnabled() ||
                (tool->GetLabel() != want && tool->GetShortHelp() != want))
                continue;
            GtkWidget* item = GTK_WIDGET(gtk_toolbar_get_nth_item(gtkBar, i));
            GtkAllocation a;
            gtk_widget_get_allocation(item, &a);
            int x = 0, y = 0;
            if (!gtk_widget_translate_coordinates(item, bar->GetHandle(), a.width / 2, a.height / 2,
                                                  &x, &y))
                return std::nullopt;
            return bar->GetScreenPosition() + wxPoint(x, y);
        }
#endif
        return std::nullopt;
    }

    bool failed_ = false;
};

}  // namespace rondivo::test
