// The Module Manager as a user drives it from the main window, and what reaches the emulator.
#include "ProgramRun.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <iterator>
#include "resources/ResourceIds.h"

namespace {

const int Available = IDC_AVAILABLE_MODULES, Installed = IDC_INSTALLED_MODULES;

struct Manager {
    HWND window = nullptr;

    // "name|size|version", with "|locked" when the padlock is shown.
    std::vector<std::string> Items(int list) const
    {
        HWND view = GetDlgItem(window, list);
        std::vector<std::string> items = Robot::ListRows(view);
        for (size_t i = 0; i < items.size(); ++i) {
            LVITEMA image{};
            image.mask = LVIF_IMAGE, image.iItem = int(i);
            Robot::Ask(view, LVM_GETITEMA, 0, LPARAM(&image));
            items[i] = items[i].substr(0, items[i].find(" (selected)")) + (image.iImage ? "" : "|locked");
        }
        return items;
    }
    // Selects the first item that begins with prefix (none for "-"), then presses button.
    void Do(int list, const std::string& prefix, int button) const
    {
        const auto items = Items(list);
        const auto it = std::find_if(items.begin(), items.end(), [&](const std::string& item) { return item.rfind(prefix, 0) == 0; });
        Robot::ChooseRow(GetDlgItem(window, list), it == items.end() ? -1 : int(it - items.begin()));
        Robot::Press(window, button);
        Sleep(200);
    }
    std::string Text(int id) const { return Robot::WindowText(GetDlgItem(window, id)); }
};

Manager Open(Robot& robot)
{
    WaitForPoll(robot);
    robot.Command(ID_EMULATION_MODULES);
    return Manager{robot.WaitForDialog("Module Manager", 5000)};
}

// Answers the box with this caption; its text, or "<no box>".
std::string Answer(Robot& robot, const char* caption, int button)
{
    HWND box = robot.WaitForDialog(caption, 5000);
    const std::string text = box ? Robot::DialogText(box) : "<no box>";
    Robot::Press(box, button);
    Robot::WaitUntil([&] { return !IsWindow(box); }, 5000);
    return text;
}

// Types path into the file dialog's name box, as a user would, and presses Open.
bool ChooseFile(Robot& robot, const std::string& path)
{
    HWND dialog = robot.WaitForDialog("Please locate the Module to install", 5000);
    SendDlgItemMessageA(dialog, 0x47C, WM_SETTEXT, 0, LPARAM(path.c_str()));
    Robot::Press(dialog, IDOK);
    if (Robot::WaitUntil([&] { return !IsWindow(dialog); }, 5000))
        return true;
    Robot::Press(dialog, IDCANCEL);  // the dialog would not take the path
    return false;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

// A file of bytes in folder, which is made if missing; returns its path.
std::string WriteBytes(const std::string& folder, const std::string& name, size_t bytes)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    std::ofstream out(folder + "\\" + name, std::ios::binary);
    for (size_t i = 0; i < bytes; ++i)
        out.put(char(i * 13 + 5));
    return folder + "\\" + name;
}

// The device calls after the first `from` lines of the trace; WriteMemory with its length.
std::vector<std::string> DeviceCalls(const ProgramRun& run, size_t from)
{
    std::vector<std::string> calls;
    const auto trace = run.Trace();
    for (size_t i = from; i < trace.size(); ++i)
        if (Contains({"GetTargetInfo", "WriteMemory", "SetMode", "Reset"}, trace[i].op))
            calls.push_back(trace[i].op + (trace[i].op == "WriteMemory" ? " " + std::to_string(trace[i].Arg("length")) : ""));
    return calls;
}

// The same path through Wine's Z: drive; its dosdevices link holds a "c:" no Windows path may.
std::string ZDrivePath(const std::string& path)
{
    using ToUnix = char*(CDECL*)(const WCHAR*);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    const std::wstring wide(path.begin(), path.end());
    std::string z = "Z:" + std::string(toUnix ? toUnix(wide.c_str()) : "");
    std::replace(z.begin(), z.end(), '/', '\\');
    const size_t link = z.find("\\dosdevices\\c:\\");
    return link == std::string::npos ? z : z.replace(link, 15, "\\drive_c\\");
}

}  // namespace

