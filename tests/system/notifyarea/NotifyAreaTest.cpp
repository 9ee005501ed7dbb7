// traytest::NotifyArea against a real Shell_NotifyIconA user: this program's
// hidden window with icons 201 and 202 and rmtray's two images.
#include "tests/system/tray/NotifyArea.h"

namespace {

using traytest::NotifyArea;
using traytest::TrayIcon;

class NotifyAreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
    images_ = ::LoadLibraryExA(traytest::TrayExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(images_, nullptr) << traytest::TrayExe();
    const int size = ::GetSystemMetrics(SM_CXSMICON);
    off_ = static_cast<HICON>(::LoadImageA(images_, MAKEINTRESOURCEA(202), IMAGE_ICON, size, size, 0));
    on_ = static_cast<HICON>(::LoadImageA(images_, MAKEINTRESOURCEA(203), IMAGE_ICON, size, size, 0));
    ASSERT_TRUE(off_ && on_);
    // The taskbar comes up with the first window of the prefix.
    area_.emplace();
    ASSERT_TRUE(area_->ok());
  }
  void TearDown() override {
    for (UINT id : {201u, 202u}) Notify(NIM_DELETE, id, 0);
    if (owner_) ::DestroyWindow(owner_);
    if (off_) ::DestroyIcon(off_);
    if (on_) ::DestroyIcon(on_);
    if (images_) ::FreeLibrary(images_);
  }

  // Shell_NotifyIconA for this program's window; `set` fills the fields that
  // `flags` names.
  bool Notify(DWORD message, UINT id, UINT flags, const std::function<void(NOTIFYICONDATAA&)>& set = {}) {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof nid;
    nid.hWnd = owner_;
    nid.uID = id;
    nid.uFlags = flags;
    if (set) set(nid);
    return ::Shell_NotifyIconA(message, &nid) != FALSE;
  }
  bool SetHidden(UINT id, bool hidden) {
    return Notify(NIM_MODIFY, id, NIF_STATE, [&](NOTIFYICONDATAA& n) {
      n.dwState = hidden ? NIS_HIDDEN : 0;
      n.dwStateMask = NIS_HIDDEN;
    });
  }
  bool Add(UINT id, HICON image, const char* tip) {
    return Notify(NIM_ADD, id, NIF_ICON | NIF_TIP, [&](NOTIFYICONDATAA& n) {
      n.hIcon = image;
      std::strcpy(n.szTip, tip);
    });
  }

  HWND owner_ = nullptr;
  HMODULE images_ = nullptr;
  HICON off_ = nullptr;
  HICON on_ = nullptr;
  std::optional<NotifyArea> area_;
};

TEST_F(NotifyAreaTest, FollowsOneIconFromAddToDelete) {
  EXPECT_FALSE(area_->FindIcon(owner_, 201));
  ASSERT_TRUE(Add(201, off_, "Wireless LAN: on\nBluetooth: off \xAE"));

  std::optional<TrayIcon> icon = area_->FindIcon(owner_, 201);
  ASSERT_TRUE(icon);
  EXPECT_FALSE(icon->hidden);
  EXPECT_EQ(icon->tip, L"Wireless LAN: on\nBluetooth: off \u00AE");
  // The first icon takes the right end of the 1024x768 desktop's taskbar.
  EXPECT_EQ(icon->cell.right, 1024);
  EXPECT_GE(icon->cell.left, 960);
  EXPECT_GE(icon->cell.top, 748);
  EXPECT_LE(icon->cell.bottom, 768);
  EXPECT_FALSE(area_->FindIcon(owner_, 202));
  EXPECT_TRUE(area_->WaitForImage(owner_, 201, {off_, on_}, 0));

  ASSERT_TRUE(Notify(NIM_MODIFY, 201, NIF_ICON, [&](NOTIFYICONDATAA& n) { n.hIcon = on_; }));
  EXPECT_TRUE(area_->WaitForImage(owner_, 201, {off_, on_}, 1));

  // Hidden, the icon stays held; a tip set meanwhile is the one shown again.
  ASSERT_TRUE(SetHidden(201, true));
  icon = area_->FindIcon(owner_, 201);
  ASSERT_TRUE(icon);
  EXPECT_TRUE(icon->hidden);
  EXPECT_EQ(area_->ShownImage(owner_, 201, {off_, on_}), -1);
  ASSERT_TRUE(Notify(NIM_MODIFY, 201, NIF_TIP, [](NOTIFYICONDATAA& n) { std::strcpy(n.szTip, "No radio on"); }));
  ASSERT_TRUE(SetHidden(201, false));
  icon = area_->FindIcon(owner_, 201);
  ASSERT_TRUE(icon);
  EXPECT_FALSE(icon->hidden);
  EXPECT_EQ(icon->tip, L"No radio on");
  EXPECT_TRUE(area_->WaitForImage(owner_, 201, {off_, on_}, 1));

  EXPECT_FALSE(area_->TakeBalloon(owner_, 201));
  ASSERT_TRUE(Notify(NIM_MODIFY, 201, NIF_INFO, [](NOTIFYICONDATAA& n) {
    std::strcpy(n.szInfoTitle, "Radio Minder \xAE");
    std::strcpy(n.szInfo, "Wireless LAN is on.\nBluetooth is off.");
    n.dwInfoFlags = NIIF_INFO;
    n.uTimeout = 10000;
  }));
  const std::optional<traytest::Balloon> balloon = area_->WaitForBalloon(owner_, 201);
  ASSERT_TRUE(balloon);
  EXPECT_EQ(balloon->title, L"Radio Minder \u00AE");
  EXPECT_EQ(balloon->text, L"Wireless LAN is on.\nBluetooth is off.");

  ASSERT_TRUE(Notify(NIM_DELETE, 201, 0));
  EXPECT_FALSE(area_->FindIcon(owner_, 201));
  EXPECT_FALSE(area_->TakeBalloon(owner_, 201));
}

TEST_F(NotifyAreaTest, TellsTwoIconsOfOneOwnerApart) {
  ASSERT_TRUE(Add(201, off_, "first"));
  ASSERT_TRUE(Add(202, on_, "second"));
  std::optional<TrayIcon> first = area_->FindIcon(owner_, 201);
  std::optional<TrayIcon> second = area_->FindIcon(owner_, 202);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->tip, L"first");
  EXPECT_EQ(second->tip, L"second");
  EXPECT_EQ(second->cell.right, first->cell.left);
  EXPECT_TRUE(area_->WaitForImage(owner_, 201, {off_, on_}, 0));
  EXPECT_TRUE(area_->WaitForImage(owner_, 202, {off_, on_}, 1));

  // Hiding the first moves the second into its cell; shown again, the first
  // comes last.
  ASSERT_TRUE(SetHidden(201, true));
  second = area_->FindIcon(owner_, 202);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->cell.right, first->cell.right);
  EXPECT_TRUE(area_->WaitForImage(owner_, 202, {off_, on_}, 1));
  ASSERT_TRUE(SetHidden(201, false));
  first = area_->FindIcon(owner_, 201);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->cell.right, second->cell.left);
  EXPECT_TRUE(area_->WaitForImage(owner_, 201, {off_, on_}, 0));

  ASSERT_TRUE(Notify(NIM_DELETE, 202, 0));
  EXPECT_FALSE(area_->FindIcon(owner_, 202));
  EXPECT_TRUE(area_->FindIcon(owner_, 201));
}

}  // namespace
