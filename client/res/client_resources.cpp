// BrevantaClient's resources: the two dialog templates, the background bitmaps and the icon.
#include <ce/resources.h>

#include <windows.h>

#include "res/resource.h"

extern const unsigned char kMainBackgroundBmp[];
extern const std::size_t kMainBackgroundBmpSize;
extern const unsigned char kKeypadBackgroundBmp[];
extern const std::size_t kKeypadBackgroundBmpSize;
extern const unsigned char kApplicationIcon[];
extern const std::size_t kApplicationIconSize;

namespace {

// The main screen: no caption, no controls; its size is replaced by the screen's at start.
const ce::DialogTemplate kMainScreen{
    WS_POPUP | WS_VISIBLE | DS_SETFONT, 0x80040000u, 0, 0, 130, 90, u"", u"Tahoma", 9, {}};

const ce::DialogItem kKeypadItems[] = {
    {u"EDIT", u"", IDC_ADDRESS_EDIT, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 0, 21, 17,
     61, 16},
};
// The keypad: shown by its modal run; the edit box is moved onto the artwork at start.
const ce::DialogTemplate kAddressKeypad{WS_POPUP | DS_SETFONT, 0, 0, 0, 138, 82, u"", u"Tahoma", 18,
                                        kKeypadItems};

const ce::DialogResource kDialogs[] = {
    {IDD_MAIN_SCREEN, &kMainScreen},
    {IDD_ADDRESS_KEYPAD, &kAddressKeypad},
};

const ce::BinaryResource kBitmaps[] = {
    {IDB_MAIN_BACKGROUND, {kMainBackgroundBmp, kMainBackgroundBmpSize}},
    {IDB_KEYPAD_BACKGROUND, {kKeypadBackgroundBmp, kKeypadBackgroundBmpSize}},
};

const ce::BinaryResource kIcons[] = {
    {IDI_APPLICATION_ICON, {kApplicationIcon, kApplicationIconSize}},
};

const ce::ResourceTable kClientResources{kDialogs, kBitmaps, kIcons, {}};

const ce::ResourceRegistration g_resources(kClientResources);

}  // namespace
