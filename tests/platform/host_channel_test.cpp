#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include "platform/host/Browser.h"
#include "platform/host/HostWindow.h"
#include "platform/host/headless/HostWindow.h"
#include "platform/host/socket/HostWindow.h"
#include "platform/window/Window.h"

using namespace platform::host;

TEST(HostRecord, TwelveLittleEndianBytes) {
  uint8_t bytes[kRecordSize];
  EncodeRecord(Record{0x0400, 0x01020304, 0xFFFFFFFE}, bytes);
  const uint8_t expected[kRecordSize] = {0x00, 0x04, 0,    0,    0x04, 0x03,
                                         0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(0, memcmp(bytes, expected, kRecordSize));
  Record back = DecodeRecord(bytes);
  EXPECT_EQ(back.message, 0x0400u);
  EXPECT_EQ(back.wParam, 0x01020304u);
  EXPECT_EQ(back.lParam, 0xFFFFFFFEu);
}

TEST(HeadlessHost, CarriesRecordsBothWaysUntilClosed) {
  EXPECT_EQ(OpenHostWindow(0, true), nullptr);
  headless::Host host;
  auto view = OpenHostWindow(host.Handle(), true);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(OpenHostWindow(host.Handle() + 1, true), nullptr);

  EXPECT_TRUE(view->Post(Record{0x402, 7, 8}));
  Record r;
  ASSERT_TRUE(host.TakePosted(r));
  EXPECT_EQ(r.message, 0x402u);
  EXPECT_EQ(r.lParam, 8u);

  host.Send(Record{0x400, 3, 0});
  ASSERT_TRUE(view->Receive(r));
  EXPECT_EQ(r.wParam, 3u);
  EXPECT_FALSE(view->Receive(r));

  int w = 0, h = 0;
  EXPECT_FALSE(view->GetClientSize(w, h));  // until the host says
  host.SetClientSize(640, 480);
  ASSERT_TRUE(view->GetClientSize(w, h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);

  host.Close();
  EXPECT_FALSE(view->GetClientSize(w, h));
  EXPECT_FALSE(view->IsWindow());
  EXPECT_FALSE(view->Post(Record{0x402, 0, 0}));
  EXPECT_EQ(OpenHostWindow(host.Handle(), true), nullptr);
}

TEST(SocketHost, ReassemblesSplitRecordsAndDiesWithThePeer) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  socket::HostWindow game(fds[0]);
  EXPECT_TRUE(game.IsWindow());

  uint8_t bytes[kRecordSize];
  EncodeRecord(Record{0x400, 42, 0}, bytes);
  Record r;
  ASSERT_EQ(write(fds[1], bytes, 5), 5);
  EXPECT_FALSE(game.Receive(r));  // half a record waits for the rest
  ASSERT_EQ(write(fds[1], bytes + 5, kRecordSize - 5), kRecordSize - 5);
  ASSERT_TRUE(game.Receive(r));
  EXPECT_EQ(r.wParam, 42u);

  ASSERT_TRUE(game.Post(Record{0x402, 1, 2}));
  uint8_t in[kRecordSize];
  ASSERT_EQ(read(fds[1], in, kRecordSize), kRecordSize);
  EXPECT_EQ(DecodeRecord(in).lParam, 2u);

  close(fds[1]);
  EXPECT_FALSE(game.IsWindow());
  EXPECT_FALSE(game.Post(Record{0x402, 0, 0}));
}

TEST(SocketHost, DescriptorThatIsNoSocketIsNoWindow) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  socket::HostWindow notASocket(fds[0]);
  EXPECT_FALSE(notASocket.IsWindow());
  close(fds[0]);
  close(fds[1]);
}

TEST(ActiveXHosting, IsNotAvailable) {
  EXPECT_FALSE(IsActiveXAvailable());
  EXPECT_STREQ(ActiveXUnavailableReason(), "not available");
}

TEST(HeadlessBrowser, RecordsEachAddressAsGiven) {
  platform::window::RequestHeadless(true);
  ClearOpenedUrls();
  ASSERT_TRUE(OpenInBrowser("xdg-open", "https://example.org/a b;$(echo no)"));
  ASSERT_TRUE(OpenInBrowser("firefox", "https://example.org/"));
  EXPECT_EQ(OpenedUrls(), (std::vector<std::string>{"https://example.org/a b;$(echo no)",
                                                    "https://example.org/"}));
  ClearOpenedUrls();
  EXPECT_TRUE(OpenedUrls().empty());
}
