// The watcher of `view --serve`: says when one of the author's files may
// have changed. It watches the folders that hold them, so that a file an
// editor saves by writing a new one and renaming it over the old, or that
// goes and comes back, is followed by its name; a folder that goes and comes
// back (a checkout of another branch) is followed too. On Linux through
// inotify; elsewhere by looking at the files four times a second. Neither
// ever opens a watched file, so a file that is not a regular one (a pipe, a
// device) cannot make it wait.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <utility>  // before Asio, whose headers need std::exchange
#include <boost/asio/io_context.hpp>

namespace ferrovello {

// Watches `file` until `io` stops, calling `cambiato` on io's thread once
// the files have been quiet for a short while after a change: an editor's
// save of several steps makes one call. False, with the reason, when the
// watch cannot be set up.
bool osserva_file(boost::asio::io_context& io, const std::vector<std::string>& file, std::function<void()> cambiato,
                  std::string& perche);

// The same by looking at the files' kind, time and size every `ogni`: what
// osserva_file does where inotify is missing.
void osserva_file_a_sondaggio(boost::asio::io_context& io, const std::vector<std::string>& file,
                              std::function<void()> cambiato,
                              std::chrono::milliseconds ogni = std::chrono::milliseconds(250));

}  // namespace ferrovello
