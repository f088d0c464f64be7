// The data a page of `scenario-tool view` carries, as JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace ferrovello::test {

nlohmann::json data_of(const std::string& page);

}  // namespace ferrovello::test
