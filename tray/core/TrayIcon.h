// TrayIcon: the tray program's notification-area icon as the shell sees it.
// It keeps the one notify data record (image, tooltip, state and balloon
// fields) and the bookkeeping of where the icon stands, and hands every
// add, modify and delete to an IconShell, the one seam in front of
// Shell_NotifyIconA. Portable: no Windows headers. Main thread only.
//
// Bookkeeping:
//   added     an add has succeeded
//   hidden    not visible: in the hidden state, or not in the taskbar
//   removed   not in the taskbar
//   re-add    add the icon again when the taskbar is created anew; set by
//             the first display (whether its add worked or not) and by a
//             failed add-again, cleared by a delete
#pragma once

#include <cstdint>
#include <string>

#include "common/RadioFlags.h"
#include "common/settings/SettingsRules.h"

namespace rm {

// The shell's own numbers (NIF_*, NIS_HIDDEN, NIIF_INFO).
inline constexpr std::uint32_t kNifMessage = 0x01;
inline constexpr std::uint32_t kNifIcon = 0x02;
inline constexpr std::uint32_t kNifTip = 0x04;
inline constexpr std::uint32_t kNifState = 0x08;
inline constexpr std::uint32_t kNifInfo = 0x10;
inline constexpr std::uint32_t kNisHidden = 0x01;
inline constexpr std::uint32_t kNiifInfo = 0x01;

// The fields' capacities in UTF-16 units without the terminator (szTip 128,
// szInfo 256, szInfoTitle 64).
inline constexpr std::size_t kTipMax = 127;
inline constexpr std::size_t kInfoMax = 255;
inline constexpr std::size_t kInfoTitleMax = 63;

enum class IconMessage { kAdd, kModify, kDelete };

struct NotifyData {
  std::uint32_t flags = 0;  // which fields the call carries
  int iconId = 0;           // resource number of the image
  std::string tip;
  std::uint32_t state = 0;
  std::uint32_t stateMask = 0;
  std::string info;
  std::string infoTitle;
  std::uint32_t infoFlags = 0;
  std::uint32_t timeoutMs = 0;
};

class IconShell {
 public:
  // One call of the shell's notify function; whether it succeeded.
  virtual bool Notify(IconMessage message, const NotifyData& data) = 0;

 protected:
  ~IconShell() = default;
};

// The string table, by number, in UTF-8.
class TextTable {
 public:
  virtual std::string Text(unsigned id) const = 0;

 protected:
  ~TextTable() = default;
};

// The status text: the strings of StatusTextIds, one after the other.
std::string StatusText(const RadioFlags& f, const TextTable& texts);

class TrayIcon {
 public:
  explicit TrayIcon(IconShell& shell) : shell_(shell) {}
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // The icon's first appearance: add it (in the hidden state when
  // HideSysTray is set), set the tooltip, and show the first balloon unless
  // DisableBalloons or DisableFirstBalloon is set.
  void FirstDisplay(const RadioFlags& f, const Settings& settings, const TextTable& texts);
  // After a change: image, tooltip, and a balloon unless DisableBalloons.
  void UpdateDisplay(const RadioFlags& f, const Settings& settings, const TextTable& texts);

  // Kept in the notify data always; sent only while the icon is visible,
  // so that showing it later shows the latest image and tooltip.
  void ChangeImage(int iconId);
  // The same image again, loaded anew (the display's DPI changed).
  void ReloadImage() { ChangeImage(data_.iconId); }
  void SetTip(const std::string& text);
  // Sent whatever the icon's state; 10 seconds, the information icon.
  void Balloon(const std::string& text, const std::string& title);

  void Hide();
  void Show();
  void AddAgain();
  void Delete();
  // The shell's "TaskbarCreated". With the re-add mark set, the icon is
  // deleted and added again unless the user keeps it hidden; a hidden icon
  // comes back when it is next shown.
  void OnTaskbarCreated(bool hideSysTray);

  bool added() const { return added_; }
  bool hidden() const { return hidden_; }
  bool removed() const { return removed_; }
  bool readdMark() const { return readdMark_; }
  std::uint32_t firstAddFlags() const { return firstAddFlags_; }
  const NotifyData& data() const { return data_; }

 private:
  bool Send(IconMessage message, std::uint32_t flags);
  std::uint32_t TipFlag() const;
  std::uint32_t AddFlags() const;

  IconShell& shell_;
  NotifyData data_;
  bool displayed_ = false;  // the first display has run
  bool added_ = false;
  bool hidden_ = false;
  bool removed_ = false;
  bool readdMark_ = false;
  std::uint32_t firstAddFlags_ = 0;
};

}  // namespace rm
