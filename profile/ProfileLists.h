// The choice lists behind the profile's keys. This is the profile's one window onto the control
// catalogue, so that the catalogue can move without the model noticing.
#pragma once

#include <string>
#include <vector>

enum class ProfileKey : unsigned char;

// The item texts of the list a key is chosen from, in list order; empty for keys without one
// (affixes and pulse widths).
const std::vector<std::string>& KeyListItems(ProfileKey key);
