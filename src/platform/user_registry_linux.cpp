#include "platform/user_registry.h"

namespace rondivo::platform {

ScopedUserRegistryValue::ScopedUserRegistryValue(std::string subkey, std::string name,
                                                 std::uint32_t)
    : subkey_(std::move(subkey)), name_(std::move(name)), problem_("no registry on this system") {}

ScopedUserRegistryValue::~ScopedUserRegistryValue() = default;

}  // namespace rondivo::platform
