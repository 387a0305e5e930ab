#pragma once
// udisks2, the Linux desktop's disk service, over D-Bus (through GIO when the
// build has it). Each call names the block device ("/dev/sdb1"); false with a
// message when the service is missing or refuses.
#include <filesystem>
#include <string>

namespace rondivo::platform::udisks {

bool mount(const std::string& device, std::filesystem::path& mountPoint, std::string& error);
bool setLabel(const std::string& device, const std::string& label, std::string& error);
bool unmountAndPowerOff(const std::string& device, std::string& error);

// The object path udisks gives a block device: characters other than
// letters, digits and '_' become "_xx" (hex).
std::string blockObjectPath(const std::string& device);

}  // namespace rondivo::platform::udisks
