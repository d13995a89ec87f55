#include <gtest/gtest.h>

#include <QApplication>

TEST(GuiApplication, RunsWithoutADisplay) { EXPECT_NE(QApplication::instance(), nullptr); }
