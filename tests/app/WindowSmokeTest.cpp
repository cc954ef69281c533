#include <gtest/gtest.h>

#include "TForm1.h"

TEST(Window, CaptionIsSet) {
    vantrel::app::TForm1 form(0);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Vantrel软件"));
}
