// The main window's Messages list: how a line is added.
#pragma once
#include <windows.h>

// Line feeds become spaces in text itself (so it must be writable); the list scrolls to the new
// line. A list box out of space is emptied and the line is lost.
void AddMessageLine(HWND mainWindow, char* text);
