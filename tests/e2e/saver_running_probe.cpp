// Says whether the system has been told that a screen saver runs: exit code 1 when it has, 0 when
// not, 2 when the question fails. A fresh process reads the setting anew; a long-lived test
// process may be given a value it read earlier.
#include <windows.h>

int main() {
    BOOL running = FALSE;
    if (!SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) return 2;
    return running != FALSE ? 1 : 0;
}
