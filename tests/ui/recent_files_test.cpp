// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "ui/recent_files.h"

using Files = std::vector<std::string>;

TEST(RecentFiles, MostRecentFirstWithoutRepeatsAndTenAtMost) {
  struct Case {
    const char* Name;
    Files Added;
    Files Expected;
  } cases[] = {
      {"order", {"/a.frs", "/b.frp", "/c.fri"}, {"/c.fri", "/b.frp", "/a.frs"}},
      {"again goes first", {"/a.frs", "/b.frs", "/a.frs"}, {"/a.frs", "/b.frs"}},
      {"empty and line breaks", {"/a.frs", "", "/x\n.frs", "/y\r.frs"}, {"/a.frs"}},
      {"ten at most",
       {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9", "/10", "/11", "/12"},
       {"/12", "/11", "/10", "/9", "/8", "/7", "/6", "/5", "/4", "/3"}},
  };
  for (const Case& c : cases) {
    TRecentFiles recent;
    for (const std::string& f : c.Added) recent.Add(f);
    EXPECT_EQ(recent.Files(), c.Expected) << c.Name;
  }
  TRecentFiles recent;
  for (const char* f : {"/a", "/b", "/c"}) recent.Add(f);
  recent.Remove("/b");
  recent.Remove("/missing");
  EXPECT_EQ(recent.Files(), (Files{"/c", "/a"}));
}

TEST(RecentFiles, TheSettingsKeepThemBesideTheirOtherKeys) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("px-recent-" + std::to_string(::getpid()) + ".ini")).string();
  {
    TProfileFile f(path);
    f.WriteInt("Window", "Top", 7);
    f.WriteString("Recent", "File12", "/stale");  // past the ten: dropped on write
    f.Save();
  }
  TRecentFiles recent;
  for (const char* p : {"/home/u/a b.frs", "/home/u/p.frp", "/home/u/x=y;z.fri"}) recent.Add(p);
  {
    TProfileFile f(path);
    recent.Write(f);
    f.Save();
  }
  TRecentFiles back;
  back.Read(TProfileFile(path));
  EXPECT_EQ(back.Files(), recent.Files());
  const TProfileFile f(path);
  EXPECT_EQ(f.ReadInt("Window", "Top", 0), 7);
  EXPECT_EQ(f.ReadString("Recent", "File1", ""), "/home/u/x=y;z.fri");
  EXPECT_EQ(f.KeyNames("Recent"), (Files{"File1", "File2", "File3"}));

  // A hand-edited section: gaps, repeats and empty values are skipped.
  {
    TProfileFile g(path);
    g.EraseSection("Recent");
    g.WriteString("Recent", "File2", "/b");
    g.WriteString("Recent", "File4", "/b");
    g.WriteString("Recent", "File5", "");
    g.WriteString("Recent", "File10", "/j");
    g.WriteString("Recent", "File11", "/k");
    g.Save();
  }
  back.Read(TProfileFile(path));
  EXPECT_EQ(back.Files(), (Files{"/b", "/j"}));
  std::filesystem::remove(path);
}
