#pragma once
// The start-up sound and the splash timer: small jobs on their own threads
// whose `finished` flag the start-up routine polls.
#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace rondivo {

struct SoundJob {
    std::string path;
    std::atomic<bool> finished{false};
};

using SoundPlayer = std::function<bool(const std::string& path)>;

// The body of the sound thread: plays the file to its end (or gives up at
// once when it cannot be opened), then sets `finished`.
void playSoundJob(SoundJob& job, const SoundPlayer& play);

// Starts the job on a detached thread; the caller keeps the record and polls
// its flag. The default player is the platform's wave player.
std::shared_ptr<SoundJob> startSoundJob(const std::string& path, SoundPlayer play = {});

struct SplashTimerJob {
    int displayMs = 0;
    std::function<void()> hide;
    std::atomic<bool> finished{false};
};

// 2000 ms when the configured time is zero or negative.
int splashDisplayTime(int displayMs);

// Sleeps the display time, hides the splash, sets `finished`.
void runSplashTimer(SplashTimerJob& job);

}  // namespace rondivo
