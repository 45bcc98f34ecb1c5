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
    return std::string("[[device]]\ntype = 0\nvendor = \"") + vendor + "\"\nproduct = \"" + product + "\"\nrevision = \"" + revision + "\"\n";
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
        std::string emulation, cutter, shown, time;
        std::vector<std::string> messages;
        EXPECT_EQ(run.Run([&](Robot& robot) {
            WaitForPoll(robot, 5000);
            emulation = robot.Text(IDC_EMULATION_DEVICE), cutter = robot.Text(IDC_CUTTING_DEVICE), messages = robot.Messages();
            shown = robot.Text(IDC_TARGET) + "|" + robot.StatusPane(1) + "|" + std::to_string(robot.IsEnabled(ID_CUT_GOLD_DISC)) +
                    std::to_string(!(robot.MenuState(ID_CUTTING_DEVICE) & MF_GRAYED));
            time = robot.StatusPane(3);
            robot.Command(ID_EXIT);
        }), 0);
        EXPECT_EQ(shown, std::string(c.target) + "|Emulating|" + (cutter != "None" ? "11" : "00"));
        EXPECT_TRUE(!c.message || time.size() == 8u) << "a target the program knows is polled: " << time;
        const auto targetLine = [](const std::string& m) { return m.find(" mode") != m.npos || m.find("No target") != m.npos; };
        EXPECT_EQ(std::count_if(messages.begin(), messages.end(), targetLine), c.message ? 1 : 0);
        EXPECT_TRUE(!c.message || Contains(messages, c.message)) << c.message;
        for (const auto& [line, expected] : {std::pair{emulation, c.emulation}, std::pair{cutter, c.cutter}})
            EXPECT_TRUE(expected ? line == expected : line.size() == 31 && line[8] == ' ' && line[25] == ' ' && line[30] == ' ') << line;
    }
}

// The last row is the real cadrel.exe copied into a folder without tamber_co.dll.
TEST(StartUp, EachFailedConnectionStepEndsWithOneBoxExitCodeZeroAndNoSettingsWritten)
{
    const struct { const char *op, *when, *text; } cases[] = {
        {"TamberCOCreateInstance.EmulatorSystem", "always = true", EmulatorError}, {"Initialise", "always = true", EmulatorError},
        {"OpenDevice", "always = true", EmulatorError}, {"SetMessageSink", "always = true", EmulatorError},
        {"GetConfiguration", "always = true", EmulatorError},
        {"TamberCOCreateInstance.SettingsRegistry", "nth = 1", SettingsError}, {"OpenKey", "nth = 2", SettingsError},  // the user key
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.op);
        ProgramRun run;
        run.Scenario(Fault(c.op, c.when));
        std::string text;
        int boxes = 0;
        EXPECT_EQ(run.Run([&](Robot& robot) {
            if (HWND box = robot.WaitForDialog("Error", 8000)) {
                text = Robot::DialogText(box);
                Robot::Press(box, IDOK);
                boxes = 1 + !Robot::WaitUntil([&] { return robot.FindDialog("Error") == nullptr; }, 3000);
            }
        }), 0);
        EXPECT_EQ(std::to_string(boxes) + " " + text, std::string("1 ") + c.text);
        for (const char* op : {"SetValue", "SetBinaryValue", "GetStatus"})
            EXPECT_TRUE(run.Calls(op).empty()) << op << " after the failure";
    }
    // A tamber_co.dll in the working folder, where the default search would find it, is not the
    // component beside the program: it must not be loaded (its trace would show it).
    char exe[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    const std::string bin = std::string(exe).substr(0, std::string(exe).rfind('\\'));
    ProgramRun run;
    const std::string copy = run.Home() + "\\program\\cadrel.exe";
    CreateDirectoryA((run.Home() + "\\program").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((bin + "\\cadrel.exe").c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((bin + "\\tamber_co.dll").c_str(), (run.Home() + "\\tamber_co.dll").c_str(), FALSE));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = "\"" + copy + "\"";
    ASSERT_TRUE(CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, run.Home().c_str(), &startup, &process));
    HWND box = nullptr;  // the copy's own box, not one of the runs above
    Robot::WaitUntil([&] {
        DWORD pid = 0;
        while ((box = FindWindowExA(nullptr, box, "#32770", "Error")) && (GetWindowThreadProcessId(box, &pid), pid != process.dwProcessId)) {
        }
        return box != nullptr;
    }, 15000);
    EXPECT_EQ(box ? Robot::DialogText(box) : "<no box>", EmulatorError);
    Robot::Press(box, IDOK);
    DWORD code = 1234;
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 15000), WAIT_OBJECT_0);
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(run.Trace().empty()) << "the planted DLL was loaded";
    CloseHandle(process.hThread), CloseHandle(process.hProcess);
}
