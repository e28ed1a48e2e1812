// Opening the kernel's remote access where its devices are missing or are something else: the
// reason names the device, so that whoever deploys the program knows what to give it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "drivers/kernel/kernel_remote.h"
#include "drivers/kernel/uinput_device.h"
#include "test_files.h"

namespace ce::drivers::kernel_remote {
namespace {

TEST(KernelRemoteOpen, NamesTheDeviceThatIsMissingOrIsNoneOfItsKind) {
    struct Case {
        const char* name;
        std::vector<const char*> files;   // plain files put in the scratch folder
        std::vector<std::string> reason;  // words of the reason, "@" standing for the folder
    };
    const Case cases[] = {
        {"no device at all", {}, {"no DRM device in @/dri", "@/fb0", "No such file"}},
        {"a card that is no DRM device", {"dri/card0"}, {"@/dri/card0"}},
        {"every card is tried", {"dri/card1", "dri/card0"}, {"@/dri/card0", "@/dri/card1"}},
        {"only a render node, then no framebuffer", {"dri/renderD128"}, {"@/fb0"}},
        {"a framebuffer that is no framebuffer device",
         {"fb0"},
         {"@/fb0", "not a framebuffer device"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        brevanta::test::TemporaryDirectory folder;
        ASSERT_EQ(::mkdir((folder.Path() + "/dri").c_str(), 0755), 0);
        for (const char* file : c.files) {
            ASSERT_FALSE(folder.WriteFile(file, "").empty());
        }
        const KernelDevices devices{folder.Path() + "/dri", folder.Path() + "/fb0",
                                    folder.Path() + "/uinput"};
        std::string error;
        EXPECT_EQ(KernelRemote::Create(
                      devices,
                      [] {
                          return SIZE{272, 480};
                      },
                      &error),
                  nullptr);
        for (std::string word : c.reason) {
            if (const auto at = word.find('@'); at != std::string::npos) {
                word.replace(at, 1, folder.Path());
            }
            EXPECT_NE(error.find(word), std::string::npos) << error;
        }
    }
}

TEST(KernelRemoteOpen, NamesAUinputThatIsMissingOrIsNoUinput) {
    brevanta::test::TemporaryDirectory folder;
    const std::string plain = folder.WriteFile("uinput", "");
    const std::string missing = folder.Path() + "/missing";
    const UinputDescription pointer = AbsolutePointer(SIZE{272, 480}, "test pointer");
    for (const std::string& path : {missing, plain}) {
        SCOPED_TRACE(path);
        std::string error;
        EXPECT_EQ(UinputDevice::Create(path, pointer, &error), nullptr);
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    }
}

}  // namespace
}  // namespace ce::drivers::kernel_remote
