#include "platform/win32_platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "platform/interruption.h"
#include "platform/system_reasons.h"
#include "platform/visible_text.h"

namespace ferrovello {

namespace {

// Layout of the progress window, in twips (1/1440 inch).
constexpr int kClientWidth = 4200;
constexpr int kClientHeight = 2688;
constexpr int kLabelLeft = 960;
constexpr int kLabelTop = 960;
constexpr int kLabelWidth = 2652;
constexpr int kLabelHeight = 792;
constexpr int kFontPoints = 24;
constexpr const wchar_t* kFontName = L"MS Sans Serif";
constexpr const wchar_t* kWindowClass = L"FerrovelloForm1";

int twips_to_pixels(int twips, int dots_per_inch) { return MulDiv(twips, dots_per_inch, 1440); }

std::wstring convert(std::string_view text, UINT code_page, DWORD flags) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(code_page, flags, text.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, flags, text.data(), size, wide.data(), n);
  return wide;
}

SystemFailure failure_of(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return SystemFailure::no_such_file;
    case ERROR_ACCESS_DENIED: return SystemFailure::permission_denied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return SystemFailure::no_space;
    case ERROR_FILE_TOO_LARGE: return SystemFailure::file_too_large;
    case ERROR_WRITE_PROTECT: return SystemFailure::read_only_file_system;
    case ERROR_DIRECTORY: return SystemFailure::not_a_folder;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return SystemFailure::exists;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT: return SystemFailure::device_error;
    default: return SystemFailure::other;
  }
}

// The text of a Windows error code, in UTF-8, without its line end.
std::string system_reason(DWORD code) {
  if (failure_of(code) != SystemFailure::other) return reason_text(failure_of(code), {});
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n > 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  if (text.empty()) return "errore di sistema " + std::to_string(code);
  return to_utf8(text);
}

std::string last_reason() { return system_reason(GetLastError()); }

// Text to a standard handle: UTF-16 to a console, so that it shows the
// accented letters whatever its code page; UTF-8 bytes to a file or a pipe.
// False with the system's error code when it cannot be written.
bool write_standard(DWORD which, std::string_view text, DWORD& error) {
  HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) {
    error = ERROR_INVALID_HANDLE;
    return false;
  }
  DWORD mode = 0;
  if (GetConsoleMode(h, &mode)) {
    const std::wstring wide = to_wide(text);
    size_t done = 0;
    while (done < wide.size()) {
      const DWORD part = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 16384));
      DWORD written = 0;
      if (!WriteConsoleW(h, wide.data() + done, part, &written, nullptr) || written == 0) {
        error = GetLastError();
        return false;
      }
      done += written;
    }
    return true;
  }
  size_t done = 0;
  while (done < text.size()) {
    const DWORD part = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(h, text.data() + done, part, &written, nullptr) || written == 0) {
      error = GetLastError();
      return false;
    }
    done += written;
  }
  return true;
}

// A line on standard error; false when it cannot be written.
bool print_line(const std::string& text) {
  std::fflush(stderr);
  DWORD ignored = 0;
  return write_standard(STD_ERROR_HANDLE, text + "\n", ignored);
}

// The modal message box: one OK button, no icon, the application's title.
void message_box(HWND owner, const std::string& text) {
  const std::wstring wide = to_wide(text);
  const std::wstring title = to_wide(Win32Platform::kTitle);
  MessageBoxW(owner, wide.c_str(), title.c_str(), MB_OK | MB_SETFOREGROUND | (owner == nullptr ? MB_TASKMODAL : 0));
}

// An exception that nothing caught (memory exhausted, an internal error) is a
// platform failure too: in the windowed program it gets the message box.
[[noreturn]] void report_uncaught_exception() {
  std::string text = "Errore imprevisto";
  if (const std::exception_ptr e = std::current_exception()) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& ex) {
      text += std::string(": ") + ex.what();
    } catch (...) {
    }
  }
  message_box(nullptr, text);
  ExitProcess(1);
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      return 0;  // the window takes no input: the program ends by itself
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

