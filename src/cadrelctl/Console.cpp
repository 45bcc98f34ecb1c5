#include "Console.h"
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

std::atomic<bool> ctrlC{false};
HANDLE ctrlCEvent = nullptr;

BOOL WINAPI OnCtrl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    ctrlC = true;
    SetEvent(ctrlCEvent);
    return TRUE;
}

}  // namespace

void CatchCtrlC()
{
    ctrlCEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // A process started in a new process group has Ctrl-C switched off; a console user expects it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(OnCtrl, TRUE);
}

bool CtrlCPressed()
{
    return ctrlC;
}

bool SleepUnlessCtrlC(DWORD ms)
{
    if (ctrlCEvent)
        WaitForSingleObject(ctrlCEvent, ms);
    else
        Sleep(ms);
    return ctrlC;
}

void ErrorLine(const char* text)
{
    std::string line;
    for (const char* c = text; *c; ++c) {
        if (*c == '\n' || *c == '\r') {
            if (!line.empty() && line.back() != ' ')
                line += ' ';
        } else {
            line += *c;
        }
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    if (line.empty())
        return;
    line += '\n';
    fputs(line.c_str(), stderr);
    fflush(stderr);
}

void ErrorLinef(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    ErrorLine(text);
}

bool ErrorStreamIsConsole()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

// The empty line the window puts before an error is a separator of its list: not needed here.
void ConsolePresenter::Line(const char* text)
{
    ErrorLine(text);
}

// The caption is the window's title for the text: the text alone says it.
void ConsolePresenter::Problem(const char*, const char* text)
{
    ErrorLine(text);
}

WaitEnd ConsolePresenter::Wait(BoundedWait& wait)
{
    return wait.Run([&wait](DWORD ms) {
        const bool stoppable = wait.Stoppable();
        if (ms == 0)
            return !(stoppable && CtrlCPressed());
        if (stoppable)
            return !SleepUnlessCtrlC(ms);
        Sleep(ms);
        return true;
    });
}

HRESULT STDMETHODCALLTYPE ConsoleSink::Notify(DWORD kind, char* text)
{
    if (kind == 1 && text)
        ErrorLine(text);
    return 1;
}
