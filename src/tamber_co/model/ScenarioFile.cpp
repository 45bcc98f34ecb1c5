// Scenario files in TOML. Unknown keys are refused, so a typo does not silently do nothing.
#include <algorithm>
#include <initializer_list>
#include <toml++/toml.h>
#include "model/Scenario.h"
#include "store/AtomicFile.h"

namespace {

struct Reader {
    std::string error;

    bool Fail(const std::string& where, const std::string& what)
    {
        if (error.empty()) error = where + ": " + what;
        return false;
    }

    bool OnlyKeys(const toml::table& t, const std::string& where, std::initializer_list<std::string_view> keys)
    {
        for (auto&& [k, v] : t) {
            if (std::find(keys.begin(), keys.end(), k.str()) == keys.end())
                return Fail(where, "unknown key '" + std::string(k.str()) + "'");
        }
        return true;
    }

    template <typename T>
    bool Int(const toml::table& t, const std::string& where, std::string_view key, T& out, int64_t lo, int64_t hi)
    {
        const toml::node* n = t.get(key);
        if (!n) return true;
        auto v = n->value<int64_t>();
        if (!v || !n->is_integer()) return Fail(where, std::string(key) + " must be an integer");
        if (*v < lo || *v > hi) return Fail(where, std::string(key) + " out of range");
        out = T(*v);
        return true;
    }

    bool Bool(const toml::table& t, const std::string& where, std::string_view key, bool& out)
    {
        const toml::node* n = t.get(key);
        if (!n) return true;
        if (!n->is_boolean()) return Fail(where, std::string(key) + " must be true or false");
        out = *n->value<bool>();
        return true;
    }

    bool Double(const toml::table& t, const std::string& where, std::string_view key, double& out)
    {
        const toml::node* n = t.get(key);
        if (!n) return true;
        auto v = n->value<double>();  // integers convert too
        if (!v) return Fail(where, std::string(key) + " must be a number");
        out = *v;
        return true;
    }

    bool String(const toml::table& t, const std::string& where, std::string_view key, std::string& out)
    {
        const toml::node* n = t.get(key);
        if (!n) return true;
        if (!n->is_string()) return Fail(where, std::string(key) + " must be a string");
        out = *n->value<std::string>();
        return true;
    }

    const toml::table* Table(const toml::table& root, std::string_view key)
    {
        const toml::node* n = root.get(key);
        if (!n) return nullptr;
        if (!n->is_table()) {
            Fail(std::string(key), "must be a table");
            return nullptr;
        }
        return n->as_table();
    }

