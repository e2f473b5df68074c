// Value cells read from and written to real files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "machine/datum.hpp"
#include "machine/datum_test_support.hpp"
#include "support/file_layer.hpp"
#include "support/test_environment.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

class CellFiles : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;
  std::string path;

  // Writes the bytes to a fresh file and opens it.
  Integer open(const std::string& bytes, FileOpenMode mode = FileOpenMode::ReadWrite) {
    path = folder.folder() + "DATA" + std::to_string(m_files.size()) + ".BIN";
    std::ofstream(path, std::ios::binary) << bytes;
    m_files.push_back(std::make_unique<ScopedFile>(path, mode));
    return m_files.back()->handle();
  }
  std::string content() const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // A text cell: delimited by the list, or of a fixed length when the list is empty.
  static DatumRef text(std::vector<std::string> delimiters, std::string_view value = {},
                       Integer length = 0, bool preDelete = false) {
    const DatumRef cell = makeAscii();
    if (length) cell->setFixedLength(length);
    if (!delimiters.empty()) cell->setSize(Array<std::string>(1, delimiters));
    cell->setString(value);
    cell->setPreDelete(preDelete);
    return cell;
  }

 private:
  std::vector<std::unique_ptr<ScopedFile>> m_files;
};

TEST_F(CellFiles, NumbersReadAndWriteLittleEndianAtOneBasedPositions) {
  const struct {
    TG_M_DATATYPES kind;
    std::string bytes;
    const char* value;
  } rows[] = {{TG_M_DT_INTEGER2, std::string("\x00\x80", 2), "I:-32768"},
              {TG_M_DT_INTEGER4, "\x78\x56\x34\x12", "L:305419896"},
              {TG_M_DT_DOUBLE, std::string("\x00\x00\x00\x00\x00\x00\xF8\xBF", 8), "D:-1.5"}};
  for (const auto& row : rows) {
    const Integer handle = open("xyz" + row.bytes + "tail");
    const DatumRef cell = makeDatum(row.kind);
    Long offset = 4;
    EXPECT_GIVES((cell->readFrom(handle, offset), cell), row.value);
    EXPECT_EQ(offset, 4);  // numbers leave the position alone
    const std::string original = content();
    cell->writeTo(handle, 1);  // exactly getSize bytes
    EXPECT_EQ(content(), row.bytes + original.substr(row.bytes.size())) << row.value;
  }
}

// Errors of the file layer come through, and a failed read stores nothing.
TEST_F(CellFiles, FailuresChangeNothing) {
  const Integer handle = open("\x01\x02\x03");
  const DatumRef cell = makeInteger4(77);
  Long offset = 1;
  EXPECT_GIVES(cell->readFrom(handle, offset), "error 62");
  EXPECT_GIVES(test::show(cell), "L:77");
  offset = 0;
  EXPECT_GIVES(cell->readFrom(handle, offset), "error 63");
  const Integer readOnly = open("abcdef", FileOpenMode::ReadOnly);
  EXPECT_GIVES(makeInteger2(1)->writeTo(readOnly, 2, true), "error 54");
  EXPECT_GIVES(text({","}, "", 0, true)->writeTo(readOnly, 2, true), "error 54");
  EXPECT_EQ(content(), "abcdef");
  EXPECT_TRUE(test::raises([&] { makeAscii("x")->readFrom(readOnly, offset); }, 20002,
                           "TessaglyphAscii cannot read strings when isVariableLength() is True."));
}

// Inserting moves the tail up (a delimited text with its first delimiter); pre-deleted overwrites.
TEST_F(CellFiles, TextWrites) {
  const Integer handle = open("HELLOworld!");
  Long offset = 6;
  const DatumRef five = text({}, "", 5);
  EXPECT_GIVES((five->readFrom(handle, offset), test::show(five) + test::show(offset)), "T:world6");
  EXPECT_GIVES((text({}, "XY", 2)->writeTo(handle, 1, true), content()), "XYHELLOworld!");
  EXPECT_GIVES((text({}, "ZZ", 2, true)->writeTo(handle, 1, true), content()), "ZZHELLOworld!");
  const Integer fields = open("xx,yy");
  EXPECT_GIVES((text({";", ","}, "ab")->writeTo(fields, 1), content()), "ab,yy");
  EXPECT_GIVES((text({";", ","}, "ab")->writeTo(fields, 4, true), content()), "ab,ab;yy");
}

// Up to the first delimiter found, the list's order deciding; then past it, or -1 at the end.
TEST_F(CellFiles, DelimitedReads) {
  const struct {
    std::string file;
    std::vector<std::string> delimiters;
    Long start;
    const char* expected;  // text, then the new position
  } rows[] = {
      {"ab,c", {","}, 4, "c -1"},
      {"ab\r\ncd", {"\r", "\r\n"}, 1, "ab 4"},
      {"ab<END>", {"<END>", ","}, 1, "ab 8"},
      {"ab<EN", {"<END>"}, 1, "ab<EN -1"},  // a cut delimiter is text
  };
  for (const auto& row : rows) {
    const Integer handle = open(row.file);
    const DatumRef cell = makeAscii("old");
    cell->setSize(Array<std::string>(1, row.delimiters));
    Long offset = row.start;
    cell->readFrom(handle, offset);
    EXPECT_EQ(cell->getString() + " " + std::to_string(offset), row.expected) << row.file;
  }
  // Values and delimiters that straddle the reader's window, which grows on each refill.
  for (const std::size_t length : {62u, 63u, 40000u}) {
    const std::string file = std::string(length, 'v') + "<SEP>" + std::string(16383, 'y') + "<SEP>";
    const Integer handle = open(file);
    const DatumRef cell = text({"<", "<SEP>"});
    Long offset = 1;
    cell->readFrom(handle, offset);
    EXPECT_EQ(cell->getString() + " " + std::to_string(offset),
              std::string(length, 'v') + " " + std::to_string(length + 2));
    cell->setSize(Array<std::string>(1, {"<SEP>"}));
    offset += 4;
    cell->readFrom(handle, offset);
    EXPECT_EQ(cell->getString().size(), 16383u);
    EXPECT_EQ(offset, Long(file.size()) + 1);
  }
}

// A pre-deleted delimited text replaces the stored value up to its delimiter.
TEST_F(CellFiles, ReplacingWrites) {
  const struct {
    std::string file;
    Long offset;
    std::string value;
    std::string expected;
  } rows[] = {
      {"aa,bbb,cc", 4, "BBBBB", "aa,BBBBB,cc"},
      {"aa,bbb,cc", 4, "B", "aa,B,cc"},
      {"aa,bbb", 4, "B", "aa,B"},
      {"aa<END>bb", 1, "aaaa", "aaaa<END>bb"},
  };
  for (const auto& row : rows) {
    const Integer handle = open(row.file);
    text({",", "<END>"}, row.value, 0, true)->writeTo(handle, row.offset, true);
    EXPECT_EQ(content(), row.expected);
    EXPECT_EQ(fileLength(handle), Long(row.expected.size()));
  }
  std::string tail(150000, '\0');  // crosses the chunks in which tails are moved
  for (std::size_t i = 0; i < tail.size(); ++i)
    tail[i] = char('A' + (i * 7 + i / 251) % 26);
  const Integer handle = open("key=" + std::string(3000, 'v') + ";" + tail);
  text({";"}, "key=short", 0, true)->writeTo(handle, 1, true);
  EXPECT_EQ(content(), "key=short;" + tail);
}

}  // namespace
}  // namespace tg
