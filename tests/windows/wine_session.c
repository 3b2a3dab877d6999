/* Holds one Wine session open, its desktop started, for all the cases of a test run. */
#include <stdio.h>
#include <windows.h>

int main(void)
{
    /* Without a session held open, each game would start a new one, and Wine remakes a game's
       X window when the desktop comes up after it. */
    GetDesktopWindow();
    puts("ready");
    fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