TEST(ModuleManager, ModuleInstalledFromAnotherFolderIsUploadedAndBootsAsDefault)
{
    ProgramRun run;
    const std::string source = WriteBytes(run.Home() + "\\elsewhere", "SatCD050.bin", 812);
    std::string memory, label;
    std::vector<std::string> installed;
    size_t traceAtOk = 0;
    bool booted = false;
    run.Run([&](Robot& robot) {
        Manager m = Open(robot);
        memory = std::to_string(SendDlgItemMessageA(m.window, IDC_MEMORY_BAR, PBM_GETRANGE, FALSE, 0)) + " " +
                 std::to_string(SendDlgItemMessageA(m.window, IDC_MEMORY_BAR, PBM_GETPOS, 0, 0)) + " " +
                 m.Text(IDC_MEMORY_AVAILABLE) + " " + m.Text(IDC_MEMORY_USED);
        Robot::Press(m.window, IDC_INSTALL_MODULE);
        ASSERT_TRUE(ChooseFile(robot, source));
        m.Do(Installed, "Sega Saturn", IDC_REMOVE_MODULE);
        label = m.Text(IDC_DEFAULT_MODULE);
        m.Do(Available, "Sega Saturn|  812|0.50", IDC_ADD_MODULE);
        m.Do(Installed, "Sega Saturn", ID_SET_DEFAULT);
        installed = m.Items(Installed);
        traceAtOk = run.Trace().size();
        Robot::Press(m.window, IDOK);
        booted = Robot::WaitUntil([&] {
            return robot.HasMessage("Emulation module " + run.ModulePath() + "\\SatCD050.bin uploaded.") &&
                   robot.StatusPane(2) == "Play";
        }, 15000);
    });
    EXPECT_EQ(memory, "1048 70 978063 bytes 70001 bytes") << "bar range and position, available, used";
    EXPECT_EQ(label, "None") << "removing the default target's module leaves no default";
    EXPECT_EQ(installed, (std::vector<std::string>{"Playstation (Dex)|30001|1.00", "Sega Saturn|  812|0.50"}));
    EXPECT_TRUE(booted) << "the upload line and Play after the reset";
    EXPECT_EQ(FileBytes(run.ModulePath() + "\\SatCD050.bin"), FileBytes(source));
    EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "Modules"), "SatCD100400000;DexCD100300010;SatCD050008120;");
    EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "ModsInstalled"), "DexCD100300010;SatCD050008120;");
    EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "DefModule"), "Sat");
    // Each module is written in file transfer mode, the emulator back in emulation after it.
    EXPECT_EQ(DeviceCalls(run, traceAtOk), (std::vector<std::string>{"GetTargetInfo", "SetMode", "WriteMemory 30004", "SetMode",
                                                                     "SetMode", "WriteMemory 812", "SetMode", "WriteMemory 512", "Reset"}));
}

