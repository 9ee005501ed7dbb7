// The tray program's machine for the Windows and system tests: its settings
// key, the simulated notebook's profile for a test, a test on the stand-in's
// machine and the name of the user the tests run as.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/SettingsNames.h"
#include "tests/support/BuildPaths.h"
#include "tests/support/Fwsim.h"
#include "tests/support/Process.h"
#include "tests/support/Registry.h"
#include "tests/support/WaitFor.h"
#include "tests/support/Windows.h"

namespace traytest {

using rmtest::BuildPath;
using rmtest::DlgItemText;
using rmtest::FindProcessWindow;
using rmtest::Fwsim;
using rmtest::FwsimExe;
using rmtest::FwsimOutput;
using rmtest::FwsimWirelessWord;
using rmtest::MessageBoxText;
using rmtest::Process;
using rmtest::RegValue;
using rmtest::TrayExe;
using rmtest::WaitFor;
using rmtest::WaitForProcessWindow;
using rmtest::WindowText;
inline bool StandInBuilt() { return rmtest::FwsimBuilt(); }

// The name GetUserNameA gives this process.
inline std::string CurrentUserName() {
  char name[260] = {};
  DWORD size = sizeof name;
  return ::GetUserNameA(name, &size) ? std::string(name) : std::string();
}

// Sets a profile (and no faults) for the test, and puts the machine back to
// profile "both" without faults at the end.
class MachineProfile {
 public:
  explicit MachineProfile(const char* profile) {
    Fwsim("fault clear");
    ok_ = Fwsim(std::string("profile ") + profile) == 0;
  }
  ~MachineProfile() {
    Fwsim("fault clear");
    Fwsim("profile both");
  }
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// A test on the machine of profile "both", with COM in the multithreaded
// apartment as the tray program has it.
class StandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StandInBuilt()) << FwsimExe();
    comInit_ = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ASSERT_TRUE(SUCCEEDED(comInit_));
    profile_ = std::make_unique<MachineProfile>("both");
    ASSERT_TRUE(profile_->ok());
  }
  void TearDown() override {
    profile_.reset();
    if (SUCCEEDED(comInit_)) ::CoUninitialize();
  }

 private:
  HRESULT comInit_ = E_FAIL;
  std::unique_ptr<MachineProfile> profile_;
};

// --- the settings key ---------------------------------------------------

inline void DeleteSettingsKey() { ::RegDeleteKeyA(HKEY_CURRENT_USER, rm::kSettingsKeyPath); }
inline bool SettingsKeyExists() { return rmtest::KeyExists(HKEY_CURRENT_USER, rm::kSettingsKeyPath); }
inline bool CreateSettingsKey() {
  return static_cast<bool>(rmtest::CreateKey(HKEY_CURRENT_USER, rm::kSettingsKeyPath, KEY_READ));
}
inline RegValue ReadSetting(const char* name) {
  return rmtest::ReadValue(HKEY_CURRENT_USER, rm::kSettingsKeyPath, name);
}
inline bool WriteSetting(const char* name, DWORD type, const void* data, DWORD size) {
  return rmtest::WriteValue(HKEY_CURRENT_USER, rm::kSettingsKeyPath, name, type, data, size);
}
inline bool WriteSettingDword(const char* name, DWORD value) {
  return WriteSetting(name, REG_DWORD, &value, sizeof value);
}
inline DWORD CountValues() { return rmtest::ValueCount(HKEY_CURRENT_USER, rm::kSettingsKeyPath); }

// Deletes the settings key now and again at the end of the scope.
class CleanSettingsKey {
 public:
  CleanSettingsKey() { DeleteSettingsKey(); }
  ~CleanSettingsKey() { DeleteSettingsKey(); }
};

}  // namespace traytest
