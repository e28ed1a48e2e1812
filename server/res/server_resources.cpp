// Tavrelin's resources: the version text and the program icon.
#include <ce/resources.h>

#include <windows.h>

#include "res/resource.h"

extern const unsigned char kTavrelinIcon[];
extern const std::size_t kTavrelinIconSize;

namespace {

const ce::BinaryResource kIcons[] = {
    {IDI_TAVRELIN, {kTavrelinIcon, kTavrelinIconSize}},
};

const ce::StringResource kStrings[] = {
    {IDS_VERSION, u"" TAVRELIN_VERSION_TEXT},
};

const ce::ResourceTable kServerResources{{}, {}, kIcons, kStrings};

const ce::ResourceRegistration g_resources(kServerResources);

}  // namespace
