// The Module Manager as a user drives it from the main window, and what reaches the emulator.
#include "ProgramRun.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include "common/ByteOrder.h"
#include "resources/ResourceIds.h"

namespace {

const int Available = IDC_AVAILABLE_MODULES, Installed = IDC_INSTALLED_MODULES;
using Lines = std::vector<std::string>;

struct Manager {
    HWND window = nullptr;

    Lines Items(int list) const  // "name|size|version", with "|locked" when the padlock is shown
    {
        Lines items = Robot::ListRows(GetDlgItem(window, list));
        for (size_t i = 0; i < items.size(); ++i) {
            LVITEMA image{};
            image.mask = LVIF_IMAGE, image.iItem = int(i);
            Robot::Ask(GetDlgItem(window, list), LVM_GETITEMA, 0, LPARAM(&image));
            items[i] = items[i].substr(0, items[i].find(" (selected)")) + (image.iImage ? "" : "|locked");
        }
        return items;
    }
    void Do(int list, const std::string& prefix, int button) const  // selects the first item beginning with prefix ("-": none)
    {
        const Lines items = Items(list);
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

std::string Answer(Robot& robot, const char* caption, int button)  // the box's text, or "<no box>"
{
    HWND box = robot.WaitForDialog(caption, 5000);
    const std::string text = box ? Robot::DialogText(box) : "<no box>";
    Robot::Press(box, button);
    Robot::WaitUntil([&] { return !IsWindow(box); }, 5000);
    return text;
}

bool Install(Robot& robot, const Manager& m, const std::string& path)  // types path into the file dialog, as a user would
{
    Robot::Press(m.window, IDC_INSTALL_MODULE);
    HWND dialog = robot.WaitForDialog("Please locate the Module to install", 5000);
    SendDlgItemMessageA(dialog, 0x47C, WM_SETTEXT, 0, LPARAM(path.c_str()));
    Robot::Press(dialog, IDOK);
    return Robot::WaitUntil([&] { return !IsWindow(dialog); }, 5000);
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

Lines DeviceCalls(const ProgramRun& run, size_t from)  // those after the first `from` trace lines; WriteMemory with its length
{
    Lines calls;
    const auto trace = run.Trace();
    for (size_t i = from; i < trace.size(); ++i)
        if (Contains({"GetTargetInfo", "WriteMemory", "SetMode", "Reset"}, trace[i].op))
            calls.push_back(trace[i].op + (trace[i].op == "WriteMemory" ? " " + std::to_string(trace[i].Arg("length")) : ""));
    return calls;
}

}  // namespace

TEST(ModuleManager, RefusalsAndDeletionsSayWhyAndKeepWhatTheyShould)
{
    const char* three = "SatCD100400000;DexCD100300010;SatCD090400000;";  // SatCD090, older, is not installed at start-up
    const char* question = "Are you sure you want to permanently remove the module\nSega Saturn version 0.90 from this machine?";
    struct Step { int list; const char* select; int button; };
    struct Case { const char* modules; std::vector<Step> steps; const char* caption; const char* text; int answer; bool kept; size_t available; };
    const Case cases[] = {
        {nullptr, {{Installed, "Sega", IDC_REMOVE_MODULE}, {Installed, "Play", IDC_REMOVE_MODULE}, {Installed, "-", IDOK}}, "Validation Error", "You have not specified any Emulation Modules for download", IDOK, true, 2},
        {three, {{Available, "Sega Saturn|40000|0.90", IDC_ADD_MODULE}, {Installed, "-", IDOK}}, "Validation Error", "You can only download one module for each target", IDOK, true, 3},
        {"SatCD100400000;", {{Available, "Sega", IDC_DELETE_MODULE}}, "Module Delete", "There must be at least ONE module stored on this machine.", IDOK, true, 1},
        {nullptr, {{Available, "Play", IDC_DELETE_MODULE}}, "Module Delete", "That module is currently in use.", IDOK, true, 2},
        {three, {{Available, "Sega Saturn|40000|0.90", IDC_DELETE_MODULE}}, "OK To Remove Module?", question, IDYES, false, 2},
        {three, {{Available, "Sega Saturn|40000|0.90", IDC_DELETE_MODULE}}, "OK To Remove Module?", question, IDNO, true, 3},
    };
    for (const Case& c : cases) {
        ProgramRun run;
        run.WriteSetting(ProgramRun::MachineKey, "Modules", c.modules ? c.modules : "SatCD100400000;DexCD100300010;");
        run.WriteModuleFile("SatCD090", 40000);
        run.Run([&](Robot& robot) {
            Manager m = Open(robot);
            for (const Step& step : c.steps)
                m.Do(step.list, step.select, step.button);
            EXPECT_EQ(Answer(robot, c.caption, c.answer), c.text) << c.caption;
            EXPECT_EQ(m.Items(Available).size(), c.available) << c.text;
            Robot::Press(m.window, IDCANCEL);
        });
        EXPECT_EQ(FileBytes(run.ModulePath() + "\\SatCD090.bin") != "<missing>", c.kept) << c.text;
    }
}

TEST(ModuleManager, InstallNeverDestroysAFileAndSaysWhatWentWrong)
{
    ProgramRun run;
    const std::string folder = run.ModulePath(), elsewhere = run.Home() + "\\elsewhere";
    // A box that never got module data is uploaded to and not reset; no module goes in, so its
    // record block is left as it is.
    run.Scenario(Fault("WriteMemory", "always = true"));
    const std::string own = WriteBytes(folder, "SatCD070.bin", 50000), before = FileBytes(own);  // longer than the part an installation reads
    WriteBytes(elsewhere, "DexCD200.bin", 600), WriteBytes(elsewhere, "DexCD300.bin", 700), WriteBytes(folder, "DexCD300.bin", 10);
    std::string upper = own, dotted = own;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    dotted.insert(folder.size(), "\\.\\..\\" + folder.substr(folder.rfind('\\') + 1));
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(own.c_str(), shortPath, MAX_PATH);
    const std::pair<std::string, std::string> cases[] = {  // the file chosen, the start of the box it brings
        {upper, ""}, {dotted, ""}, {shortPath, ""},
        {elsewhere + "\\DexCD200.bin", "The module file " + elsewhere + "\\DexCD200.bin could not be read: "},
        {elsewhere + "\\DexCD300.bin", "The module could not be copied to " + folder + "\\DexCD300.bin: "},
    };
    run.Run([&](Robot& robot) {
        Manager m = Open(robot);
        // Another program holds the unreadable source and the destination that cannot be replaced.
        HANDLE a = CreateFileA((elsewhere + "\\DexCD200.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE b = CreateFileA((folder + "\\DexCD300.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        for (const auto& [chosen, box] : cases) {
            EXPECT_TRUE(Install(robot, m, chosen)) << chosen;
            EXPECT_EQ((box.empty() ? "" : Answer(robot, "Install Module", IDOK).substr(0, box.size())) + " " + m.Items(Available).back(),
                      box + " Sega Saturn|49152|0.70") << "listed once";
        }
        CloseHandle(a), CloseHandle(b);
        Robot::Press(m.window, IDCANCEL);
    });
    EXPECT_TRUE(FileBytes(own) == before) << "installing a module onto itself left " << FileBytes(own).size() << " bytes";
    EXPECT_EQ(FileBytes(folder + "\\DexCD300.bin").size(), 10u) << "a failed copy leaves the old file";

    // The module directory named through Wine's Z: drive, the file chosen through C:.
    std::string z = "Z:" + std::string(getenv("WINEPREFIX") ? getenv("WINEPREFIX") : "") + "/drive_c" + folder.substr(2);
    std::replace(z.begin(), z.end(), '/', '\\');
    run.WriteSetting(ProgramRun::MachineKey, "Path", z);
    ASSERT_NE(GetFileAttributesA((run.ModulePath() + "\\SatCD070.bin").c_str()), INVALID_FILE_ATTRIBUTES);
    run.Run([&](Robot& robot) {
        Manager m = Open(robot);
        EXPECT_TRUE(Install(robot, m, own));
        EXPECT_EQ(Answer(robot, "Install Module", IDOK), "<no box>");
        m.Do(Installed, "Play", IDC_REMOVE_MODULE);
        const size_t okAt = run.Trace().size();
        Robot::Press(m.window, IDOK);
        Sleep(1000);
        EXPECT_EQ(DeviceCalls(run, okAt), (Lines{"GetTargetInfo", "SetMode", "WriteMemory 40000"}));
    });
    EXPECT_TRUE(FileBytes(own) == before) << "installing through another drive left " << FileBytes(own).size() << " bytes";
}

TEST(ModuleManager, ChangesReachTheEmulatorOnlyWhenTheInstalledSetChanged)
{
    ProgramRun run;
    const std::string source = WriteBytes(run.Home() + "\\elsewhere", "SatCD050.bin", 812);
    run.Run([&](Robot& robot) {
        Manager m = Open(robot);
        EXPECT_EQ(std::to_string(SendDlgItemMessageA(m.window, IDC_MEMORY_BAR, PBM_GETRANGE, FALSE, 0)) + " " +
                  std::to_string(SendDlgItemMessageA(m.window, IDC_MEMORY_BAR, PBM_GETPOS, 0, 0)) + " " +
                  m.Text(IDC_MEMORY_AVAILABLE) + " " + m.Text(IDC_MEMORY_USED), "1048 70 978063 bytes 70001 bytes");
        m.Do(Installed, "Play", ID_TOGGLE_LOCK);
        EXPECT_EQ(m.Items(Installed), (Lines{"Sega Saturn|40000|1.00", "Playstation (Dex)|30001|1.00|locked"}));
        if (const char* ready = getenv("CADREL_PICTURE_READY")) {  // module-manager-screenshot.sh takes its picture now
            std::ofstream(ready) << "ready";
            Robot::WaitUntil([&] { return GetFileAttributesA((std::string(ready) + ".done").c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000);
        }
        const size_t lockedAt = run.Trace().size(), polls = run.Calls("GetStatus").size();
        Sleep(1500);  // the main window keeps polling under the manager
        EXPECT_GE(run.Calls("GetStatus").size(), polls + 2);
        Robot::Press(m.window, IDOK);
        Sleep(1000);
        EXPECT_EQ(DeviceCalls(run, lockedAt), Lines{});
        m = Open(robot);
        ASSERT_TRUE(Install(robot, m, source));
        m.Do(Installed, "Sega Saturn", IDC_REMOVE_MODULE);
        EXPECT_EQ(m.Text(IDC_DEFAULT_MODULE), "None") << "removing the default target's module leaves no default";
        m.Do(Available, "Sega Saturn|  812|0.50", IDC_ADD_MODULE);
        m.Do(Installed, "Sega Saturn", ID_SET_DEFAULT);
        EXPECT_EQ(m.Items(Installed), (Lines{"Playstation (Dex)|30001|1.00|locked", "Sega Saturn|  812|0.50"}));
        const size_t okAt = run.Trace().size();
        Robot::Press(m.window, IDOK);
        EXPECT_TRUE(Robot::WaitUntil([&] {
            return robot.HasMessage("Emulation module " + run.ModulePath() + "\\SatCD050.bin uploaded.") && robot.StatusPane(2) == "Play";
        }, 15000)) << "the upload line and Play after the reset";
        // Each module is written in file transfer mode, the emulator back in emulation after it.
        EXPECT_EQ(DeviceCalls(run, okAt), (Lines{"GetTargetInfo", "SetMode", "WriteMemory 30004", "SetMode",
                                                 "SetMode", "WriteMemory 812", "SetMode", "WriteMemory 512", "Reset"}));
    });
    EXPECT_EQ(FileBytes(run.ModulePath() + "\\SatCD050.bin"), FileBytes(source));
    for (const auto& [value, stored] : {std::pair{"Modules", "SatCD100400000;DexCD100300010;SatCD050008120;"}, {"ModsInstalled", "DexCD100300011;SatCD050008120;"}, {"DefModule", "Sat"}})
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, value), stored);
}

// A value the store would not read, or one it says is 4 GB long (a damaged store), is left as it was.
TEST(ModuleManager, SettingTheStoreWouldNotReadIsLeftAsItWas)
{
    ProgramRun run;
    run.Run([](Robot& robot) { robot.WaitForMainWindow(); });
    // QueryValue calls at start-up: size and text of each list and the path, then DefModule.
    const std::pair<const char*, const char*> cases[] = {{"Modules", "nth = 2"}, {"ModsInstalled", "nth = 4"}, {"Path", "nth = 6"},
                                                         {"DefModule", "nth = 7"}, {"Modules", "nth = 1\nsize = 4294967280"}};
    for (const auto& [value, when] : cases) {
        const std::string stored = run.ReadSetting(ProgramRun::MachineKey, value);
        run.Scenario(Fault("QueryValue", when));
        std::vector<std::string> messages;
        run.Run([&](Robot& robot) { WaitForPoll(robot), messages = robot.Messages(); });
        run.ClearScenario();
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, value), stored.empty() ? "<nothing stored before>" : stored) << value;
        EXPECT_EQ(Contains(messages, "WARNING, the CD Emulator setting \"Modules\" says it is 4294967280 bytes long, more than "
                                     "65536, so it is damaged: Cadrel leaves it as it is and works without it. Set it again, or remove it."),
                  std::string(when).find("size") != std::string::npos) << when;
    }
}

// The box fails in the middle of what follows OK: the user still has a box that works. A door that
// will not open keeps the modules the box had, and the next OK uploads again; a refused target
// read keeps the Saturn's drive states read as a Saturn's.
TEST(ModuleManager, AFailureAfterOkLeavesABoxThatWorks)
{
    for (const auto& [op, when] : {std::pair{"SetMode", "nth = 1\ncount = 2"}, {"GetTargetInfo", "nth = 2\ncount = 1"}}) {
        SCOPED_TRACE(op);
        ProgramRun run;
        run.Run([](Robot& robot) { WaitForPoll(robot); });  // the demo modules go in at the first start
        run.Scenario(Fault(op, when));
        run.Run([&](Robot& robot) {
            Manager m = Open(robot);
            m.Do(Installed, "Play", ID_SET_DEFAULT);
            Robot::Press(m.window, IDOK);
            EXPECT_TRUE(Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 10000)) << robot.StatusPane(2);
            if (std::string(op) != "SetMode")
                return;
            EXPECT_TRUE(robot.HasMessage("WARNING, no module could be uploaded, so the CD Emulator keeps the modules it had. "
                                         "Cadrel uploads them again when the Module Manager next closes, and at its next start."));
            EXPECT_EQ(LoadBE16(run.ReadSram(0xFFE02, 2).data()), 2) << "the record block lost the modules";
            m = Open(robot);
            Robot::Press(m.window, IDOK);  // no change, but the upload is still owed
            EXPECT_TRUE(Robot::WaitUntil([&] { return robot.HasMessage("Emulation module " + run.ModulePath() + "\\DexCD100.bin uploaded."); }, 10000));
        });
    }
}
