#include "modules/ModuleListView.h"
#include <cstdio>
#include <cstring>
#include "framework/Application.h"
#include "framework/Dpi.h"
#include "modules/ModuleListText.h"
#include "modules/ModuleRecord.h"
#include "resources/ResourceIds.h"

namespace {

// Image indexes of bitmap 117, and the size of each.
constexpr int IconSide = 15;
constexpr int IconCount = 3;
constexpr int PadlockImage = 0;
constexpr int SaturnImage = 1;
constexpr int PlaystationImage = 2;

int EmblemOf(const char* name)
{
    if (std::strncmp(name, "Sega Saturn", 11) == 0)
        return SaturnImage;
    if (std::strncmp(name, "Playstation", 11) == 0)
        return PlaystationImage;
    return PadlockImage;
}

}  // namespace

ModuleListView::ModuleListView(int id, char* name, char* version, char* size, char*& text, DWORD& capacity)
    : Control(id), name_(name), version_(version), size_(size), text_(text), capacity_(capacity)
{
    static const char* const titles[3] = {"Name", "Size", "Version"};
    for (int i = 0; i < 3; ++i) {
        columns_[i] = LVCOLUMNA{};
        columns_[i].mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        columns_[i].fmt = LVCFMT_LEFT;
        columns_[i].pszText = const_cast<char*>(titles[i]);
        columns_[i].iSubItem = i;
    }
}

void ModuleListView::OnAttach()
{
    static const int widths[3] = {102, 60, 50};
    for (int i = 0; i < 3; ++i) {
        columns_[i].cx = ScalePixels(Parent(), widths[i]);
        Send(LVM_INSERTCOLUMNA, WPARAM(i), LPARAM(&columns_[i]));
    }
    // Bitmap 117 holds the three pictures side by side, 15 pixels square at 96 DPI.
    const int side = ScalePixels(Parent(), IconSide);
    HIMAGELIST images = ImageList_Create(side, side, ILC_COLOR, 1, 0);
    if (!images)
        return;
    // The image list keeps its own copy of the pictures.
    if (HBITMAP bitmap = LoadBitmapA(ModuleInstance, MAKEINTRESOURCEA(IDB_LIST_ICONS))) {
        HBITMAP scaled = HBITMAP(CopyImage(bitmap, IMAGE_BITMAP, side * IconCount, side, 0));
        ImageList_Add(images, scaled ? scaled : bitmap, nullptr);
        if (scaled)
            DeleteObject(scaled);
        DeleteObject(bitmap);
    }
    // The list view destroys it with itself.
    if (HIMAGELIST old = HIMAGELIST(Send(LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(images))))
        ImageList_Destroy(old);
}

bool ModuleListView::ReadItem(int index, LVITEMA* item, char* text, int textSize)
{
    *item = LVITEMA{};
    item->mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    item->iItem = index;
    item->stateMask = 0xFFFF;
    item->pszText = text;
    item->cchTextMax = textSize;
    text[0] = '\0';
    return Send(LVM_GETITEMA, 0, LPARAM(item)) != 0;
}

bool ModuleListView::ReadColumn(int index, int column, char* text, int textSize)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = textSize;
    text[0] = '\0';
    return Send(LVM_GETITEMA, 0, LPARAM(&item)) != 0;
}

int ModuleListView::FindSelected(LVITEMA* item, char* text, int textSize)
{
    for (int index = 0; ReadItem(index, item, text, textSize); ++index)
        if (item->state != 0)
            return index;
    return -1;
}

int ModuleListView::Update()
{
    for (const ModuleItem& item : ModuleItemsOf(text_))
        InsertModule(item.name, item.version, item.size, item.locked);
    return 1;
}

int ModuleListView::Retrieve()
{
    size_t length = 0;
    if (text_ && capacity_)
        text_[0] = '\0';
    LVITEMA item;
    for (int index = 0; ReadItem(index, &item, name_, 20); ++index) {
        const int locked = item.iImage == PadlockImage ? 1 : 0;
        ReadColumn(index, 1, size_, SelectionSizeSize);
        ReadColumn(index, 2, version_, SelectionVersionSize);
        char record[ModuleRecordLength + 1] = {};
        EncodeModuleRecord(record, name_, version_, size_, &locked, ModuleRecordLength);
        uint32_t capacity = capacity_;
        if (!AppendModuleRecord(&text_, &capacity, &length, record))
            return 0;
        capacity_ = capacity;
    }
    return 1;
}

int ModuleListView::InsertModule(const char* name, const char* version, const char* size, int locked)
{
    if (Contains(name, version))
        return 0;
    const int image = locked ? PadlockImage : EmblemOf(name);
    const int index = int(count_++);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(name);
    item.iImage = image;
    if (Send(LVM_INSERTITEMA, 0, LPARAM(&item)) == -1)
        return 0;
    item.mask = LVIF_TEXT;
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(size);
    if (!Send(LVM_SETITEMA, 0, LPARAM(&item)))
        return 0;
    item.iSubItem = 2;
    item.pszText = const_cast<char*>(version);
    return Send(LVM_SETITEMA, 0, LPARAM(&item)) ? 1 : 0;
}

int ModuleListView::InsertRecord(const char* record)
{
    char name[18], version[8], size[8];
    int locked = 0;
    DecodeModuleRecord(record, name, version, size, &locked, ModuleRecordLength);
    return InsertModule(name, version, size, locked);
}

int ModuleListView::Contains(const char* name, const char* version)
{
    char itemName[SelectionNameSize];
    char itemVersion[SelectionNameSize];
    for (int index = 0; ReadColumn(index, 0, itemName, sizeof itemName); ++index) {
        ReadColumn(index, 2, itemVersion, sizeof itemVersion);
        if (std::strcmp(itemName, name) == 0 && std::strcmp(itemVersion, version) == 0)
            return 1;
    }
    return 0;
}

int ModuleListView::DeleteSelected()
{
    LVITEMA item;
    const int index = FindSelected(&item, name_, 20);
    if (index < 0)
        return 0;
    Send(LVM_DELETEITEM, WPARAM(index));
    --count_;
    return 1;
}

void ModuleListView::ToggleLock()
{
    LVITEMA item;
    if (FindSelected(&item, name_, 20) < 0)
        return;
    item.iImage = item.iImage != PadlockImage ? PadlockImage : EmblemOf(name_);
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    Send(LVM_SETITEMA, 0, LPARAM(&item));
}

uint32_t ModuleListView::SizeTotal()
{
    uint32_t total = 0;
    char size[SelectionNameSize];
    for (int index = 0; ReadColumn(index, 1, size, sizeof size); ++index)
        total += SizeTextValue(size);
    return total;
}

int ModuleListView::GetSelection()
{
    LVITEMA item;
    const int index = FindSelected(&item, name_, 20);
    if (index < 0) {
        name_[0] = version_[0] = size_[0] = '\0';
        return 1;
    }
    ReadColumn(index, 1, size_, SelectionSizeSize);
    ReadColumn(index, 2, version_, SelectionVersionSize);
    return 1;
}
