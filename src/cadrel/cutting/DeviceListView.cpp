#include "cutting/DeviceListView.h"
#include <cstring>
#include "framework/Dpi.h"
#include "modules/DeviceTable.h"

namespace {

struct Column {
    const char* heading;
    int width;
};
const Column Columns[3] = {{"Vendor", 80}, {"Name", 124}, {"Version", 50}};

}  // namespace

DeviceListView::DeviceListView(int id, const uint8_t* table, uint32_t* number)
    : Control(id), table_(table), number_(number)
{
}

void DeviceListView::OnAttach()
{
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA& column = columns_[i];
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = ScalePixels(Parent(), Columns[i].width);
        column.pszText = const_cast<char*>(Columns[i].heading);
        column.iSubItem = i;
        Send(LVM_INSERTCOLUMNA, WPARAM(i), LPARAM(&column));
    }
}

int DeviceListView::AddRow(int position)
{
    if (rowCount_ >= MaxRows)
        return 0;
    const uint8_t* record = table_ + size_t(position) * DeviceRecordSize;
    char vendor[9] = "";
    char product[17] = "";
    char revision[5] = "";
    memcpy(vendor, record + 8, 8);
    memcpy(product, record + 16, 16);
    memcpy(revision, record + 32, 4);
    const int row = int(rowCount_);
    rowNumbers_[rowCount_++] = uint32_t(position + 1);

    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = vendor;
    if (Send(LVM_INSERTITEMA, 0, LPARAM(&item)) == -1)
        return 0;
    item.iSubItem = 1;
    item.pszText = product;
    if (!Send(LVM_SETITEMA, 0, LPARAM(&item)))
        return 0;
    item.iSubItem = 2;
    item.pszText = revision;
    return Send(LVM_SETITEMA, 0, LPARAM(&item)) ? 1 : 0;
}

LRESULT DeviceListView::SelectRow(int row)
{
    LVITEMA item{};
    item.mask = LVIF_STATE;
    item.iItem = row;
    item.state = LVIS_SELECTED;
    item.stateMask = 0xFFFF;
    return Send(LVM_SETITEMA, 0, LPARAM(&item));
}

int DeviceListView::Retrieve()
{
    // Any state counts, focus included: the row the user last touched is the choice.
    for (int row = 0; row < MaxRows; ++row) {
        LVITEMA item{};
        item.mask = LVIF_STATE;
        item.iItem = row;
        item.stateMask = 0xFFFF;
        if (!Send(LVM_GETITEMA, 0, LPARAM(&item)))
            break;
        if (item.state != 0) {
            *number_ = rowNumbers_[row];
            return 1;
        }
    }
    *number_ = 0;
    return 1;
}

int DeviceListView::Update()
{
    const int rows = int(Send(LVM_GETITEMCOUNT));
    for (int row = 0; row < rows && row < MaxRows; ++row) {
        if (rowNumbers_[row] != *number_)
            continue;
        LVITEMA item{};
        item.mask = LVIF_STATE;
        item.iItem = row;
        item.state = LVIS_SELECTED;
        item.stateMask = LVIS_SELECTED;
        Send(LVM_SETITEMA, 0, LPARAM(&item));
        return 1;
    }
    return 1;
}
