#include "platform/sound.h"

#include <gtest/gtest.h>

#include <chrono>

#include "player/sound_job.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string waveBytes() {
    std::string riff = "RIFF";
    riff += std::string("\x24\x00\x00\x00", 4);
    riff += "WAVEfmt ";
    return riff + std::string(32, '\0');
}

// A folder with a wave file and a recording player that takes `seconds` to play.
class SoundTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    test::TempDir bin;
    std::optional<test::ScopedCwd> cwd;
    void SetUp() override {
        test::writeFile(dir / "Intro.WAV", waveBytes());
        test::writeFile(dir / "my sound.wav", waveBytes());
        test::writeFile(dir / "notes.wav", "plain text");
        cwd.emplace(dir.path());
    }
    void fakePlayer(const std::string& seconds, int exitCode) {
        test::writeFile(bin / "pw-play", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" +
                                             (bin / "log").string() + "'\nsleep " + seconds +
                                             "\nexit " + std::to_string(exitCode) + "\n");
        fs::permissions(bin / "pw-play", fs::perms::owner_all);
    }
    std::string log() { return test::readFile(bin / "log"); }
    std::string path() { return bin.path().string() + ":/usr/bin:/bin"; }
};

TEST_F(SoundTest, PlaysToTheEndWithTheFileFoundWithoutRegardToCase) {
    RONDIVO_LINUX_ONLY("a fake sound player on PATH");
    fakePlayer("0.4", 0);
    test::ScopedEnv p("PATH", path());
    auto start = Clock::now();
    EXPECT_TRUE(platform::playWaveFile("intro.wav"));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(400));
    EXPECT_EQ(log(), (dir / "Intro.WAV").string() + "\n");
}

TEST_F(SoundTest, WhatCannotBeOpenedEndsAtOnce) {
    fakePlayer("5", 0);
    test::ScopedEnv p("PATH", path());
    const char* cases[] = {"missing.wav", "notes.wav", "my sound.wav", ""};
    for (const char* c : cases) {
        auto start = Clock::now();
        EXPECT_FALSE(platform::playWaveFile(c)) << c;
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << c;
    }
    EXPECT_EQ(log(), "");
}

TEST_F(SoundTest, AFailingPlayerOrNoPlayerIsFailure) {
    fakePlayer("0", 1);  // what a player does without an audio device
    {
        test::ScopedEnv p("PATH", path());
        EXPECT_FALSE(platform::playWaveFile("Intro.WAV"));
    }
    test::ScopedEnv none("PATH", (dir / "empty").string());
    EXPECT_FALSE(platform::playWaveFile("Intro.WAV"));
}

TEST(SoundJob, FinishedIsSetOnceThePlayerReturns) {
    std::atomic<bool> release{false};
    auto job = startSoundJob("a.wav", [&](const std::string& p) {
        EXPECT_EQ(p, "a.wav");
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(job->finished);
    release = true;
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!job->finished && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(job->finished);
}

TEST(SplashTimer, HidesAfterTheDisplayTime) {
    EXPECT_EQ(splashDisplayTime(0), 2000);
    EXPECT_EQ(splashDisplayTime(-5), 2000);
    EXPECT_EQ(splashDisplayTime(1500), 1500);
    SplashTimerJob job;
    job.displayMs = 120;
    int hidden = 0;
    job.hide = [&] { ++hidden; };
    auto start = Clock::now();
    runSplashTimer(job);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(120));
    EXPECT_EQ(hidden, 1);
    EXPECT_TRUE(job.finished);
}

}  // namespace
}  // namespace rondivo
