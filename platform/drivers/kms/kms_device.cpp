#include "drivers/kms/kms_device.h"

#include <dirent.h>
#include <drm_fourcc.h>
#include <xf86drm.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace ce::drivers::kms {
namespace {

using Resources = std::unique_ptr<drmModeRes, decltype(&drmModeFreeResources)>;
using Connector = std::unique_ptr<drmModeConnector, decltype(&drmModeFreeConnector)>;
using Encoder = std::unique_ptr<drmModeEncoder, decltype(&drmModeFreeEncoder)>;
using PlaneResources = std::unique_ptr<drmModePlaneRes, decltype(&drmModeFreePlaneResources)>;
using Plane = std::unique_ptr<drmModePlane, decltype(&drmModeFreePlane)>;
using Properties = std::unique_ptr<drmModeObjectProperties, decltype(&drmModeFreeObjectProperties)>;
using Property = std::unique_ptr<drmModePropertyRes, decltype(&drmModeFreeProperty)>;

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};

struct Output {
    std::uint32_t connectorId = 0;
    std::uint32_t crtcId = 0;
    int crtcIndex = 0;
    drmModeModeInfo mode{};
};

const drmModeModeInfo& PreferredMode(const drmModeConnector& connector) {
    for (int i = 0; i < connector.count_modes; ++i) {
        if ((connector.modes[i].type & DRM_MODE_TYPE_PREFERRED) != 0) {
            return connector.modes[i];
        }
    }
    // The kernel lists the best mode first when none is marked.
    return connector.modes[0];
}

int IndexOfCrtc(const drmModeRes& resources, std::uint32_t crtcId) {
    for (int i = 0; i < resources.count_crtcs; ++i) {
        if (resources.crtcs[i] == crtcId) {
            return i;
        }
    }
    return -1;
}

// The CRTC that drives the connector now, else the first one one of its encoders can use.
std::optional<std::pair<std::uint32_t, int>> CrtcFor(int fd, const drmModeRes& resources,
                                                     const drmModeConnector& connector) {
    if (connector.encoder_id != 0) {
        Encoder encoder(drmModeGetEncoder(fd, connector.encoder_id), &drmModeFreeEncoder);
        if (encoder && encoder->crtc_id != 0) {
            const int index = IndexOfCrtc(resources, encoder->crtc_id);
            if (index >= 0) {
                return std::pair{encoder->crtc_id, index};
            }
        }
    }
    for (int e = 0; e < connector.count_encoders; ++e) {
        Encoder encoder(drmModeGetEncoder(fd, connector.encoders[e]), &drmModeFreeEncoder);
        if (!encoder) {
            continue;
        }
        for (int i = 0; i < resources.count_crtcs && i < 32; ++i) {
            if ((encoder->possible_crtcs & (1u << i)) != 0) {
                return std::pair{resources.crtcs[i], i};
            }
        }
    }
    return std::nullopt;
}

std::optional<Output> FindOutput(int fd, std::string* why) {
    Resources resources(drmModeGetResources(fd), &drmModeFreeResources);
    if (!resources) {
        *why = "no mode setting";
        return std::nullopt;
    }
    for (int c = 0; c < resources->count_connectors; ++c) {
        Connector connector(drmModeGetConnector(fd, resources->connectors[c]),
                            &drmModeFreeConnector);
        if (!connector || connector->connection != DRM_MODE_CONNECTED ||
            connector->count_modes == 0) {
            continue;
        }
        const auto crtc = CrtcFor(fd, *resources, *connector);
        if (!crtc) {
            continue;
        }
        Output output;
        output.connectorId = connector->connector_id;
        output.crtcId = crtc->first;
        output.crtcIndex = crtc->second;
        output.mode = PreferredMode(*connector);
        return output;
    }
    *why = "no connected output";
    return std::nullopt;
}

bool IsPrimaryPlane(int fd, std::uint32_t planeId) {
    Properties properties(drmModeObjectGetProperties(fd, planeId, DRM_MODE_OBJECT_PLANE),
                          &drmModeFreeObjectProperties);
    if (!properties) {
        return false;
    }
    for (std::uint32_t i = 0; i < properties->count_props; ++i) {
        Property property(drmModeGetProperty(fd, properties->props[i]), &drmModeFreeProperty);
        if (property && std::strcmp(property->name, "type") == 0) {
            return properties->prop_values[i] == DRM_PLANE_TYPE_PRIMARY;
        }
    }
    return false;
}

