// The application module: the program's instance handle and the message
// loop of the main thread, whose filters see each message before it is
// translated and dispatched (the tray window's dialog-message filter).
// Main thread only.
#pragma once

#include <windows.h>

#include <vector>

namespace rm {

class MessageFilter {
 public:
  // True when the message was handled and must not be dispatched.
  virtual bool PreTranslateMessage(MSG* msg) = 0;

 protected:
  ~MessageFilter() = default;
};

class MessageLoop {
 public:
  void AddFilter(MessageFilter* filter);
  void RemoveFilter(MessageFilter* filter);
  // Runs until WM_QUIT (or a GetMessage error); returns WM_QUIT's wParam.
  int Run();

 private:
  std::vector<MessageFilter*> filters_;
};

class AppModule {
 public:
  // Records the instance and registers the common control classes.
  HRESULT Init(HINSTANCE instance);
  void Term();
  HINSTANCE Instance() const { return instance_; }

  void SetMessageLoop(MessageLoop* loop) { loop_ = loop; }
  MessageLoop* GetMessageLoop() const { return loop_; }

 private:
  HINSTANCE instance_ = nullptr;
  MessageLoop* loop_ = nullptr;
};

// The program's one module.
AppModule& Module();

}  // namespace rm
