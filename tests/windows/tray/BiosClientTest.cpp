// BiosClient against the firmware stand-in.
#include "tray/core/BiosClient.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "tests/support/TrayMachine.h"
#include "common/RadioFlags.h"

namespace {

using Slot = rm::StartupDiagnostics::Slot;
using Bytes4 = std::array<std::uint8_t, 4>;

class BiosClientTest : public traytest::StandInTest {
 protected:
  static void Fault(const std::string& knob) { ASSERT_EQ(traytest::Fwsim("fault " + knob), 0) << knob; }

  // The wireless query into `word`.
  static HRESULT Read(rm::BiosClient& client, Bytes4& word, std::uint32_t& returnCode) {
    return client.Call(rm::kCmdRead, rm::kTypeWireless, 0, 4, &returnCode, nullptr, word.data());
  }

  rm::StartupDiagnostics diagnostics_;
};

TEST_F(BiosClientTest, ConnectRecordsEveryStep) {
  rm::BiosClient client(diagnostics_);
  ASSERT_TRUE(client.Connect());
  for (Slot s : {Slot::kLocator, Slot::kConnectServer, Slot::kGetClass, Slot::kEnumerate, Slot::kReadPath}) {
    EXPECT_EQ(diagnostics_.Get(s), S_OK) << s;
  }
  EXPECT_EQ(diagnostics_.Get(Slot::kLastNext), WBEM_S_NO_ERROR);
  EXPECT_EQ(diagnostics_.Get(Slot::kLastNextReturned), 1);
  EXPECT_EQ(diagnostics_.Get(Slot::kNextRequests), 1);
  EXPECT_NE(diagnostics_.Get(Slot::kInstanceFound), 0);
  // The start-up slots are not the client's.
  for (Slot s : {Slot::kComInit, Slot::kComSecurity, Slot::kModuleInit, Slot::kRadioState, Slot::kProbe}) {
    EXPECT_EQ(diagnostics_.Get(s), -1) << s;
  }
}

TEST_F(BiosClientTest, TheWirelessQueryReadsTheProfilesWord) {
  rm::BiosClient client(diagnostics_);
  ASSERT_TRUE(client.Connect());
  Bytes4 word{0xAA, 0xAA, 0xAA, 0xAA};
  std::uint32_t rc = 0xDEAD;
  ASSERT_EQ(Read(client, word, rc), S_OK);
  EXPECT_EQ(rc, 0u);
  rm::RadioFlags f = rm::RadioFlags::Decode(word);
  EXPECT_EQ(f.hasWlan, 1);
  EXPECT_EQ(f.hasBluetooth, 1);

  ASSERT_EQ(traytest::Fwsim("profile bluetooth"), 0);
  ASSERT_EQ(Read(client, word, rc), S_OK);
  f = rm::RadioFlags::Decode(word);
  EXPECT_EQ(f.hasWlan, 0);
  EXPECT_EQ(f.hasBluetooth, 1);

  ASSERT_EQ(traytest::Fwsim("profile none"), 0);
  ASSERT_EQ(Read(client, word, rc), S_OK);
  EXPECT_TRUE(rm::NoSupportedDevices(rm::RadioFlags::Decode(word)));
}

TEST_F(BiosClientTest, TheMethodFollowsTheOutputSize) {
  rm::BiosClient client(diagnostics_);
  ASSERT_TRUE(client.Connect());
  // An 8-byte call runs vtqBIOSInt8, which answers 8 bytes (the firmware
  // refuses the size for the wireless query but answers the method's size).
  std::array<std::uint8_t, 8> eight{};
  eight.fill(0xAA);
  std::uint32_t rc = 0;
  EXPECT_EQ(client.Call(rm::kCmdRead, rm::kTypeWireless, 0, 8, &rc, nullptr, eight.data()), S_OK);
  EXPECT_NE(rc, 0u);
  EXPECT_NE(rc, rm::kBiosLengthMismatch);

  // No output: vtqBIOSInt0, and Data is not read into the output variant.
  rm::Variant input;
  V_VT(input.get()) = VT_ARRAY | VT_UI1;
  V_ARRAY(input.get()) = nullptr;
  rm::Variant output;
  V_VT(output.get()) = VT_I4;
  V_I4(output.get()) = 42;
  EXPECT_EQ(client.Execute(rm::kCmdRead, rm::kTypeWireless, 0, 0, &rc, input.get(), output.get()), S_OK);
  EXPECT_EQ(output.type(), VT_I4);
  EXPECT_EQ(V_I4(output.get()), 42);

  // Four bytes out: a four-element Data array.
  EXPECT_EQ(client.Execute(rm::kCmdRead, rm::kTypeWireless, 0, 4, &rc, input.get(), output.get()), S_OK);
  EXPECT_EQ(rc, 0u);
  ASSERT_EQ(output.type(), VT_ARRAY | VT_UI1);
  LONG lower = 0, upper = 0;
  ::SafeArrayGetLBound(V_ARRAY(output.get()), 1, &lower);
  ::SafeArrayGetUBound(V_ARRAY(output.get()), 1, &upper);
  EXPECT_EQ(upper - lower + 1, 4);
}

TEST_F(BiosClientTest, NoInputIsANullByteArrayTheFirmwareAccepts) {
  rm::BiosClient client(diagnostics_);
  ASSERT_TRUE(client.Connect());
  Bytes4 word{};
  std::uint32_t rc = 0xDEAD;
  ASSERT_EQ(Read(client, word, rc), S_OK);
  EXPECT_EQ(rc, 0u);  // a non-empty input would be the wrong input size
  // The switch with its four input bytes is accepted too.
  const rm::SwitchRequest on = rm::AllRadiosOnRequest();
  EXPECT_EQ(client.Call(rm::kCmdWrite, rm::kTypeWireless, 4, 0, &rc, on.data(), nullptr), S_OK);
  EXPECT_EQ(rc, 0u);
}

TEST_F(BiosClientTest, DataOfTheWrongLengthFailsAndLeavesTheOutputAlone) {
  rm::BiosClient client(diagnostics_);
  ASSERT_TRUE(client.Connect());
  for (int length : {3, 5}) {
    Fault("data-length " + std::to_string(length));
    Bytes4 word{0xAA, 0xBB, 0xCC, 0xDD};
    std::uint32_t rc = 0;
    EXPECT_EQ(Read(client, word, rc), E_FAIL) << length;
    EXPECT_EQ(rc, 87u) << length;
    EXPECT_EQ(word, (Bytes4{0xAA, 0xBB, 0xCC, 0xDD})) << length;
  }
  // A call without output reads no Data, so its length does not matter.
  std::uint32_t rc = 0xDEAD;
  const rm::SwitchRequest on = rm::AllRadiosOnRequest();
  EXPECT_EQ(client.Call(rm::kCmdWrite, rm::kTypeWireless, 4, 0, &rc, on.data(), nullptr), S_OK);
  EXPECT_EQ(rc, 0u);

  Fault("data-length off");
  Bytes4 word{};
  EXPECT_EQ(Read(client, word, rc), S_OK);
}

TEST_F(BiosClientTest, TenTimeOutsMakeConnectFail) {
  Fault("enum-timeouts 10");
  rm::BiosClient client(diagnostics_);
  EXPECT_FALSE(client.Connect());
  EXPECT_EQ(diagnostics_.Get(Slot::kNextRequests), 10);
  EXPECT_EQ(diagnostics_.Get(Slot::kLastNext), WBEM_S_TIMEDOUT);
  EXPECT_EQ(diagnostics_.Get(Slot::kLastNextReturned), 0);
  EXPECT_EQ(diagnostics_.Get(Slot::kInstanceFound), 0);
  EXPECT_EQ(diagnostics_.Get(Slot::kReadPath), -1);
  // A client that did not connect refuses calls instead of crashing.
  Bytes4 word{1, 2, 3, 4};
  std::uint32_t rc = 0;
  EXPECT_TRUE(FAILED(Read(client, word, rc)));
  EXPECT_EQ(word, (Bytes4{1, 2, 3, 4}));
}

TEST_F(BiosClientTest, AnInstanceOnTheThirdRequestConnects) {
  Fault("enum-timeouts 2");
  rm::BiosClient client(diagnostics_);
  EXPECT_TRUE(client.Connect());
  EXPECT_EQ(diagnostics_.Get(Slot::kNextRequests), 3);
  EXPECT_EQ(diagnostics_.Get(Slot::kLastNext), WBEM_S_NO_ERROR);
  EXPECT_EQ(diagnostics_.Get(Slot::kLastNextReturned), 1);
  EXPECT_NE(diagnostics_.Get(Slot::kInstanceFound), 0);
  EXPECT_EQ(diagnostics_.Get(Slot::kReadPath), S_OK);
}

TEST_F(BiosClientTest, AMachineWithoutTheFirmwareClassStopsAtTheClassObject) {
  ASSERT_EQ(traytest::Fwsim("profile unsupported"), 0);
  rm::BiosClient client(diagnostics_);
  EXPECT_FALSE(client.Connect());
  EXPECT_EQ(diagnostics_.Get(Slot::kLocator), S_OK);
  EXPECT_EQ(diagnostics_.Get(Slot::kConnectServer), S_OK);
  EXPECT_TRUE(FAILED(diagnostics_.Get(Slot::kGetClass)));
  for (Slot s : {Slot::kEnumerate, Slot::kLastNext, Slot::kLastNextReturned, Slot::kNextRequests,
                 Slot::kInstanceFound, Slot::kReadPath}) {
    EXPECT_EQ(diagnostics_.Get(s), -1) << s;
  }
}

TEST_F(BiosClientTest, AFailedGetMethodReportsThePreviousReturnCode) {
  rm::BiosClient client(diagnostics_);
  ASSERT_TRUE(client.Connect());
  Fault("getmethod on");
  Bytes4 word{9, 9, 9, 9};
  std::uint32_t rc = 0;
  EXPECT_TRUE(FAILED(Read(client, word, rc)));
  EXPECT_EQ(rc, 0xFFFFFFFFu);  // no call has read one yet
  EXPECT_EQ(word, (Bytes4{9, 9, 9, 9}));

  Fault("getmethod off");
  // An unknown command: the firmware answers a nonzero return code.
  std::uint32_t unknownRc = 0;
  Bytes4 scratch{};
  ASSERT_EQ(client.Call(99, 99, 0, 4, &unknownRc, nullptr, scratch.data()), S_OK);
  ASSERT_NE(unknownRc, 0u);

  Fault("getmethod on");
  rc = 0;
  EXPECT_TRUE(FAILED(Read(client, word, rc)));
  EXPECT_EQ(rc, unknownRc);
}

TEST_F(BiosClientTest, MissingOutDataOrReturnCodeFailsTheCall) {
  rm::BiosClient client(diagnostics_);
  ASSERT_TRUE(client.Connect());
  Bytes4 word{};
  std::uint32_t rc = 0xDEAD;
  ASSERT_EQ(Read(client, word, rc), S_OK);
  ASSERT_EQ(rc, 0u);

  for (const char* knob : {"outdata-missing", "returncode-missing"}) {
    Fault(std::string(knob) + " on");
    Bytes4 untouched{7, 7, 7, 7};
    rc = 0xDEAD;
    EXPECT_TRUE(FAILED(Read(client, untouched, rc))) << knob;
    EXPECT_EQ(rc, 0u) << knob;  // the previous call's code
    EXPECT_EQ(untouched, (Bytes4{7, 7, 7, 7})) << knob;
    Fault(std::string(knob) + " off");
  }
}

TEST_F(BiosClientTest, CallsFromTwoThreadsDoNotMix) {
  rm::BiosClient client(diagnostics_);
  ASSERT_TRUE(client.Connect());
  Bytes4 expected{};
  std::uint32_t rc = 0;
  ASSERT_EQ(Read(client, expected, rc), S_OK);

  int badReads = 0, badOthers = 0;
  std::thread other([&] {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    for (int i = 0; i < 40; ++i) {
      std::array<std::uint8_t, 8> out{};
      std::uint32_t code = 0;
      // Output size 8 for the wireless query: refused with a nonzero code.
      if (client.Call(rm::kCmdRead, rm::kTypeWireless, 0, 8, &code, nullptr, out.data()) != S_OK || code == 0)
        ++badOthers;
    }
    ::CoUninitialize();
  });
  for (int i = 0; i < 40; ++i) {
    Bytes4 word{};
    std::uint32_t code = 0xDEAD;
    if (Read(client, word, code) != S_OK || code != 0 || word != expected) ++badReads;
  }
  other.join();
  EXPECT_EQ(badReads, 0);
  EXPECT_EQ(badOthers, 0);
}

}  // namespace
