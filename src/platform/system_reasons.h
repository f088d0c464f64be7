// The system's reasons for the common failures of files, in Italian, the
// language of every message the programs show; any other failure keeps the
// system's own text. Both platforms map their error codes onto these kinds.
#pragma once

#include <string>

namespace ferrovello {

enum class SystemFailure {
  other,
  no_such_file,
  permission_denied,
  no_space,
  file_too_large,
  read_only_file_system,
  is_a_folder,
  not_a_folder,
  exists,
  device_error,
  not_a_regular_file,  // a pipe, a device, a socket: never read as a file
};

// The reason shown for `failure`; `system_text` for SystemFailure::other.
std::string reason_text(SystemFailure failure, const std::string& system_text);

}  // namespace ferrovello
