#include "platform/udisks_linux.h"

#include <cstdio>

#ifdef RONDIVO_HAVE_GIO
#include <gio/gio.h>
#endif

namespace rondivo::platform::udisks {

namespace {
constexpr const char* kService = "org.freedesktop.UDisks2";
constexpr const char* kFilesystem = "org.freedesktop.UDisks2.Filesystem";
}  // namespace

std::string blockObjectPath(const std::string& device) {
    std::string name = device.substr(device.rfind('/') + 1);
    std::string path = "/org/freedesktop/UDisks2/block_devices/";
    for (unsigned char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '_') {
            path.push_back(static_cast<char>(c));
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "_%02x", c);
            path += hex;
        }
    }
    return path;
}

#ifdef RONDIVO_HAVE_GIO

namespace {

// One method call on the system bus; the reply (to be unreffed) or nullptr
// with the service's message.
GVariant* call(const std::string& object, const char* interface, const char* method,
               GVariant* parameters, const GVariantType* replyType, std::string& error) {
    GError* failure = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &failure);
    if (!bus) {
        error = std::string("the system's disk service cannot be reached (") +
                (failure ? failure->message : "no system bus") + ")";
        if (failure) g_error_free(failure);
        if (parameters) g_variant_unref(g_variant_ref_sink(parameters));
        return nullptr;
    }
    // Formatting-class calls can take a while on a slow stick.
    GVariant* reply =
        g_dbus_connection_call_sync(bus, kService, object.c_str(), interface, method, parameters,
                                    replyType, G_DBUS_CALL_FLAGS_NONE, 60000, nullptr, &failure);
    g_object_unref(bus);
    if (!reply) {
        error = failure ? failure->message : "the disk service did not answer";
        if (failure) g_error_free(failure);
    }
    return reply;
}

GVariant* noOptions() {
    return g_variant_new("(a{sv})", nullptr);
}

}  // namespace

bool mount(const std::string& device, std::filesystem::path& mountPoint, std::string& error) {
    GVariant* reply = call(blockObjectPath(device), kFilesystem, "Mount", noOptions(),
                           G_VARIANT_TYPE("(s)"), error);
    if (!reply) return false;
    const gchar* where = nullptr;
    g_variant_get(reply, "(&s)", &where);
    mountPoint = where ? where : "";
    g_variant_unref(reply);
    return !mountPoint.empty();
}

bool setLabel(const std::string& device, const std::string& label, std::string& error) {
    GVariant* reply = call(blockObjectPath(device), kFilesystem, "SetLabel",
                           g_variant_new("(sa{sv})", label.c_str(), nullptr), nullptr, error);
    if (!reply) return false;
    g_variant_unref(reply);
    return true;
}

bool unmountAndPowerOff(const std::string& device, std::string& error) {
    const std::string block = blockObjectPath(device);
    GVariant* reply = call(block, kFilesystem, "Unmount", noOptions(), nullptr, error);
    if (!reply) return false;
    g_variant_unref(reply);
    // The drive (the whole stick) is a property of the block device.
    reply = call(block, "org.freedesktop.DBus.Properties", "Get",
                 g_variant_new("(ss)", "org.freedesktop.UDisks2.Block", "Drive"),
                 G_VARIANT_TYPE("(v)"), error);
    if (!reply) return false;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    std::string drive = value && g_variant_is_of_type(value, G_VARIANT_TYPE_OBJECT_PATH)
                            ? g_variant_get_string(value, nullptr)
                            : "";
    if (value) g_variant_unref(value);
    g_variant_unref(reply);
    if (drive.empty() || drive == "/") {
        error = "the disk service knows no drive for " + device;
        return false;
    }
    reply = call(drive, "org.freedesktop.UDisks2.Drive", "PowerOff", noOptions(), nullptr, error);
    if (!reply) return false;
    g_variant_unref(reply);
    return true;
}

#else

bool mount(const std::string&, std::filesystem::path&, std::string& error) {
    error = "this build cannot reach the system's disk service";
    return false;
}

bool setLabel(const std::string&, const std::string&, std::string& error) {
    error = "this build cannot reach the system's disk service";
    return false;
}

bool unmountAndPowerOff(const std::string&, std::string& error) {
    error = "this build cannot reach the system's disk service";
    return false;
}

#endif

}  // namespace rondivo::platform::udisks
