#include <gtest/gtest.h>
TEST(Log, Placeholder) {}
