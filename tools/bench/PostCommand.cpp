// Presses a button of another program's window for tools/bench-poll, as Cadrel's robot tests do
// in-process: posts WM_COMMAND with the id to the top-level window of that exact title, or with
// "panel" to the first dialog laid inside it (Cadrel's cut panel).
//   bench_post TITLE ID [panel]        exits 1 when there is no such window
#include <windows.h>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    HWND window = FindWindowA(nullptr, argv[1]);
    if (window && argc > 3 && strcmp(argv[3], "panel") == 0)
        window = FindWindowExA(window, nullptr, "#32770", nullptr);
    if (!window)
        return 1;
    return PostMessageA(window, WM_COMMAND, WPARAM(atoi(argv[2])), 0) ? 0 : 1;
}
