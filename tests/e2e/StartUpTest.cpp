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

bool IsDeviceLine(const std::string& text)
{
    return text.size() == 31 && text[8] == ' ' && text[25] == ' ' && text[30] == ' ';
}

}  // namespace

TEST(StartUp, DefaultEmulatorShowsSaturnDevicesAndLiveState)
{
    ProgramRun run;
    std::string target, emulation, cutter, state, time, pane1;
    bool cutEnabled = false, saturnLine = false;
    UINT cutterMenu = 0;
    int result = run.Run([&](Robot& robot) {
        robot.WaitForMainWindow();
        Robot::WaitUntil([&] { return !robot.StatusPane(2).empty(); }, 5000);
        target = robot.Text(IDC_TARGET);
        emulation = robot.Text(IDC_EMULATION_DEVICE);
        cutter = robot.Text(IDC_CUTTING_DEVICE);
        cutEnabled = robot.IsEnabled(ID_CUT_GOLD_DISC);
        cutterMenu = robot.MenuState(ID_CUTTING_DEVICE);
        saturnLine = robot.HasMessage("Emulator is in Sega Saturn mode");
        state = robot.StatusPane(2);
        time = robot.StatusPane(3);
        pane1 = robot.StatusPane(1);
        robot.Command(ID_EXIT);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(target, "Sega Saturn");
    EXPECT_TRUE(saturnLine);
    EXPECT_TRUE(IsDeviceLine(emulation)) << "'" << emulation << "'";
    EXPECT_TRUE(IsDeviceLine(cutter)) << "'" << cutter << "'";
    EXPECT_TRUE(cutEnabled);
    EXPECT_EQ(cutterMenu & MF_GRAYED, 0u);
    EXPECT_EQ(pane1, "Emulating");
    EXPECT_FALSE(state.empty());
    EXPECT_EQ(time.size(), 8u) << time;
}

TEST(StartUp, TargetKindDecidesTheTargetLineAndMessage)
{
    struct Case {
        int kind;
        const char* line;
        const char* message;  // null: no target line in the Messages list
    };
    const Case cases[] = {
        {1, "Sega Saturn", "Emulator is in Sega Saturn mode"},
        {2, "Sega Saturn", "Emulator is in Sega Saturn mode"},
        {0xFC, "Sony DTL-H2000", "Emulator is in Sony DTL-H2000 (Playstation) mode"},
        {0xFF, "No Target", "No target is connected to the emulator"},
        {0x42, "None", nullptr},
        {0, "None", nullptr},
    };
    for (const Case& c : cases) {
        ProgramRun run;
        run.Scenario("[target]\nkind = " + std::to_string(c.kind) + "\n");
        std::string line;
        std::vector<std::string> messages;
        run.Run([&](Robot& robot) {
            robot.WaitForMainWindow();
            Robot::WaitUntil([&] { return !robot.StatusPane(2).empty(); }, 5000);
            line = robot.Text(IDC_TARGET);
            messages = robot.Messages();
        });
        EXPECT_EQ(line, c.line) << "kind " << c.kind;
        int targetLines = 0;
        for (const std::string& m : messages)
            targetLines += m.find("mode") != std::string::npos || m.find("No target") != std::string::npos;
        if (c.message) {
            EXPECT_NE(std::find(messages.begin(), messages.end(), c.message), messages.end()) << "kind " << c.kind;
            EXPECT_EQ(targetLines, 1) << "kind " << c.kind;
        } else {
            EXPECT_EQ(targetLines, 0) << "kind " << c.kind;
        }
    }
}

TEST(StartUp, WithoutACutterTheCutCommandsStayDisabled)
{
    ProgramRun run;
    run.Scenario(R"([[device]]
type = 0
vendor = "QUANTUM"
product = "FIREBALL1080S"
revision = "1Q09"

[[device]]
type = 0
vendor = "SEAGATE"
product = "ST32550N"
revision = "0021"
)");
    std::string cutter, emulation;
    bool cutEnabled = true;
    UINT cutterMenu = 0;
    run.Run([&](Robot& robot) {
        robot.WaitForMainWindow();
        Robot::WaitUntil([&] { return !robot.StatusPane(2).empty(); }, 5000);
        cutter = robot.Text(IDC_CUTTING_DEVICE);
        emulation = robot.Text(IDC_EMULATION_DEVICE);
        cutEnabled = robot.IsEnabled(ID_CUT_GOLD_DISC);
        cutterMenu = robot.MenuState(ID_CUTTING_DEVICE);
    });
    EXPECT_EQ(cutter, "None");
    EXPECT_FALSE(cutEnabled);
    EXPECT_NE(cutterMenu & MF_GRAYED, 0u);
    // Two hard discs: the last one is the emulation device.
    EXPECT_EQ(emulation, "SEAGATE  ST32550N         0021 ");
}

TEST(StartUp, EachFailedConnectionStepEndsWithOneBoxAndNoSettingsWritten)
{
    struct Case {
        const char* op;
        const char* fault;
        const char* text;
    };
    const Case cases[] = {
        {"factory", "op = \"TamberCOCreateInstance.EmulatorSystem\"\nalways = true\n", EmulatorError},
        {"Initialise", "op = \"Initialise\"\nalways = true\n", EmulatorError},
        {"OpenDevice", "op = \"OpenDevice\"\nalways = true\n", EmulatorError},
        {"SetMessageSink", "op = \"SetMessageSink\"\nalways = true\n", EmulatorError},
        {"GetConfiguration", "op = \"GetConfiguration\"\nalways = true\n", EmulatorError},
        {"settings factory", "op = \"TamberCOCreateInstance.SettingsRegistry\"\nnth = 1\n", SettingsError},
        {"user key", "op = \"OpenKey\"\nnth = 2\n", SettingsError},
    };
    for (const Case& c : cases) {
        ProgramRun run;
        const std::string modulesBefore = run.ReadSetting(ProgramRun::MachineKey, "Modules");
        run.Scenario(std::string("[[fault]]\n") + c.fault);
        std::string caption = "Error", text;
        int boxes = 0;
        const int result = run.Run([&](Robot& robot) {
            HWND box = robot.WaitForDialog("Error", 8000);
            if (!box)
                return;
            ++boxes;
            text = Robot::DialogText(box);
            Robot::Press(box, IDOK);
            Robot::WaitUntil([&] { return robot.FindDialog("Error") == nullptr; }, 3000);
            boxes += robot.FindDialog("Error") != nullptr;
        });
        EXPECT_EQ(result, 0) << c.op;
        EXPECT_EQ(boxes, 1) << c.op;
        EXPECT_EQ(text, c.text) << c.op;
        EXPECT_TRUE(run.Calls("SetValue").empty()) << c.op;
        EXPECT_TRUE(run.Calls("SetBinaryValue").empty()) << c.op;
        EXPECT_TRUE(run.Calls("GetStatus").empty()) << c.op << ": start-up went on after the failure";
        run.ClearScenario();
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "Modules"), modulesBefore) << c.op;
    }
}

TEST(StartUp, MissingComponentLibraryGivesTheEmulatorBoxAndExitCodeZero)
{
    // The real program, alone in a folder without tamber_co.dll.
    char exe[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string dir = exe;
    dir = dir.substr(0, dir.find_last_of('\\'));
    ProgramRun run;
    const std::string copy = run.Home() + "\\cadrel.exe";
    ASSERT_TRUE(CopyFileA((dir + "\\cadrel.exe").c_str(), copy.c_str(), FALSE)) << "cadrel.exe not built beside the tests";
    STARTUPINFOA startup{sizeof startup};
    PROCESS_INFORMATION process{};
    std::string command = "\"" + copy + "\"";
    ASSERT_TRUE(CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               run.Home().c_str(), &startup, &process));
    struct Find {
        DWORD pid;
        HWND box;
    } find{process.dwProcessId, nullptr};
    Robot::WaitUntil([&] {
        EnumWindows([](HWND window, LPARAM lParam) -> BOOL {
            auto* f = reinterpret_cast<Find*>(lParam);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == f->pid && Robot::WindowText(window) == "Error") {
                f->box = window;
                return FALSE;
            }
            return TRUE;
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
