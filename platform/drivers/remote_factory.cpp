#include "drivers/remote_factory.h"

#include <cstdlib>
#include <string_view>

#include "drivers/kernel/kernel_remote.h"

namespace ce::drivers {

std::optional<RemoteChoice> RemoteChoiceFromEnvironment(std::string* error) {
    const char* chosen = std::getenv("CE_REMOTE");
    const std::string_view choice = chosen == nullptr ? "" : chosen;
    if (choice.empty()) {
        return RemoteChoice::kDisplayDriverFirst;
    }
    if (choice == "kernel") {
        return RemoteChoice::kKernel;
    }
    *error = "CE_REMOTE=" + std::string(choice) + " names no remote access (kernel)";
    return std::nullopt;
}

std::unique_ptr<ScreenAccess> CreateKernelScreenAccess(std::function<SIZE()> screenSize,
                                                       std::string* error) {
    return kernel_remote::KernelRemote::Create(kernel_remote::KernelDevices{},
                                               std::move(screenSize), error);
}

}  // namespace ce::drivers
