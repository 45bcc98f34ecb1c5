// Choosing the emulation device and the cutter among the devices the emulator reports.
#include <gtest/gtest.h>
#include <windows.h>
#include "ProgramRun.h"
#include "resources/ResourceIds.h"

// A hard disc, writer and PD drive; then behind devices neither lists, a second writer last.
TEST(DeviceDialog, ListsItsDevicesAndOnlyOkChangesTheChoice)
{
    struct Device {
        int type;
        std::string vendor, product, revision;  // padded as in the device record: 8, 16, 4 characters
        std::string Row(bool selected = false) const { return vendor + "|" + product + "|" + revision + (selected ? " (selected)" : ""); }
        std::string Line() const { return vendor + " " + product + " " + revision + " "; }
    };
    const Device Disc{0, "QUANTUM ", "FIREBALL ST3.2S ", "0F0C"}, Writer{4, "YAMAHA  ", "CDR100          ", "1.06"},
        Pd{7, "MATSHITA", "PD-1 LF-1000    ", "A104"}, Writer2{4, "PLEXTOR ", "PX-R412C        ", "1.04"},
        CdRom{5, "SONY", "CD-ROM CDU-76S", "1.0h"}, Tape{1, "HP", "C1533A", "9503"};
    const int E = ID_EMULATION_DEVICE, C = ID_CUTTING_DEVICE, Ok = IDOK, Cancel = IDCANCEL, CloseBox = 0;
    struct Step {
        int command;                    // the dialog,
        std::vector<std::string> rows;  // its rows and label as it opened,
        std::string label;
        int row, leave, switchedTo;     // the row chosen (-1 none), the way out, the device SetMode carries (0 none)
        std::string mainLine;           // the main window's line for the device afterwards
    };
    const std::vector<Device> buses[] = {{Disc, Writer, Pd}, {CdRom, Tape, Disc, Writer, Pd, Writer2}};  // start-up takes the last
    const std::vector<Step> steps[] = {{
        {E, {Disc.Row(), Pd.Row(true)}, Pd.product, 0, Ok, 1, Disc.Line()},
        {E, {Disc.Row(true), Pd.Row()}, Disc.product, 1, Cancel, 0, Disc.Line()},
    }, {  // what differs behind other devices
        {E, {Disc.Row(), Pd.Row(true)}, Pd.product, 0, CloseBox, 0, Pd.Line()},
        {E, {Disc.Row(), Pd.Row(true)}, Pd.product, -1, Ok, 0, Pd.Line()},
        {E, {Disc.Row(), Pd.Row()}, "No PD Devices or Hard Discs attached", -1, Cancel, 0, Pd.Line()},
        {C, {Writer.Row(), Writer2.Row(true)}, Writer2.product, 0, Ok, 0, Writer.Line()},
        {C, {Writer.Row(true), Writer2.Row()}, Writer.product, -1, Cancel, 0, Writer.Line()},
    }};
    for (int b = 0; b < 2; ++b) {
        std::string toml = "time_scale = 20\n";
        for (const Device& d : buses[b])
            toml += "[[device]]\ntype = " + std::to_string(d.type) + "\nvendor = \"" + d.vendor + "\"\nproduct = \"" +
                    d.product + "\"\nrevision = \"" + d.revision + "\"\n";
        ProgramRun run;
        run.Scenario(toml);
        std::vector<std::string> times;
        run.Run([&](Robot& robot) {
            robot.WaitForMainWindow();
            Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 8000);
            for (const Step& c : steps[b]) {
                const bool e = c.command == E;
                const int labelId = e ? IDC_EMULATION_DEVICE : IDC_CUTTING_DEVICE;  // also the main window's line
                robot.Command(WPARAM(c.command));
                HWND dialog = robot.WaitForDialog(e ? "Device to Emulate from" : "Device to Cut to", 5000);
                HWND list = GetDlgItem(dialog, e ? IDC_EMULATION_DEVICE_LIST : IDC_CUTTER_DEVICE_LIST);
                EXPECT_EQ(Robot::ListRows(list), c.rows);
                EXPECT_EQ(Robot::WindowText(GetDlgItem(dialog, labelId)), c.label);
                const size_t setModes = run.Calls("SetMode").size() + (c.switchedTo ? 2 : 0);
                for (; times.size() < 3; Sleep(300))  // the main window polls on underneath
                    times.push_back(robot.StatusPane(3));
                Robot::ChooseRow(list, c.row);
                c.leave == CloseBox ? void(PostMessageA(dialog, WM_CLOSE, 0, 0)) : Robot::Press(dialog, c.leave);
                Robot::WaitUntil([&] { return !IsWindow(dialog) && run.Calls("SetMode").size() >= setModes; }, 5000);
                Sleep(200);  // room for a call that should not come
                const auto calls = run.Calls("SetMode");
                EXPECT_EQ(robot.Text(labelId), c.mainLine);
                ASSERT_EQ(calls.size(), setModes);
                EXPECT_TRUE(!c.switchedTo || (calls.back().Arg("mode") == 1 && calls.back().Arg("device") == uint32_t(c.switchedTo)));
            }
        });
        EXPECT_TRUE(times.size() == 3 && times[0] != times[1] && times[1] != times[2]) << "no poll under the dialog";
    }
}
