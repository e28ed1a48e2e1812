// The Debian packages as an administrator meets them: installed with dpkg into a scratch root,
// their programs run from where they were installed, their entries and unit checked by the
// tools that read them, and a device provisioned from the service's command line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "client_sync_fixture.h"
#include "netns_harness.h"
#include "private_mounts.h"
#include "private_network.h"
#include "program_under_test.h"
#include "scratch_root.h"
#include "simulator_process.h"
#include "tavrelin_under_test.h"
#include "test_files.h"
#include "unit_command.h"
#include "wait_until.h"
#include "x11_screen.h"
#include "xvfb_process.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;

// A user without an account, as systemd's DynamicUser gives the service.
constexpr const char* kServiceUser = "61807";
constexpr const char* kDeviceUser = "kiosk";
// Inside the main screen's sync zone and its QUIT button.
constexpr int kSyncX = 134;
constexpr int kSyncY = 136;
constexpr int kQuitX = 134;
constexpr int kQuitY = 296;
constexpr std::size_t kPackageSize = 70000;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// The value of KEY= in a desktop entry or unit, or empty.
std::string KeyValue(const std::string& text, const std::string& key) {
    for (const std::string& line : Lines(text)) {
        if (line.starts_with(key + "=")) {
            return line.substr(key.size() + 1);
        }
    }
    return "";
}

struct Package {
    std::string file;
    std::string name;
    std::string version;
};

class InstalledPackages : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!CanManageNamespaces()) {
            s_skip = "needs root for mount and network namespaces";
            return;
        }
        for (const auto& entry : std::filesystem::directory_iterator(BREVANTA_PACKAGE_DIR)) {
            if (entry.path().extension() == ".deb") {
                const std::string file = entry.path().string();
                s_packages.push_back(
                    {file,
                     Trimmed(RunCommand({"/usr/bin/dpkg-deb", "--field", file, "Package"}).output),
                     Trimmed(
                         RunCommand({"/usr/bin/dpkg-deb", "--field", file, "Version"}).output)});
            }
        }
        std::string error;
        s_root = std::make_unique<ScratchRoot>();
        if (!EnterPrivateMounts(&error) || !s_root->Create(&error)) {
            s_failure = "scratch root: " + error;
            return;
        }
        std::vector<std::string> install = {"--install"};
        for (const Package& package : s_packages) {
            install.push_back(package.file);
        }
        const CommandResult result = s_root->Dpkg(install);
        if (result.exitCode != 0) {
            s_failure = "dpkg --install:\n" + result.output;
        }
    }

    static void TearDownTestSuite() { s_root.reset(); }

    void SetUp() override {
        if (!s_skip.empty()) {
            GTEST_SKIP() << s_skip;
        }
        ASSERT_TRUE(s_failure.empty()) << s_failure;
        ASSERT_FALSE(s_packages.empty()) << "no package in " << BREVANTA_PACKAGE_DIR;
    }

    static const ScratchRoot& Root() { return *s_root; }

    static const Package& PackageNamed(const std::string& name) {
        static const Package none;
        for (const Package& package : s_packages) {
            if (package.name == name) {
                return package;
            }
        }
        ADD_FAILURE() << "no package " << name;
        return none;
    }

    // The files a package installed, as dpkg lists them.
    static std::vector<std::string> FilesOf(const std::string& package) {
        std::vector<std::string> files;
        for (const std::string& line : Lines(Root().Dpkg({"--listfiles", package}).output)) {
            if (line.starts_with("/") && std::filesystem::is_regular_file(Root().Host(line))) {
                files.push_back(line);
            }
        }
        return files;
    }

    static std::vector<std::string> InstalledFiles(const std::string& suffix) {
        std::vector<std::string> found;
        for (const Package& package : s_packages) {
            for (const std::string& file : FilesOf(package.name)) {
                if (file.ends_with(suffix)) {
                    found.push_back(file);
                }
            }
        }
        return found;
    }

    static std::string InstalledText(const std::string& path) {
        return ReadFileBytes(Root().Host(path)).value_or("");
    }

    // The number of a user or group in the scratch root's passwd or group file, or -1.
    static long AccountId(const std::string& file, const std::string& name) {
        for (const std::string& line : Lines(InstalledText(file))) {
            if (line.starts_with(name + ":")) {
                const auto start = line.find(':', name.size() + 1) + 1;
                return std::stol(line.substr(start, line.find(':', start) - start));
            }
        }
        return -1;
    }

    // The command of an autostart entry in /etc/xdg/autostart.
    static std::string AutostartCommand(const std::string& entry) {
        return KeyValue(InstalledText("/etc/xdg/autostart/" + entry + ".desktop"), "Exec");
    }

    static void SetTavrelinAutostart(const std::string& value) {
        TemporaryDirectory work;
        const std::string written =
            work.WriteFile("tavrelin", "TAVRELIN_AUTOSTART=" + value + "\n");
        ASSERT_FALSE(written.empty());
        std::filesystem::copy_file(written, Root().Host(kTavrelinSettings),
                                   std::filesystem::copy_options::overwrite_existing);
    }

    static constexpr const char* kTavrelinSettings = "/etc/default/tavrelin";

    inline static std::string s_skip;
    inline static std::string s_failure;
    inline static std::vector<Package> s_packages;
    inline static std::unique_ptr<ScratchRoot> s_root;
};

