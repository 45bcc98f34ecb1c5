// Choosing the emulation device and the cutter among the devices the emulator reports.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <set>
#include "ProgramRun.h"
#include "resources/ResourceIds.h"

namespace {

struct Device {
    int type;
    std::string vendor, product, revision;
};

const Device HardDisc{0, "QUANTUM", "FIREBALL ST3.2S", "0F0C"};
const Device Writer{4, "YAMAHA", "CDR100", "1.06"};
const Device PdDrive{7, "MATSHITA", "PD-1 LF-1000", "A104"};
const Device CdRom{5, "SONY", "CD-ROM CDU-76S", "1.0h"};
const Device Tape{1, "HP", "C1533A", "9503"};
const Device SecondWriter{4, "PLEXTOR", "PX-R412C", "1.04"};

// As the emulator reports them: hard disc, writer, PD drive; and the same behind two devices no
// dialog lists, with a second writer last.
const std::vector<Device> PlainBus = {HardDisc, Writer, PdDrive};
const std::vector<Device> MixedBus = {CdRom, Tape, HardDisc, Writer, PdDrive, SecondWriter};

std::string Pad(const std::string& text, size_t width)
{
    return text + std::string(width - text.size(), ' ');
}

std::string Row(const Device& d)
{
    return Pad(d.vendor, 8) + "|" + Pad(d.product, 16) + "|" + Pad(d.revision, 4);
}

// The main window's line for a device: vendor, product, revision, each followed by a space.
std::string Line(const Device& d)
{
    return Pad(d.vendor, 8) + " " + Pad(d.product, 16) + " " + Pad(d.revision, 4) + " ";
}

std::string BusScenario(const std::vector<Device>& bus)
{
    std::string toml;
    for (const Device& d : bus)
        toml += "[[device]]\ntype = " + std::to_string(d.type) + "\nvendor = \"" + d.vendor + "\"\nproduct = \"" +
                d.product + "\"\nrevision = \"" + d.revision + "\"\n";
    return toml;
}

struct Shown {
    std::vector<std::string> rows;
    std::vector<int> selected;
    std::string label;
};

const char* Title(int command)
{
    return command == ID_EMULATION_DEVICE ? "Device to Emulate from" : "Device to Cut to";
}

// Opens a device dialog with its command and reads what it shows.
HWND OpenDeviceDialog(const Robot& robot, int command, Shown* shown)
{
    robot.Command(WPARAM(command));
    HWND dialog = robot.WaitForDialog(Title(command), 5000);
    if (!dialog)
        return nullptr;
    HWND list = GetDlgItem(dialog, command == ID_EMULATION_DEVICE ? IDC_EMULATION_DEVICE_LIST : IDC_CUTTER_DEVICE_LIST);
    shown->rows = Robot::ListRows(list);
    shown->selected = Robot::SelectedRows(list);
    shown->label = Robot::WindowText(GetDlgItem(dialog, command == ID_EMULATION_DEVICE ? IDC_EMULATION_DEVICE : IDC_CUTTING_DEVICE));
    return dialog;
}

void WaitForFirstPoll(Robot& robot)
{
    robot.WaitForMainWindow();
    Robot::WaitUntil([&] { return !robot.StatusPane(2).empty(); }, 10000);
}

}  // namespace

