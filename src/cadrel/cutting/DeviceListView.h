// A three-column list of SCSI devices (vendor, name, version) bound to a device number.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include "framework/Control.h"

class DeviceListView : public Control {
public:
    // table: the device table, not owned; number: the 1-based device number Retrieve writes.
    DeviceListView(int id, const uint8_t* table, uint32_t* number);

    int Retrieve() override;
    int Update() override;
    void OnAttach() override;

    // position: 0-based in the device table. 1 when the row and both subitems were set.
    int AddRow(int position);
    LRESULT SelectRow(int row);
    uint32_t RowCount() const { return rowCount_; }

private:
    static constexpr int MaxRows = 8;

    const uint8_t* table_;
    LVCOLUMNA columns_[3] = {};
    uint32_t rowCount_ = 0;
    uint32_t rowNumbers_[MaxRows] = {};  // the device number of each row
    uint32_t* number_;
};
