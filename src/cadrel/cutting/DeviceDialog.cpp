#include "cutting/DeviceDialog.h"
#include <cstring>
#include "cutting/DeviceListView.h"
#include "modules/DeviceTable.h"
#include "resources/ResourceIds.h"

namespace {

const DeviceChoice EmulationDeviceChoice = {IDD_EMULATION_DEVICE, IDC_EMULATION_DEVICE_LIST, IDC_EMULATION_DEVICE,
                                            "No PD Devices or Hard Discs attached",
                                            {DeviceDirectAccess, DeviceOpticalMemory}};
const DeviceChoice CutterChoice = {IDD_CUTTER_DEVICE, IDC_CUTTER_DEVICE_LIST, IDC_CUTTING_DEVICE,
                                   "No Cutters Attached", {DeviceWriteOnce, DeviceWriteOnce}};

}  // namespace

DeviceDialog::DeviceDialog(const DeviceChoice& choice, HWND owner, const uint8_t* table, uint32_t* number)
    : Dialog(choice.templateId, owner), choice_(choice), table_(table),
      list_(new DeviceListView(choice.listId, table, number)), number_(number)
{
    registry_.Add(list_);
}

int DeviceDialog::OnInitDialog()
{
    SetDlgItemTextA(window_, choice_.labelId, choice_.noneText);
    const int count = DeviceTableCount(table_);
    for (int position = 0; position < count; ++position) {
        const uint8_t type = table_[size_t(position) * DeviceRecordSize];
        if (type != choice_.types[0] && type != choice_.types[1])
            continue;
        list_->AddRow(position);
        if (*number_ == uint32_t(position + 1))
            list_->SelectRow(int(list_->RowCount()) - 1);
    }
    // The label names the current device by its product text, trailing spaces and all.
    if (*number_ != 0 && *number_ <= uint32_t(DeviceTableCapacity)) {
        char product[17] = "";
        memcpy(product, table_ + (*number_ - 1) * DeviceRecordSize + 16, 16);
        SetDlgItemTextA(window_, choice_.labelId, product);
    }
    return Dialog::OnInitDialog();
}

EmulatorDeviceDialog::EmulatorDeviceDialog(HWND owner, const uint8_t* table, uint32_t* number)
    : DeviceDialog(EmulationDeviceChoice, owner, table, number)
{
}

CutterDeviceDialog::CutterDeviceDialog(HWND owner, const uint8_t* table, uint32_t* number)
    : DeviceDialog(CutterChoice, owner, table, number)
{
}
