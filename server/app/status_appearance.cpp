#include "app/status_appearance.h"

StatusAppearance ChooseStatus(int connected, LPCWSTR viewerLabel) {
    if (connected == 1) {
        return {kConnectedColour, viewerLabel};
    }
    return {kWaitingColour, TEXT("Waiting...")};
}
