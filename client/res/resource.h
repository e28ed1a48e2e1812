// Numbers of BrevantaClient's resources and controls.
#pragma once

#define IDD_MAIN_SCREEN 102
#define IDI_APPLICATION_ICON 128
#define IDD_ADDRESS_KEYPAD 129
#define IDB_MAIN_BACKGROUND 130
#define IDB_KEYPAD_BACKGROUND 131
#define IDC_ADDRESS_EDIT 1000
