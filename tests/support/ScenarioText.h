// Scenario text for the virtual emulator: a fault on op (when: "always = true", "nth = 2", ...)
// and an event at a time.
#pragma once
#include <string>

inline std::string Fault(const std::string& op, const std::string& when = "") { return "[[fault]]\nop = \"" + op + "\"\n" + when + "\n"; }
inline std::string Event(int atMs, const std::string& what) { return "[[event]]\nat_ms = " + std::to_string(atMs) + "\n" + what + "\n"; }
