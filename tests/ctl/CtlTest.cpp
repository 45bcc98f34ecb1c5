// cadrelctl against the virtual emulator, as a Makefile or a developer at a terminal meets it:
// what it prints where, its exit codes, and what reaches the box.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <algorithm>
#include "CadrelVersion.h"
#include "CtlRun.h"

namespace {

using Lines = std::vector<std::string>;
using Json = nlohmann::json;

std::string Last(const CtlResult& r) { const Lines lines = r.ErrLines(); return lines.empty() ? "" : lines.back(); }
Json JsonOf(const std::string& text) { return Json::parse(text, nullptr, false); }

// Every handle taken was given back and every object released: nothing left held on the box.
void ExpectNothingHeld(const CtlHome& home)
{
    EXPECT_EQ(home.Count("AcquireHandle handle=") - home.Count("AcquireHandle handle=0 "), home.Count("ReleaseHandle handle="));
    const Lines trace = home.TraceLines();
    EXPECT_EQ(trace.empty() ? "" : trace.back(), "live objects: 0");
}

}  // namespace

TEST(Ctl, StatusShowsTheWindowsTextsAndWatchPrintsEachChangeUntilCtrlC)
{
    const struct { std::string scenario; std::string text; } cases[] = {
        {"", "Target:   Sega Saturn\nMode:     Emulating\nDrive:    Stop\nError:    Error 83d0: No Emulation Modules installed.\n"
             "          Install Emulation Modules using Module Manager.\n"},
        {"[target]\npower = false\n", "Target:   No Target\nMode:     Emulating\nDrive:    Target Off\nPosition: 00:00:00\n"},
    };
    for (const auto& c : cases) {
        CtlHome home;
        home.Scenario(c.scenario);
        const CtlResult r = home.Run("status");
        EXPECT_EQ(std::to_string(r.code) + "\n" + r.out + r.err, "0\n" + c.text) << c.scenario;
    }

    // A PlayStation with modules: it boots, then the disc pauses and a file goes missing.
    CtlHome home;
    home.Scenario("time_scale = 20\n[target]\nkind = 0xFC\n" + Event(4000, "drive_state = 0x0C") +
                  Event(8000, "error = 0x8190\nfile = \"MOVIE.STR\""));
    ASSERT_EQ(home.Run("modules upload").code, 0);
    const CtlResult watch = home.Run("status --watch --json --interval 50", "MOVIE.STR");
    EXPECT_EQ(watch.code, 130);
    Lines drives;
    Json last;
    for (const std::string& line : CtlResult{0, "", watch.out}.ErrLines()) {
        last = JsonOf(line);
        ASSERT_FALSE(last.is_discarded()) << "not JSON: " << line;
        if (drives.empty() || drives.back() != last["drive"].dump())
            drives.push_back(last["drive"].dump());
    }
    ASSERT_GE(drives.size(), 2u) << watch.out;
    EXPECT_EQ(Lines(drives.end() - 2, drives.end()), (Lines{"\"Play\"", "\"Pause\""})) << watch.out;
    EXPECT_EQ(last["target"], "Sony DTL-H2000");
    EXPECT_EQ(last["error"], (Json{{"code", 0x8190}, {"text", "Error 8190 - File MOVIE.STR Not Found."}, {"remedy", "Solution: Refresh Disc."}}));
    EXPECT_EQ(watch.err, "") << "the error is shown once, in the status";
    ExpectNothingHeld(home);
}

