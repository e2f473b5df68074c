// Program-file test helpers: a byte writer, an image assembler, files and recording sinks.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/error_report.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg::test {

// Little-endian fields appended one after another.
class Bytes {
 public:
  Bytes& byte(int value) { return little(std::uint8_t(value), 1); }
  Bytes& integer(int value) { return little(std::uint16_t(value), 2); }
  Bytes& integers(std::initializer_list<int> values) {
    for (const int value : values)
      integer(value);
    return *this;
  }
  Bytes& long_(std::int64_t value) { return little(std::uint32_t(value), 4); }
  Bytes& single(float value) { return little(std::bit_cast<std::uint32_t>(value), 4); }
  Bytes& double_(double value) { return little(std::bit_cast<std::uint64_t>(value), 8); }
  Bytes& raw(std::string_view bytes) { return m_bytes.append(bytes), *this; }
  Bytes& string(std::string_view text) { return integer(int(text.size())).raw(text); }
  // A routine entry: the name in its 20-byte field and the location.
  Bytes& routine(std::string_view name, int location) {
    std::string field(name);
    field.resize(20, ' ');
    return raw(field).integer(location);
  }
  Bytes& instruction(int opcode, int operand, int segment) {
    return integer(opcode).integer(operand).byte(segment);
  }
  Bytes& instructions(std::initializer_list<std::array<int, 3>> list) {
    for (const auto& [opcode, operand, segment] : list)
      instruction(opcode, operand, segment);
    return *this;
  }
  // An attribute with a size rather than delimiters: name, kind, type, size, locations, texts.
  Bytes& attribute(std::string_view name, int kind, int type, int size, int read, int write,
                   std::string_view comment = "", std::string_view tip = "") {
    string(name).byte(kind).byte(type).byte(1).integers({2, size, read, write});
    return string(comment).string(tip);
  }

  const std::string& str() const { return m_bytes; }
  std::size_t size() const { return m_bytes.size(); }

 private:
  Bytes& little(std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
      m_bytes.push_back(char(std::uint8_t(value >> (8 * i))));
    return *this;
  }
  std::string m_bytes;
};

inline constexpr std::string_view kMagic = "TESSAGLYPH PROGRAM 1.0";

// An image laid out as the writer lays it out, every part replaceable; one STOP by default.
struct ImageParts {
  std::string magic = std::string(kMagic);
  Bytes properties = Bytes().integer(0);
  Bytes routines = Bytes().integer(0);
  Bytes attributes = Bytes().integer(0);
  Bytes literals = Bytes().integer(0);
  Bytes code = Bytes().integers({1, 0, 0}).instruction(51, 0, 0);
  std::optional<Bytes> debug;
  // Header positions that replace the computed ones.
  std::optional<std::int64_t> routinesAt, attributesAt, literalsAt, codeAt, debugAt;

  // The image for a start at position P; `end` receives the position after its last byte.
  std::string assemble(std::int64_t P = 1, std::int64_t* end = nullptr) const {
    const Bytes* sections[] = {&routines, &attributes, &literals, &code, debug ? &*debug : nullptr};
    const std::optional<std::int64_t>* given[] = {&routinesAt, &attributesAt, &literalsAt, &codeAt,
                                                  &debugAt};
    Bytes header, body = properties;
    header.raw(magic);
    std::int64_t at = P + 42 + std::int64_t(properties.size());
    for (std::size_t i = 0; i < 5; ++i) {
      header.long_(given[i]->value_or(sections[i] ? at : -1));
      if (!sections[i]) continue;
      at += std::int64_t(sections[i]->size());
      body.raw(sections[i]->str());
    }
    if (end) *end = at;
    return header.str() + body.str();
  }
};

inline void writeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Correction {
  std::string message, oldValue, newValue;
  friend bool operator==(const Correction&, const Correction&) = default;
};

class RecordingProgramEvents : public TessaglyphProgramEvents {
 public:
  std::vector<Correction> corrections;
  void dataCorrected(const std::string& message, const std::string& oldValue,
                     const std::string& newValue) override {
    corrections.push_back({message, oldValue, newValue});
  }
};

class RecordingUserInterface : public UserInterface {
 public:
  std::vector<std::string> prompts;
  MESSAGEBOXRESULTS messageBox(const std::string& prompt, std::int32_t,
                               const std::string&) override {
    prompts.push_back(prompt);
    return MBR_OK;
  }
};

// A temporary home for the logs, a recording user interface and a folder for program files.
class ProgramFileTest : public ::testing::Test {
 protected:
  TemporaryHome home;
  RecordingUserInterface ui;
  RecordingProgramEvents events;

  void SetUp() override { setUserInterface(&ui); }
  void TearDown() override { setUserInterface(nullptr); }

  std::string path(const std::string& name) const { return home.root() + name; }
  // Writes the bytes to a file of that name and returns its path.
  std::string file(const std::string& name, std::string_view bytes) const {
    const auto at = path(name);
    writeFile(at, bytes);
    return at;
  }
  std::string supportLog() const { return readFile(technicalSupportLogPath()); }
};

}  // namespace tg::test