// Serves the messages already queued (painting, activation), but no input.
void serve_pending_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    const bool input = (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
                       (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
                       (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK);
    if (input) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

std::wstring to_wide(std::string_view text) {
  std::wstring wide = convert(text, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (wide.empty() && !text.empty()) wide = convert(text, CP_ACP, 0);
  return wide;
}

std::string to_utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

namespace {

// Ctrl-C, Ctrl-Break or the console closed: the run's temporary file and
// scripts go (the lock file goes with the program), and the program ends
// with the status of an interrupted console program. With no run file
// named (the live view's server) the event goes on to the program's own
// handling, as if this handler were not there.
//
// The handler runs on a thread of its own while the program goes on: it
// takes the run files' guard and keeps it until the process ends, so that
// no temporary file is made or put in place after it has looked (a file
// made just after the removal would stay behind).
SRWLOCK run_files_guard = SRWLOCK_INIT;

BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  if (!run_files_named()) return FALSE;
  AcquireSRWLockExclusive(&run_files_guard);
  remove_run_files();
  ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}

// A step that makes or renames a run file, done whole before the console
// handler may look at the run files, or never.
struct RunFileStep {
  RunFileStep() { AcquireSRWLockExclusive(&run_files_guard); }
  ~RunFileStep() { ReleaseSRWLockExclusive(&run_files_guard); }
  RunFileStep(const RunFileStep&) = delete;
  RunFileStep& operator=(const RunFileStep&) = delete;
};

}  // namespace

Win32Platform::Win32Platform(std::string folder, Reports reports) : folder_(std::move(folder)), reports_(reports) {
  if (reports_ == Reports::window) std::set_terminate(report_uncaught_exception);
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

Win32Platform::~Win32Platform() {
  destroy_window();
  release_lock();
}

namespace {

// Full path of the running executable; empty when the system cannot say.
std::wstring executable_path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
}

}  // namespace

std::string Win32Platform::executable_folder() {
  const std::wstring path = executable_path();
  if (path.empty()) return {};  // no folder, never another one
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return {};
  // A drive root keeps its "\": "C:\Ferrovello.exe" lies in "C:\".
  const bool root = slash == 2 && path[1] == L':';
  return to_utf8(std::wstring_view(path).substr(0, root ? slash + 1 : slash));
}

std::string Win32Platform::program_folder() {
  if (folder_.empty()) folder_ = executable_folder();
  return folder_;
}

bool Win32Platform::exists(const std::string& path) {
  return GetFileAttributesW(to_wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32Platform::read_file(const std::string& path, std::string& bytes, std::string& reason) {
  bool too_large = false;
  return read_file_up_to(path, UINT64_MAX, bytes, too_large, reason);
}

bool Win32Platform::read_file_up_to(const std::string& path, uint64_t limit, std::string& bytes, bool& too_large,
                                    std::string& reason) {
  bytes.clear();
  too_large = false;
  // A folder cannot be opened this way (access denied): said as it is.
  const std::wstring wide = to_wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    reason = reason_text(SystemFailure::is_a_folder, {});
    return false;
  }
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    reason = last_reason();
    return false;
  }
  // Only a file on a disk is read: a pipe, the console or a device is
  // refused before anything is read, and so is a file known too large by
  // its size.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    reason = reason_text(SystemFailure::not_a_regular_file, {});
    CloseHandle(file);
    return false;
  }
  FILE_BASIC_INFO basic{};
  if (GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) &&
      (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    reason = reason_text(SystemFailure::is_a_folder, {});
    CloseHandle(file);
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) {
    reason = last_reason();
    CloseHandle(file);
    return false;
  }
  too_large = static_cast<uint64_t>(size.QuadPart) > limit;
  // Never more than `limit` + 1 bytes asked for: a file that grows while it
  // is read costs no more than that.
  char chunk[65536];
  while (!too_large) {
    const uint64_t left = limit - bytes.size();
    const DWORD ask = left < sizeof chunk ? static_cast<DWORD>(left) + 1 : static_cast<DWORD>(sizeof chunk);
    DWORD n = 0;
    if (!ReadFile(file, chunk, ask, &n, nullptr)) {
      reason = last_reason();
      CloseHandle(file);
      bytes.clear();
      return false;
    }
    if (n == 0) break;
    too_large = n > left;
    if (!too_large) bytes.append(chunk, n);
  }
  CloseHandle(file);
  if (too_large) std::string().swap(bytes);
  return true;
}

namespace {

// Writes all of `bytes` to a file, a device or a pipe, in parts the call takes.
bool write_all(HANDLE file, std::string_view bytes, std::string& reason) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const DWORD part = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, p, part, &written, nullptr) || written == 0) {
      reason = last_reason();
      return false;
    }
    p += written;
    left -= written;
  }
  return true;
}

