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
    if (Robot::WaitUntil([&] { return !IsWindow(dialog); }, 5000))
        return true;
    Robot::Press(dialog, IDCANCEL);  // the dialog would not take the path: leave it as a user would
    Robot::WaitUntil([&] { return !IsWindow(dialog); }, 5000);
    return false;
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

TEST(ModuleManager, RefusalsAndDeletionsSayWhyAndKeepWhatTheyShould)
{
    using Act = void (*)(const Manager&);
    struct Case {
        const char* what;
        const char* modules;  // the available list at start
        Act act;
        const char* caption;
        const char* text;
        int answer;
        bool fileKept;  // SatCD090.bin afterwards (a start-up upgrade would take a newer one)
        size_t available;
    };
    const Case cases[] = {
        {"nothing installed", Demo, [](const Manager& m) {
             for (const char* name : {"Sega", "Play"})
                 m.Select(IDC_INSTALLED_MODULES, name), m.Press(IDC_REMOVE_MODULE), Sleep(300);
             m.Press(IDOK); },
         "Validation Error", "You have not specified any Emulation Modules for download", IDOK, true, 2},
        {"two for Saturn", "SatCD100400000;DexCD100300010;SatCD090400000;", [](const Manager& m) {
             m.Select(IDC_AVAILABLE_MODULES, "Sega Saturn|40000|0.90"), m.Press(IDC_ADD_MODULE), Sleep(300);
             m.Press(IDOK); },
         "Validation Error", "You can only download one module for each target", IDOK, true, 3},
        {"last stored module", "SatCD100400000;", [](const Manager& m) {
             m.Select(IDC_AVAILABLE_MODULES, "Sega"), m.Press(IDC_DELETE_MODULE); },
         "Module Delete", "There must be at least ONE module stored on this machine.", IDOK, true, 1},
        {"installed module", Demo, [](const Manager& m) {
             m.Select(IDC_AVAILABLE_MODULES, "Play"), m.Press(IDC_DELETE_MODULE); },
         "Module Delete", "That module is currently in use.", IDOK, true, 2},
        {"deletion confirmed", "SatCD100400000;DexCD100300010;SatCD090400000;", [](const Manager& m) {
             m.Select(IDC_AVAILABLE_MODULES, "Sega Saturn|40000|0.90"), m.Press(IDC_DELETE_MODULE); },
         "OK To Remove Module?", "Are you sure you want to permanently remove the module\nSega Saturn version 0.90 from this machine?",
         IDYES, false, 2},
        {"deletion declined", "SatCD100400000;DexCD100300010;SatCD090400000;", [](const Manager& m) {
             m.Select(IDC_AVAILABLE_MODULES, "Sega Saturn|40000|0.90"), m.Press(IDC_DELETE_MODULE); },
         "OK To Remove Module?", "Are you sure you want to permanently remove the module\nSega Saturn version 0.90 from this machine?",
         IDNO, true, 3},
        {"nothing selected", Demo, [](const Manager& m) {
             m.Select(IDC_AVAILABLE_MODULES, "-"), m.Press(IDC_DELETE_MODULE), m.Press(IDC_ADD_MODULE); },
         "Module Delete", "<no box>", IDOK, true, 2},
    };
    for (const Case& c : cases) {
        ProgramRun run;
        run.WriteSetting(ProgramRun::MachineKey, "Modules", c.modules);
        run.WriteModuleFile("SatCD090", 40000);
        std::string text;
        size_t available = 0;
        run.Run([&](Robot& robot) {
            Manager m = Open(robot);
            c.act(m);
            text = Answer(robot, c.caption, c.answer);
            Sleep(200);
            available = m.Items(IDC_AVAILABLE_MODULES).size();
            if (IsWindow(m.window))
                m.Press(IDCANCEL);
        });
        EXPECT_EQ(text, c.text) << c.what;
        EXPECT_EQ(FileBytes(run.ModulePath() + "\\SatCD090.bin") != "<missing>", c.fileKept) << c.what;
        EXPECT_EQ(available, c.available) << c.what;
    }
}

