// Numbers of Tavrelin's resources.
#pragma once

#define IDS_VERSION 1
#define IDI_TAVRELIN 104
