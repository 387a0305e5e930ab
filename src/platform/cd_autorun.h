#pragma once
// The machine's CD autorun switch. Windows keeps it in the registry; Linux
// desktops have no such switch, so the call only reports that.
namespace rondivo::platform {
// Returns true when the switch exists and was set.
bool setCdAutorun(bool enabled);
}  // namespace rondivo::platform
