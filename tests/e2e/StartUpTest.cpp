// Start-up against the virtual emulator: what the window shows, and how start-up fails.
#include <gtest/gtest.h>
#include <algorithm>
#include "ProgramRun.h"
#include "resources/ResourceIds.h"

namespace {

const char EmulatorError[] =
    "An Error Has Occurred with the CD Emulator.\n\nPlease Ensure the Tamber_CO and Tambercde Dll files\n"
    "are correctly installed and that the emulator\nis connected and switched on.";
const char SettingsError[] = "The CD Emulator Settings in the machine's registry are incorrect";

std::string Device(const char* vendor, const char* product, const char* revision)
{
    return std::string("[[device]]\ntype = 0\nvendor = \"") + vendor + "\"\nproduct = \"" + product +
           "\"\nrevision = \"" + revision + "\"\n";
}

}  // namespace

// A row per box: its target line and message, its device lines (null: any 31-character line),
// and the cut commands enabled exactly when there is a cutter.
TEST(StartUp, InformationLinesTargetMessageAndCutCommandsFollowTheBox)
{
    struct Case { std::string scenario; const char *target, *message, *emulation, *cutter; };
    const Case cases[] = {
        {"", "Sega Saturn", "Emulator is in Sega Saturn mode", nullptr, nullptr},
        {"[target]\nkind = 1\n", "Sega Saturn", "Emulator is in Sega Saturn mode", nullptr, nullptr},
        {"[target]\nkind = 0xFC\n", "Sony DTL-H2000", "Emulator is in Sony DTL-H2000 (Playstation) mode", nullptr, nullptr},
        {"[target]\nkind = 0xFF\n", "No Target", "No target is connected to the emulator", nullptr, nullptr},
        {"[target]\nkind = 0x42\n", "None", nullptr, nullptr, nullptr},
        // Two hard discs and no cutter: the last disc is the emulation device.
        {Device("QUANTUM", "FIREBALL1080S", "1Q09") + Device("SEAGATE", "ST32550N", "0021"), "Sega Saturn",
         "Emulator is in Sega Saturn mode", "SEAGATE  ST32550N         0021 ", "None"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        ProgramRun run;
        if (!c.scenario.empty())
            run.Scenario(c.scenario);
        std::string target, emulation, cutter, mode, time;
        std::vector<std::string> messages;
        bool cutEnabled = false, cutterMenu = false;
        EXPECT_EQ(run.Run([&](Robot& robot) {
            robot.WaitForMainWindow();
            Robot::WaitUntil([&] { return !robot.StatusPane(2).empty(); }, 5000);
            target = robot.Text(IDC_TARGET), emulation = robot.Text(IDC_EMULATION_DEVICE);
            cutter = robot.Text(IDC_CUTTING_DEVICE), mode = robot.StatusPane(1), time = robot.StatusPane(3);
            cutEnabled = robot.IsEnabled(ID_CUT_GOLD_DISC);
            cutterMenu = !(robot.MenuState(ID_CUTTING_DEVICE) & MF_GRAYED);
            messages = robot.Messages();
            robot.Command(ID_EXIT);
        }), 0);
        EXPECT_EQ(target, c.target);
        const auto targetLine = [](const std::string& m) { return m.find(" mode") != m.npos || m.find("No target") != m.npos; };
        EXPECT_EQ(std::count_if(messages.begin(), messages.end(), targetLine), c.message ? 1 : 0);
        EXPECT_TRUE(!c.message || std::find(messages.begin(), messages.end(), c.message) != messages.end()) << c.message;
        for (const auto& [shown, expected] : {std::pair{emulation, c.emulation}, std::pair{cutter, c.cutter}}) {
            if (expected)
                EXPECT_EQ(shown, expected);
            else
                EXPECT_TRUE(shown.size() == 31 && shown[8] == ' ' && shown[25] == ' ' && shown[30] == ' ') << shown;
        }
        EXPECT_EQ(cutEnabled, cutter != "None");
        EXPECT_EQ(cutterMenu, cutter != "None");
        EXPECT_EQ(mode, "Emulating");
        // A target the program knows is polled: the first poll shows a time.
        EXPECT_TRUE(!c.message || time.size() == 8u) << time;
    }
}

TEST(StartUp, EachFailedConnectionStepEndsWithOneBoxAndNoSettingsWritten)
{
    const struct { const char *fault, *text; } cases[] = {
        {"op = \"TamberCOCreateInstance.EmulatorSystem\"\nalways = true\n", EmulatorError},
        {"op = \"Initialise\"\nalways = true\n", EmulatorError},
        {"op = \"OpenDevice\"\nalways = true\n", EmulatorError},
        {"op = \"SetMessageSink\"\nalways = true\n", EmulatorError},
        {"op = \"GetConfiguration\"\nalways = true\n", EmulatorError},
        {"op = \"TamberCOCreateInstance.SettingsRegistry\"\nnth = 1\n", SettingsError},
        {"op = \"OpenKey\"\nnth = 2\n", SettingsError},  // the user key
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        ProgramRun run;
        const std::string modulesBefore = run.ReadSetting(ProgramRun::MachineKey, "Modules");
        run.Scenario(std::string("[[fault]]\n") + c.fault);
        std::string text;
        int boxes = 0;
        EXPECT_EQ(run.Run([&](Robot& robot) {
            if (HWND box = robot.WaitForDialog("Error", 8000)) {
                text = Robot::DialogText(box);
                Robot::Press(box, IDOK);
                boxes = 1 + !Robot::WaitUntil([&] { return robot.FindDialog("Error") == nullptr; }, 3000);
            }
        }), 0);
        EXPECT_EQ(boxes, 1);
        EXPECT_EQ(text, c.text);
        for (const char* op : {"SetValue", "SetBinaryValue", "GetStatus"})
            EXPECT_TRUE(run.Calls(op).empty()) << op << " after the failure";
        run.ClearScenario();
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "Modules"), modulesBefore);
    }
}

// The real cadrel.exe copied into a folder without tamber_co.dll: the emulator box, then exit
// code 0. (The screenshot tests close the real program with its library and check the same.)
TEST(StartUp, MissingComponentLibraryGivesTheEmulatorBoxAndExitCodeZero)
{
    char exe[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    const std::string dir = std::string(exe).substr(0, std::string(exe).find_last_of('\\') + 1);
    ProgramRun run;
    const std::string copy = run.Home() + "\\cadrel.exe";
    ASSERT_TRUE(CopyFileA((dir + "cadrel.exe").c_str(), copy.c_str(), FALSE)) << "cadrel.exe not built beside the tests";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = "\"" + copy + "\"";
    ASSERT_TRUE(CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, run.Home().c_str(),
                               &startup, &process));
    struct Find { DWORD pid; HWND box; } find{process.dwProcessId, nullptr};
    Robot::WaitUntil([&] {
        EnumWindows([](HWND window, LPARAM lParam) -> BOOL {
            auto* f = reinterpret_cast<Find*>(lParam);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == f->pid && Robot::WindowText(window) == "Error")
                f->box = window;
            return f->box == nullptr;
        }, LPARAM(&find));
        return find.box != nullptr;
    }, 15000);
    ASSERT_NE(find.box, nullptr) << "no error box";
    EXPECT_EQ(Robot::DialogText(find.box), EmulatorError);
    Robot::Press(find.box, IDOK);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 1234;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
