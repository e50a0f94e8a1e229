// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_morph.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include "platform/program_folder.h"
#include "tests/movies/clip_reader.h"
#include "tests/test_files.h"

namespace {

constexpr char kGasket[] =
    "[IFS]\nName=Gasket\nCount=3\nFrm0A=0.5\nFrm0D=0.5\nFrm0P=0.33\nFrm1A=0.5\nFrm1D=0.5\nFrm1E=0.5\nFrm1P=0.33\n"
    "Frm2A=0.5\nFrm2D=0.5\nFrm2F=0.5\nFrm2P=0.34\n[Fractal]\nX_Coord=-0.1\nY_Coord=1.1\nW_Coord=1.2\n";
constexpr char kSquare[] =
    "[IFS]\nCount=5\nFrm0A=0.33\nFrm0D=0.33\nFrm0P=0.2\nFrm1A=0.33\nFrm1D=0.33\nFrm1E=0.66\nFrm1P=0.2\n"
    "Frm2A=0.33\nFrm2D=0.33\nFrm2F=0.66\nFrm2P=0.2\nFrm3A=0.33\nFrm3D=0.33\nFrm3E=0.66\nFrm3F=0.66\nFrm3P=0.2\n"
    "Frm4A=0.33\nFrm4D=0.33\nFrm4E=0.33\nFrm4F=0.33\nFrm4P=0.2\n";

TEST(MorphCommand, WritesTheIFSMorphAndRefusesWhatItCannotMorph) {
  TScratchFolder dir;
  std::ofstream(dir.File("a.fri")) << kGasket;
  std::ofstream(dir.File("b.fri")) << kSquare;
  std::ofstream(dir.File("bad.fri")) << "[IFS]\nCount=1\nFrm0A=zero\n";
  auto run = [&](const std::string& args) {
    const std::string cmd = "'" + ProgramFile("pelmorix-render") + "' --quiet --morph " + args + " 2>'" +
                            dir.File("err.txt") + "'";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  const std::string ab = "'" + dir.File("a.fri") + "' '" + dir.File("b.fri") + "' ";
  struct TCase {
    std::string Args, File;
    std::vector<int64_t> Positions;
    int Width;
  };
  const TCase cases[] = {
      {"--frames 10 --codec raw --size 30x20", "plain.avi", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 32},
      {"--frames 10 --ping-pong --still 2 --codec raw --size 30x20", "pp.avi",
       {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22}, 32},
      {"--frames 5 --ping-pong", "default.mkv", {0, 1, 2, 3, 4, 5}, 640},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Args);
    ASSERT_EQ(run(ab + c.Args + " -o '" + dir.File(c.File) + "'"), 0) << ReadBytes(dir.File("err.txt"));
    const TClipInfo clip = ReadClip(dir.File(c.File));
    ASSERT_TRUE(clip.Opened);
    EXPECT_EQ(clip.Width, c.Width);
    std::vector<int64_t> positions;
    for (const TClipPacket& p : clip.Packets) positions.push_back((p.Pts * clip.TimeBase.num * 15 + clip.TimeBase.den / 2) / clip.TimeBase.den);
    EXPECT_EQ(positions, c.Positions);
  }
  const TClipInfo pp = ReadClip(dir.File("pp.avi"));
  EXPECT_NE(pp.Packets.front().Data, pp.Packets[5].Data);

  // A wrong command line exits 2, a file that cannot be morphed or written 1.
  struct TFailure {
    std::string Args, Message;
    int Status;
  };
  const TFailure failures[] = {
      {ab + "--smooth fluent -o x.avi", "not offered for a morph", 2},
      {"'" + dir.File("a.fri") + "' -o '" + dir.File("x.avi") + "'", "a morph needs two files", 2},
      {ab + "'" + dir.File("a.fri") + "' -o '" + dir.File("x.avi") + "'", "exactly two files", 2},
      {"'" + dir.File("a.fri") + "' '" + dir.File("bad.fri") + "' -o '" + dir.File("x.avi") + "'", "bad.fri", 1},
      {"'" + dir.File("a.fri") + "' '" + dir.File("none.fri") + "' -o '" + dir.File("x.avi") + "'", "cannot open", 1},
      {ab + "-o '" + dir.File("no/such/x.avi") + "'", "Unable to create file", 1},
  };
  for (const TFailure& f : failures) {
    SCOPED_TRACE(f.Args);
    EXPECT_EQ(run(f.Args), f.Status);
    EXPECT_NE(ReadBytes(dir.File("err.txt")).find(f.Message), std::string::npos) << ReadBytes(dir.File("err.txt"));
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.avi")));
}

// An attractor of kind 1: four half-size maps towards the corners (0, 0, 0), (c, 0, 0), (0, c, 0), (0, 0, c).
std::string Tetrahedron(const std::string& corner, const std::string& drawSize) {
  std::string text = drawSize + "[Fractal]\nIFSNumber=1\nMaxIter=5000\n[Attract]\n";
  for (int i = 1; i <= 4; ++i) {
    const std::string r = std::to_string(i);
    text += "A" + r + "01=0.5\nA" + r + "06=0.5\nA" + r + "11=0.5\nP" + r + "=0.25\n";
    if (i > 1) text += "A" + r + (i == 2 ? "04=" : i == 3 ? "08=" : "12=") + corner + "\n";
  }
  return text;
}

TEST(MorphCommand, WritesTheAttractorMorphOfTwoFilesOfOneKind) {
  TScratchFolder dir;
  std::ofstream(dir.File("a.fr3")) << Tetrahedron("1.2", "[DrawSize]\nX_Size=50\nY_Size=30\n");
  std::ofstream(dir.File("b.fr3")) << Tetrahedron("-1.5", "");
  std::ofstream(dir.File("q.fr3")) << "[Fractal]\nIFSNumber=3\n[Attract]\nA101=0.2\n";
  std::ofstream(dir.File("a.fri")) << kGasket;
  auto run = [&](const std::string& files, const std::string& args) {
    const std::string cmd = "'" + ProgramFile("pelmorix-render") + "' --quiet --morph " + files + " " + args +
                            " 2>'" + dir.File("err.txt") + "'";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  const std::string ab = "'" + dir.File("a.fr3") + "' '" + dir.File("b.fr3") + "'";
  ASSERT_EQ(run(ab, "--frames 11 --ping-pong --codec raw -o '" + dir.File("pp.avi") + "'"), 0)
      << ReadBytes(dir.File("err.txt"));
  const TClipInfo clip = ReadClip(dir.File("pp.avi"));
  ASSERT_TRUE(clip.Opened);
  EXPECT_EQ(clip.Width, 52);  // the first file's DrawSize 50 x 30, padded
  EXPECT_EQ(clip.Height, 32);
  ASSERT_EQ(clip.Packets.size(), 12u);
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(clip.Packets[i].Pts, int64_t(i));
  EXPECT_NE(clip.Packets[0].Data, clip.Packets[5].Data);
  ASSERT_EQ(run(ab, "--frames 10 --size 40x40 -o '" + dir.File("plain.avi") + "'"), 0);
  EXPECT_EQ(ReadClip(dir.File("plain.avi")).Packets.size(), 11u);
  EXPECT_EQ(ReadClip(dir.File("plain.avi")).Width, 40);

  // A kind 3 and a kind 1 cannot be combined.
  EXPECT_EQ(run("'" + dir.File("q.fr3") + "' '" + dir.File("a.fr3") + "'", "-o '" + dir.File("x.avi") + "'"), 1);
  EXPECT_NE(ReadBytes(dir.File("err.txt")).find("First and Second attractors are different type !"),
            std::string::npos);
  EXPECT_EQ(run("'" + dir.File("a.fr3") + "' '" + dir.File("a.fri") + "'", "-o '" + dir.File("x.avi") + "'"), 2);
  EXPECT_NE(ReadBytes(dir.File("err.txt")).find("two .fri files or two .fr3 files"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.avi")));

  // What the single render refuses, the morph refuses, first file or second.
  std::ofstream(dir.File("n.fr3")) << "[Fractal]\nNumber=0\nIFSNumber=1\n[Attract]\nA101=0.5\n";
  std::ofstream(dir.File("w.fr3")) << "[Fractal]\nW_Coord=-4\nIFSNumber=1\n[Attract]\nA101=0.5\n";
  std::ofstream(dir.File("r.fr3")) << "\x93\xfe random\n\xff\x01=\x02\n";
  const struct {
    std::string files, message;
  } refused[] = {
      {"'" + dir.File("n.fr3") + "' '" + dir.File("b.fr3") + "'", "formula number is 0, not 2000"},
      {ab.substr(0, ab.find(' ')) + " '" + dir.File("n.fr3") + "'", "formula number is 0, not 2000"},
      {ab.substr(0, ab.find(' ')) + " '" + dir.File("w.fr3") + "'", "'-4' is not a valid floating point value"},
      {ab.substr(0, ab.find(' ')) + " '" + dir.File("r.fr3") + "'", "is not an attractor file"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.files);
    EXPECT_EQ(run(r.files, "-o '" + dir.File("x.avi") + "'"), 1);
    EXPECT_NE(ReadBytes(dir.File("err.txt")).find(r.message), std::string::npos) << ReadBytes(dir.File("err.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.avi")));
  }
}

}  // namespace