TEST(Ctl, ModeAndResetSwitchTheBoxAndWaitForItWithinTheirBound)
{
    CtlHome home;
    home.KeepBox();  // as a running Cadrel would, so the mode outlives each run
    EXPECT_EQ(home.Run("mode transfer").code, 0);
    EXPECT_EQ(JsonOf(home.Run("status --json").out)["mode"], "File Transfer Mode");
    EXPECT_EQ(home.Run("mode emulate --wait-ready 5").code, 0);
    EXPECT_EQ(JsonOf(home.Run("status --json").out)["mode"], "Emulating");
    const CtlResult reset = home.Run("reset --wait-ready 5");
    EXPECT_EQ(std::to_string(reset.code) + reset.err, "0");
    EXPECT_EQ(home.Count("Reset handle="), 1);
    EXPECT_GT(home.Count("TestReady handle="), 0);

    const struct { std::string scenario, args; int code; std::string line; } failures[] = {
        {Fault("SetMode"), "mode emulate", 1, "The CD Emulator refused the switch to emulation mode. 'cadrelctl status' "
                                              "shows what it reports; check that it is switched on and connected, then try again."},
        {Fault("TestReady", "busy_forever = true"), "mode transfer --wait-ready 1", 4,
         "The CD Emulator was not ready within 1 seconds. 'cadrelctl status' shows what it reports; wait longer with a larger --wait-ready."},
        {Fault("Reset"), "reset --wait-ready 1", 1, "WARNING, Reset Failed! Switch Emulator off then on again."},
    };
    for (const auto& f : failures) {
        CtlHome failing;
        failing.Scenario(f.scenario);
        const CtlResult r = failing.Run(f.args);  // after what the box itself reports
        EXPECT_EQ(std::to_string(r.code) + " " + Last(r), std::to_string(f.code) + " " + f.line) << f.args;
    }
}

TEST(Ctl, ModulesFollowTheModuleManagersRulesAndUploadAfterAChange)
{
    CtlHome home;
    ASSERT_EQ(home.Run("modules upload").code, 0);  // the first run's modules go into the box
    const std::string source = WriteBytes(home.Home() + "\\elsewhere", "SatCD050.bin", 812);
    const std::string folder = home.ModulePath();
    const std::string inUse = "That module is currently in use. Remove it from the emulator first ('cadrelctl modules remove NAME').";
    const struct { std::string args; int code; std::string line, modules, installed, defaultModule; int resets; } steps[] = {
        {"modules install " + source, 0, "", "SatCD100400000;DexCD100300010;SatCD050008120;", "SatCD100400000;DexCD100300010;", "Sat", 0},
        {"modules add SatCD050", 1, "You can only download one module for each target. Remove the target's other module first ('cadrelctl modules remove NAME').", "", "SatCD100400000;DexCD100300010;", "Sat", 0},
        {"modules remove SatCD100", 0, "", "", "DexCD100300010;", "Nun", 1},  // the default target's module: no default left
        {"modules add satcd050.bin", 0, "", "", "DexCD100300010;SatCD050008120;", "Nun", 1},
        {"modules default saturn", 0, "", "", "DexCD100300010;SatCD050008120;", "Sat", 1},
        {"modules lock DexCD100", 0, "", "", "DexCD100300011;SatCD050008120;", "Sat", 0},
        {"modules delete SatCD050", 1, inUse, "SatCD100400000;DexCD100300010;SatCD050008120;", "", "", 0},
        {"modules delete SatCD100", 0, "", "DexCD100300010;SatCD050008120;", "", "", 0},
        {"modules remove DexCD100", 0, "", "", "SatCD050008120;", "Sat", 1},
        {"modules remove SatCD050", 1, "You have not specified any Emulation Modules for download. Add another module first ('cadrelctl modules add NAME').", "", "SatCD050008120;", "Sat", 0},
        {"modules default dex", 1, "No Playstation (Dex) module is installed in the emulator. Add one first ('cadrelctl modules add NAME').", "", "", "Sat", 0},
        {"modules add SatCD999", 1, "SatCD999 is not stored on this machine. 'cadrelctl modules list' shows the modules that are; 'cadrelctl modules install FILE' adds one.", "", "", "", 0},
        {"modules add CD100", 2, "cadrelctl: NAME: CD100 is not a module name (Sat or Dex, CD, three digits: SatCD123). 'cadrelctl --help' shows the commands, 'cadrelctl COMMAND --help' their options.", "", "", "", 0},
    };
    for (const auto& s : steps) {
        const int resets = home.Count("Reset handle=");
        const CtlResult r = home.Run(s.args);  // the box's lines come first ("Emulation module ... uploaded.")
        EXPECT_EQ(std::to_string(r.code) + " " + (s.code ? Last(r) : ""), std::to_string(s.code) + " " + s.line) << s.args << "\n" << r.err;
        for (const auto& [value, expected] : {std::pair{"Modules", s.modules}, {"ModsInstalled", s.installed}, {"DefModule", s.defaultModule}})
            if (!expected.empty()) {
                EXPECT_EQ(home.ReadSetting(CtlHome::MachineKey, value), expected) << s.args;
            }
        EXPECT_EQ(home.Count("Reset handle=") - resets, s.resets) << s.args << ": a change of the installed set resets the box";
    }
    EXPECT_EQ(GetFileAttributesA((folder + "\\SatCD100.bin").c_str()), INVALID_FILE_ATTRIBUTES) << "a deleted module's file goes";
    EXPECT_NE(GetFileAttributesA((folder + "\\SatCD050.bin").c_str()), INVALID_FILE_ATTRIBUTES) << "a refused delete keeps it";

    const Json list = JsonOf(home.Run("modules --json").out);
    EXPECT_EQ(list["installed"], Json::parse(R"([{"name":"SatCD050","target":"Sega Saturn","version":"0.50","size":812,"locked":false}])"));
    EXPECT_EQ(list["available"].size(), 2u);
    EXPECT_EQ(list["defaultTarget"], "Sega Saturn");
    EXPECT_EQ(list["memory"], (Json{{"total", 0xFFE00}, {"used", 812}, {"available", 0xFFE00 - 812}}));
    ExpectNothingHeld(home);
}

