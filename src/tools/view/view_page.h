// The page of `view`: one HTML file that holds its data, style and script,
// and needs nothing else to show the plan and the profile of a scenario.
#pragma once

#include <string>

namespace ferrovello {

// The whole page around `json` (from json_vista), titled `titolo` (UTF-8).
std::string pagina_vista(const std::string& titolo, const std::string& json);

}  // namespace ferrovello
