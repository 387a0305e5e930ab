#pragma once
// What the start-up routine needs from the windows of each subsystem. Each
// subsystem's window files implement their part.
#include <filesystem>
#include <string>

#include "app/startup.h"

namespace rondivo {

// Designer (designer/): the main designer window, run modally.
void runDesignerWindow();

// Player (player/): splash, start-up sound and the built-in browser window.
void showDesignerSplashWindow(
    const std::filesystem::path& image);                         // hidden by a worker after 2000 ms
void showPlayerSplash(const std::string& image, int displayMs);  // blocks for the display time
void startStartupSound(const std::string& path);
bool startupSoundFinished();
void runBrowserWindow(const BrowserLaunch& launch);
// Decrypts the disc's secure files; returns the folder that holds them.
std::string extractSecureFilesForShell(bool dataFolderLayout);
// Connects the browser window to the secure-file extraction (called once at start-up).
void installSecureFileHooks();
// Connects Presentation Complete's "Burn to CD" and "Save ISO" to the disc dialogs
// (called once at start-up).
void installBurnActions();

}  // namespace rondivo
