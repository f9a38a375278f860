#include <gtest/gtest.h>

#include "shared/settings/u_Consts.h"

TEST(ConstsTest, PlatformDescriptionNamesTheBuildSystem) {
  EXPECT_EQ(bramble::IdeName().find(' '), std::string::npos);
  EXPECT_EQ(bramble::PlatformBits(), "Plataforma 64 Bits");
  EXPECT_EQ(bramble::PlatformDescription(), bramble::IdeName() + " Linux Plataforma 64 Bits");
}