// The formats of the CRTC's primary plane; XRGB8888 alone when the planes cannot be asked,
// which every driver takes for a dumb buffer.
std::vector<std::uint32_t> PrimaryPlaneFormats(int fd, int crtcIndex) {
    const std::vector<std::uint32_t> fallback{DRM_FORMAT_XRGB8888};
    if (drmSetClientCap(fd, DRM_CLIENT_CAP_UNIVERSAL_PLANES, 1) != 0) {
        return fallback;
    }
    PlaneResources planes(drmModeGetPlaneResources(fd), &drmModeFreePlaneResources);
    if (!planes) {
        return fallback;
    }
    for (std::uint32_t p = 0; p < planes->count_planes; ++p) {
        Plane plane(drmModeGetPlane(fd, planes->planes[p]), &drmModeFreePlane);
        if (!plane || (plane->possible_crtcs & (1u << crtcIndex)) == 0 ||
            !IsPrimaryPlane(fd, plane->plane_id)) {
            continue;
        }
        return std::vector<std::uint32_t>(plane->formats, plane->formats + plane->count_formats);
    }
    return fallback;
}

bool HasDumbBuffers(int fd) {
    std::uint64_t dumb = 0;
    return drmGetCap(fd, DRM_CAP_DUMB_BUFFER, &dumb) == 0 && dumb != 0;
}

}  // namespace

std::vector<std::string> DrmCardPaths(const std::string& directory) {
    std::vector<std::pair<unsigned long, std::string>> cards;
    std::unique_ptr<DIR, DirectoryCloser> listing(opendir(directory.c_str()));
    if (!listing) {
        return {};
    }
    while (const dirent* entry = readdir(listing.get())) {
        const char* name = entry->d_name;
        if (std::strncmp(name, "card", 4) != 0) {
            continue;
        }
        const std::size_t digits = std::strspn(name + 4, "0123456789");
        if (digits == 0 || name[4 + digits] != '\0') {
            continue;
        }
        cards.emplace_back(std::strtoul(name + 4, nullptr, 10), directory + "/" + name);
    }
    std::sort(cards.begin(), cards.end());
    std::vector<std::string> paths;
    for (auto& card : cards) {
        paths.push_back(std::move(card.second));
    }
    return paths;
}

std::string NoOutputError(const std::string& details) {
    std::string error = "no DRM device with a connected output (";
    if (details.empty()) {
        error.append(kDriDirectory).append(" holds no card");
    } else {
        error.append(details);
    }
    error.append(")");
    return error;
}

std::unique_ptr<KmsDevice> KmsDevice::Open(KmsSeat& seat, std::string* error) {
    std::string tried;
    for (const std::string& path : DrmCardPaths()) {
        std::string why;
        SeatDevice card = seat.OpenDevice(path.c_str());
        std::optional<Output> output;
        if (!card.IsValid()) {
            why = std::strerror(errno);
        } else if (!HasDumbBuffers(card.Fd())) {
            why = "no dumb buffers";
        } else {
            output = FindOutput(card.Fd(), &why);
        }
        if (!output) {
            tried += (tried.empty() ? "" : "; ") + path + ": " + why;
            continue;
        }
        const auto format = ChooseScanoutFormat(PrimaryPlaneFormats(card.Fd(), output->crtcIndex));
        if (!format) {
            tried += (tried.empty() ? "" : "; ") + path +
                     ": the plane takes neither RGB565 nor XRGB8888";
            continue;
        }
        std::unique_ptr<KmsDevice> device(new KmsDevice());
        device->m_card = std::move(card);
        device->m_path = path;
        device->m_connectorId = output->connectorId;
        device->m_crtcId = output->crtcId;
        device->m_mode = output->mode;
        device->m_format = *format;
        // Only the noop seat leaves it to us; where a seat manager made us master this is a
        // no-op.
        device->TakeMaster();
        return device;
    }
    *error = NoOutputError(tried);
    return nullptr;
}

KmsDevice::~KmsDevice() {
    Restore();
}

bool KmsDevice::Show(std::uint32_t framebufferId) {
    if (!m_shown) {
        m_saved.reset(drmModeGetCrtc(Fd(), m_crtcId));
    }
    std::uint32_t connector = m_connectorId;
    if (drmModeSetCrtc(Fd(), m_crtcId, framebufferId, 0, 0, &connector, 1, &m_mode) != 0) {
        return false;
    }
    m_shown = true;
    return true;
}

void KmsDevice::Restore() {
    if (!m_shown) {
        return;
    }
    m_shown = false;
    // Without a framebuffer of its own the CRTC goes dark when ours are removed.
    if (!m_saved || m_saved->buffer_id == 0 || m_saved->mode_valid == 0) {
        return;
    }
    std::uint32_t connector = m_connectorId;
    drmModeSetCrtc(Fd(), m_saved->crtc_id, m_saved->buffer_id, m_saved->x, m_saved->y, &connector,
                   1, &m_saved->mode);
}

void KmsDevice::DropMaster() {
    // A seat manager drops it itself: failing here is no harm.
    drmDropMaster(Fd());
}

void KmsDevice::TakeMaster() {
    if (!drmIsMaster(Fd())) {
        drmSetMaster(Fd());
    }
}

}  // namespace ce::drivers::kms
