// Where named kernel objects meet across processes: one directory per display, so that programs
// (and tests) on different displays never see each other's names.
//
// CE_OBJECTS_DIR names the directory outright. Otherwise it lies under /tmp/ce-objects-UID and is
// named after the display the driver choice goes to (CE_DISPLAY, else DISPLAY): "x11-" and the
// display name for x11; "kms" for kms; for headless, "headless-" and a digest of the control socket
// path (CE_HEADLESS_CONTROL) when there is one, else plain "headless". The choice follows the
// environment alone, so a program whose X display cannot be reached keeps that display's
// directory.
#pragma once

#include <string>
#include <string_view>

namespace ce::kernel {

struct ObjectsEnvironment {
    const char* objectsDir = nullptr;       // CE_OBJECTS_DIR
    const char* ceDisplay = nullptr;        // CE_DISPLAY
    const char* display = nullptr;          // DISPLAY
    const char* headlessControl = nullptr;  // CE_HEADLESS_CONTROL
    unsigned userId = 0;
};

ObjectsEnvironment ObjectsEnvironmentOfProcess();

// The directory path for that environment (not created).
std::string NamedObjectsDirectory(const ObjectsEnvironment& environment);

// A file name for an object name: letters, digits, '-', '_' and '.' stay, every other byte of
// its UTF-8 becomes %XX; very long names become a digest.
std::string FileNameOf(std::string_view prefix, std::u16string_view name);

// Creates the directory (and the per-user one above it) when missing; false with errno set.
bool EnsureDirectory(const std::string& path);

}  // namespace ce::kernel
