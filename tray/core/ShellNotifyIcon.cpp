#include "tray/core/ShellNotifyIcon.h"

#include <shellapi.h>

#include <cstring>
#include <string>

#include "common/ui/DisplayMetrics.h"
#include "common/ui/ResourceString.h"

namespace rm {
namespace {

static_assert(NIF_MESSAGE == kNifMessage && NIF_ICON == kNifIcon && NIF_TIP == kNifTip && NIF_STATE == kNifState &&
                  NIF_INFO == kNifInfo && NIS_HIDDEN == kNisHidden && NIIF_INFO == kNiifInfo,
              "the shell's numbers");
// The layout with the 128-character tip, the state and the balloon fields.
#ifndef _WIN64
static_assert(NOTIFYICONDATAW_V2_SIZE == 936, "NOTIFYICONDATAW of 936 bytes");
#endif

// The texts come cut to their fields already (TrayIcon); the cut here only
// guards the field.
template <std::size_t N>
void CopyCut(wchar_t (&field)[N], const std::string& utf8) {
  const std::wstring text = Utf16(utf8);
  const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(field, text.data(), n * sizeof(wchar_t));
  field[n] = L'\0';
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

NOTIFYICONDATAW ShellNotifyIcon::Record(const NotifyData& data, HICON icon) const {
  NOTIFYICONDATAW record;
  std::memset(&record, 0, sizeof record);
  record.cbSize = NOTIFYICONDATAW_V2_SIZE;
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
    icon_.reset(LoadIconOfSize(instance_, data.iconId, SmallIconSize(NotifyAreaDpi(owner_))));
  }
  NOTIFYICONDATAW record = Record(data, icon_.get());
  return ::Shell_NotifyIconW(MessageOf(message), &record) != FALSE;
}

}  // namespace rm
