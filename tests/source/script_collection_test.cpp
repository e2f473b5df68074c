// The wanted-data-types collection: order, keys in any case, positions from 1, errors.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tessaglyph/script_collection.hpp"
#include "tessaglyph/source_file.hpp"
#include "test_support.hpp"

namespace tg::test {
namespace {

ScriptCollection threeScripts() {
  ScriptCollection c;
  c.add("SRTM HGT", true);
  c.add("esri ascii", false);
  c.add("Esri BIL", true);
  return c;
}

std::string listing(const ScriptCollection& c) {
  std::string text;
  for (const auto& [key, selected] : c)
    text += key + (selected ? "+ " : "- ");
  return text;
}

TEST(ScriptCollection, KeepsTheOrderAndFindsKeysInAnyCase) {
  ScriptCollection c = threeScripts();
  EXPECT_EQ(listing(c), "SRTM HGT+ esri ascii- Esri BIL+ ");
  EXPECT_TRUE(c.item("srtm hgt"));
  EXPECT_FALSE(c.item("ESRI ASCII"));
  EXPECT_TRUE(c.exists("esri bil"));
  EXPECT_FALSE(c.exists("esri"));
  EXPECT_EQ(c.key(2), "esri ascii");
  EXPECT_TRUE(c.item(Long(3)));

  c.setItem("Esri Ascii", true);
  c.remove("srtm HGT");
  EXPECT_EQ(listing(c), "esri ascii+ Esri BIL+ ");
  c.add("SRTM HGT", false);  // added again, it goes to the end
  EXPECT_EQ(listing(c), "esri ascii+ Esri BIL+ SRTM HGT- ");
  c.clear();
  EXPECT_EQ(c.count(), 0);
}

TEST(ScriptCollection, RefusesWhatItCannotDo) {
  using Action = std::function<void(ScriptCollection&)>;
  const char *invalid = "Invalid procedure call or argument", *range = "Subscript out of range";
  const struct {
    const char* title;
    Action action;
    std::int32_t number;
    const char* description;
  } cases[] = {
      {"key taken in another case", [](auto& c) { c.add("srtm hgt", false); }, 457,
       "This key is already associated with an element of this collection"},
      {"empty key", [](auto& c) { c.add("", true); }, 5, invalid},
      {"unknown key", [](auto& c) { c.item("nadcon"); }, 5, invalid},
      {"set unknown key", [](auto& c) { c.setItem("nadcon", true); }, 5, invalid},
      {"remove unknown key", [](auto& c) { c.remove("nadcon"); }, 5, invalid},
      {"position 0", [](auto& c) { c.item(Long(0)); }, 9, range},
      {"position past the end", [](auto& c) { c.key(4); }, 9, range},
  };
  for (const auto& test : cases) {
    ScriptCollection c = threeScripts();
    EXPECT_TRUE(raises([&] { test.action(c); }, test.number, test.description, "ScriptCollection"))
        << test.title;
    EXPECT_EQ(listing(c), "SRTM HGT+ esri ascii- Esri BIL+ ") << test.title;
  }
}

}  // namespace
}  // namespace tg::test
