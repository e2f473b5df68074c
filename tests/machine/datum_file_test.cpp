// Value cells read from and written to real files: byte layouts, inserting writes that move the
// tail, delimited reads, fixed-length texts and the replacing write of a pre-deleted text.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
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

using test::errorOf;

class DatumFileTest : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;
  std::string path;

  // Writes the bytes to a fresh file and opens it for reading and writing.
  Integer open(const std::string& bytes, FileOpenMode mode = FileOpenMode::ReadWrite) {
    path = folder.folder() + "DATA" + std::to_string(++m_serial) + ".BIN";
    std::ofstream(path, std::ios::binary) << bytes;
    m_files.push_back(std::make_unique<ScopedFile>(path, mode));
    return m_files.back()->handle();
  }
  std::string content() const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  int m_serial = 0;
  std::vector<std::unique_ptr<ScopedFile>> m_files;
};

DatumRef delimitedText(std::initializer_list<std::string> delimiters) {
  const DatumRef text = makeAscii();
  text->setSize(Array<std::string>(1, delimiters));
  return text;
}

DatumRef fixedText(Integer length, std::string_view value = {}) {
  const DatumRef text = makeAscii();
  text->setFixedLength(length);
  text->setString(value);
  return text;
}

// A pattern long enough to cross the chunks in which tails are moved.
std::string pattern(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = char('A' + (i * 7 + i / 251) % 26);
  return bytes;
}

// ---- Numbers -------------------------------------------------------------------------------

