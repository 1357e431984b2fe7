// One copy per user: a second start asks the first to show its window and is told to end; once
// the first has ended (or died), the next start runs.

#include "ui/single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>

#include "support/temp_dir.h"
#include "ui/ui_fixture.h"

namespace tavik {
namespace {

TEST(SingleInstance, ASecondStartRaisesTheFirstAndEndsTheNextAfterItRuns) {
  test::App();
  testing::TempDir dir;
  const QString runtime = QString::fromStdString(dir.dir());
  RealClock clock;
  QWidget window;
  auto first = std::make_unique<SingleInstance>(runtime);
  ASSERT_TRUE(first->claim(clock));
  first->setWindow(&window);
  ASSERT_FALSE(window.isVisible());

  SingleInstance second(runtime);
  EXPECT_FALSE(second.claim(clock));
  for (int i = 0; i < 100 && !window.isVisible(); ++i)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  EXPECT_TRUE(window.isVisible()) << "the running copy was not brought to the front";

  first.reset();  // the first copy ends; its lock goes with it
  SingleInstance third(runtime);
  EXPECT_TRUE(third.claim(clock));
}

}  // namespace
}  // namespace tavik