    template <typename F>
    bool EachTable(const toml::table& root, std::string_view key, F f)
    {
        const toml::node* n = root.get(key);
        if (!n) return true;
        const toml::array* a = n->as_array();
        if (!a) return Fail(std::string(key), "must be written [[" + std::string(key) + "]]");
        int index = 0;
        for (const toml::node& e : *a) {
            ++index;
            const toml::table* t = e.as_table();
            const std::string where = std::string(key) + " " + std::to_string(index);
            if (!t) return Fail(where, "must be a table");
            if (!f(*t, where)) return false;
        }
        return true;
    }
};

bool ReadDevice(Reader& r, const toml::table& t, const std::string& w, ScsiDevice& d)
{
    return r.OnlyKeys(t, w, {"type", "vendor", "product", "revision"}) && r.Int(t, w, "type", d.type, 0, 31) &&
           r.String(t, w, "vendor", d.vendor) && r.String(t, w, "product", d.product) &&
           r.String(t, w, "revision", d.revision);
}

bool ReadFault(Reader& r, const toml::table& t, const std::string& w, FaultRule& f)
{
    int64_t result = int64_t(uint32_t(f.result));
    int64_t seed = 0;
    if (!r.OnlyKeys(t, w, {"op", "nth", "count", "always", "probability", "seed", "result", "random", "busy_ms",
                           "busy_forever", "size"}) ||
        !r.String(t, w, "op", f.op) || !r.Int(t, w, "nth", f.nth, 0, 0xFFFFFFFF) ||
        !r.Int(t, w, "count", f.count, 0, 0xFFFFFFFF) || !r.Bool(t, w, "always", f.always) ||
        !r.Double(t, w, "probability", f.probability) || !r.Int(t, w, "seed", seed, 0, INT64_MAX) ||
        !r.Int(t, w, "result", result, 0x80000000LL, 0xFFFFFFFFLL) || !r.Bool(t, w, "random", f.random) ||
        !r.Int(t, w, "busy_ms", f.busyMs, 0, INT64_MAX) || !r.Bool(t, w, "busy_forever", f.busyForever) ||
        !r.Int(t, w, "size", f.size, 0, 0xFFFFFFFFLL))
        return false;
    if (f.op.empty()) return r.Fail(w, "op is required");
    if (f.probability < 0 || f.probability > 1) return r.Fail(w, "probability must be from 0 to 1");
    f.result = int32_t(uint32_t(result));
    f.seed = uint64_t(seed);
    return true;
}

bool ReadEvent(Reader& r, const toml::table& t, const std::string& w, TimelineEvent& e)
{
    if (!r.OnlyKeys(t, w, {"at_ms", "power", "target_kind", "drive_state", "error", "file", "clear_error", "blank",
                           "position"}))
        return false;
    if (!t.get("at_ms")) return r.Fail(w, "at_ms is required");
    if (!r.Int(t, w, "at_ms", e.atMs, 0, INT64_MAX)) return false;
    bool b = false;
    if (t.get("power")) {
        if (!r.Bool(t, w, "power", b)) return false;
        e.power = b;
    }
    if (t.get("blank")) {
        if (!r.Bool(t, w, "blank", b)) return false;
        e.blank = b;
    }
    if (t.get("position")) {
        if (!r.Bool(t, w, "position", b)) return false;
        e.position = b;
    }
    int64_t v = 0;
    if (t.get("target_kind")) {
        if (!r.Int(t, w, "target_kind", v, 0, 255)) return false;
        e.targetKind = uint8_t(v);
    }
    if (t.get("drive_state")) {
        if (!r.Int(t, w, "drive_state", v, -1, 255)) return false;
        e.driveState = int(v);
    }
    if (t.get("error")) {
        if (!r.Int(t, w, "error", v, 0, 0xFFFF)) return false;
        e.error = uint16_t(v);
    }
    bool clear = false;
    if (!r.Bool(t, w, "clear_error", clear)) return false;
    if (clear) e.error = 0;
    if (!r.String(t, w, "file", e.file)) return false;
    if (e.file.size() > 12) return r.Fail(w, "file must be an 8.3 name");
    return true;
}

// Two inputs toml++ 3.4 does not survive are refused before it sees them. It asserts (and,
// built without assertions, assumes) that a table header's name starts with a key character, so
// "[!" or "[[[" break it; and its test for non-ASCII whitespace shifts past 64 bits for some
// characters. Scenarios are ASCII, and a line that opens with '[' is taken as a header (they
// have no multi-line nested arrays).
bool SafeForParser(std::string_view text, std::string& error)
{
    size_t line = 1;
    for (size_t pos = 0; pos < text.size(); ++line) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        for (size_t k = pos; k < end; ++k) {
            if (static_cast<unsigned char>(text[k]) >= 0x80) {
                error = "line " + std::to_string(line) + ": only ASCII text is read";
                return false;
            }
        }
        size_t i = pos;
        while (i < end && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i < end && text[i] == '[') {
            ++i;
            if (i < end && text[i] == '[') ++i;
            while (i < end && (text[i] == ' ' || text[i] == '\t')) ++i;
            const char c = i < end ? text[i] : '\0';
            const bool key = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                             c == '-' || c == '"' || c == '\'';
            if (!key) {
                error = "line " + std::to_string(line) + ": a table header must name a table";
                return false;
            }
        }
        pos = end + 1;
    }
    return true;
}

}  // namespace

