// The application object of BrevantaClient: it runs the main screen modally and ends with it.
#pragma once

#include <afxwin.h>

class CClientApp : public CWinApp {
public:
    CClientApp();
    ~CClientApp() override = default;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
