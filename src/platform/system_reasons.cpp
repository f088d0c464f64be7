#include "platform/system_reasons.h"

namespace ferrovello {

std::string reason_text(SystemFailure failure, const std::string& system_text) {
  switch (failure) {
    case SystemFailure::no_such_file: return "file o cartella inesistente";
    case SystemFailure::permission_denied: return "permesso negato";
    case SystemFailure::no_space: return "spazio esaurito sul disco";
    case SystemFailure::file_too_large: return "file troppo grande";
    case SystemFailure::read_only_file_system: return "disco in sola lettura";
    case SystemFailure::is_a_folder: return "è una cartella";
    case SystemFailure::not_a_folder: return "una parte del percorso non è una cartella";
    case SystemFailure::exists: return "esiste già";
    case SystemFailure::device_error: return "errore del dispositivo in lettura o scrittura";
    case SystemFailure::not_a_regular_file: return "non è un file regolare";
    case SystemFailure::other: break;
  }
  return system_text;
}

}  // namespace ferrovello
