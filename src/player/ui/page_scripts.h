#pragma once
// Scripts the player puts into every page and frame. Plain ES5 without
// engine-only calls: the Windows player's engine runs them too.

namespace rondivo {

// Links and scripts that ask for a new window (a target naming no frame of the
// page, window.open) navigate to the new-window scheme instead, which the
// window routes; the engine would otherwise drop them (a target) or, on
// window.open, abort the whole program.
extern const char* const kNewWindowScript;

// Back as in a browser: Alt+Left, and Backspace outside text fields. Pages
// that handle those keys themselves keep them. (The mouse's back button never
// reaches the page in the GTK engine; see EngineHooks.)
extern const char* const kBackScript;

}  // namespace rondivo