TEST(ModuleManager, RefusalsAndDeletionsSayWhyAndKeepWhatTheyShould)
{
    // SatCD090 is older than the installed SatCD100, so start-up leaves the installed list alone.
    const char* three = "SatCD100400000;DexCD100300010;SatCD090400000;";
    const char* question = "Are you sure you want to permanently remove the module\nSega Saturn version 0.90 from this machine?";
    struct Step { int list; const char* select; int button; };
    struct Case { const char* modules; std::vector<Step> steps; const char* caption; const char* text; int answer; bool kept; size_t available; };
    const Case cases[] = {
        {nullptr, {{Installed, "Sega", IDC_REMOVE_MODULE}, {Installed, "Play", IDC_REMOVE_MODULE}, {Installed, "-", IDOK}},
         "Validation Error", "You have not specified any Emulation Modules for download", IDOK, true, 2},
        {three, {{Available, "Sega Saturn|40000|0.90", IDC_ADD_MODULE}, {Installed, "-", IDOK}},
         "Validation Error", "You can only download one module for each target", IDOK, true, 3},
        {"SatCD100400000;", {{Available, "Sega", IDC_DELETE_MODULE}},
         "Module Delete", "There must be at least ONE module stored on this machine.", IDOK, true, 1},
        {nullptr, {{Available, "Play", IDC_DELETE_MODULE}}, "Module Delete", "That module is currently in use.", IDOK, true, 2},
        {three, {{Available, "Sega Saturn|40000|0.90", IDC_DELETE_MODULE}}, "OK To Remove Module?", question, IDYES, false, 2},
        {three, {{Available, "Sega Saturn|40000|0.90", IDC_DELETE_MODULE}}, "OK To Remove Module?", question, IDNO, true, 3},
    };
    for (const Case& c : cases) {
        ProgramRun run;
        if (c.modules)
            run.WriteSetting(ProgramRun::MachineKey, "Modules", c.modules);
        run.WriteModuleFile("SatCD090", 40000);
        std::string text;
        size_t available = 0;
        run.Run([&](Robot& robot) {
            Manager m = Open(robot);
            for (const Step& step : c.steps)
                m.Do(step.list, step.select, step.button);
            text = Answer(robot, c.caption, c.answer);
            available = m.Items(Available).size();
            Robot::Press(m.window, IDCANCEL);
        });
        EXPECT_EQ(text, c.text) << c.caption;
        EXPECT_EQ(FileBytes(run.ModulePath() + "\\SatCD090.bin") != "<missing>", c.kept) << c.text;
        EXPECT_EQ(available, c.available) << c.text;
    }
}