// The temporary file of `path`, created empty, or INVALID_HANDLE_VALUE with
// `reason`.
HANDLE create_temporary(const std::string& path, std::string& reason) {
  const std::wstring temporary = to_wide(temporary_name(path, GetCurrentProcessId()));
  // Shared for deletion only, so that the console handler can delete it while
  // it is open (a Ctrl-C during its writing): it goes at the latest when the
  // program ends and its handles close. Without the share the deletion is
  // refused and the file stays behind.
  auto create = [&] {
    return CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
  };
  const RunFileStep step;
  name_run_file(RunFile::temporary, temporary_name(path, GetCurrentProcessId()));
  HANDLE file = create();
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
    // Left by a killed process that had this program's number: no live
    // process but this one can be writing it.
    DeleteFileW(temporary.c_str());
    file = create();
  }
  if (file == INVALID_HANDLE_VALUE) {
    reason = last_reason();
    name_run_file(RunFile::temporary, {});
  }
  return file;
}

// Writes all of `bytes` at `offset` of `file`; false with `reason`.
bool write_at(HANDLE file, uint64_t offset, std::string_view bytes, std::string& reason) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const DWORD part = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    if (!WriteFile(file, p, part, &written, &at) || written == 0) {
      reason = last_reason();
      return false;
    }
    p += written;
    left -= written;
    offset += written;
  }
  return true;
}

// Flushes and closes the temporary file of `path`, whose bytes were written
// when `ok`, and renames it over `path`; on any failure it is removed. The
// bytes reach the disk before the name does; the rename is written through
// to the disk before it returns, so the folder needs no flush of its own.
bool put_in_place(HANDLE file, const std::string& path, bool ok, std::string& reason) {
  const std::wstring temporary = to_wide(temporary_name(path, GetCurrentProcessId()));
  if (ok && !FlushFileBuffers(file)) {
    ok = false;
    reason = last_reason();
  }
  if (!CloseHandle(file) && ok) {
    ok = false;
    reason = last_reason();
  }
  if (ok) {
    const RunFileStep step;
    if (!MoveFileExW(temporary.c_str(), to_wide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      ok = false;
      reason = last_reason();
    }
  }
  if (!ok) DeleteFileW(temporary.c_str());
  name_run_file(RunFile::temporary, {});
  return ok;
}

}  // namespace

bool Win32Platform::replace_file(const std::string& path, std::string_view bytes, std::string& reason) {
  HANDLE file = create_temporary(path, reason);
  if (file == INVALID_HANDLE_VALUE) return false;
  return put_in_place(file, path, write_at(file, 0, bytes, reason), reason);
}

bool Win32Platform::open_pieces(const std::string& path, PiecesFile& file, std::string& reason) {
  file = PiecesFile{path, -1, {}};
  HANDLE h = create_temporary(path, reason);
  if (h == INVALID_HANDLE_VALUE) return false;
  file.handle = reinterpret_cast<intptr_t>(h);
  return true;
}

bool Win32Platform::write_piece(PiecesFile& file, uint64_t offset, std::string_view bytes, std::string& reason) {
  return write_at(reinterpret_cast<HANDLE>(file.handle), offset, bytes, reason);
}

bool Win32Platform::commit_pieces(PiecesFile& file, std::string& reason) {
  HANDLE h = reinterpret_cast<HANDLE>(file.handle);
  file.handle = -1;
  return put_in_place(h, file.path, true, reason);
}

void Win32Platform::abandon_pieces(PiecesFile& file) {
  if (file.handle == -1) return;
  CloseHandle(reinterpret_cast<HANDLE>(file.handle));
  file.handle = -1;
  DeleteFileW(to_wide(temporary_name(file.path, GetCurrentProcessId())).c_str());
  name_run_file(RunFile::temporary, {});
}

bool Win32Platform::write_named_output(const std::string& path, std::string_view bytes, bool program,
                                       std::string& reason) {
  // A device (NUL, CON) or a pipe is written into as it stands: no
  // temporary file, no rename. Links are followed by the system itself.
  HANDLE h = CreateFileW(to_wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE || GetFileType(h) == FILE_TYPE_DISK) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return Platform::write_named_output(path, bytes, program, reason);
  }
  const bool ok = write_all(h, bytes, reason);
  CloseHandle(h);
  return ok;
}

