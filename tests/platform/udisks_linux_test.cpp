// The udisks2 calls against a fake disk service on a private bus: the
// methods, object paths and arguments a real udisks2 expects.
#ifdef RONDIVO_HAVE_GIO
#include "platform/udisks_linux.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/process.h"
#include "test_support.h"

namespace rondivo::platform {
namespace {

constexpr const char* kIntrospection = R"(<node>
  <interface name="org.freedesktop.UDisks2.Filesystem">
    <method name="Mount"><arg type="a{sv}" direction="in"/><arg type="s" direction="out"/></method>
    <method name="Unmount"><arg type="a{sv}" direction="in"/></method>
    <method name="SetLabel"><arg type="s" direction="in"/><arg type="a{sv}" direction="in"/></method>
  </interface>
  <interface name="org.freedesktop.UDisks2.Block">
    <property name="Drive" type="o" access="read"/>
  </interface>
  <interface name="org.freedesktop.UDisks2.Drive">
    <method name="PowerOff"><arg type="a{sv}" direction="in"/></method>
  </interface>
</node>)";

struct FakeUdisks {
    std::mutex lock;
    std::vector<std::string> calls;  // "object method argument"
};

void onCall(GDBusConnection*, const gchar*, const gchar* object, const gchar*, const gchar* method,
            GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
    auto* fake = static_cast<FakeUdisks*>(data);
    std::string call = std::string(object) + " " + method;
    if (std::string(method) == "SetLabel") {
        const gchar* label = nullptr;
        g_variant_get_child(parameters, 0, "&s", &label);
        call += std::string(" ") + label;
    }
    {
        std::lock_guard<std::mutex> hold(fake->lock);
        fake->calls.push_back(call);
    }
    if (std::string(method) == "Mount")
        g_dbus_method_invocation_return_value(invocation,
                                              g_variant_new("(s)", "/media/me/FAKE STICK"));
    else
        g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* onGet(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GError**,
                gpointer) {
    return g_variant_new_object_path("/org/freedesktop/UDisks2/drives/Fake_Stick");
}

TEST(Udisks, MountLabelAndPowerOffCallTheServiceAsItExpects) {
    test::TempDir t;
    auto daemon = spawnProcess(
        {"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + (t / "bus").string()});
    if (!daemon.started()) GTEST_SKIP() << "no dbus-daemon";
    const std::string address = "unix:path=" + (t / "bus").string();
    GDBusConnection* bus = nullptr;
    for (int i = 0; i < 100 && !bus; ++i) {
        bus = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        if (!bus) g_usleep(20000);
    }
    ASSERT_NE(bus, nullptr);
    FakeUdisks fake;
    GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    GDBusInterfaceVTable vtable{onCall, onGet, nullptr, {}};
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    for (const char* object : {"/org/freedesktop/UDisks2/block_devices/sdz1",
                               "/org/freedesktop/UDisks2/drives/Fake_Stick"})
        for (int i = 0; i < 3; ++i)
            g_dbus_connection_register_object(bus, object, info->interfaces[i], &vtable, &fake,
                                              nullptr, nullptr);
    g_main_context_pop_thread_default(context);
    GVariant* owned = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", "org.freedesktop.UDisks2", 0u), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000,
        nullptr, nullptr);
    ASSERT_NE(owned, nullptr);
    g_variant_unref(owned);
    std::atomic<bool> stop{false};
    std::thread service([&] {
        while (!stop) g_main_context_iteration(context, FALSE), g_usleep(1000);
    });

    test::ScopedEnv systemBus("DBUS_SYSTEM_BUS_ADDRESS", address);
    std::filesystem::path mountPoint;
    std::string error;
    EXPECT_TRUE(udisks::mount("/dev/sdz1", mountPoint, error)) << error;
    EXPECT_EQ(mountPoint, "/media/me/FAKE STICK");
    EXPECT_TRUE(udisks::setLabel("/dev/sdz1", "CD-ROM DIST", error)) << error;
    EXPECT_TRUE(udisks::unmountAndPowerOff("/dev/sdz1", error)) << error;
    EXPECT_FALSE(udisks::setLabel("/dev/sdy1", "X", error));  // no such object
    EXPECT_FALSE(error.empty());

    stop = true;
    service.join();
    const std::string block = "/org/freedesktop/UDisks2/block_devices/sdz1 ";
    EXPECT_EQ(fake.calls, (std::vector<std::string>{
                              block + "Mount", block + "SetLabel CD-ROM DIST", block + "Unmount",
                              "/org/freedesktop/UDisks2/drives/Fake_Stick PowerOff"}));
    g_dbus_node_info_unref(info);
    g_object_unref(bus);
    g_main_context_unref(context);
    ::kill(daemon.pid, SIGTERM);
    waitForExit(daemon.pid);
}

}  // namespace
}  // namespace rondivo::platform
#endif
