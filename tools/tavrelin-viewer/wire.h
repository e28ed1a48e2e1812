// Tavrelin's wire format and polling, shared with the other tools, under the viewer's names.
#pragma once

#include "common/tavrelin/backoff.h"
#include "common/tavrelin/frame_decoder.h"
#include "common/tavrelin/input_record.h"
#include "common/tavrelin/picture.h"
#include "common/tavrelin/poll_schedule.h"
#include "common/tavrelin/screen.h"

namespace brevanta::viewer {

using namespace brevanta::tavrelin;

}  // namespace brevanta::viewer
