#include "tray/core/ShellNotifyIcon.h"

#include <shellapi.h>

#include <cstring>

namespace rm {
namespace {

static_assert(NIF_MESSAGE == kNifMessage && NIF_ICON == kNifIcon && NIF_TIP == kNifTip && NIF_STATE == kNifState &&
                  NIF_INFO == kNifInfo && NIS_HIDDEN == kNisHidden && NIIF_INFO == kNiifInfo,
              "the shell's numbers");
// The layout with the 128-byte tip, the state and the balloon fields.
#ifndef _WIN64
static_assert(NOTIFYICONDATAA_V2_SIZE == 488, "NOTIFYICONDATAA of 488 bytes");
#endif

template <std::size_t N>
void CopyCut(char (&field)[N], const std::string& text) {
  const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

DWORD MessageOf(IconMessage message) {
  switch (message) {
    case IconMessage::kAdd: return NIM_ADD;
    case IconMessage::kModify: return NIM_MODIFY;
    case IconMessage::kDelete: return NIM_DELETE;
  }
  return NIM_MODIFY;
}

}  // namespace

NOTIFYICONDATAA ShellNotifyIcon::Record(const NotifyData& data, HICON icon) const {
  NOTIFYICONDATAA record;
  std::memset(&record, 0, sizeof record);
  record.cbSize = NOTIFYICONDATAA_V2_SIZE;
  record.hWnd = owner_;
  record.uID = kTrayIconId;
  record.uFlags = data.flags;
  record.uCallbackMessage = callback_;
  record.hIcon = icon;
  CopyCut(record.szTip, data.tip);
  record.dwState = data.state;
  record.dwStateMask = data.stateMask;
  CopyCut(record.szInfo, data.info);
  record.uTimeout = data.timeoutMs;
  CopyCut(record.szInfoTitle, data.infoTitle);
  record.dwInfoFlags = data.infoFlags;
  return record;
}

bool ShellNotifyIcon::Notify(IconMessage message, const NotifyData& data) {
  if (data.flags & NIF_ICON) {
    icon_.reset(static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(data.iconId), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                LR_DEFAULTCOLOR)));
  }
  NOTIFYICONDATAA record = Record(data, icon_.get());
  return ::Shell_NotifyIconA(MessageOf(message), &record) != FALSE;
}

}  // namespace rm
