// A list view of the Module Manager bound to a module list text: one item per module, its
// target with an icon (the padlock when locked), its size and its version.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include "framework/Control.h"

// Room of the selection texts the owning dialog hands over (terminator included).
constexpr int SelectionNameSize = 30;
constexpr int SelectionVersionSize = 6;
constexpr int SelectionSizeSize = 7;

class ModuleListView : public Control {
public:
    // name, version, size: the owner's selection texts, filled by GetSelection. text and
    // capacity: the list text, which Retrieve may move into a larger buffer.
    ModuleListView(int id, char* name, char* version, char* size, char*& text, DWORD& capacity);

    int Retrieve() override;     // rebuilds the list text from the items
    int Update() override;       // fills the view from the list text
    void OnAttach() override;    // columns and icons
    // Copies the selected item's texts into the selection texts; with no item selected they are
    // made empty, so an empty name means "nothing selected". Returns 1.
    virtual int GetSelection();

    int InsertModule(const char* name, const char* version, const char* size, int locked);
    int InsertRecord(const char* record);
    int Contains(const char* name, const char* version);
    int DeleteSelected();
    void ToggleLock();
    uint32_t SizeTotal();
    uint32_t ItemCount() const { return count_; }

private:
    // Reads item index (column 0 with image and state); false past the last item.
    bool ReadItem(int index, LVITEMA* item, char* text, int textSize);
    bool ReadColumn(int index, int column, char* text, int textSize);
    // Index of the first item with any state bit set (selected or focused), or -1.
    int FindSelected(LVITEMA* item, char* text, int textSize);

    char* name_;
    char* version_;
    char* size_;
    char*& text_;
    LVCOLUMNA columns_[3];
    uint32_t count_ = 0;
    DWORD& capacity_;
};
