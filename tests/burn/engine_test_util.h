#pragma once
// What the engine and drive tests share: file contents that show where every
// byte came from, a recorder for the completion callback, and a virtual drive
// attached to a drive state.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "burn/drive_discovery.h"
#include "burn/image_writer.h"
#include "vdrive/virtual_drive.h"

namespace rondivo::burn::test {

// `n` bytes that differ from sector to sector and from seed to seed.
inline std::string pattern(std::size_t n, char seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i * 7 + i / 2048);
    return s;
}

// Records what the completion callback saw.
struct Completion {
    std::mutex m;
    std::condition_variable cv;
    int calls = 0;
    int error = -1;
    std::thread::id thread;
    CompletionCallback callback() {
        return [this](int e) {
            std::lock_guard lock(m);
            ++calls;
            error = e;
            thread = std::this_thread::get_id();
            cv.notify_all();
        };
    }
};

// Makes `drive` the only drive of `state`, selected, with an empty trace.
inline void attachVirtualDrive(DriveState& state,
                               const std::shared_ptr<vdrive::VirtualDrive>& drive) {
    auto t = std::make_unique<vdrive::VirtualDriveTransport>();
    t->add(drive);
    std::vector<std::unique_ptr<scsi::ScsiTransport>> list;
    list.push_back(std::move(t));
    DiscoverDrives(state, std::move(list));
    SelectDrive(state, 0);
    drive->clearTrace();
}

}  // namespace rondivo::burn::test