TEST(Ctl, DevicesAreChosenByTheirNumberInTheTable)
{
    CtlHome home;
    const CtlResult list = home.Run("devices");
    EXPECT_EQ(list.out, "N  Type       Vendor    Name              Version\n"
                        "1  Hard Disc  QUANTUM   FIREBALL ST3.2S   0F0C\n"
                        "2  PD Drive   MATSHITA  PD-1 LF-1000      A104\n"
                        "3  CD Writer  YAMAHA    CDR100            1.06\n"
                        "Current Emulator Device: 2\nCurrent Cutter Device: 3\n");
    const struct { std::string args; int code; std::string line; } steps[] = {
        {"devices emulate 3", 1, "Device 3 is not a hard disc or PD drive. Choose 1, 2 ('cadrelctl devices list' shows them)."},
        {"devices cutter 2", 1, "Device 2 is not a CD writer. Choose 3 ('cadrelctl devices list' shows them)."},
        {"devices emulate 1", 0, ""},
    };
    for (const auto& s : steps) {
        const CtlResult r = home.Run(s.args);
        EXPECT_EQ(std::to_string(r.code) + " " + (s.code ? Last(r) : ""), std::to_string(s.code) + " " + s.line) << s.args;
    }
    // Through file transfer to emulation, on device 1.
    EXPECT_EQ(home.Count(" word=0x100 "), 1);
    EXPECT_EQ(home.Count(" word=0x101 "), 1);
    EXPECT_EQ(JsonOf(home.Run("devices list --json").out)["emulationDevice"], 1) << "the choice is kept for the next run";

    CtlHome noWriter;
    noWriter.Scenario("[[device]]\ntype = 0\nvendor = \"QUANTUM\"\nproduct = \"FIREBALL\"\nrevision = \"1\"\n");
    for (const char* args : {"devices cutter 1", "cut --speed 1"})
        EXPECT_EQ(Last(noWriter.Run(args)), "No Cutters Attached. Connect a CD writer to the CD Emulator, then try again.") << args;
}

