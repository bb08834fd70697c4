#include "common/exceptions.h"

#include <gtest/gtest.h>

namespace kvr {

TEST(ChainException, KeepsClassAndAddsMarkerOnce) {
  try {
    try {
      try {
        throw EDatabaseError("table not found");
      } catch (...) {
        ChainException("CopyDataSet");
      }
    } catch (...) {
      ChainException("#ERROR# ExportBCheck");
    }
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(),
              "#ERROR# ExportBCheck -> CopyDataSet -> table not found <# EDatabaseError #>");
    EXPECT_STREQ(e.ClassName(), "EDatabaseError");
    return;
  }
  FAIL() << "class was not kept";
}

TEST(ChainException, ForeignExceptionsBecomeException) {
  try {
    try {
      throw std::runtime_error("boom");
    } catch (...) {
      ChainException("ctx");
    }
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "ctx -> boom <# Exception #>");
  }
}

}  // namespace kvr