TEST_F(InstalledPackages, EveryProgramAnswersItsVersionAndHasAManPage) {
    std::set<std::string> programs;
    for (const Package& package : s_packages) {
        for (const std::string& file : FilesOf(package.name)) {
            const std::filesystem::path path(file);
            if (path.parent_path() != "/usr/bin" && file.find("/var/lib/") == std::string::npos) {
                continue;
            }
            const std::string name = path.filename().string();
            programs.insert(name);
            const CommandResult version = RunCommand(Root().Chrooted({file, "--version"}));
            EXPECT_EQ(version.exitCode, 0) << file;
            if (name == "BrevantaClient" || name == "Tavrelin") {
                // The device programs carry the versions the system gave them.
                EXPECT_TRUE(
                    std::regex_match(version.output, std::regex(name + R"( \d+\.\d+\.\d+\.\d+\n)")))
                    << version.output;
            } else {
                EXPECT_EQ(version.output, name + " " + package.version + "\n");
            }
            const CommandResult help = RunCommand(Root().Chrooted({file, "--help"}));
            EXPECT_EQ(help.exitCode, 0) << file;
            EXPECT_TRUE(help.output.starts_with("Usage: ")) << help.output;
            EXPECT_TRUE(
                std::filesystem::exists(Root().Host("/usr/share/man/man1/" + name + ".1.gz")))
                << "no man page for " << name;
        }
    }
    for (const char* program :
         {"BrevantaClient", "Tavrelin", "brevanta-server", "tavrelin-viewer", "tavrelin-web"}) {
        EXPECT_TRUE(programs.contains(program)) << program << " is not installed";
    }
}

TEST_F(InstalledPackages, DesktopEntriesAreValidAndNameWhatIsInstalled) {
    const std::vector<std::string> entries = InstalledFiles(".desktop");
    EXPECT_GE(entries.size(), 3u);
    for (const std::string& entry : entries) {
        const CommandResult check =
            RunCommand({"/usr/bin/desktop-file-validate", Root().Host(entry)});
        EXPECT_EQ(check.exitCode, 0) << entry << "\n" << check.output;
        const std::string text = InstalledText(entry);
        const std::string icon = KeyValue(text, "Icon");
        EXPECT_TRUE(std::filesystem::exists(
            Root().Host("/usr/share/icons/hicolor/32x32/apps/" + icon + ".png")))
            << entry << " names icon " << icon;
        const std::string tryExec = KeyValue(text, "TryExec");
        const std::string program = tryExec.starts_with("/") ? tryExec : "/usr/bin/" + tryExec;
        EXPECT_TRUE(std::filesystem::exists(Root().Host(program))) << entry;
    }
}

TEST_F(InstalledPackages, ServiceUnitsPassSystemdAnalyzeVerify) {
    const std::vector<std::string> units = InstalledFiles(".service");
    ASSERT_EQ(units.size(), 3u);
    for (std::string unit : units) {
        SCOPED_TRACE(unit);
        // A template is verified as an instance of it: the client's for root.
        const std::string name = std::filesystem::path(unit).filename();
        if (const auto at = name.find("@."); at != std::string::npos) {
            const std::string instance = "/run/" + name.substr(0, at + 1) + "root.service";
            std::filesystem::create_directories(Root().Host("/run"));
            std::filesystem::copy_file(Root().Host(unit), Root().Host(instance),
                                       std::filesystem::copy_options::overwrite_existing);
            unit = instance;
        }
        const CommandResult verify =
            RunCommand(Root().Chrooted({"/usr/bin/systemd-analyze", "verify", unit}));
        EXPECT_EQ(verify.exitCode, 0) << verify.output;
        EXPECT_EQ(verify.output, "");
    }
}

