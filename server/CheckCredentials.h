#pragma once
#include <string>
#include <string_view>

namespace bramble {

// True when the user name and the password equal, exactly and with letter case, the "srv"
// settings' User and Password. Reads the settings file on every call, so edited credentials
// count from the next request on. Throws bramble::Exception when the file cannot be read.
bool CheckCredentials(const std::string& user, const std::string& password);

// Compares two texts in a time that depends only on their lengths, never on where they
// differ, so that response times do not reveal how much of a secret was guessed right.
bool ConstantTimeEquals(std::string_view a, std::string_view b);

}  // namespace bramble
