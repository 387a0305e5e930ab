#pragma once
// A setting in the user's part of the registry that lasts only as long as the
// object that made it. Windows keys some settings by a program's file name
// (every disc's player is called autorun.exe), so what the player sets for
// itself must not stay behind for other programs of the same name.
#include <cstdint>
#include <string>

namespace rondivo::platform {

// The IE web view renders pages as IE 7 would unless the executable's file
// name is listed here; 11001 is IE 11's standards mode, whatever the page asks.
inline constexpr char kBrowserEmulationKey[] =
    "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
inline constexpr std::uint32_t kIe11Emulation = 11001;

// Sets HKEY_CURRENT_USER\subkey, value `name` to the DWORD `value`, creating
// the key when it is missing. On destruction a value that was not there before
// is deleted (and the key, when we made it and it is empty again); one that
// was there gets its earlier data back, and one that already held `value` is
// left alone. Does nothing where there is no registry.
class ScopedUserRegistryValue {
  public:
    ScopedUserRegistryValue(std::string subkey, std::string name, std::uint32_t value);
    ~ScopedUserRegistryValue();
    ScopedUserRegistryValue(const ScopedUserRegistryValue&) = delete;
    ScopedUserRegistryValue& operator=(const ScopedUserRegistryValue&) = delete;

    bool applied() const { return applied_; }
    // Why it was not applied, for the debug log.
    const std::string& problem() const { return problem_; }

  private:
    std::string subkey_;
    std::string name_;
    bool applied_ = false;
    bool createdKey_ = false;
    bool hadValue_ = false;
    bool unchanged_ = false;
    std::uint32_t earlier_ = 0;
    std::string problem_;
};

}  // namespace rondivo::platform
