#include "tools/scenario/script_overlay.h"

namespace ferrovello {

bool ScriptOverlay::read_file(const std::string& path, std::string& bytes, std::string& reason) {
  const auto it = scripts_.find(path);
  if (it != scripts_.end()) {
    bytes = it->second;
    return true;
  }
  if (ombra(path)) {
    reason = "file eliminato";
    return false;
  }
  return base_.read_file(path, bytes, reason);
}

bool ScriptOverlay::replace_file(const std::string& path, std::string_view bytes, std::string& reason) {
  if (!in_memoria_ && !base_.replace_file(path, bytes, reason)) return false;
  scritti_.push_back(path);
  return true;
}

bool ScriptOverlay::delete_file(const std::string& path, std::string& reason) {
  if (scripts_.erase(path) != 0) {
    eliminati_[path] = true;
    return true;
  }
  if (ombra(path)) return true;
  return base_.delete_file(path, reason);
}

}  // namespace ferrovello
