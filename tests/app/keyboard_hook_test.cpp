#include <gtest/gtest.h>
TEST(Hook, Placeholder) {}
