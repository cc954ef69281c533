#include <gtest/gtest.h>

#include "StoreError.h"
#include "TADOConnection.h"

TEST(Store, OpeningMissingFileFails) {
    vantrel::store::TADOConnection connection;
    EXPECT_THROW(connection.Open("/nonexistent/db.mdb"), vantrel::store::StoreError);
}
