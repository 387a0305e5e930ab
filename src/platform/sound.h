#pragma once
// The start-up sound: a wave file played to its end by the desktop's sound
// player (PipeWire, PulseAudio, ALSA or SoX, whichever is installed).
#include <filesystem>
#include <string>

namespace rondivo::platform {

// True when `file` is a RIFF/WAVE file we can read.
bool isWaveFile(const std::filesystem::path& file);

// Plays `path` (relative to the current directory, matched without regard to
// case) and returns when it has ended. Returns false at once when it cannot be
// opened: a missing or non-wave file, a path with a blank (the wave device
// takes the name up to the first blank), no player program, or a player that
// fails (no audio device).
bool playWaveFile(const std::string& path);

}  // namespace rondivo::platform
