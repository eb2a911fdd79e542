// A file being written takes its path's place only when complete: until the
// root's Commit or last release the old file stays byte for byte, Revert
// drops the new one, and a path the user cannot write is refused at once.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "platform/itss/com_ptr.h"
#include "platform/itss/writer.h"
#include "test_writer_util.h"

namespace wtest {
namespace {

using itss::ComPtr;

itss::ITS_Control_Data control() {
  itss::ITS_Control_Data cd;
  const itss::DWORD w[13] = {5, 0x43535449, 1, 4096, 4, 1, 6, 0x43585A4C, 2, 2, 2, 1, 1};
  std::copy(w, w + 13, cd.words);
  return cd;
}

std::string bytesOf(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void putFile(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

std::size_t entriesIn(const fs::path& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

// Begins a file at f holding one page of the given size.
ComPtr<itss::IStorage> begun(const fs::path& f, std::size_t pageSize) {
  ComPtr<itss::IStorage> root;
  EXPECT_EQ(itss::createDocfile(f.c_str(), 0x1011, control(), root.put()), itss::S_OK);
  if (!root) return root;
  ComPtr<itss::IStream> s;
  EXPECT_EQ(root->CreateStream("a.htm", itss::STGM_WRITE, 0, 0, s.put()), itss::S_OK);
  std::string page;
  for (int i = 0; page.size() < pageSize; ++i) page += std::to_string(i * 7919 % 10007) + " ";
  page.resize(pageSize);
  itss::ULONG n = 0;
  EXPECT_EQ(s->Write(page.data(), static_cast<itss::ULONG>(page.size()), &n), itss::S_OK);
  return root;
}

TEST(WriterCommit, OldFileStaysUntilCommitAndRevertDropsTheNewOne) {
  TempDir tmp;
  const fs::path f = tmp.path() / "t.chm";
  putFile(f, "the user's file");
  ::chmod(f.c_str(), 0640);
  {
    ComPtr<itss::IStorage> root = begun(f, 5000);
    ASSERT_TRUE(root);
    EXPECT_EQ(bytesOf(f), "the user's file");
    EXPECT_EQ(root->Revert(), itss::S_OK);
    ComPtr<itss::IStream> s;
    EXPECT_EQ(root->CreateStream("b.htm", itss::STGM_WRITE, 0, 0, s.put()), itss::STG_E_REVERTED);
  }  // the last release after Revert writes nothing
  EXPECT_EQ(bytesOf(f), "the user's file");
  EXPECT_EQ(entriesIn(tmp.path()), 1u);

  ComPtr<itss::IStorage> root = begun(f, 5000);
  ASSERT_EQ(root->Commit(itss::STGC_DEFAULT), itss::S_OK);
  root.reset();
  std::string err;
  EXPECT_EQ(readWithEngine(f, &err)["a.htm"].size(), 5000u);
  EXPECT_EQ(err, "");
  struct stat st {};
  ASSERT_EQ(::stat(f.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u) << "the replaced file's mode carries over";
  EXPECT_EQ(entriesIn(tmp.path()), 1u) << "no temporary or spool file is left";
}

// In place, a new file replaces the old one only when it is smaller.
TEST(WriterCommit, OnlyIfSmallerKeepsALargerOrEqualOldFile) {
  TempDir tmp;
  const fs::path small = tmp.path() / "small.chm";
  const fs::path large = tmp.path() / "large.chm";
  putFile(small, "tiny");
  putFile(large, std::string(1 << 20, 'x'));
  ComPtr<itss::IStorage> root = begun(small, 3000);
  EXPECT_EQ(root->Commit(itss::STGC_ONLYIFSMALLER), itss::S_FALSE);
  root.reset();
  EXPECT_EQ(bytesOf(small), "tiny");
  root = begun(large, 3000);
  EXPECT_EQ(root->Commit(itss::STGC_ONLYIFSMALLER), itss::S_OK);
  root.reset();
  EXPECT_LT(fs::file_size(large), 1u << 20);
  EXPECT_EQ(entriesIn(tmp.path()), 2u);
}

TEST(WriterCommit, RefusesPathsTheUserCannotWriteWithoutBlocking) {
  TempDir tmp;
  const fs::path ro = tmp.path() / "ro.chm";
  putFile(ro, "read-only");
  ::chmod(ro.c_str(), 0444);
  const fs::path fifo = tmp.path() / "fifo.chm";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const fs::path roDir = tmp.path() / "locked";
  fs::create_directory(roDir);
  ::chmod(roDir.c_str(), 0555);
  const struct {
    fs::path path;
    itss::HRESULT status;
  } cases[] = {
      {ro, itss::STG_E_ACCESSDENIED},
      {roDir / "new.chm", itss::STG_E_ACCESSDENIED},
      {fifo, itss::STG_E_INVALIDNAME},
      {tmp.path(), itss::STG_E_INVALIDNAME},
  };
  for (const auto& c : cases) {
    ComPtr<itss::IStorage> root;
    EXPECT_EQ(itss::createDocfile(c.path.c_str(), 0x1011, control(), root.put()), c.status)
        << c.path;
    EXPECT_FALSE(root);
  }
  EXPECT_EQ(bytesOf(ro), "read-only");
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_empty(roDir));
  ::chmod(roDir.c_str(), 0755);
}

}  // namespace
}  // namespace wtest
