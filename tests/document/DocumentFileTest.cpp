#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace korvane {
namespace {

// Every byte value, over and over, `size` bytes long.
std::string everyByte(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 % 256);
    }
    return bytes;
}

TEST(DocumentText, LargeTextsLiveInAlignedBlocks) {
    DocumentText text(kLargeBlock, 'x');
#if defined(__linux__)
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(text.data()) % (std::uintptr_t{2} << 20), 0u);
#endif
    // Growing moves the text into a larger block; shrinking back below the threshold into an ordinary one.
    text += everyByte(3 << 20);
    EXPECT_EQ(text.size(), kLargeBlock + (3 << 20));
    EXPECT_EQ(text.substr(kLargeBlock - 2, 5), std::string_view("xx\0\7\16", 5));
    text.resize(100);
    text.shrink_to_fit();
    EXPECT_EQ(text, DocumentText(100, 'x'));
}

TEST(DocumentFile, FilesAreReadByteForByteInTheirOrder) {
    test::TempDir dir;
    const std::string cases[] = {
        "",                                             // an empty file is the empty text, no fault
        std::string("caf\xC3\xA9"),                     // UTF-8 stays two bytes, two chars
        "a\nb\r\nc\rd\r",                               // line ends are not converted
        std::string("\xEF\xBB\xBFwiki\x1A\0tail", 13),  // byte-order mark, end-of-text and NUL bytes
        everyByte(kLargeBlock + 12345),                 // read into a block of its own
    };
    std::vector<std::string> files;
    for (const std::string& bytes : cases) {
        files.push_back(dir.write("in" + std::to_string(files.size()), bytes));
    }
    files.insert(files.end(),
                 {dir.path("missing.html"), dir.dir().string(), dir.write("last.html", "small")});
    // Every file is read, at the same time; one that cannot be opened stops none of the others.
    const std::vector<ReadOutcome> read = MachineFileSystem().readWholeEach(files);
    ASSERT_EQ(read.size(), std::size(cases) + 3);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(read[i].status, ReadStatus::Ok) << i;
        EXPECT_EQ(std::string_view(read[i].text), cases[i]) << i;
    }
    const std::size_t n = std::size(cases);
    EXPECT_EQ(read[n].reason, "No such file or directory");
    EXPECT_EQ(std::pair(read[n + 1].status, read[n + 1].reason),
              std::pair(ReadStatus::OpenFailed, std::string("Is a directory")));
    EXPECT_EQ(read[n + 2].text, "small");
}

TEST(FileSystem, ExistenceIdentityAndComparison) {
    test::TempDir dir;
    MachineFileSystem fs;
    const std::string big(3 << 20, 'x');  // several read chunks
    const std::string file = dir.write("a.html", big);
    std::filesystem::permissions(file, std::filesystem::perms(0444));  // found like any other
    EXPECT_TRUE(fs.isFile(file));
    EXPECT_FALSE(fs.isFile(dir.dir().string()));  // a folder does not count
    EXPECT_TRUE(fs.exists(dir.dir().string()));
    EXPECT_FALSE(fs.isFile(dir.path("none")));
    EXPECT_TRUE(fs.sameFile(file, dir.dir().string() + "/./a.html"));
    EXPECT_FALSE(fs.sameFile(file, dir.write("b.html", big)));
    EXPECT_FALSE(fs.sameFile(file, dir.path("none")));
    std::string changed = big;
    changed[(2 << 20) + 5] = 'y';
    for (const auto& [expected, status] : {std::pair{big, CompareStatus::Same},
                                           {changed, CompareStatus::Different},
                                           {big + "z", CompareStatus::Different},
                                           {big.substr(1), CompareStatus::Different}}) {
        EXPECT_EQ(fs.compareWhole(file, expected).status, status);
    }
    EXPECT_EQ(fs.compareWhole(dir.write("e.html", ""), "").status, CompareStatus::Same);
    const CompareOutcome missing = fs.compareWhole(dir.path("none"), "");
    EXPECT_EQ(missing.status, CompareStatus::OpenFailed);
    EXPECT_EQ(missing.reason, "No such file or directory");
    const std::string pipe = dir.path("pipe");
    if (test::kOnWindows) {
        GTEST_SKIP() << "Windows keeps no named pipe in a folder";
    }
    ASSERT_TRUE(test::makeNamedPipe(pipe));  // refused at once, never waited on
    EXPECT_EQ(fs.compareWhole(pipe, "").reason, "Is a named pipe (FIFO), not a regular file");
}

TEST(FileSystem, WriteNewDurableWritesPiecesInOrderAndNeverOverwrites) {
    test::TempDir dir;
    MachineFileSystem fs;
    std::vector<std::string> owned;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {  // more pieces, and larger ones, than one system call takes
        owned.push_back(std::to_string(i) + (i % 7 == 0 ? std::string(i == 700 ? 3 << 20 : 5000, 'a') : ","));
        expected += owned.back();
    }
    const std::vector<std::string_view> pieces(owned.begin(), owned.end());
    const std::string path = dir.path("new.html");
    ASSERT_FALSE(fs.writeNewDurable(path, pieces, 0640u));
    // Windows keeps only the owner's write bit, as the read-only attribute.
    EXPECT_EQ(fs.inspect(path).mode, test::kOnWindows ? 0666u : 0640u);
    // An existing file is never replaced this way.
    EXPECT_EQ(fs.writeNewDurable(path, {"other"}, std::nullopt), FsError("File exists"));
    // Several files at once: each gets the pieces and its own mode; one that fails leaves nothing
    // behind and does not stop the others.
    const std::vector<NewFile> files = {{dir.path("a.html"), 0600u},
                                        {path, std::nullopt},
                                        {dir.path("missing/c.html"), std::nullopt},
                                        {dir.path("d.html"), 0440u}};
    EXPECT_EQ(fs.writeNewDurableEach(files, pieces),
              (std::vector<FsError>{std::nullopt, FsError("File exists"),
                                    FsError("No such file or directory"), std::nullopt}));
    for (const char* name : {"new.html", "a.html", "d.html"}) {
        EXPECT_EQ(test::readBytes(dir.path(name)), expected) << name;
    }
    EXPECT_EQ(fs.inspect(dir.path("a.html")).mode, test::kOnWindows ? 0666u : 0600u);
    EXPECT_EQ(fs.inspect(dir.path("d.html")).mode, test::kOnWindows ? 0444u : 0440u);
    // A read-only file is replaced and removed as any other.
    ASSERT_FALSE(fs.rename(dir.path("d.html"), dir.path("a.html")));
    EXPECT_EQ(fs.inspect(dir.path("a.html")).mode, test::kOnWindows ? 0444u : 0440u);
    EXPECT_FALSE(fs.remove(dir.path("a.html")));
    EXPECT_FALSE(fs.exists(dir.path("a.html")));
    EXPECT_FALSE(std::filesystem::exists(dir.path("missing")));
}

}  // namespace
}  // namespace korvane
