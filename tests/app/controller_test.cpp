#include <gtest/gtest.h>
TEST(Controller, Placeholder) {}
