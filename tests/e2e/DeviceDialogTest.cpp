// Choosing the emulation device and the cutter among the devices the emulator reports.
#include <gtest/gtest.h>
#include <windows.h>
#include "ProgramRun.h"
#include "resources/ResourceIds.h"

namespace {

struct Device {
    int type;
    std::string vendor, product, revision;  // padded as in the device record: 8, 16, 4 characters
    std::string Row(bool selected = false) const
    {
        return vendor + "|" + product + "|" + revision + (selected ? " (selected)" : "");
    }
    std::string Line() const { return vendor + " " + product + " " + revision + " "; }
};
const Device Disc{0, "QUANTUM ", "FIREBALL ST3.2S ", "0F0C"}, Writer{4, "YAMAHA  ", "CDR100          ", "1.06"},
    Pd{7, "MATSHITA", "PD-1 LF-1000    ", "A104"}, Writer2{4, "PLEXTOR ", "PX-R412C        ", "1.04"};

// Hard disc, writer, PD drive; and the same behind two devices neither dialog lists, a second
// writer last. Start-up chooses the last of each kind.
std::string Bus(bool mixed)
{
    const Device cdRom{5, "SONY", "CD-ROM CDU-76S", "1.0h"}, tape{1, "HP", "C1533A", "9503"};
    std::vector<Device> bus = mixed ? std::vector<Device>{cdRom, tape, Disc, Writer, Pd, Writer2}
                                    : std::vector<Device>{Disc, Writer, Pd};
    std::string toml;
    for (const Device& d : bus)
        toml += "[[device]]\ntype = " + std::to_string(d.type) + "\nvendor = \"" + d.vendor + "\"\nproduct = \"" +
                d.product + "\"\nrevision = \"" + d.revision + "\"\n";
    return toml;
}

// Opens a device dialog with its command: the dialog, its rows and its label.
HWND Open(const Robot& robot, int command, std::vector<std::string>* rows, std::string* label = nullptr)
{
    const bool emulation = command == ID_EMULATION_DEVICE;
    robot.Command(WPARAM(command));
    HWND dialog = robot.WaitForDialog(emulation ? "Device to Emulate from" : "Device to Cut to", 5000);
    *rows = Robot::ListRows(GetDlgItem(dialog, emulation ? IDC_EMULATION_DEVICE_LIST : IDC_CUTTER_DEVICE_LIST));
    if (label)
        *label = Robot::WindowText(GetDlgItem(dialog, emulation ? IDC_EMULATION_DEVICE : IDC_CUTTING_DEVICE));
    return dialog;
}

}  // namespace

TEST(DeviceDialog, ListsItsDevicesAndOnlyOkChangesTheChoice)
{
    enum Leave { Ok, Cancel, CloseBox };
    struct Case {
        bool mixedBus;
        int command, row;  // the row chosen before leaving; -1 none
        Leave leave;
        std::vector<std::string> rows;  // as the dialog opened
        uint32_t switchedTo;            // the device the new SetMode words carry; 0 no SetMode
        std::string mainLine;           // the main window's line for the device afterwards
        std::vector<std::string> reopened;
        std::string label;  // after reopening
    };
    const Case cases[] = {
        {false, ID_EMULATION_DEVICE, 0, Ok, {Disc.Row(), Pd.Row(true)}, 1, Disc.Line(),
         {Disc.Row(true), Pd.Row()}, Disc.product},
        {false, ID_CUTTING_DEVICE, -1, Ok, {Writer.Row(true)}, 0, Writer.Line(), {Writer.Row()},
         "No Cutters Attached"},
        {true, ID_EMULATION_DEVICE, 0, Cancel, {Disc.Row(), Pd.Row(true)}, 0, Pd.Line(),
         {Disc.Row(), Pd.Row(true)}, Pd.product},
        {true, ID_EMULATION_DEVICE, 0, CloseBox, {Disc.Row(), Pd.Row(true)}, 0, Pd.Line(),
         {Disc.Row(), Pd.Row(true)}, Pd.product},
        {true, ID_EMULATION_DEVICE, -1, Ok, {Disc.Row(), Pd.Row(true)}, 0, Pd.Line(),
         {Disc.Row(), Pd.Row()}, "No PD Devices or Hard Discs attached"},
        {true, ID_CUTTING_DEVICE, 0, Ok, {Writer.Row(), Writer2.Row(true)}, 0, Writer.Line(),
         {Writer.Row(true), Writer2.Row()}, Writer.product},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        ProgramRun run;
        run.Scenario(Bus(c.mixedBus));
        std::vector<std::string> rows, reopened, times;
        std::string mainLine, label;
        size_t setModes = 0;
        run.Run([&](Robot& robot) {
            robot.WaitForMainWindow();
            Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 8000);
            HWND dialog = Open(robot, c.command, &rows);
            setModes = run.Calls("SetMode").size();
            for (int i = 0; i < 3; ++i, Sleep(300))  // the main window polls on underneath
                times.push_back(robot.StatusPane(3));
            Robot::ChooseRow(GetDlgItem(dialog, c.command == ID_EMULATION_DEVICE ? IDC_EMULATION_DEVICE_LIST
                                                                                 : IDC_CUTTER_DEVICE_LIST), c.row);
            c.leave == CloseBox ? void(PostMessageA(dialog, WM_CLOSE, 0, 0))
                                : Robot::Press(dialog, c.leave == Ok ? IDOK : IDCANCEL);
            Robot::WaitUntil([&] { return !IsWindow(dialog); }, 5000);
            Sleep(800);  // the mode switches and their polls
            mainLine = robot.Text(c.command == ID_EMULATION_DEVICE ? IDC_EMULATION_DEVICE : IDC_CUTTING_DEVICE);
            Robot::Press(Open(robot, c.command, &reopened, &label), IDCANCEL);
        });
        EXPECT_EQ(rows, c.rows);
        EXPECT_TRUE(times.size() == 3 && times[0] != times[1] && times[1] != times[2]) << "no poll under the dialog";
        const auto calls = run.Calls("SetMode");
        const std::vector<TraceLine> after(calls.begin() + long(std::min(setModes, calls.size())), calls.end());
        ASSERT_EQ(after.size(), c.switchedTo ? 2u : 0u);
        if (c.switchedTo)
            EXPECT_TRUE(after[0].Arg("mode") == 0 && after[1].Arg("mode") == 1 && after[1].Arg("device") == c.switchedTo);
        EXPECT_EQ(mainLine, c.mainLine);
        EXPECT_EQ(reopened, c.reopened);
        EXPECT_EQ(label, c.label);
    }
}