void Win32Platform::remove_if_interrupted(int slot, const std::string& path) {
  name_run_file(slot == 0 ? RunFile::line_script : RunFile::train_script, path);
}

void Win32Platform::remove_stale_temporaries(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    const size_t slash = path.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = path.substr(folder.size());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(to_wide(path + ".*" + kTemporarySuffix).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    std::vector<std::string> stale;
    do {
      const std::string candidate = to_utf8(found.cFileName);
      if (is_temporary_of(candidate, name)) stale.push_back(folder + candidate);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (const std::string& file : stale) DeleteFileW(to_wide(file).c_str());
  }
}

bool Win32Platform::read_program_bytes(bool from_end, uint64_t count, std::string& bytes, uint64_t& size,
                                       std::string& reason) {
  bytes.clear();
  size = 0;
  const std::wstring path = executable_path();
  HANDLE file = path.empty() ? INVALID_HANDLE_VALUE
                             : CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  LARGE_INTEGER total{};
  if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &total)) {
    reason = last_reason();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return false;
  }
  size = static_cast<uint64_t>(total.QuadPart);
  const uint64_t n = count < size ? count : size;
  LARGE_INTEGER start{};
  start.QuadPart = static_cast<LONGLONG>(from_end ? size - n : 0);
  bool ok = SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != 0;
  bytes.resize(static_cast<size_t>(n));
  size_t letti = 0;
  while (ok && letti < bytes.size()) {
    const size_t resto = bytes.size() - letti;
    const DWORD parte = resto > (1u << 30) ? (1u << 30) : static_cast<DWORD>(resto);
    DWORD r = 0;
    ok = ReadFile(file, bytes.data() + letti, parte, &r, nullptr) && r > 0;
    letti += r;
  }
  if (!ok) {
    reason = last_reason();
    bytes.clear();
  }
  CloseHandle(file);
  return ok;
}

bool Win32Platform::delete_file(const std::string& path, std::string& reason) {
  if (DeleteFileW(to_wide(path).c_str())) return true;
  reason = last_reason();
  return false;
}

bool Win32Platform::create_folder(const std::string& path, std::string& reason) {
  const std::wstring wide = to_wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
    reason = reason_text(SystemFailure::not_a_folder, {});
    return false;
  }
  const size_t slash = path.find_last_of("\\/");
  // The folder above, but not a drive ("C:") nor the root.
  if (slash != std::string::npos && slash > 0 && path[slash - 1] != ':') {
    if (!create_folder(path.substr(0, slash), reason)) return false;
  }
  if (CreateDirectoryW(wide.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
  reason = last_reason();
  return false;
}

bool Win32Platform::read_input(std::string& bytes, std::string& reason) {
  bytes.clear();
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  char chunk[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(in, chunk, sizeof chunk, &n, nullptr)) {
      if (GetLastError() == ERROR_BROKEN_PIPE) return true;  // the writer closed its end
      reason = last_reason();
      return false;
    }
    if (n == 0) return true;
    bytes.append(chunk, n);
  }
}

bool Win32Platform::write_output(std::string_view text, bool& closed, std::string& reason) {
  std::fflush(stdout);
  DWORD error = 0;
  closed = false;
  if (write_standard(STD_OUTPUT_HANDLE, text, error)) return true;
  closed = error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE;
  reason = system_reason(error);
  return false;
}

// The handle is read as it stands, never through the C runtime's streams:
// no line end is translated inside a message, as binary mode would ensure.
bool Win32Platform::read_input_some(std::string& bytes, bool& ended, std::string& reason) {
  ended = false;
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  char chunk[65536];
  DWORD n = 0;
  if (!ReadFile(in, chunk, sizeof chunk, &n, nullptr)) {
    if (GetLastError() != ERROR_BROKEN_PIPE) {
      reason = last_reason();
      return false;
    }
    n = 0;  // the writer closed its end
  }
  ended = n == 0;
  bytes.append(chunk, n);
  return true;
}

