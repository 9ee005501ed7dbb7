// Starting another program from a test: the one launcher of the Windows and
// system tests. A Process owns the started program and ends it (by its
// handle) when it still runs at the end of the scope.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/win/OwningWrappers.h"

namespace rmtest {

// Where the program's standard output and error go.
enum class Output {
  kNone,   // nowhere of ours (the program's own console or none)
  kPipe,   // one pipe for both, read while it runs (Out())
  kPipes,  // one pipe each (Out(), Err())
  kFile,   // one temporary file for both, read after its end (for programs
           // that end before anybody reads, such as installers)
};

struct StartOptions {
  Output output = Output::kNone;
  DWORD flags = 0;               // creation flags, e.g. CREATE_NO_WINDOW
  const char* folder = nullptr;  // current directory; null: this process's
  // Standard input when the output is captured: this process's own handle
  // (true) or none.
  bool inheritInput = false;
};

namespace detail {

// Reads a pipe on a thread of its own until the writing process has ended
// and the pipe is empty. (Polled: a console host started for a child's new
// console may hold a copy of the write end, so the pipe need not break.)
class PipeReader {
 public:
  PipeReader() {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE r = nullptr, w = nullptr;
    if (::CreatePipe(&r, &w, &inherit, 0)) {
      read_.reset(r);
      write_.reset(w);
      ::SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
    }
  }
  ~PipeReader() { Join(); }
  explicit operator bool() const { return static_cast<bool>(read_); }
  HANDLE WriteEnd() const { return write_.get(); }
  // After the child has its copy of the write end; `process` null when it
  // did not start.
  void Start(HANDLE process) {
    write_.reset();
    thread_ = std::thread([this, process] {
      for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(read_.get(), nullptr, 0, nullptr, &available, nullptr)) break;
        if (available) {
          char buffer[512];
          DWORD got = 0;
          if (!::ReadFile(read_.get(), buffer, available < sizeof buffer ? available : sizeof buffer, &got, nullptr))
            break;
          std::lock_guard<std::mutex> lock(mutex_);
          text_.append(buffer, got);
          continue;
        }
        if (!process || ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
          if (::PeekNamedPipe(read_.get(), nullptr, 0, nullptr, &available, nullptr) && available) continue;
          break;
        }
        ::Sleep(10);
      }
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    });
  }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  std::string Text() {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
  }
  // True once the program has ended and everything it wrote has been read.
  bool Done() {
    std::lock_guard<std::mutex> lock(mutex_);
    return done_;
  }

 private:
  rm::UniqueHandle read_, write_;
  std::thread thread_;
  std::mutex mutex_;
  std::string text_;
  bool done_ = false;
};

}  // namespace detail

class Process {
 public:
  Process() = default;
  Process(Process&&) = default;
  Process& operator=(Process&& other) {
    if (this != &other) {
      Kill();
      process_ = std::move(other.process_);
      id_ = other.id_;
      out_ = std::move(other.out_);
      err_ = std::move(other.err_);
      file_ = std::move(other.file_);
    }
    return *this;
  }
  ~Process() {
    Kill();
    if (!file_.empty()) ::DeleteFileA(file_.c_str());
  }