// Unix path of a Windows path, through Wine's own mapping; empty outside Wine.
std::string ZDrivePath(const std::string& path)
{
    using ToUnix = char*(CDECL*)(const WCHAR*);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    std::wstring wide(path.begin(), path.end());
    char* unix = toUnix ? toUnix(wide.c_str()) : nullptr;
    std::string z = unix ? "Z:" + std::string(unix) : "";
    std::replace(z.begin(), z.end(), '/', '\\');
    // Wine answers through its dosdevices link, whose "c:" no Windows path may hold.
    const size_t link = z.find("\\dosdevices\\c:\\");
    return link == std::string::npos ? z : z.replace(link, 15, "\\drive_c\\");
}

TEST(ModuleManager, InstallNeverDestroysAFileAndSaysWhatWentWrong)
{
    ProgramRun run;
    const std::string folder = run.ModulePath();
    const std::string own = folder + "\\SatCD070.bin";  // longer than the part installation reads
    WriteBytes(own, 50000);
    const std::string before = FileBytes(own);
    CreateDirectoryA((run.Home() + "\\elsewhere").c_str(), nullptr);
    const std::string locked = run.Home() + "\\elsewhere\\DexCD200.bin";
    WriteBytes(locked, 600);
    const std::string held = run.Home() + "\\elsewhere\\DexCD300.bin";
    WriteBytes(held, 700);
    WriteBytes(folder + "\\DexCD300.bin", 10);
    std::string upper = own, dotted = own;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    dotted.insert(folder.size(), "\\.\\..\\" + folder.substr(folder.rfind('\\') + 1));
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(own.c_str(), shortPath, MAX_PATH);
    struct Case { std::string chosen; const char* box; const char* listed; };
    const std::vector<Case> cases = {
        {upper, "", "Sega Saturn|49152|0.70"}, {dotted, "", nullptr}, {shortPath, "", nullptr},
        {locked, "The module file ", nullptr},               // another program holds it
        {held, "The module could not be copied to ", nullptr},  // and here the destination
    };
    std::vector<std::string> boxes, lists;
    run.Run([&](Robot& robot) {
        Manager m = Open(robot);
        HANDLE a = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE b = CreateFileA((folder + "\\DexCD300.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        for (const Case& c : cases) {
            m.Press(IDC_INSTALL_MODULE);
            EXPECT_TRUE(ChooseFile(robot, c.chosen)) << c.chosen;
            boxes.push_back(*c.box ? Answer(robot, "Install Module", IDOK) : "");
            Sleep(300);
            const auto items = m.Items(IDC_AVAILABLE_MODULES);
            lists.push_back(items.empty() ? "<no list>" : items.back());
        }
        CloseHandle(a), CloseHandle(b);
        m.Press(IDCANCEL);
    });
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(boxes[i].substr(0, strlen(cases[i].box)), cases[i].box) << cases[i].chosen << ": " << boxes[i];
        EXPECT_EQ(lists[i], cases[i].listed ? cases[i].listed : lists[0]) << cases[i].chosen;
    }
    EXPECT_TRUE(FileBytes(own) == before) << "installing a module onto itself left " << FileBytes(own).size() << " bytes";
    EXPECT_FALSE(std::ifstream(folder + "\\DexCD200.bin")) << "an unreadable module is not copied";
    EXPECT_NE(boxes[3].find(locked), std::string::npos) << boxes[3];
    EXPECT_EQ(FileBytes(folder + "\\DexCD300.bin").size(), 10u) << "a failed copy leaves the old file";
    EXPECT_FALSE(std::ifstream(folder + "\\DexCD300.bin.part")) << "no half copy is left behind";

    // The module directory named through Wine's Z: drive, the file chosen through C:.
    const std::string zFolder = ZDrivePath(folder);
    ASSERT_NE(GetFileAttributesA((zFolder + "\\SatCD070.bin").c_str()), INVALID_FILE_ATTRIBUTES) << zFolder;
    run.WriteSetting(ProgramRun::MachineKey, "Path", zFolder);
    std::string box;
    run.Run([&](Robot& robot) {
        Manager m = Open(robot);
        m.Press(IDC_INSTALL_MODULE);
        EXPECT_TRUE(ChooseFile(robot, own));
        Sleep(300);
        box = robot.FindDialog("Install Module") ? "a box" : "";
        m.Press(IDCANCEL);
    });
    EXPECT_EQ(box, "");
    EXPECT_TRUE(FileBytes(own) == before) << "installing through another drive left " << FileBytes(own).size() << " bytes";
}

