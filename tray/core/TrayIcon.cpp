#include "tray/core/TrayIcon.h"

#include "tray/core/TrayRules.h"
#include "tray/res/resource.h"

namespace rm {
namespace {

constexpr std::uint32_t kBalloonTimeoutMs = 10000;

// The longest start of the UTF-8 `text` that takes at most `max` UTF-16
// units, never part of a character: a character of four bytes takes two
// units, every other one.
std::string Cut(const std::string& text, std::size_t max) {
  std::size_t units = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t bytes = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    const std::size_t need = bytes == 4 ? 2 : 1;
    if (units + need > max || i + bytes > text.size()) break;
    units += need;
    i += bytes;
  }
  return text.substr(0, i);
}

}  // namespace

std::string StatusText(const RadioFlags& f, const TextTable& texts) {
  std::string text;
  for (unsigned id : StatusTextIds(f)) text += texts.Text(id);
  return text;
}

bool TrayIcon::Send(IconMessage message, std::uint32_t flags) {
  data_.flags = flags;
  return shell_.Notify(message, data_);
}

// Adds and a show carry the tooltip as well once there is one, so that an
// icon added or shown again is not left without it.
std::uint32_t TrayIcon::TipFlag() const { return data_.tip.empty() ? 0 : kNifTip; }

std::uint32_t TrayIcon::AddFlags() const { return kNifMessage | kNifIcon | TipFlag(); }

void TrayIcon::FirstDisplay(const RadioFlags& f, const Settings& settings, const TextTable& texts) {
  const std::string status = StatusText(f, texts);
  data_.iconId = TrayIconId(f);
  const bool hide = settings.hideSysTray != 0;
  std::uint32_t flags = kNifMessage | kNifIcon;
  if (hide) {
    flags |= kNifState;
    data_.state = kNisHidden;
    data_.stateMask = kNisHidden;
  }
  firstAddFlags_ = flags;
  displayed_ = true;
  const bool ok = Send(IconMessage::kAdd, flags);
  added_ = ok;
  hidden_ = hide || !ok;
  removed_ = !ok;
  // Whether or not the shell took the icon, a new taskbar gets it again.
  readdMark_ = true;

  SetTip(status);
  if (!settings.disableBalloons && !settings.disableFirstBalloon) Balloon(status, texts.Text(IDS_PRODUCT_NAME));
}

void TrayIcon::UpdateDisplay(const RadioFlags& f, const Settings& settings, const TextTable& texts) {
  const std::string status = StatusText(f, texts);
  ChangeImage(TrayIconId(f));
  SetTip(status);
  if (!settings.disableBalloons) Balloon(status, texts.Text(IDS_PRODUCT_NAME));
}

void TrayIcon::ChangeImage(int iconId) {
  data_.iconId = iconId;
  if (!added_ || hidden_) return;
  Send(IconMessage::kModify, kNifIcon);
}

void TrayIcon::SetTip(const std::string& text) {
  if (text.empty()) return;
  data_.tip = Cut(text, kTipMax);
  if (!added_ || hidden_) return;
  Send(IconMessage::kModify, kNifTip);
}

void TrayIcon::Balloon(const std::string& text, const std::string& title) {
  data_.info = Cut(text, kInfoMax);
  data_.infoTitle = Cut(title, kInfoTitleMax);
  data_.infoFlags = kNiifInfo;
  data_.timeoutMs = kBalloonTimeoutMs;
  Send(IconMessage::kModify, kNifInfo);
  data_.info.clear();
}

void TrayIcon::Hide() {
  if (!added_ || removed_ || hidden_) return;
  data_.state = kNisHidden;
  data_.stateMask = kNisHidden;
  hidden_ = Send(IconMessage::kModify, kNifState);
}

void TrayIcon::Show() {
  if (removed_) AddAgain();
  if (!added_ || removed_ || !hidden_) return;
  data_.state = 0;
  data_.stateMask = kNisHidden;
  // Image and tooltip went only into the notify data while hidden.
  hidden_ = !Send(IconMessage::kModify, kNifState | kNifIcon | TipFlag());
}

void TrayIcon::AddAgain() {
  if (!removed_) Delete();
  if (!displayed_) return;
  if (Send(IconMessage::kAdd, AddFlags())) {
    added_ = true;
    removed_ = false;
  } else {
    readdMark_ = true;
  }
}

void TrayIcon::Delete() {
  readdMark_ = false;
  if (!added_ || removed_) return;
  removed_ = Send(IconMessage::kDelete, 0);
  if (removed_) hidden_ = true;
}

void TrayIcon::OnTaskbarCreated(bool hideSysTray) {
  if (!displayed_ || !readdMark_) return;
  // A taskbar made anew holds no icon; one that was only announced again
  // still holds the old one, which goes first.
  Send(IconMessage::kDelete, 0);
  removed_ = true;
  hidden_ = true;
  if (hideSysTray) return;
  if (Send(IconMessage::kAdd, (firstAddFlags_ & ~kNifState) | AddFlags())) {
    added_ = true;
    removed_ = false;
    hidden_ = false;
  }
}

}  // namespace rm
