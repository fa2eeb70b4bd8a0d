#include <windows.h>

#include "ui/startup.h"

// The program takes no command-line arguments.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return run_vornix(instance);
}
