#include "tools/scenario/script_overlay.h"

namespace ferrovello {

// One lookup for both reads: a served script, one deleted, or the disk.
bool ScriptOverlay::read_file(const std::string& path, std::string& bytes, std::string& reason) {
  bool too_large = false;
  return read_file_up_to(path, UINT64_MAX, bytes, too_large, reason);
}

bool ScriptOverlay::read_file_up_to(const std::string& path, uint64_t limit, std::string& bytes, bool& too_large,
                                    std::string& reason) {
  bytes.clear();
  too_large = false;
  const auto it = scripts_.find(path);
  if (it != scripts_.end()) {
    too_large = it->second.size() > limit;
    if (!too_large) bytes = it->second;
    return true;
  }
  if (ombra(path)) {
    reason = "file eliminato";
    return false;
  }
  return base_.read_file_up_to(path, limit, bytes, too_large, reason);
}

bool ScriptOverlay::replace_file(const std::string& path, std::string_view bytes, std::string& reason) {
  if (!in_memoria_ && !base_.replace_file(path, bytes, reason)) return false;
  scritti_.push_back(path);
  return true;
}

bool ScriptOverlay::commit_pieces(PiecesFile& file, std::string& reason) {
  // In memory the gathered pieces go through replace_file, which notes them.
  if (in_memoria_) return Platform::commit_pieces(file, reason);
  if (!base_.commit_pieces(file, reason)) return false;
  scritti_.push_back(file.path);
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
