// SPDX-License-Identifier: GPL-3.0-or-later
#include "ifs/ifs_constructor.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <filesystem>

#include "platform/profile.h"
#include "tests/test_files.h"

namespace {

TEST(IFSConstructorFields, LeavingAValueFieldClampsAndZeroes) {
  const struct {
    const char* text;
    Extended value;
  } cases[] = {
      {"20000", 10000},       {"-20000", -10000},         {"10000", 10000},   {"0.00000001", 0},
      {"-0.00000009", 0},     {"0.0000001", 1e-7L},       {"", 0},            {"-", 0},
      {"1-", 0},              {".", 0},                   {".5", 0.5L},       {"-0.25", -0.25L},
  };
  for (const auto& c : cases) EXPECT_EQ(LeftTransformValue(c.text), c.value) << c.text;
}

TEST(IFSConstructorFields, SpinsStepByATenthWithoutLimits) {
  EXPECT_EQ(SpunTransformValue("", true), 0.1L);
  EXPECT_EQ(SpunTransformValue("", false), -0.1L);
  EXPECT_EQ(SpunTransformValue("10000", true), 10000 + 0.1L);
  EXPECT_EQ(SpunTransformValue("-10000", false), -10000 - 0.1L);
  // No rounding to zero after a spin: about 1e-8 stays.
  const Extended tiny = SpunTransformValue("-0.09999999", true);
  EXPECT_NE(tiny, 0);
  EXPECT_NEAR(double(tiny), 1e-8, 1e-15);
}

TEST(IFSConstructorFields, MultiplierIsAtLeastTen) {
  const struct {
    const char* text;
    int32_t typed, up100, down10;
  } cases[] = {
      {"5", 10, 105, 10},          {"", 10, 110, 10},         {"0", 10, 100, 10},
      {" 250 ", 250, 350, 240},    {"11", 11, 111, 10},       {"99999999999", 10, 110, 10},
      {"2147483647", 2147483647, 2147483647, 2147483637},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MultiplierOfText(c.text), c.typed) << c.text;
    EXPECT_EQ(SpunMultiplier(c.text, 100), c.up100) << c.text;
    EXPECT_EQ(SpunMultiplier(c.text, -10), c.down10) << c.text;
  }
}

TEST(IFSConstructorSet, AddStopsAtThirtyAndDeleteMovesTheRestUp) {
  TWorkingIFS set;
  for (int32_t i = 1; i <= 30; ++i) {
    EXPECT_EQ(AddTransform(set), i);
    StoreTransformField(set, i, 0, i);
  }
  EXPECT_EQ(AddTransform(set), 30);

  DeleteTransform(set, 2);
  ASSERT_EQ(set.Count, 29);
  EXPECT_EQ(set.Slots[1].A, 1);
  EXPECT_EQ(set.Slots[2].A, 3);
  EXPECT_EQ(set.Slots[29].A, 30);
  EXPECT_EQ(set.Slots[30].A, 30);  // the freed slot keeps its values
  // Adding again brings back what the slot holds.
  EXPECT_EQ(AddTransform(set), 30);
  EXPECT_EQ(set.Slots[30].A, 30);

  DeleteTransform(set, 0);
  DeleteTransform(set, 31);
  EXPECT_EQ(set.Count, 30);

  TWorkingIFS one;
  AddTransform(one);
  StoreTransformField(one, 1, 6, 0.85L);
  DeleteTransform(one, 1);
  EXPECT_EQ(one.Count, 0);
  EXPECT_EQ(one.Slots[1].P, 0.85f);
}

TEST(IFSConstructorSet, StoresSinglesWithinTheirRange) {
  TWorkingIFS set;
  AddTransform(set);
  const struct {
    int field;
    Extended value;
    float stored;
  } cases[] = {{0, 0.85L, 0.85f}, {3, 1e39L, FLT_MAX}, {4, -1e4000L, -FLT_MAX}, {6, 10000.1L, 10000.1f}};
  for (const auto& c : cases) {
    StoreTransformField(set, 1, c.field, c.value);
    EXPECT_EQ(set.Slots[1].*kTransformFields[c.field], c.stored) << c.field;
  }
}

TEST(IFSConstructorFile, ProblemsAndAllOrNothingLoads) {
  TScratchFolder dir("px_ifs_constructor");
  EXPECT_NE(IFSFileProblem(dir.File("none.fri")).find("does not exist"), std::string::npos);
  EXPECT_NE(IFSFileProblem(dir.Path).find("not a file"), std::string::npos);

  TWorkingIFS current;
  for (int32_t i = 1; i <= 30; ++i) current.Slots[i].A = float(i);
  current.Count = 3;

  WriteBytes(dir.File("big.fri"),
             "[IFS]\nName=Big\nCount=40\nFrm0A=0.5\nFrm29P=0.25\n[Fractal]\nMaxIter=-5\nW_Coord=4\n");
  EXPECT_EQ(IFSFileProblem(dir.File("big.fri")), "");
  TIFSFileLoad load = ReadIFSFileForConstructor(dir.File("big.fri"), current);
  EXPECT_EQ(load.Set.Count, 30);
  EXPECT_EQ(load.Set.Slots[1].A, 0.5f);
  EXPECT_EQ(load.Set.Slots[30].P, 0.25f);
  EXPECT_NE(load.Warning.find("40"), std::string::npos);
  EXPECT_EQ(load.Values.Name, "Big");
  EXPECT_EQ(load.Values.MaxIter, 100);
  EXPECT_EQ(load.Values.W, 4);

  WriteBytes(dir.File("short.fri"), "[IFS]\nCount=1\nFrm0A=2\n[Fractal]\nMaxIter=900000\n");
  load = ReadIFSFileForConstructor(dir.File("short.fri"), current);
  EXPECT_EQ(load.Set.Count, 1);
  EXPECT_EQ(load.Set.Slots[2].A, 2);  // beyond the count the slots stay
  EXPECT_EQ(load.Values.MaxIter, 100000);
  EXPECT_EQ(load.Warning, "");

  for (const char* bad : {"[IFS]\nCount=2\nFrm1C=nan\n", "[IFS]\nCount=1\nFrm0A=1e40\n",
                          "[IFS]\nCount=1\n[Fractal]\nX_Coord=junk\n"}) {
    WriteBytes(dir.File("bad.fri"), bad);
    EXPECT_THROW(ReadIFSFileForConstructor(dir.File("bad.fri"), current), TConvertError) << bad;
  }
}

}  // namespace
