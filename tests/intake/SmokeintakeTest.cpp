#include <gtest/gtest.h>

#include "HttpRequest.h"

TEST(Intake, ParamValueOfEmptyRequestIsEmpty) {
    vantrel::intake::HttpRequest request;
    EXPECT_EQ(vantrel::intake::ParamValue(request, "xipMac"), "");
}
