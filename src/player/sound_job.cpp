#include "player/sound_job.h"

#include <chrono>
#include <thread>

#include "platform/sound.h"

namespace rondivo {

void playSoundJob(SoundJob& job, const SoundPlayer& play) {
    play(job.path);
    job.finished = true;
}

std::shared_ptr<SoundJob> startSoundJob(const std::string& path, SoundPlayer play) {
    auto job = std::make_shared<SoundJob>();
    job->path = path;
    if (!play) play = platform::playWaveFile;
    std::thread([job, play = std::move(play)] { playSoundJob(*job, play); }).detach();
    return job;
}

int splashDisplayTime(int displayMs) {
    return displayMs <= 0 ? 2000 : displayMs;
}

void runSplashTimer(SplashTimerJob& job) {
    std::this_thread::sleep_for(std::chrono::milliseconds(splashDisplayTime(job.displayMs)));
    if (job.hide) job.hide();
    job.finished = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace rondivo
