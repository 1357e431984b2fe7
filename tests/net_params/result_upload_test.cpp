// The result upload against a scripted vendor server: what is sent, and how often in a run.

#include "net/result_upload.h"

#include <gtest/gtest.h>

#include "core/gbk.h"
#include "net_params/vendor_fixture.h"

namespace tavik {
namespace {

class ResultUploadTest : public testing::VendorTest {
 protected:
  // The result texts that reached the server so far (UTF-8).
  std::vector<std::string> results() const {
    std::vector<std::string> out;
    for (const auto& r : server.requests()) {
      EXPECT_EQ(r.server + " " + r.path + " type=" + r.param("type"), "s1 /rps.php type=9");
      out.push_back(gbkToUtf8(r.param("result")));
    }
    return out;
  }

  NetState net;
  GuardedText enterLog;
};

TEST_F(ResultUploadTest, AtMostFourUploadsARun) {
  net.m_bidResultText.set("2,88500,11:29:50");
  enterLog.set("E11:29:48;E11:29:55");
  int uploads = 0;
  for (int due = 0; due < 6; ++due) {
    net.m_resultUploadDue = 1;
    uploads += UploadResult(vendor, net, enterLog) ? 1 : 0;
  }
  EXPECT_EQ(uploads, 4);
  EXPECT_EQ(net.m_resultUploadCount, 4);
  EXPECT_EQ(results().size(), 8u);
  // 300 ms after each result record, and 3 s before the fourth upload.
  EXPECT_EQ(clock.elapsedMs(), 4 * 300 + 3000);
  EXPECT_EQ(logFile.count("提交结果1: 2,88500,11:29:50"), 4);
  EXPECT_EQ(logFile.count("提交结果2: E11:29:48;E11:29:55"), 4);

  net.reset();  // the next run may upload again
  net.m_resultUploadDue = 1;
  EXPECT_TRUE(UploadResult(vendor, net, enterLog));
  EXPECT_EQ(net.m_resultUploadDue, 0);
}

TEST_F(ResultUploadTest, OnlyRecordsOfUsefulLengthAreSent) {
  const std::string enters99(99, 'E');
  const struct {
    std::string bidResult, enterLog;
    std::vector<std::string> sent;
  } cases[] = {
      {"12345", "0123456789", {}},  // 5 and 10 characters: too short
      {"2,88500,11:29:50 & type=1", std::string(100, 'E'), {"2,88500,11:29:50 & type=1"}},
      {"", enters99, {enters99}},
  };
  size_t before = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bidResult);
    net.reset();
    net.m_bidResultText.set(c.bidResult);
    enterLog.set(c.enterLog);
    net.m_resultUploadDue = 1;
    EXPECT_TRUE(UploadResult(vendor, net, enterLog));
    const std::vector<std::string> all = results();
    EXPECT_EQ(std::vector<std::string>(all.begin() + long(before), all.end()), c.sent);
    before = all.size();
  }
}

}  // namespace
}  // namespace tavik