TEST(Ctl, CutFollowsTheCutToTheEndOrLeavesItRunning)
{
    const std::string quick = "time_scale = 20\n[disc]\nsectors = 15000\n";
    {
        CtlHome home;
        home.Scenario(quick);
        const CtlResult r = home.Run("cut --speed 4 --test");
        EXPECT_EQ(std::to_string(r.code) + " " + r.out, "0 Finished Cutting CD\n") << r.err;
        // Without a console: a plain line every 5%, never two for one step.
        int shown = -5, lines = 0;
        for (const std::string& line : r.ErrLines()) {
            int percent = -1;
            if (line.rfind("Cutting CD: ", 0) != 0)
                continue;  // the box's own lines
            ASSERT_EQ(sscanf(line.c_str(), "Cutting CD: %*s %d%%", &percent), 1) << line;
            EXPECT_GT(percent / 5, shown / 5) << line;
            shown = percent, ++lines;
        }
        EXPECT_GE(lines, 4) << r.err;
        EXPECT_EQ(home.Count("Reset handle="), 1) << "the box is reset after the cut";
        ExpectNothingHeld(home);
    }
    {
        CtlHome home;
        home.Scenario(quick);
        EXPECT_EQ(home.Run("cut --speed 2 --no-wait").out, "The cut has begun: 15000 sectors. The CD Emulator cuts on by itself.\n");
        const Json status = JsonOf(home.Run("status --json").out);  // a later program finds it cutting
        EXPECT_EQ(status["mode"], "Cutting CD");
        EXPECT_EQ(status["cut"]["speed"], 2);
        EXPECT_EQ(status["cut"]["test"], false);
        EXPECT_EQ(Last(home.Run("cut --speed 1")), "The CD Emulator is already cutting a disc. 'cadrelctl status --watch' follows it; cut again once it has finished.");
    }
    {
        // Ctrl-C while it follows a cut: the cut goes on, and is not reset.
        CtlHome home;
        home.Scenario(quick);
        const CtlResult r = home.Run("cut --speed 1", "Cutting CD: ");
        EXPECT_EQ(std::to_string(r.code) + " " + Last(r), "130 Stopped following the cut: it goes on, the CD Emulator cuts on by itself. "
                                                         "'cadrelctl status --watch' or Cadrel's window follows it.");
        EXPECT_EQ(home.Count("Reset handle="), 0);
        EXPECT_EQ(JsonOf(home.Run("status --json").out)["mode"], "Cutting CD");
    }
    // No blank: asked for once; Ctrl-C gives the wait up as "Stop Waiting" does, with the reset.
    CtlHome home;
    home.Scenario("[cutter]\nblank = false\n");
    const CtlResult r = home.Run("cut --speed 1", "Please insert a Gold Disc");
    const Lines lines = r.ErrLines();
    EXPECT_EQ(std::to_string(r.code) + " " + Last(r), "130 Cut stopped before it began: nothing was written, and the CD Emulator was reset.");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Please insert a Gold Disc into the Cutter Drive"), 1) << r.err;
    EXPECT_EQ(home.Count("Reset handle="), 1);
    ExpectNothingHeld(home);
}

TEST(Ctl, EveryFailureHasItsExitCodeAndOneLineSayingWhatToDo)
{
    const std::string usage = ". 'cadrelctl --help' shows the commands, 'cadrelctl COMMAND --help' their options.";
    const struct { std::string scenario, args; int code; std::string line; } cases[] = {
        {Fault("TamberCOCreateInstance"), "status", 3, "An Error Has Occurred with the CD Emulator. Please Ensure the Tamber_CO and "
         "Tambercde Dll files are correctly installed and that the emulator is connected and switched on."},
        {Fault("OpenKey"), "modules", 3, "The CD Emulator Settings in the machine's registry are incorrect. Check the settings folder "
         "(TAMBER_HOME, or %ProgramData%\\Tamber) and its .key files, then try again."},
        {Fault("AcquireHandle"), "mode emulate", 4, "WARNING, the CD Emulator gave no access for 2 seconds. Check that it is switched on and connected."},
        {Fault("GetStatus.1"), "status", 1, "The CD Emulator did not answer the status read. Check that it is switched on and connected, then try again."},
        {"", "cut", 2, "cadrelctl: --speed is required" + usage},
        {"", "mode sideways", 2, "cadrelctl: mode: sideways not in {emulate,transfer}" + usage},
        {"", "status --interval 100", 2, "cadrelctl: --interval requires --watch" + usage},
    };
    for (const auto& c : cases) {
        CtlHome home;
        home.Scenario(c.scenario);
        const CtlResult r = home.Run(c.args);
        EXPECT_EQ(std::to_string(r.code) + " " + r.err, std::to_string(c.code) + " " + c.line + "\n") << c.args;
        EXPECT_EQ(r.out, "") << c.args;
    }
    CtlHome home;
    // Without the component beside it.
    const std::string alone = home.Home() + "\\cadrelctl.exe";
    ASSERT_TRUE(CopyFileA(home.Program().c_str(), alone.c_str(), FALSE));
    home.Program() = alone;
    const CtlResult missing = home.Run("devices");
    EXPECT_EQ(std::to_string(missing.code) + " " + missing.err, "3 " + cases[0].line + "\n");
    const CtlResult help = home.Run("cut --help"), version = home.Run("--version");
    EXPECT_NE(help.out.find("Exit codes:\n  0    done\n"), std::string::npos) << help.out;
    EXPECT_EQ(std::to_string(help.code) + version.out, std::string("0") + CADREL_VERSION_TEXT + "\n");
}
