// Value cells read from and written to real files: byte layouts, inserting writes that move the
// tail, delimited reads, fixed-length texts and the replacing write of a pre-deleted text.
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

// A pattern long enough to cross the chunks in which tails are moved.
std::string pattern(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = char('A' + (i * 7 + i / 251) % 26);
  return bytes;
}

TEST_F(CellFiles, NumbersReadAndWriteLittleEndianAtOneBasedPositions) {
  const struct {
    TG_M_DATATYPES kind;
    std::string bytes;
    const char* value;
  } rows[] = {{TG_M_DT_UNSIGNEDINTEGER, "\xFE", "B:254"},
              {TG_M_DT_INTEGER2, "\x34\x12", "I:4660"},
              {TG_M_DT_INTEGER2, std::string("\x00\x80", 2), "I:-32768"},
              {TG_M_DT_INTEGER4, "\x78\x56\x34\x12", "L:305419896"},
              {TG_M_DT_SINGLE, std::string("\x00\x00\xC0\x3F", 4), "S:1.5"},
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
  const DatumRef fixed = text({}, "keep", 4);
  Long offset = 1;
  EXPECT_GIVES(cell->readFrom(handle, offset), "error 62");
  EXPECT_GIVES(fixed->readFrom(handle, offset), "error 62");
  EXPECT_GIVES(cell->readFrom(Integer(handle + 40), offset), "error 52");
  EXPECT_GIVES(test::show(cell) + test::show(fixed), "L:77T:keep");
  offset = 0;
  EXPECT_GIVES(cell->readFrom(handle, offset), "error 63");
  EXPECT_GIVES(cell->writeTo(handle, 0), "error 63");
  EXPECT_GIVES(text({","}, "x")->readFrom(handle, offset), "error 63");
  const Integer readOnly = open("abcdef", FileOpenMode::ReadOnly);
  EXPECT_GIVES(makeInteger2(1)->writeTo(readOnly, 2, true), "error 54");
  EXPECT_GIVES(text({","})->writeTo(readOnly, 2, true), "error 54");
  EXPECT_GIVES(text({","}, "", 0, true)->writeTo(readOnly, 2, true), "error 54");
  EXPECT_GIVES(text({}, "ab", 2)->writeTo(readOnly, 2), "error 54");
  EXPECT_EQ(content(), "abcdef");
  const DatumRef variable = makeAscii("x");
  EXPECT_TRUE(test::raises([&] { variable->readFrom(readOnly, offset); }, 20002,
                           "TessaglyphAscii cannot read strings when isVariableLength() is True."));
  EXPECT_TRUE(
      test::raises([&] { variable->writeTo(readOnly, 1); }, 20001,
                   "TessaglyphAscii cannot write strings when isVariableLength() is True."));
}

// Inserting moves the tail up first, as far as `filesize` (when at least 1) reaches.
TEST_F(CellFiles, InsertingWrites) {
  const Integer handle = open("abcdef");
  EXPECT_GIVES((makeInteger2(0x4241)->writeTo(handle, 3, true), content()), "abABcdef");
  EXPECT_GIVES((makeUnsignedInteger('Z')->writeTo(handle, 9, true), content()), "abABcdefZ");
  const Integer bounded = open("abcdef");
  EXPECT_GIVES((makeInteger2(0x4241)->writeTo(bounded, 3, true, 4), content()), "abABcd");
  EXPECT_GIVES((makeInteger2(0x4241)->writeTo(bounded, 1, true, 0), content()), "ABabABcd");
  const std::string original = pattern(200000);
  const Integer big = open(original);
  makeDouble(0.0)->writeTo(big, 10, true);
  EXPECT_EQ(content(), original.substr(0, 9) + std::string(8, '\0') + original.substr(9));
}

TEST_F(CellFiles, TextWrites) {
  const Integer handle = open("HELLOworld!");
  Long offset = 6;
  const DatumRef five = text({}, "", 5);
  EXPECT_GIVES((five->readFrom(handle, offset), test::show(five) + test::show(offset)), "T:world6");
  EXPECT_GIVES((text({}, "ab", 5)->writeTo(handle, 1), content()), "ab   world!");
  EXPECT_GIVES((text({}, "abcdefg", 3)->writeTo(handle, 9), content()), "ab   worabc");
  // Inserted, the tail moves up by the length; pre-deleted, the old bytes are overwritten.
  EXPECT_GIVES((text({}, "XY", 2)->writeTo(handle, 1, true), content()), "XYab   worabc");
  EXPECT_GIVES((text({}, "ZZ", 2, true)->writeTo(handle, 1, true), content()), "ZZab   worabc");
  // Delimited: overwriting writes the text alone, inserting the text and the first delimiter.
  const Integer fields = open("xx,yy");
  EXPECT_GIVES((text({";", ","}, "ab")->writeTo(fields, 1), content()), "ab,yy");
  EXPECT_GIVES((text({";", ","}, "ab")->writeTo(fields, 4, true), content()), "ab,ab;yy");
}

// A delimited read takes the text up to the first delimiter of the list found and moves the
// position past it, or to -1 at the end of the file.
TEST_F(CellFiles, DelimitedReads) {
  const struct {
    std::string file;
    std::vector<std::string> delimiters;
    Long start;
    const char* expected;  // text, then the new position
  } rows[] = {
      {"ab,c", {","}, 1, "ab 4"},
      {"ab,c", {","}, 4, "c -1"},
      {"abc", {","}, 4, " -1"},
      {"abc", {","}, 9, " -1"},
      {",ab", {","}, 1, " 2"},
      {"ab\r\ncd", {"\r", "\r\n"}, 1, "ab 4"},  // the list's order decides
      {"ab\r\ncd", {"\r\n", "\r"}, 1, "ab 5"},
      {"a;b,c", {",", ";"}, 1, "a 3"},
      {"ab,", {"<END>", ","}, 1, "ab 4"},
      {"ab<END>", {"<END>", ","}, 1, "ab 8"},
      {"ab<EN", {"<END>"}, 1, "ab<EN -1"},  // a cut delimiter is text
      {"ab,c", {"", ","}, 1, "ab 4"},
      {"ab,c", {}, 1, "ab,c -1"},
      {"ab\\ncd", {"\\n"}, 1, "ab 5"},
      {"\xe9\xff|z", {"|"}, 1, "\xe9\xff 4"},
  };
  for (const auto& row : rows) {
    const Integer handle = open(row.file);
    const DatumRef cell = makeAscii("old");
    cell->setSize(Array<std::string>(1, row.delimiters));
    Long offset = row.start;
    cell->readFrom(handle, offset);
    EXPECT_EQ(cell->getString() + " " + std::to_string(offset), row.expected) << row.file;
    EXPECT_EQ(cell->getSize(), Long(cell->getString().size()));
  }
}

// Values and delimiters that straddle the reader's window, which starts small and grows on each
// refill.
TEST_F(CellFiles, DelimitedReadsAcrossTheWindow) {
  for (const std::size_t length : {58u, 61u, 62u, 63u, 64u, 125u, 127u, 254u, 509u, 40000u}) {
    const std::string file = std::string(length, 'v') + "<SEP>" + std::string(16383, 'y') + "<SEP>";
    const Integer handle = open(file);
    const DatumRef cell = text({"<", "<SEP>"});
    Long offset = 1;
    cell->readFrom(handle, offset);
    EXPECT_EQ(cell->getString(), std::string(length, 'v'));
    EXPECT_EQ(offset, Long(length) + 2);
    cell->setSize(Array<std::string>(1, {"<SEP>"}));
    offset += 4;
    cell->readFrom(handle, offset);
    EXPECT_EQ(cell->getString(), std::string(16383, 'y'));
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
      {"aa,bbb,cc", 4, "XYZ", "aa,XYZ,cc"},
      {"aa,bbb,cc", 4, "", "aa,,cc"},
      {"aa,bbb", 1, "q", "q,bbb"},
      {"aa,bbb", 4, "B", "aa,B"},
      {"aa,bbb", 4, "BBBBB", "aa,BBBBB"},
      {"aa<END>bb", 1, "aaaa", "aaaa<END>bb"},
      {"aa,", 4, "new", "aa,new"},
  };
  for (const auto& row : rows) {
    const Integer handle = open(row.file);
    text({",", "<END>"}, row.value, 0, true)->writeTo(handle, row.offset, true);
    EXPECT_EQ(content(), row.expected);
    EXPECT_EQ(fileLength(handle), Long(row.expected.size()));
  }
  const std::string tail = pattern(150000);
  const Integer handle = open("key=" + std::string(3000, 'v') + ";" + tail);
  text({";"}, "key=short", 0, true)->writeTo(handle, 1, true);
  EXPECT_EQ(content(), "key=short;" + tail);
  text({";"}, "key=" + std::string(70000, 'w'), 0, true)->writeTo(handle, 1, true);
  EXPECT_EQ(content(), "key=" + std::string(70000, 'w') + ";" + tail);
}

}  // namespace
}  // namespace tg