TEST(ModuleManager, LockShowsThePadlockAndIsKeptWithoutAnUpload)
{
    ProgramRun run;
    std::vector<std::string> shown;
    size_t traceAtOk = 0;
    run.Run([&](Robot& robot) {
        Manager m = Open(robot);
        m.Select(IDC_INSTALLED_MODULES, "Play");
        m.Press(ID_TOGGLE_LOCK);
        Robot::WaitUntil([&] { return m.Items(IDC_INSTALLED_MODULES)[1].find("locked") != std::string::npos; }, 5000);
        shown = m.Items(IDC_INSTALLED_MODULES);
        // module-manager-screenshot.sh takes its picture now: this file says so, it answers with ".done".
        if (const char* ready = getenv("CADREL_PICTURE_READY")) {
            std::ofstream(ready) << "ready";
            const std::string done = std::string(ready) + ".done";
            Robot::WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000);
        }
        // While the manager is open the main window keeps polling.
        const size_t before = run.Calls("GetStatus").size();
        Sleep(1500);
        EXPECT_GE(run.Calls("GetStatus").size(), before + 2);
        traceAtOk = run.Trace().size();
        m.Press(IDOK);
        Robot::WaitUntil([&] { return !IsWindow(m.window); }, 5000);
        Sleep(500);
    });
    const std::vector<std::string> expected = {"Sega Saturn|40000|1.00", "Playstation (Dex)|30001|1.00|locked"};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "ModsInstalled"), "SatCD100400000;DexCD100300011;");
    const auto trace = run.Trace();
    for (size_t i = traceAtOk; i < trace.size(); ++i)
        for (const char* op : {"GetTargetInfo", "WriteMemory", "Reset", "SetMode"})
            EXPECT_NE(trace[i].op, op) << "after a lock change alone";
}

TEST(ModuleManager, ChangesToAnEmulatorWithoutModuleDataAreUploadedWithoutReset)
{
    ProgramRun run;
    run.Scenario("[[fault]]\nop = \"WriteMemory\"\nalways = true\n");  // the box never gets module data
    size_t traceAtOk = 0;
    run.Run([&](Robot& robot) {
        Manager m = Open(robot);
        m.Select(IDC_INSTALLED_MODULES, "Play");
        m.Press(IDC_REMOVE_MODULE);
        m.WaitItems(IDC_INSTALLED_MODULES, 1);
        traceAtOk = run.Trace().size();
        m.Press(IDOK);
        Robot::WaitUntil([&] { return !IsWindow(m.window); }, 5000);
        Sleep(1000);
    });
    std::vector<std::string> after;
    const auto trace = run.Trace();
    for (size_t i = traceAtOk; i < trace.size(); ++i)
        if (trace[i].op == "WriteMemory" || trace[i].op == "Reset" || trace[i].op == "TestReady")
            after.push_back(trace[i].op + " " + std::to_string(trace[i].Arg("length")));
    const std::vector<std::string> expected = {"WriteMemory 40000", "WriteMemory 512"};
    EXPECT_EQ(after, expected);
}

TEST(ModuleManager, SettingTheStoreWouldNotReadIsLeftAsItWas)
{
    const char* values[] = {"Modules", "ModsInstalled", "Path", "DefModule"};
    const char* reads[] = {"2", "4", "6", "7"};  // probe and read of each text, then DefModule
    for (int i = 0; i < 4; ++i) {
        ProgramRun run;
        run.Run([](Robot& robot) { robot.WaitForMainWindow(); });
        const std::string stored = run.ReadSetting(ProgramRun::MachineKey, values[i]);
        run.Scenario(std::string("[[fault]]\nop = \"QueryValue\"\nnth = ") + reads[i] + "\n");
        run.Run([](Robot& robot) {
            robot.WaitForMainWindow();
            Robot::WaitUntil([&] { return !robot.StatusPane(2).empty(); }, 10000);
        });
        run.ClearScenario();
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, values[i]), stored) << values[i];
        EXPECT_FALSE(stored.empty()) << values[i];
    }
}