TEST_F(InstalledPackages, TavrelinStartsWithTheSessionOnlyWhereEnabled) {
    const std::string launcher = AutostartCommand("tavrelin");
    ASSERT_FALSE(launcher.empty());
    ASSERT_NE(InstalledText(kTavrelinSettings).find("TAVRELIN_AUTOSTART=no"), std::string::npos);

    ProgramUnderTest disabled(ProgramUnderTest::InPlace{Root().Chrooted({launcher})});
    EXPECT_FALSE(disabled.StartHeadless());
    EXPECT_EQ(disabled.WaitForExit(10s), 0);

    SetTavrelinAutostart("yes");
    ProgramUnderTest enabled(ProgramUnderTest::InPlace{Root().Chrooted({launcher})});
    ASSERT_TRUE(enabled.StartHeadless({}, "240x320"));
    ASSERT_TRUE(TavrelinUnderTest::WaitUntilListening());

    // The address line shows the version that --version answers.
    const std::string version =
        RunCommand(Root().Chrooted({"/usr/bin/Tavrelin", "--version"})).output;
    const std::string shown = "Version: " + Trimmed(version.substr(version.find(' ') + 1));
    EXPECT_TRUE(WaitUntil([&] {
        for (const ShownWindow& window : enabled.Windows()) {
            for (const ShownWindow& child : enabled.Children(window.id)) {
                if (child.text.ends_with(shown)) {
                    return true;
                }
            }
        }
        return false;
    })) << shown;

    // The installed viewer sees the installed server's screen.
    const CommandResult viewer = RunCommand(Root().Chrooted(
        {"/usr/bin/tavrelin-viewer", "--script", "wait-frame; expect-size 240x320"}));
    EXPECT_EQ(viewer.exitCode, 0) << viewer.output;
    EXPECT_NE(viewer.output.find("frame mode="), std::string::npos) << viewer.output;

    SetTavrelinAutostart("no");
}

// A session starts its autostart entries together, in no set order. Whichever comes first, the
// client's full-screen window must end up covering Tavrelin's control window.
TEST_F(InstalledPackages, TheClientCoversTavrelinWhenBothStartWithTheSession) {
    SetTavrelinAutostart("yes");
    XvfbProcess xvfb;
    std::string error;
    ASSERT_TRUE(xvfb.Start(272, 480, 16, &error)) << error;
    X11Screen screen(xvfb.DisplayName());
    ASSERT_TRUE(screen.Connected());

    // The client's entry first: the order in which it could end up below.
    ProgramUnderTest client(
        ProgramUnderTest::InPlace{Root().Chrooted({AutostartCommand("brevantaclient")})});
    ASSERT_TRUE(client.StartX11(xvfb.DisplayName()));
    ProgramUnderTest tavrelin(
        ProgramUnderTest::InPlace{Root().Chrooted({AutostartCommand("tavrelin")})});
    ASSERT_TRUE(tavrelin.StartX11(xvfb.DisplayName()));

    // Top first: the client's dialog, then Tavrelin's control window.
    const auto classes = [&] {
        std::vector<std::string> shown;
        for (const ShownWindow& window : screen.MappedWindows("")) {
            shown.push_back(window.className);
        }
        return shown;
    };
    const std::vector<std::string> expected = {"#32770", "Quintaro"};
    // As long as the client's launcher waits for Tavrelin's window: on a loaded machine the two
    // programs take that long to start.
    EXPECT_TRUE(WaitUntil([&] { return classes() == expected; }, 60s))
        << "windows top first: " << ::testing::PrintToString(classes());
    // Where Tavrelin's window lies, a person sees the client's artwork.
    const Rgb artwork = BackgroundPixel(BREVANTA_CLIENT_RES "/main_background.bmp", 60, 136);
    EXPECT_TRUE(WaitUntil([&] {
        const auto shot = screen.Capture();
        return shot && shot->At(60, 136) == artwork;
    }));
    SetTavrelinAutostart("no");
}

