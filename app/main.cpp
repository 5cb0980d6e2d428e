// The launcher's process entry.

#include "app/CDAVureruvoApp.h"
#include "platform/ProcessInfo.h"

int main(int argc, char** argv) {
    platform::SetCommandLine(argc, argv);
    CDAVureruvoApp theApp;
    theApp.InitInstance();
    return 0;
}
