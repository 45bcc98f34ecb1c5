// Sizes the program gives in pixels are meant for 96 dots per inch; on a scaled display they grow
// with the window's DPI, as the dialog templates (in dialog units) already do.
#pragma once
#include <windows.h>

int ScalePixels(HWND window, int pixels);
