#pragma once
// What the start-up routine hands the built-in browser window.
#include <filesystem>
#include <string>

#include "disc/autorun_dat.h"

namespace rondivo {

struct BrowserLaunch {
    std::filesystem::path address;  // the executable's folder joined with the page
    std::string page;               // the page as the launch arguments name it
    std::string icon;
    int windowSizeIndex = 0;
    PresentationSettings settings;
    bool mediaMode = false;
    bool dataFolderLayout = true;
    bool restoreDesignerAfter = false;
};

}  // namespace rondivo