// Runs last: it removes and purges the client.
TEST_F(InstalledPackages, DeviceProvisionsFromTheServiceAndKeepsItsRecordUntilPurged) {
    NetnsPair pair;
    std::string error;
    ASSERT_TRUE(pair.Create(&error)) << error;

    // The service: its unit's command line, as a user without privileges or an account.
    const std::vector<std::string> units = InstalledFiles("/brevanta-server.service");
    ASSERT_EQ(units.size(), 1u);
    const auto command = ServiceCommandLine(
        InstalledText(units.front()),
        [](const std::string& path) { return ReadFileBytes(Root().Host(path)); });
    ASSERT_TRUE(command && command->size() >= 2);
    const std::string served = command->back();
    const std::string package = PatternBytes(kPackageSize, 11);
    TemporaryDirectory work;
    std::filesystem::permissions(work.Path(), std::filesystem::perms::all);
    std::filesystem::copy_file(work.WriteFile("kelmaris.cab", package),
                               Root().Host(served + "/kelmaris.cab"));
    std::vector<std::string> serviceArguments = {Root().Host(""),
                                                 "/usr/bin/setpriv",
                                                 std::string("--reuid=") + kServiceUser,
                                                 std::string("--regid=") + kServiceUser,
                                                 "--clear-groups",
                                                 "--no-new-privs",
                                                 "--"};
    serviceArguments.insert(serviceArguments.end(), command->begin(), command->end());
    SimulatorProcess service;
    ASSERT_TRUE(service.Start("/usr/sbin/chroot", serviceArguments, &error, pair.ServerPath()))
        << error;

    // The device's session user, a member of the client's group, starts the client through
    // its autostart entry; the "open" handler notes what it is given.
    const CommandResult user = RunCommand(Root().Chrooted(
        {"/usr/sbin/useradd", "--no-create-home", "--groups", "brevantaclient", kDeviceUser}));
    ASSERT_EQ(user.exitCode, 0) << user.output;
    const std::string opened = work.Path() + "/opened.txt";
    ASSERT_FALSE(
        work.WriteFile("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> " + opened + "\n").empty());
    std::filesystem::copy_file(work.Path() + "/xdg-open", Root().Host("/usr/local/bin/xdg-open"));
    std::filesystem::permissions(
        Root().Host("/usr/local/bin/xdg-open"),
        std::filesystem::perms::owner_all | std::filesystem::perms::group_exec |
            std::filesystem::perms::others_exec | std::filesystem::perms::group_read |
            std::filesystem::perms::others_read);
    const std::string launcher =
        KeyValue(InstalledText("/etc/xdg/autostart/brevantaclient.desktop"), "Exec");
    const auto asDeviceUser = ProgramUnderTest::InPlace{
        Root().Chrooted({"/usr/bin/setpriv", std::string("--reuid=") + kDeviceUser,
                         std::string("--regid=") + kDeviceUser, "--init-groups", "--", launcher})};

    const std::string folder = "/var/lib/brevantaclient";
    const std::string record = Root().Host(folder + "/brevantaclient.txt");
    {
        ProgramUnderTest client(asDeviceUser);
        ASSERT_TRUE(client.StartHeadless(pair.DevicePath()));
        ASSERT_TRUE(client.WaitForWindowCount(1));
        ASSERT_TRUE(client.WaitForScreen(AddressShown));
        ASSERT_TRUE(client.Tap(kSyncX, kSyncY));
        ASSERT_TRUE(WaitUntil([&] { return !ReadFileBytes(opened).value_or("").empty(); }))
            << "record: " << ReadFileBytes(record).value_or("none");
        EXPECT_EQ(ReadFileBytes(opened), folder + "/kelmaris.cab\n");
        ASSERT_TRUE(client.Tap(kQuitX, kQuitY));
        EXPECT_EQ(client.WaitForExit(10s), 0);
    }
    EXPECT_EQ(ReadFileBytes(Root().Host(folder + "/kelmaris.cab")), package);
    const std::string written = ReadFileBytes(record).value_or("");
    EXPECT_TRUE(std::regex_match(
        written, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d,)" + std::to_string(kPackageSize))))
        << written;
    // Written by the session's user; the folder belongs to the client's group.
    const long groupId = AccountId("/etc/group", "brevantaclient");
    struct stat recordState {};
    ASSERT_EQ(stat(record.c_str(), &recordState), 0);
    EXPECT_EQ(static_cast<long>(recordState.st_uid), AccountId("/etc/passwd", kDeviceUser));

    // An upgrade keeps the record and the package, and the folder's rights.
    const CommandResult upgrade = Root().Dpkg({"--install", PackageNamed("brevantaclient").file});
    ASSERT_EQ(upgrade.exitCode, 0) << upgrade.output;
    EXPECT_EQ(ReadFileBytes(record), written);
    EXPECT_EQ(ReadFileBytes(Root().Host(folder + "/kelmaris.cab")), package);
    struct stat folderState {};
    ASSERT_EQ(stat(Root().Host(folder).c_str(), &folderState), 0);
    EXPECT_EQ(folderState.st_mode & 07777, 03775u);
    EXPECT_EQ(static_cast<long>(folderState.st_gid), groupId);
    EXPECT_EQ(folderState.st_uid, 0u);

    // Provisioned: the next start from the session ends at once.
    {
        ProgramUnderTest again(asDeviceUser);
        again.StartHeadless(pair.DevicePath());
        EXPECT_EQ(again.WaitForExit(10s), 0);
    }

    // Removing keeps the record; purging removes it.
    const CommandResult remove = Root().Dpkg({"--remove", "brevantaclient"});
    ASSERT_EQ(remove.exitCode, 0) << remove.output;
    EXPECT_FALSE(std::filesystem::exists(Root().Host(folder + "/BrevantaClient")));
    EXPECT_EQ(ReadFileBytes(record), written);
    const CommandResult purge = Root().Dpkg({"--purge", "brevantaclient"});
    ASSERT_EQ(purge.exitCode, 0) << purge.output;
    EXPECT_FALSE(std::filesystem::exists(Root().Host(folder)));
}

}  // namespace
}  // namespace brevanta::test
