// Choosing the emulation device and the cutter among the devices the emulator reports.
#include <gtest/gtest.h>
#include <windows.h>
#include "ProgramRun.h"
#include "resources/ResourceIds.h"

namespace {

struct Device {
    int type;
    std::string vendor, product, revision;  // padded as in the device record: 8, 16, 4 characters
    std::string Row(bool selected = false) const { return vendor + "|" + product + "|" + revision + (selected ? " (selected)" : ""); }
    std::string Line() const { return vendor + " " + product + " " + revision + " "; }
};
const Device Disc{0, "QUANTUM ", "FIREBALL ST3.2S ", "0F0C"}, Writer{4, "YAMAHA  ", "CDR100          ", "1.06"},
    Pd{7, "MATSHITA", "PD-1 LF-1000    ", "A104"}, Writer2{4, "PLEXTOR ", "PX-R412C        ", "1.04"},
    CdRom{5, "SONY", "CD-ROM CDU-76S", "1.0h"}, Tape{1, "HP", "C1533A", "9503"};

}  // namespace

// Against a hard disc, writer and PD drive; then the same behind two devices neither dialog lists,
// with a second writer last. Start-up chooses the last of each kind; each step starts where the last left.
TEST(DeviceDialog, ListsItsDevicesAndOnlyOkChangesTheChoice)
{
    enum Leave { Ok, Cancel, CloseBox };
    const int E = ID_EMULATION_DEVICE, C = ID_CUTTING_DEVICE;
    struct Step {
        int command;
        std::vector<std::string> rows;  // as the dialog opened,
        std::string label;              // and its label
        int row;                        // chosen before leaving; -1 none
        Leave leave;
        uint32_t switchedTo;   // the device the new SetMode words carry; 0 no SetMode
        std::string mainLine;  // the main window's line for the device afterwards
    };
    const std::vector<Step> plainBus = {
        {E, {Disc.Row(), Pd.Row(true)}, Pd.product, 0, Ok, 1, Disc.Line()},
        {E, {Disc.Row(true), Pd.Row()}, Disc.product, -1, Cancel, 0, Disc.Line()},
        {C, {Writer.Row(true)}, Writer.product, -1, Ok, 0, Writer.Line()},
        {C, {Writer.Row()}, "No Cutters Attached", -1, Cancel, 0, Writer.Line()},
    };
    const std::vector<Step> mixedBus = {
        {E, {Disc.Row(), Pd.Row(true)}, Pd.product, 0, Cancel, 0, Pd.Line()},
        {E, {Disc.Row(), Pd.Row(true)}, Pd.product, 0, CloseBox, 0, Pd.Line()},
        {E, {Disc.Row(), Pd.Row(true)}, Pd.product, -1, Ok, 0, Pd.Line()},
        {E, {Disc.Row(), Pd.Row()}, "No PD Devices or Hard Discs attached", -1, Cancel, 0, Pd.Line()},
        {C, {Writer.Row(), Writer2.Row(true)}, Writer2.product, 0, Ok, 0, Writer.Line()},
        {C, {Writer.Row(true), Writer2.Row()}, Writer.product, -1, Cancel, 0, Writer.Line()},
    };
    for (const auto& bus : {std::vector<Device>{Disc, Writer, Pd}, std::vector<Device>{CdRom, Tape, Disc, Writer, Pd, Writer2}}) {
        const std::vector<Step>& steps = bus.size() == 3 ? plainBus : mixedBus;
        std::string toml = "time_scale = 20\n";
        for (const Device& d : bus)
            toml += "[[device]]\ntype = " + std::to_string(d.type) + "\nvendor = \"" + d.vendor + "\"\nproduct = \"" +
                    d.product + "\"\nrevision = \"" + d.revision + "\"\n";
        ProgramRun run;
        run.Scenario(toml);
        std::vector<std::string> times;
        run.Run([&](Robot& robot) {
            robot.WaitForMainWindow();
            Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 8000);
            for (const Step& c : steps) {
                SCOPED_TRACE("step " + std::to_string(&c - steps.data()) + " on a bus of " + std::to_string(bus.size()));
                robot.Command(WPARAM(c.command));
                HWND dialog = robot.WaitForDialog(c.command == E ? "Device to Emulate from" : "Device to Cut to", 5000);
                HWND list = GetDlgItem(dialog, c.command == E ? IDC_EMULATION_DEVICE_LIST : IDC_CUTTER_DEVICE_LIST);
                EXPECT_EQ(Robot::ListRows(list), c.rows);
                const int labelId = c.command == E ? IDC_EMULATION_DEVICE : IDC_CUTTING_DEVICE;
                EXPECT_EQ(Robot::WindowText(GetDlgItem(dialog, labelId)), c.label);
                const size_t setModes = run.Calls("SetMode").size();
                for (; times.size() < 3; Sleep(300))  // the main window polls on underneath
                    times.push_back(robot.StatusPane(3));
                Robot::ChooseRow(list, c.row);
                c.leave == CloseBox ? void(PostMessageA(dialog, WM_CLOSE, 0, 0))
                                    : Robot::Press(dialog, c.leave == Ok ? IDOK : IDCANCEL);
                std::string line;
                Robot::WaitUntil([&] {
                    line = robot.Text(labelId);  // the main window's line has the dialog label's id
                    return !IsWindow(dialog) && line == c.mainLine && run.Calls("SetMode").size() >= setModes + (c.switchedTo ? 2 : 0);
                }, 5000);
                Sleep(200);  // room for a call that should not come
                const auto calls = run.Calls("SetMode");
                const std::vector<TraceLine> after(calls.begin() + long(std::min(setModes, calls.size())), calls.end());
                EXPECT_EQ(line, c.mainLine);
                ASSERT_EQ(after.size(), c.switchedTo ? 2u : 0u);
                EXPECT_TRUE(!c.switchedTo ||
                            (after[0].Arg("mode") == 0 && after[1].Arg("mode") == 1 && after[1].Arg("device") == c.switchedTo));
            }
        });
        EXPECT_TRUE(times.size() == 3 && times[0] != times[1] && times[1] != times[2]) << "no poll under the dialog";
    }
}