  // Starts `exe` (quoted) with `args` after it. A program that cannot start
  // gives a Process that is false.
  static Process Start(const std::string& exe, const std::string& args, const StartOptions& options = {}) {
    Process p;
    std::string commandLine = "\"" + exe + "\"";
    if (!args.empty()) commandLine += " " + args;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    rm::UniqueFile file;
    if (options.output != Output::kNone) {
      si.dwFlags = STARTF_USESTDHANDLES;
      si.hStdInput = options.inheritInput ? ::GetStdHandle(STD_INPUT_HANDLE) : nullptr;
      if (options.output == Output::kFile) {
        char temp[MAX_PATH] = {}, name[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        ::GetTempFileNameA(temp, "out", 0, name);
        p.file_ = name;
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        file.reset(::CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS, 0,
                                 nullptr));
        if (!file) return p;
        si.hStdOutput = si.hStdError = file.get();
      } else {
        p.out_ = std::make_unique<detail::PipeReader>();
        if (!*p.out_) return p;
        si.hStdOutput = si.hStdError = p.out_->WriteEnd();
        if (options.output == Output::kPipes) {
          p.err_ = std::make_unique<detail::PipeReader>();
          if (!*p.err_) return p;
          si.hStdError = p.err_->WriteEnd();
        }
      }
    }
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessA(nullptr, line.data(), nullptr, nullptr, options.output != Output::kNone, options.flags,
                         nullptr, options.folder, &si, &pi)) {
      p.process_.reset(pi.hProcess);
      ::CloseHandle(pi.hThread);
      p.id_ = pi.dwProcessId;
    }
    if (p.out_) p.out_->Start(p.process_.get());
    if (p.err_) p.err_->Start(p.process_.get());
    return p;
  }
  static Process Start(const std::string& exe, const std::string& args, const char* folder) {
    StartOptions options;
    options.folder = folder;
    return Start(exe, args, options);
  }

  explicit operator bool() const { return static_cast<bool>(process_); }
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }
  bool Running() const { return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

  // True when it ended within `limit`; *exitCode its exit code. Captured
  // output is complete once this returns true.
  bool WaitExit(std::chrono::milliseconds limit, DWORD* exitCode = nullptr) const {
    if (!process_ || ::WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
      return false;
    if (exitCode) ::GetExitCodeProcess(process_.get(), exitCode);
    if (out_) out_->Join();
    if (err_) err_->Join();
    return true;
  }
  // The exit code, or -1 when it did not start or end within `limit`.
  long Wait(std::chrono::milliseconds limit) const {
    DWORD code = 0;
    return WaitExit(limit, &code) ? static_cast<long>(code) : -1;
  }
  void Kill() {
    if (Running()) {
      ::TerminateProcess(process_.get(), 99);
      ::WaitForSingleObject(process_.get(), 10000);
    }
    if (out_) out_->Join();
    if (err_) err_->Join();
    process_.reset();
  }

  // What it wrote so far (kPipe, kPipes: standard output; kFile: both).
  std::string Out() {
    if (out_) return out_->Text();
    if (file_.empty()) return std::string();
    // A console host Wine started for the child may still hold its copy of
    // the write end: open for reading beside it.
    rm::UniqueFile in(::CreateFileA(file_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!in) return "(output file not readable: error " + std::to_string(::GetLastError()) + ")";
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    return text;
  }
  // Standard error (kPipes only).
  std::string Err() { return err_ ? err_->Text() : std::string(); }
  // Waits until the output holds `text`; false when the program ended
  // without writing it or `limit` passed.
  bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit) {
    if (!out_) return false;
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      if (out_->Text().find(text) != std::string::npos) return true;
      if (out_->Done() || std::chrono::steady_clock::now() >= end) return out_->Text().find(text) != std::string::npos;
      ::Sleep(10);
    }
  }

 private:
  rm::UniqueHandle process_;  // outlives the readers, which poll it
  DWORD id_ = 0;
  std::unique_ptr<detail::PipeReader> out_, err_;
  std::string file_;
};

// A finished program: its exit code (-1 when it did not start or end within
// the limit) and what it wrote.
struct RunResult {
  long code = -1;
  std::string out, err;
};

inline RunResult Run(const std::string& exe, const std::string& args, const StartOptions& options,
                     std::chrono::milliseconds limit = std::chrono::seconds(60)) {
  RunResult r;
  Process p = Process::Start(exe, args, options);
  r.code = p.Wait(limit);
  if (r.code != -1 || !p.Running()) {
    r.out = p.Out();
    r.err = p.Err();
  }
  return r;
}

// A console program run without a window, for its exit code alone (-1 when
// it could not start or did not end within `limit`).
inline long RunProgram(const std::string& exe, const std::string& args,
                       std::chrono::milliseconds limit = std::chrono::seconds(60)) {
  StartOptions options;
  options.flags = CREATE_NO_WINDOW;
  return Run(exe, args, options, limit).code;
}

}  // namespace rmtest
