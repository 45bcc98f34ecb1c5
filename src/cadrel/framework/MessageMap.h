// Per-class message handler tables, each linked to its base class's table.
#pragma once
#include <windows.h>

class WindowObject;

enum MessageMapKind { MapEnd = 0, MapMessage = 1, MapNotify = 2, MapCommand = 3 };

struct MessageMapEntry {
    int kind;
    UINT id;
    UINT code;  // MapCommand: 0 matches notification codes 0 and 1
    int (WindowObject::*handler)(UINT message, WPARAM wParam, LPARAM lParam);
};

struct MessageMap {
    const MessageMap* base;
    const MessageMapEntry* entries;  // ends with a MapEnd entry
};

// Runs the first matching handler that answers non-zero; 1 when one did.
int DispatchMessageMap(WindowObject& object, const MessageMap* map, UINT message, WPARAM wParam, LPARAM lParam);

// The table of every class in this program: only the end entry, no base.
const MessageMap* EmptyMessageMap();