TEST(DeviceDialog, ListsTheDevicesOfItsKindWithTheCurrentOneChosen)
{
    struct Case {
        const std::vector<Device>* bus;
        int command;
        std::vector<std::string> rows;
        std::vector<int> selected;
        std::string label;  // the current device's product text
    };
    const Case cases[] = {
        {&PlainBus, ID_EMULATION_DEVICE, {Row(HardDisc), Row(PdDrive)}, {1}, Pad(PdDrive.product, 16)},
        {&PlainBus, ID_CUTTING_DEVICE, {Row(Writer)}, {0}, Pad(Writer.product, 16)},
        {&MixedBus, ID_EMULATION_DEVICE, {Row(HardDisc), Row(PdDrive)}, {1}, Pad(PdDrive.product, 16)},
        {&MixedBus, ID_CUTTING_DEVICE, {Row(Writer), Row(SecondWriter)}, {1}, Pad(SecondWriter.product, 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(Title(c.command)) + (c.bus == &PlainBus ? ", plain bus" : ", mixed bus"));
        ProgramRun run;
        run.Scenario(BusScenario(*c.bus));
        Shown shown;
        run.Run([&](Robot& robot) {
            WaitForFirstPoll(robot);
            if (HWND dialog = OpenDeviceDialog(robot, c.command, &shown))
                Robot::Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(shown.rows, c.rows);
        EXPECT_EQ(shown.selected, c.selected);
        EXPECT_EQ(shown.label, c.label);
    }
}

TEST(DeviceDialog, OnlyOkChangesTheDeviceAndOnlyTheEmulationDeviceSwitchesTheEmulator)
{
    enum Leave { Ok, Cancel, CloseBox };
    struct Case {
        int command;
        int row;  // chosen before leaving; -1 none
        Leave leave;
        uint32_t switchedTo;   // the device number the new SetMode words carry; 0: no SetMode
        std::string mainLine;  // the main window's line for the kind of device afterwards
        std::vector<int> reopenSelected;
        std::string reopenLabel;
    };
    // On the mixed bus, start-up chose the PD drive (number 5) and the second writer (number 6).
    const Case cases[] = {
        {ID_EMULATION_DEVICE, 0, Ok, 3, Line(HardDisc), {0}, Pad(HardDisc.product, 16)},
        {ID_EMULATION_DEVICE, 0, Cancel, 0, Line(PdDrive), {1}, Pad(PdDrive.product, 16)},
        {ID_EMULATION_DEVICE, 0, CloseBox, 0, Line(PdDrive), {1}, Pad(PdDrive.product, 16)},
        {ID_EMULATION_DEVICE, -1, Ok, 0, Line(PdDrive), {}, "No PD Devices or Hard Discs attached"},
        {ID_CUTTING_DEVICE, 0, Ok, 0, Line(Writer), {0}, Pad(Writer.product, 16)},
        {ID_CUTTING_DEVICE, -1, Ok, 0, Line(SecondWriter), {}, "No Cutters Attached"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(Title(c.command)) + ", row " + std::to_string(c.row) + ", leave " +
                     std::to_string(int(c.leave)));
        ProgramRun run;
        run.Scenario(BusScenario(MixedBus));
        size_t setModesBefore = 0;
        std::string mainLine;
        Shown reopened;
        run.Run([&](Robot& robot) {
            WaitForFirstPoll(robot);
            Shown first;
            HWND dialog = OpenDeviceDialog(robot, c.command, &first);
            if (!dialog)
                return;
            setModesBefore = run.Calls("SetMode").size();
            Robot::ChooseRow(GetDlgItem(dialog, c.command == ID_EMULATION_DEVICE ? IDC_EMULATION_DEVICE_LIST
                                                                                 : IDC_CUTTER_DEVICE_LIST), c.row);
            if (c.leave == CloseBox)
                PostMessageA(dialog, WM_CLOSE, 0, 0);
            else
                Robot::Press(dialog, c.leave == Ok ? IDOK : IDCANCEL);
            Robot::WaitUntil([&] { return !IsWindow(dialog); }, 5000);
            Sleep(800);  // the mode switches and their polls
            mainLine = robot.Text(c.command == ID_EMULATION_DEVICE ? IDC_EMULATION_DEVICE : IDC_CUTTING_DEVICE);
            if (HWND again = OpenDeviceDialog(robot, c.command, &reopened))
                Robot::Press(again, IDCANCEL);
        });
        const auto setModes = run.Calls("SetMode");
        const std::vector<TraceLine> after(setModes.begin() + long(std::min(setModesBefore, setModes.size())),
                                           setModes.end());
        if (c.switchedTo) {
            ASSERT_EQ(after.size(), 2u);
            EXPECT_EQ(after[0].Arg("mode"), 0u);
            EXPECT_EQ(after[1].Arg("mode"), 1u);
            EXPECT_EQ(after[1].Arg("device"), c.switchedTo);
            EXPECT_FALSE(after[1].Failed());
        } else {
            EXPECT_TRUE(after.empty()) << after.size() << " SetMode calls";
        }
        EXPECT_EQ(mainLine, c.mainLine);
        EXPECT_EQ(reopened.selected, c.reopenSelected);
        EXPECT_EQ(reopened.label, c.reopenLabel);
    }
}

TEST(DeviceDialog, MainWindowKeepsPollingWhileOneIsOpen)
{
    ProgramRun run;
    std::set<std::string> times;
    run.Run([&](Robot& robot) {
        robot.WaitForMainWindow();
        Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 8000);
        Shown shown;
        HWND dialog = OpenDeviceDialog(robot, ID_EMULATION_DEVICE, &shown);
        const ULONGLONG end = GetTickCount64() + 1500;
        while (GetTickCount64() < end) {
            times.insert(robot.StatusPane(3));
            Sleep(50);
        }
        Robot::Press(dialog, IDCANCEL);
    });
    EXPECT_GE(times.size(), 5u) << "the time display stood still under the dialog";
}

// Not a check: run by cut-pictures.sh, which keeps a picture of each dialog.
TEST(DeviceDialog, DISABLED_PosesForPictures)
{
    ProgramRun run;
    run.Scenario(BusScenario(MixedBus));
    run.Run([&](Robot& robot) {
        WaitForFirstPoll(robot);
        const std::pair<int, const char*> poses[] = {{ID_EMULATION_DEVICE, "emulation-device"},
                                                     {ID_CUTTING_DEVICE, "cutter-device"}};
        for (const auto& [command, name] : poses) {
            Shown shown;
            HWND dialog = OpenDeviceDialog(robot, command, &shown);
            EXPECT_TRUE(Robot::PoseForPicture(name, Title(command)));
            Robot::Press(dialog, IDCANCEL);
            Robot::WaitUntil([&] { return !IsWindow(dialog); }, 5000);
        }
    });
}