TEST(ModuleManager, InstallNeverDestroysAFileAndSaysWhatWentWrong)
{
    ProgramRun run;
    const std::string folder = run.ModulePath(), elsewhere = run.Home() + "\\elsewhere";
    const std::string own = WriteBytes(folder, "SatCD070.bin", 50000);  // longer than the part an installation reads
    const std::string before = FileBytes(own);
    WriteBytes(elsewhere, "DexCD200.bin", 600), WriteBytes(elsewhere, "DexCD300.bin", 700), WriteBytes(folder, "DexCD300.bin", 10);
    std::string upper = own, dotted = own;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    dotted.insert(folder.size(), "\\.\\..\\" + folder.substr(folder.rfind('\\') + 1));
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(own.c_str(), shortPath, MAX_PATH);
    struct Case { std::string chosen, box; };
    const Case cases[] = {
        {upper, ""}, {dotted, ""}, {shortPath, ""},
        {elsewhere + "\\DexCD200.bin", "The module file " + elsewhere + "\\DexCD200.bin could not be read: "},
        {elsewhere + "\\DexCD300.bin", "The module could not be copied to " + folder + "\\DexCD300.bin: "},
    };
    std::vector<std::string> boxes, lists;
    run.Run([&](Robot& robot) {
        Manager m = Open(robot);
        // Another program holds the unreadable source and the destination that cannot be replaced.
        HANDLE a = CreateFileA((elsewhere + "\\DexCD200.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE b = CreateFileA((folder + "\\DexCD300.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        for (const Case& c : cases) {
            Robot::Press(m.window, IDC_INSTALL_MODULE);
            EXPECT_TRUE(ChooseFile(robot, c.chosen)) << c.chosen;
            boxes.push_back(c.box.empty() ? "" : Answer(robot, "Install Module", IDOK));
            lists.push_back(m.Items(Available).back());
        }
        CloseHandle(a), CloseHandle(b);
        Robot::Press(m.window, IDCANCEL);
    });
    for (size_t i = 0; i < boxes.size(); ++i)
        EXPECT_EQ(boxes[i].substr(0, cases[i].box.size()) + " " + lists[i], cases[i].box + " Sega Saturn|49152|0.70") << "listed once";
    EXPECT_TRUE(FileBytes(own) == before) << "installing a module onto itself left " << FileBytes(own).size() << " bytes";
    EXPECT_EQ(FileBytes(folder + "\\DexCD200.bin"), "<missing>");
    EXPECT_EQ(FileBytes(folder + "\\DexCD300.bin").size(), 10u) << "a failed copy leaves the old file";
    EXPECT_EQ(FileBytes(folder + "\\DexCD300.bin.part"), "<missing>") << "and no half copy";

    // The module directory named through Wine's Z: drive, the file chosen through C:.
    run.WriteSetting(ProgramRun::MachineKey, "Path", ZDrivePath(folder));
    ASSERT_NE(GetFileAttributesA((run.ModulePath() + "\\SatCD070.bin").c_str()), INVALID_FILE_ATTRIBUTES);
    run.Run([&](Robot& robot) {
        Manager m = Open(robot);
        Robot::Press(m.window, IDC_INSTALL_MODULE);
        EXPECT_TRUE(ChooseFile(robot, own));
        EXPECT_EQ(Answer(robot, "Install Module", IDOK), "<no box>");
        Robot::Press(m.window, IDCANCEL);
    });
    EXPECT_TRUE(FileBytes(own) == before) << "installing through another drive left " << FileBytes(own).size() << " bytes";
}

TEST(ModuleManager, ChangesReachTheEmulatorOnlyWhenTheInstalledSetChanged)
{
    struct Case { std::string scenario; const char* select; int button; std::vector<std::string> calls; const char* installed; };
    const Case cases[] = {
        {"", "Play", ID_TOGGLE_LOCK, {}, "SatCD100400000;DexCD100300011;"},
        // A box that never got module data is uploaded to and not reset.
        {Fault("WriteMemory", "always = true"), "Play", IDC_REMOVE_MODULE,
         {"GetTargetInfo", "SetMode", "WriteMemory 40000", "WriteMemory 512"}, "SatCD100400000;"},
    };
    for (const Case& c : cases) {
        ProgramRun run;
        run.Scenario(c.scenario);
        std::vector<std::string> shown;
        size_t traceAtOk = 0, polls = 0;
        run.Run([&](Robot& robot) {
            Manager m = Open(robot);
            m.Do(Installed, c.select, c.button);
            shown = m.Items(Installed);
            // module-manager-screenshot.sh takes its picture now: this file says so, it answers with ".done".
            if (const char* ready = c.button == ID_TOGGLE_LOCK ? getenv("CADREL_PICTURE_READY") : nullptr) {
                std::ofstream(ready) << "ready";
                const std::string done = std::string(ready) + ".done";
                Robot::WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000);
            }
            polls = run.Calls("GetStatus").size();
            Sleep(1500);  // the main window keeps polling under the manager
            polls = run.Calls("GetStatus").size() - polls;
            traceAtOk = run.Trace().size();
            Robot::Press(m.window, IDOK);
            Sleep(1000);
        });
        EXPECT_GE(polls, 2u) << c.installed;
        EXPECT_EQ(DeviceCalls(run, traceAtOk), c.calls) << c.installed;
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "ModsInstalled"), c.installed);
        if (c.button == ID_TOGGLE_LOCK)
            EXPECT_EQ(shown, (std::vector<std::string>{"Sega Saturn|40000|1.00", "Playstation (Dex)|30001|1.00|locked"}));
    }
}

TEST(ModuleManager, SettingTheStoreWouldNotReadIsLeftAsItWas)
{
    ProgramRun run;
    run.Run([](Robot& robot) { robot.WaitForMainWindow(); });
    // QueryValue calls at start-up: size and text of each list and the path, then DefModule.
    for (const auto& [value, read] : {std::pair{"Modules", "2"}, {"ModsInstalled", "4"}, {"Path", "6"}, {"DefModule", "7"}}) {
        const std::string stored = run.ReadSetting(ProgramRun::MachineKey, value);
        run.Scenario(Fault("QueryValue", std::string("nth = ") + read));
        run.Run([](Robot& robot) { WaitForPoll(robot); });
        run.ClearScenario();
        EXPECT_FALSE(stored.empty()) << value;
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, value), stored) << value;
    }
}
