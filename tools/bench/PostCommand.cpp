// Finds a window of another program for tools/bench-poll and presses its buttons as Cadrel's
// robot tests do in-process: the top-level window of that exact title, or with "panel" the first
// dialog laid inside it (Cadrel's cut panel); with an ID, posts WM_COMMAND with it there.
//   bench_post TITLE [panel] [ID]        exits 1 when there is no such window
#include <windows.h>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    HWND window = FindWindowA(nullptr, argv[1]);
    int next = 2;
    if (window && argc > next && strcmp(argv[next], "panel") == 0) {
        window = FindWindowExA(window, nullptr, "#32770", nullptr);
        ++next;
    }
    if (!window)
        return 1;
    if (argc > next && !PostMessageA(window, WM_COMMAND, WPARAM(atoi(argv[next])), 0))
        return 1;
    return 0;
}
