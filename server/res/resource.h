// Numbers of Tavrelin's resources.
#pragma once

#define IDS_VERSION 1
// The version text of string IDS_VERSION, also answered to --version.
#define TAVRELIN_VERSION_TEXT "2.0.2.0"
#define IDI_TAVRELIN 104
