#include "support/page_data.h"

#include <gtest/gtest.h>

namespace ferrovello::test {

nlohmann::json data_of(const std::string& page) {
  const std::string start = "<script id=\"dati\" type=\"application/json\">";
  const size_t a = page.find(start);
  const size_t b = page.find("</script>", a);
  EXPECT_NE(a, std::string::npos);
  if (a == std::string::npos || b == std::string::npos) return nlohmann::json();
  return nlohmann::json::parse(page.substr(a + start.size(), b - a - start.size()));
}

}  // namespace ferrovello::test
