// The Module Manager as a user drives it from the main window, and what reaches the emulator.
#include "ProgramRun.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <iterator>
#include "resources/ResourceIds.h"

namespace {

const char Demo[] = "SatCD100400000;DexCD100300010;";

struct Manager {
    HWND window = nullptr;

    // "name|size|version", with "|locked" when the padlock is shown.
    std::vector<std::string> Items(int list) const
    {
        std::vector<std::string> items;
        HWND view = GetDlgItem(window, list);
        for (int i = 0; i < int(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0)); ++i) {
            std::string item;
            for (int column = 0; column < 3; ++column) {
                char text[64] = "";
                LVITEMA get{};
                get.iSubItem = column, get.pszText = text, get.cchTextMax = sizeof text;
                SendMessageA(view, LVM_GETITEMTEXTA, i, LPARAM(&get));
                item += (column ? "|" : "") + std::string(text);
            }
            LVITEMA image{};
            image.mask = LVIF_IMAGE, image.iItem = i;
            SendMessageA(view, LVM_GETITEMA, 0, LPARAM(&image));
            items.push_back(item + (image.iImage == 0 ? "|locked" : ""));
        }
        return items;
    }
    void Select(int list, const std::string& prefix) const
    {
        const auto items = Items(list);
        for (size_t i = 0; i < items.size(); ++i) {
            LVITEMA state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = items[i].rfind(prefix, 0) == 0 ? state.stateMask : 0;
            SendMessageA(GetDlgItem(window, list), LVM_SETITEMSTATE, i, LPARAM(&state));
        }
    }
    std::string Text(int id) const { return Robot::WindowText(GetDlgItem(window, id)); }
    void Press(int id) const { Robot::Press(window, id); }
    bool WaitItems(int list, size_t count) const
    {
        return Robot::WaitUntil([&] { return Items(list).size() == count; }, 5000);
    }
};

Manager Open(Robot& robot)
{
    robot.WaitForMainWindow();
    Robot::WaitUntil([&] { return !robot.StatusPane(2).empty(); }, 10000);
    robot.Command(ID_EMULATION_MODULES);
    return Manager{robot.WaitForDialog("Module Manager", 5000)};
}

// Answers the box with this caption; its text, or "<no box>".
std::string Answer(Robot& robot, const char* caption, int button)
{
    HWND box = robot.WaitForDialog(caption, 5000);
    if (!box)
        return "<no box>";
    const std::string text = Robot::DialogText(box);
    Robot::Press(box, button);
    Robot::WaitUntil([&] { return !IsWindow(box); }, 5000);
    return text;
}

// Types path into the file dialog, as a user would, and presses Open.
bool ChooseFile(Robot& robot, const std::string& path)
{
    HWND dialog = robot.WaitForDialog("Please locate the Module to install", 5000);
    if (!dialog)
        return false;
    HWND name = GetDlgItem(dialog, 0x47C);  // the file name box: a combo box or, in older dialogs, an edit
    SendMessageA(name ? name : GetDlgItem(dialog, 0x480), WM_SETTEXT, 0, LPARAM(path.c_str()));
    Robot::Press(dialog, IDOK);
    return Robot::WaitUntil([&] { return !IsWindow(dialog); }, 5000);
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

void WriteBytes(const std::string& path, size_t bytes)
{
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < bytes; ++i)
        out.put(char(i * 13 + 5));
}

int Count(const std::vector<TraceLine>& trace, const std::string& op)
{
    return int(std::count_if(trace.begin(), trace.end(), [&](const TraceLine& l) { return l.op == op; }));
}

}  // namespace

TEST(ModuleManager, ModuleInstalledFromAnotherFolderIsUploadedAndBootsAsDefault)
{
    ProgramRun run;
    const std::string source = run.Home() + "\\elsewhere\\SatCD050.bin";
    CreateDirectoryA((run.Home() + "\\elsewhere").c_str(), nullptr);
    WriteBytes(source, 812);
    std::string range, position, available, used, label;
    std::vector<std::string> installedAtOk;
    size_t traceAtOk = 0;
    bool booted = false;
    run.Run([&](Robot& robot) {
        Manager m = Open(robot);
        const LRESULT high = SendDlgItemMessageA(m.window, IDC_MEMORY_BAR, PBM_GETRANGE, FALSE, 0);
        range = std::to_string(high);
        position = std::to_string(SendDlgItemMessageA(m.window, IDC_MEMORY_BAR, PBM_GETPOS, 0, 0));
        available = m.Text(IDC_MEMORY_AVAILABLE), used = m.Text(IDC_MEMORY_USED);
        m.Press(IDC_INSTALL_MODULE);
        ASSERT_TRUE(ChooseFile(robot, source));
        ASSERT_TRUE(m.WaitItems(IDC_AVAILABLE_MODULES, 3));
        m.Select(IDC_INSTALLED_MODULES, "Sega Saturn");
        m.Press(IDC_REMOVE_MODULE);
        ASSERT_TRUE(m.WaitItems(IDC_INSTALLED_MODULES, 1));
        label = m.Text(IDC_DEFAULT_MODULE);
        m.Select(IDC_AVAILABLE_MODULES, "Sega Saturn|  812|0.50");
        m.Press(IDC_ADD_MODULE);
        ASSERT_TRUE(m.WaitItems(IDC_INSTALLED_MODULES, 2));
        m.Select(IDC_INSTALLED_MODULES, "Sega Saturn");
        m.Press(ID_SET_DEFAULT);
        Robot::WaitUntil([&] { return m.Text(IDC_DEFAULT_MODULE) == "Sega Saturn"; }, 5000);
        installedAtOk = m.Items(IDC_INSTALLED_MODULES);
        traceAtOk = run.Trace().size();
        m.Press(IDOK);
        booted = Robot::WaitUntil([&] {
            return robot.HasMessage("Emulation module " + run.ModulePath() + "\\SatCD050.bin uploaded.") &&
                   robot.StatusPane(2) == "Play";
        }, 15000);
    });
    EXPECT_EQ(range, "1048") << "0xFFE00 bytes for modules, in thousands";
    EXPECT_EQ(position, "70");
    EXPECT_EQ(available, "978063 bytes");
    EXPECT_EQ(used, "70001 bytes");
    EXPECT_EQ(label, "None") << "removing the default target's module leaves no default";
    const std::vector<std::string> expectedInstalled = {"Playstation (Dex)|30001|1.00", "Sega Saturn|  812|0.50"};
    EXPECT_EQ(installedAtOk, expectedInstalled);
    EXPECT_TRUE(booted) << "the upload line and Play after the reset";
    EXPECT_EQ(FileBytes(run.ModulePath() + "\\SatCD050.bin"), FileBytes(source));
    EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "Modules"), std::string(Demo) + "SatCD050008120;");
    EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "ModsInstalled"), "DexCD100300010;SatCD050008120;");
    EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "DefModule"), "Sat");
    const auto trace = run.Trace();
    std::vector<std::string> after;
    for (size_t i = traceAtOk; i < trace.size(); ++i)
        if (trace[i].op == "WriteMemory" || trace[i].op == "Reset" || trace[i].op == "GetTargetInfo")
            after.push_back(trace[i].op + (trace[i].op == "WriteMemory" ? " " + std::to_string(trace[i].Arg("length")) : ""));
    const std::vector<std::string> expectedAfter = {"GetTargetInfo", "WriteMemory 30004", "WriteMemory 812",
                                                    "WriteMemory 512", "Reset"};
    EXPECT_EQ(after, expectedAfter);
}
