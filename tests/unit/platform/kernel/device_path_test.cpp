#include "kernel/device_path.h"

#include <gtest/gtest.h>

namespace ce::kernel {
namespace {

TEST(DevicePath, MapsBothWays) {
    struct Case {
        std::u16string device;
        std::string host;
    };
    const Case cases[] = {
        {u"\\opt\\x\\BrevantaClient", "/opt/x/BrevantaClient"},
        {u"\\", "/"},
        {u"\\My Documents\\r\u00E9sum\u00E9.txt", "/My Documents/r\xC3\xA9sum\xC3\xA9.txt"},
        {u"\\data\\\U0001F600.bin", "/data/\xF0\x9F\x98\x80.bin"},
        {u"relative\\name", "relative/name"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.host);
        EXPECT_EQ(DevicePathToHostPath(test.device), test.host);
        EXPECT_EQ(HostPathToDevicePath(test.host), test.device);
    }
}

TEST(DevicePath, AcceptsForwardSlashes) {
    EXPECT_EQ(DevicePathToHostPath(u"/opt/x\\y"), "/opt/x/y");
}

TEST(DevicePath, RefusesIllFormedUtf16) {
    const std::u16string lone = std::u16string(u"\\a") + char16_t(0xDC00);
    EXPECT_EQ(DevicePathToHostPath(lone), std::nullopt);
}

TEST(DevicePath, HostNamesThatAreNotUtf8GetReplacementCharacters) {
    EXPECT_EQ(HostPathToDevicePath("/tmp/\xFF"
                                   "x"),
              u"\\tmp\\\uFFFDx");
}

}  // namespace
}  // namespace ce::kernel
