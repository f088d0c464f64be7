#include "support/scenario.h"

#include <gtest/gtest.h>

namespace ferrovello::test {

std::string crlf(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

std::string crlf(std::initializer_list<std::string> lines) { return crlf(std::vector<std::string>(lines)); }

std::string line_script(std::initializer_list<std::string> body, int length) {
  std::string s = crlf({"[generale]", "lunghezza percorso,  " + std::to_string(length),
                        "progressiva chilometrica uno,  0,  1500,  0", "[corpo]"});
  for (const std::string& l : body) s += l + "\r\n";
  return s + "[fine]\r\n";
}

std::string train_script(std::initializer_list<std::string> body) {
  std::string s = "[generale]\r\n";
  for (const std::string& l : body) s += l + "\r\n";
  return s + "[fine]\r\n";
}

void ScenarioForm::compile(const std::string& line, const std::string& train, int32_t j) {
  std::string why;
  if (!form.platform.replace_file(line_path(), line, why) || !form.platform.replace_file(train_path(), train, why)) {
    ADD_FAILURE() << "the scripts could not be written: " << why;
  }
  form.compila_percorso(j);
}

}  // namespace ferrovello::test