TEST_F(DatumFileTest, NumbersReadLittleEndianAtOneBasedPositions) {
  const struct {
    TG_M_DATATYPES kind;
    std::string bytes;
    double expected;
  } cases[] = {
      {TG_M_DT_UNSIGNEDINTEGER, "\xFE", 254},
      {TG_M_DT_INTEGER2, std::string("\xFF\xFF"), -1},
      {TG_M_DT_INTEGER2, "\x34\x12", 0x1234},
      {TG_M_DT_INTEGER2, std::string("\x00\x80", 2), -32768},
      {TG_M_DT_INTEGER4, "\x78\x56\x34\x12", 0x12345678},
      {TG_M_DT_INTEGER4, std::string("\xFE\xFF\xFF\xFF"), -2},
      {TG_M_DT_SINGLE, std::string("\x00\x00\xC0\x3F", 4), 1.5},
      {TG_M_DT_DOUBLE, std::string("\x00\x00\x00\x00\x00\x00\xF8\xBF", 8), -1.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    const Integer handle = open("xyz" + c.bytes + "tail");
    const DatumRef cell = makeDatum(c.kind);
    Long offset = 4;
    cell->readFrom(handle, offset);
    EXPECT_EQ(cell->getDouble(), c.expected);
    EXPECT_EQ(offset, 4);  // numbers leave the position alone

    // Written at the start of the file it gives the same bytes, exactly getSize of them.
    const std::string original = content();
    cell->writeTo(handle, 1);
    EXPECT_EQ(content(), c.bytes + original.substr(c.bytes.size()));
  }
}

TEST_F(DatumFileTest, ReadingFailsCleanlyWithTheFileLayersErrors) {
  const Integer handle = open("\x01\x02\x03");
  const DatumRef cell = makeInteger4(77);
  Long offset = 1;
  EXPECT_EQ(errorOf([&] { cell->readFrom(handle, offset); }), 62);
  EXPECT_EQ(cell->getLong(), 77);  // nothing stored
  offset = 0;
  EXPECT_EQ(errorOf([&] { cell->readFrom(handle, offset); }), 63);
  offset = 1;
  EXPECT_EQ(errorOf([&] { cell->readFrom(Integer(handle + 40), offset); }), 52);

  const DatumRef text = fixedText(4, "keep");
  EXPECT_EQ(errorOf([&] { text->readFrom(handle, offset); }), 62);
  EXPECT_EQ(text->getString(), "keep");
}

TEST_F(DatumFileTest, InsertingANumberMovesTheTailUpFirst) {
  const Integer handle = open("abcdef");
  makeInteger2(0x4241)->writeTo(handle, 3, true);
  EXPECT_EQ(content(), "abABcdef");

  // At the end of the file there is nothing to move.
  makeUnsignedInteger('Z')->writeTo(handle, 9, true);
  EXPECT_EQ(content(), "abABcdefZ");

  // `filesize` bounds what moves: only positions 3 to 4 go up here.
  const Integer other = open("abcdef");
  makeInteger2(0x4241)->writeTo(other, 3, true, 4);
  EXPECT_EQ(content(), "abABcd");
}

TEST_F(DatumFileTest, InsertingMovesLongTailsIntact) {
  const std::string original = pattern(200000);
  const Integer handle = open(original);
  makeDouble(0.0)->writeTo(handle, 10, true);
  std::string expected = original;
  expected.insert(9, std::string(8, '\0'));
  EXPECT_EQ(content(), expected);
}

TEST_F(DatumFileTest, WritingToAReadOnlyFileChangesNothing) {
  const Integer handle = open("abcdef", FileOpenMode::ReadOnly);
  EXPECT_EQ(errorOf([&] { makeInteger2(1)->writeTo(handle, 2, true); }), 54);
  EXPECT_EQ(errorOf([&] { delimitedText({","})->writeTo(handle, 2, true); }), 54);
  const DatumRef replacing = delimitedText({","});
  replacing->setPreDelete(true);
  EXPECT_EQ(errorOf([&] { replacing->writeTo(handle, 2, true); }), 54);
  EXPECT_EQ(content(), "abcdef");
  const Integer writable = open("abc");
  EXPECT_EQ(errorOf([&] { makeInteger2(1)->writeTo(writable, 0); }), 63);
}

// ---- Texts ---------------------------------------------------------------------------------

TEST_F(DatumFileTest, VariableLengthTextCanNeitherBeReadNorWritten) {
  const Integer handle = open("abc");
  const DatumRef text = makeAscii("x");
  Long offset = 1;
  EXPECT_TRUE(test::raises([&] { text->readFrom(handle, offset); }, 20002,
                           "TessaglyphAscii cannot read strings when isVariableLength() is True."));
  EXPECT_TRUE(
      test::raises([&] { text->writeTo(handle, 1); }, 20001,
                   "TessaglyphAscii cannot write strings when isVariableLength() is True."));
  EXPECT_EQ(content(), "abc");
}

TEST_F(DatumFileTest, FixedLengthTextReadsAndWritesItsLength) {
  const Integer handle = open("HELLOworld!");
  const DatumRef text = fixedText(5);
  Long offset = 6;
  text->readFrom(handle, offset);
  EXPECT_EQ(text->getString(), "world");
  EXPECT_EQ(offset, 6);

  fixedText(5, "ab")->writeTo(handle, 1);
  EXPECT_EQ(content(), "ab   world!");
  fixedText(3, "abcdefg")->writeTo(handle, 9);
  EXPECT_EQ(content(), "ab   worabc");

  // Inserted: the tail moves up by the length; pre-deleted: the old bytes are overwritten.
  fixedText(2, "XY")->writeTo(handle, 1, true);
  EXPECT_EQ(content(), "XYab   worabc");
  const DatumRef replacing = fixedText(2, "ZZ");
  replacing->setPreDelete(true);
  replacing->writeTo(handle, 1, true);
  EXPECT_EQ(content(), "ZZab   worabc");
}

struct DelimitedReadCase {
  const char* name;
  std::string file;
  std::vector<std::string> delimiters;
  Long start;
  std::string text;
  Long offset;
};

class DatumDelimitedReadTest : public DatumFileTest,
                               public ::testing::WithParamInterface<DelimitedReadCase> {};

TEST_P(DatumDelimitedReadTest, ReadsUpToTheFirstDelimiter) {
  const DelimitedReadCase& c = GetParam();
  const Integer handle = open(c.file);
  const DatumRef text = makeAscii("old");
  text->setSize(Array<std::string>(1, c.delimiters));
  Long offset = c.start;
  text->readFrom(handle, offset);
  EXPECT_EQ(text->getString(), c.text);
  EXPECT_EQ(text->getSize(), Long(c.text.size()));
  EXPECT_EQ(offset, c.offset);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatumDelimitedReadTest,
    ::testing::Values(
        DelimitedReadCase{"Comma", "ab,c", {","}, 1, "ab", 4},
        DelimitedReadCase{"SecondField", "ab,c", {","}, 4, "c", -1},
        DelimitedReadCase{"ReachesTheEnd", "abc", {","}, 1, "abc", -1},
        DelimitedReadCase{"AtTheEnd", "abc", {","}, 4, "", -1},
        DelimitedReadCase{"BeyondTheEnd", "abc", {","}, 9, "", -1},
        DelimitedReadCase{"DelimiterFirst", ",ab", {","}, 1, "", 2},
        DelimitedReadCase{"ListOrderShortFirst", "ab\r\ncd", {"\r", "\r\n"}, 1, "ab", 4},
        DelimitedReadCase{"ListOrderLongFirst", "ab\r\ncd", {"\r\n", "\r"}, 1, "ab", 5},
        DelimitedReadCase{"AnyOfTheList", "a;b,c", {",", ";"}, 1, "a", 3},
        DelimitedReadCase{"ShortDelimiterNearTheEnd", "ab,", {"<END>", ","}, 1, "ab", 4},
        DelimitedReadCase{"LongDelimiterAtTheEnd", "ab<END>", {"<END>", ","}, 1, "ab", 8},
        DelimitedReadCase{"CutDelimiterIsText", "ab<EN", {"<END>"}, 1, "ab<EN", -1},
        DelimitedReadCase{"EmptyDelimiterEndsNothing", "ab,c", {"", ","}, 1, "ab", 4},
        DelimitedReadCase{"EmptyList", "ab,c", {}, 1, "ab,c", -1},
        DelimitedReadCase{"EscapedLineEndDefault", "ab\\ncd", {"\\n"}, 1, "ab", 5},
        DelimitedReadCase{"HighBytes", "\xe9\xff|z", {"|"}, 1, "\xe9\xff", 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DatumFileTest, DelimitedReadAcrossLongValues) {
  // Values and delimiters that straddle the reader's internal chunks.
  std::string file(40000, 'x');
  file += "<SEP>";
  file += std::string(16383, 'y');
  file += "<SEP>";
  const Integer handle = open(file);
  const DatumRef text = delimitedText({"<SEP>"});
  Long offset = 1;
  text->readFrom(handle, offset);
  EXPECT_EQ(text->getString(), std::string(40000, 'x'));
  EXPECT_EQ(offset, 40006);
  text->readFrom(handle, offset);
  EXPECT_EQ(text->getString(), std::string(16383, 'y'));
  EXPECT_EQ(offset, Long(file.size()) + 1);
}

TEST_F(DatumFileTest, DelimitedReadAcrossTheGrowingWindow) {
  // The scan reads a few bytes first and more on each refill: a delimiter may straddle any
  // refill, early or late in a value.
  for (const std::size_t length : {58u, 61u, 62u, 63u, 64u, 125u, 127u, 190u, 254u, 509u}) {
    SCOPED_TRACE(length);
    const std::string file = std::string(length, 'v') + "<SEP>tail";
    const Integer handle = open(file);
    const DatumRef text = delimitedText({"<", "<SEP>"});
    Long offset = 1;
    text->readFrom(handle, offset);
    EXPECT_EQ(text->getString(), std::string(length, 'v'));
    EXPECT_EQ(offset, Long(length) + 2);
  }
}

TEST_F(DatumFileTest, DelimitedWrites) {
  const Integer handle = open("xx,yy");
  const DatumRef text = delimitedText({";", ","});
  text->setString("ab");
  text->writeTo(handle, 1);  // overwriting: the text alone
  EXPECT_EQ(content(), "ab,yy");
  text->writeTo(handle, 4, true);  // inserting: the text and the first delimiter
  EXPECT_EQ(content(), "ab,ab;yy");
}

struct ReplacingCase {
  const char* name;
  std::string file;
  Long offset;
  std::string value;
  std::string expected;
};

class DatumReplacingWriteTest : public DatumFileTest,
                                public ::testing::WithParamInterface<ReplacingCase> {};

TEST_P(DatumReplacingWriteTest, NewTextReplacesTheStoredValue) {
  const ReplacingCase& c = GetParam();
  const Integer handle = open(c.file);
  const DatumRef text = delimitedText({",", "<END>"});
  text->setPreDelete(true);
  text->setString(c.value);
  text->writeTo(handle, c.offset, true);
  EXPECT_EQ(content(), c.expected);
  EXPECT_EQ(fileLength(handle), Long(c.expected.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DatumReplacingWriteTest,
    ::testing::Values(ReplacingCase{"Longer", "aa,bbb,cc", 4, "BBBBB", "aa,BBBBB,cc"},
                      ReplacingCase{"Shorter", "aa,bbb,cc", 4, "B", "aa,B,cc"},
                      ReplacingCase{"SameLength", "aa,bbb,cc", 4, "XYZ", "aa,XYZ,cc"},
                      ReplacingCase{"ToEmpty", "aa,bbb,cc", 4, "", "aa,,cc"},
                      ReplacingCase{"FirstValue", "aa,bbb", 1, "q", "q,bbb"},
                      ReplacingCase{"LastValueShorter", "aa,bbb", 4, "B", "aa,B"},
                      ReplacingCase{"LastValueLonger", "aa,bbb", 4, "BBBBB", "aa,BBBBB"},
                      ReplacingCase{"LongDelimiterKept", "aa<END>bb", 1, "aaaa", "aaaa<END>bb"},
                      ReplacingCase{"AtTheEnd", "aa,", 4, "new", "aa,new"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DatumFileTest, ReplacingWriteMovesLongTailsBothWays) {
  const std::string tail = pattern(150000);
  const Integer handle = open("key=" + std::string(3000, 'v') + ";" + tail);
  const DatumRef text = delimitedText({";"});
  text->setPreDelete(true);
  text->setString("key=short");
  text->writeTo(handle, 1, true);
  EXPECT_EQ(content(), "key=short;" + tail);
  text->setString("key=" + std::string(70000, 'w'));
  text->writeTo(handle, 1, true);
  EXPECT_EQ(content(), "key=" + std::string(70000, 'w') + ";" + tail);
}

}  // namespace
}  // namespace tg