bool ParseScenario(std::string_view text, Scenario& s, std::string& error)
{
    if (!SafeForParser(text, error)) return false;
    toml::parse_result parsed = toml::parse(text);
    if (!parsed) {
        const auto& e = parsed.error();
        error = "line " + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
        return false;
    }
    const toml::table& root = parsed.table();
    Reader r;
    bool ok = r.OnlyKeys(root, "scenario",
                         {"time_scale", "configuration", "fresh_sram", "target", "device", "disc", "cutter",
                          "timings", "settings", "fault", "event"}) &&
              r.Double(root, "scenario", "time_scale", s.timeScale) &&
              r.Int(root, "scenario", "configuration", s.configuration, 0, 0xFFFFFFFF) &&
              r.Bool(root, "scenario", "fresh_sram", s.freshSram);
    if (ok && !(s.timeScale > 0)) ok = r.Fail("scenario", "time_scale must be above 0");
    if (ok) {
        if (const toml::table* t = r.Table(root, "target"))
            ok = r.OnlyKeys(*t, "target", {"kind", "power"}) && r.Int(*t, "target", "kind", s.targetKind, 0, 255) &&
                 r.Bool(*t, "target", "power", s.targetPower);
    }
    if (ok && root.get("device")) {
        s.devices.clear();
        ok = r.EachTable(root, "device", [&](const toml::table& t, const std::string& w) {
            ScsiDevice d;
            if (!ReadDevice(r, t, w, d)) return false;
            s.devices.push_back(d);
            return true;
        });
        if (ok && s.devices.size() > 7) ok = r.Fail("device", "at most seven devices");
    }
    if (ok) {
        if (const toml::table* t = r.Table(root, "disc"))
            ok = r.OnlyKeys(*t, "disc", {"present", "image", "raw", "sectors"}) &&
                 r.Bool(*t, "disc", "present", s.disc.present) && r.String(*t, "disc", "image", s.disc.image) &&
                 r.Bool(*t, "disc", "raw", s.disc.raw) &&
                 r.Int(*t, "disc", "sectors", s.disc.sectors, 1, 449999);
    }
    if (ok) {
        if (const toml::table* t = r.Table(root, "cutter"))
            ok = r.OnlyKeys(*t, "cutter", {"blank"}) && r.Bool(*t, "cutter", "blank", s.blank);
    }
    if (ok) {
        if (const toml::table* t = r.Table(root, "timings")) {
            Timings& m = s.timings;
            const std::string w = "timings";
            ok = r.OnlyKeys(*t, w, {"mode_switch_ms", "write_busy_ms", "reset_ms", "download_busy_ms", "boot_stop_ms",
                                    "boot_seek_ms", "cut_ready_ms", "cut_lead_in_ms", "cut_lead_out_ms",
                                    "cut_done_ms"}) &&
                 r.Int(*t, w, "mode_switch_ms", m.modeSwitchMs, 0, INT32_MAX) &&
                 r.Int(*t, w, "write_busy_ms", m.writeBusyMs, 0, INT32_MAX) &&
                 r.Int(*t, w, "reset_ms", m.resetMs, 0, INT32_MAX) &&
                 r.Int(*t, w, "download_busy_ms", m.downloadBusyMs, 0, INT32_MAX) &&
                 r.Int(*t, w, "boot_stop_ms", m.bootStopMs, 0, INT32_MAX) &&
                 r.Int(*t, w, "boot_seek_ms", m.bootSeekMs, 0, INT32_MAX) &&
                 r.Int(*t, w, "cut_ready_ms", m.cutReadyMs, 0, INT32_MAX) &&
                 r.Int(*t, w, "cut_lead_in_ms", m.cutLeadInMs, 0, INT32_MAX) &&
                 r.Int(*t, w, "cut_lead_out_ms", m.cutLeadOutMs, 0, INT32_MAX) &&
                 r.Int(*t, w, "cut_done_ms", m.cutDoneMs, 0, INT32_MAX);
        }
    }
    if (ok) {
        if (const toml::table* t = r.Table(root, "settings"))
            ok = r.OnlyKeys(*t, "settings", {"seed_defaults"}) && r.Bool(*t, "settings", "seed_defaults", s.seedDefaults);
    }
    if (ok)
        ok = r.EachTable(root, "fault", [&](const toml::table& t, const std::string& w) {
            FaultRule f;
            if (!ReadFault(r, t, w, f)) return false;
            s.faults.push_back(f);
            return true;
        });
    if (ok)
        ok = r.EachTable(root, "event", [&](const toml::table& t, const std::string& w) {
            TimelineEvent e;
            if (!ReadEvent(r, t, w, e)) return false;
            s.events.push_back(e);
            return true;
        });
    if (!ok && r.error.empty()) r.error = "invalid scenario";
    if (!ok) {
        error = r.error;
        return false;
    }
    std::stable_sort(s.events.begin(), s.events.end(),
                     [](const TimelineEvent& a, const TimelineEvent& b) { return a.atMs < b.atMs; });
    return true;
}

bool LoadScenarioFile(const std::string& path, Scenario& s, std::string& error)
{
    std::string text;
    if (!ReadWholeFile(path, text)) {
        error = path + ": cannot be opened";
        return false;
    }
    if (text.size() > MaxScenarioText) {
        error = path + ": longer than " + std::to_string(MaxScenarioText / 1024) + " KiB";
        return false;
    }
    if (!ParseScenario(text, s, error)) {
        error = path + ": " + error;
        return false;
    }
    s.file = path;
    s.text = std::move(text);
    return true;
}
