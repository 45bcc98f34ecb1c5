#include "framework/MessageMap.h"
#include "framework/WindowObject.h"

namespace {

bool Matches(const MessageMapEntry& e, UINT message, WPARAM wParam)
{
    switch (e.kind) {
    case MapMessage:
        return message == e.id;
    case MapNotify:
        return message == WM_NOTIFY && wParam == e.id;
    case MapCommand: {
        if (message != WM_COMMAND || LOWORD(wParam) != e.id)
            return false;
        const UINT code = HIWORD(wParam);
        return e.code == 0 ? code <= 1 : code == e.code;
    }
    default:
        return false;
    }
}

const MessageMapEntry emptyEntries[] = {{MapEnd, 0, 0, nullptr}};
const MessageMap emptyMap = {nullptr, emptyEntries};

}  // namespace

int DispatchMessageMap(WindowObject& object, const MessageMap* map, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (; map; map = map->base)
        for (const MessageMapEntry* e = map->entries; e->kind != MapEnd; ++e)
            if (Matches(*e, message, wParam) && e->handler && (object.*(e->handler))(message, wParam, lParam))
                return 1;
    return 0;
}

const MessageMap* EmptyMessageMap()
{
    return &emptyMap;
}
