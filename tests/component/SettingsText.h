// The numbered values the durability test writes and checks.
#pragma once
#include <string>

inline std::string SettingsTextFor(unsigned long n)
{
    // Long enough that a write takes a while, so kills land inside it too.
    return "n=" + std::to_string(n) + ";" + std::string(6000 + n % 97, char('a' + n % 26));
}

inline unsigned long SettingsNumberIn(const std::string& text)
{
    return std::stoul(text.substr(2, text.find(';') - 2));
}