// A pipe is asked how much it holds, every millisecond until the time is
// up; anything else (a file, a console) is taken as ready.
bool Win32Platform::input_waiting(int milliseconds) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (GetFileType(in) != FILE_TYPE_PIPE) return true;
  const ULONGLONG fine = GetTickCount64() + static_cast<ULONGLONG>(milliseconds < 0 ? 0 : milliseconds);
  for (;;) {
    DWORD disponibili = 0;
    if (!PeekNamedPipe(in, nullptr, 0, nullptr, &disponibili, nullptr) || disponibili > 0) return true;
    if (milliseconds >= 0 && GetTickCount64() >= fine) return false;
    Sleep(1);
  }
}

bool Win32Platform::list_folder(const std::string& path, std::vector<std::string>& names, std::string& reason) {
  names.clear();
  const std::string folder = path.empty() ? "." : path;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(to_wide(folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    reason = last_reason();
    return false;
  }
  do {
    const std::string name = to_utf8(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return true;
}

// The lock file is opened without sharing and removed when it is closed,
// which the system also does when the program ends in any way.
bool Win32Platform::lock_run(const std::string& path, LockRefusal& refusal, std::string& reason) {
  refusal = LockRefusal::none;
  // Never through a link: one named as the lock could make the run create
  // or lock a file anywhere.
  const DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    refusal = LockRefusal::other;
    reason = "è un collegamento simbolico, che il blocco non segue: toglilo";
    return false;
  }
  HANDLE h = CreateFileW(to_wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    // A lock file still held by an ending run is denied access too.
    const bool busy = code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED;
    refusal = busy ? LockRefusal::busy : code == ERROR_WRITE_PROTECT ? LockRefusal::folder_not_writable : LockRefusal::other;
    reason = system_reason(code);
    return false;
  }
  release_lock();
  lock_ = h;
  return true;
}

void Win32Platform::release_lock() {
  if (lock_ == nullptr) return;
  CloseHandle(static_cast<HANDLE>(lock_));
  lock_ = nullptr;
}

void Win32Platform::show_window(const std::string& caption, const std::string& label) {
  if (reports_ == Reports::console) {
    if (!print_line(label)) message_lost_ = true;
    return;
  }
  destroy_window();
  SetProcessDPIAware();  // real pixels, so that twips convert with the screen's own dots per inch
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = window_procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = kWindowClass;
  RegisterClassExW(&window_class);  // fails harmlessly when already registered

  HDC screen = GetDC(nullptr);
  const int dpi_x = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  const int dpi_y = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);

  const DWORD style = WS_OVERLAPPEDWINDOW;
  RECT frame{0, 0, twips_to_pixels(kClientWidth, dpi_x), twips_to_pixels(kClientHeight, dpi_y)};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const std::wstring wide_caption = to_wide(caption);
  HWND window = CreateWindowExW(0, kWindowClass, wide_caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    show_message("Impossibile creare la finestra: " + last_reason());
    end_program(1);
  }
  window_ = window;

  HFONT font = CreateFontW(-MulDiv(kFontPoints, dpi_y, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           kFontName);
  font_ = font;
  const std::wstring wide_label = to_wide(label);
  HWND label_window = CreateWindowExW(
      0, L"STATIC", wide_label.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, twips_to_pixels(kLabelLeft, dpi_x),
      twips_to_pixels(kLabelTop, dpi_y), twips_to_pixels(kLabelWidth, dpi_x), twips_to_pixels(kLabelHeight, dpi_y),
      window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(1)), instance, nullptr);
  if (label_window != nullptr && font != nullptr) {
    SendMessageW(label_window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

  ShowWindow(window, SW_SHOWNORMAL);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  serve_pending_messages();
}

void Win32Platform::show_message(const std::string& text) {
  if (reports_ == Reports::console) {
    if (!print_line(visible_text(text))) message_lost_ = true;
    return;
  }
  message_box(static_cast<HWND>(window_), visible_text(text));
}

void Win32Platform::destroy_window() {
  if (window_ != nullptr) {
    DestroyWindow(static_cast<HWND>(window_));
    window_ = nullptr;
  }
  if (font_ != nullptr) {
    DeleteObject(static_cast<HFONT>(font_));
    font_ = nullptr;
  }
}

void Win32Platform::terminate_program(int status) {
  destroy_window();
  release_lock();
  std::fflush(nullptr);
  std::exit(status);
}

}  // namespace ferrovello
