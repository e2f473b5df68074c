// The rule templates: a list of unique names with a current one, kept in the settings file.
#include <gtest/gtest.h>

#include "support/test_environment.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::raises;

class RuleTemplatesTest : public ::testing::Test {
 protected:
  test::SettingsSandbox home{true};
  Tessaglyph top;

  void SetUp() override { top.clearSPRTemplates(); }
  void TearDown() override { top.clearSPRTemplates(); }

  static std::shared_ptr<TessaglyphSPR> rules(const std::string& name) {
    auto spr = std::make_shared<TessaglyphSPR>();
    spr->setSprName(name);
    return spr;
  }
};

TEST_F(RuleTemplatesTest, TheListKeepsNamesUniqueAndIndicesInRange) {
  EXPECT_EQ(top.numSPRTemplates(), 1);
  EXPECT_EQ(top.sprTemplate(0)->sprName(), "Default");
  EXPECT_TRUE(raises([&] { top.addSPRTemplate(rules(" default ")); }, 12013,
                     "The SPR name \" default \" is not unique", "Tessaglyph::addSPRTemplate"));
  const auto second = rules("Second");
  top.addSPRTemplate(second);
  EXPECT_EQ(top.sprTemplate(1), second);  // the object itself
  EXPECT_EQ(top.getSPRTemplateIndex("SECOND "), 1);
  EXPECT_EQ(top.getSPRTemplateIndex("third"), -1);

  top.setCurrentSPR(1);
  EXPECT_EQ(top.currentSPR(), 1);
  for (const Integer bad : {-1, 2}) {
    EXPECT_TRUE(raises([&] { top.setCurrentSPR(bad); }, 12014, "Invalid templates index",
                       "Tessaglyph::currentSPR Let"));
    EXPECT_TRUE(raises([&] { top.removeSPRTemplate(bad); }, 12014, "Invalid template index",
                       "Tessaglyph::removeSPRTemplate"));
  }
  top.removeSPRTemplate(0);
  EXPECT_EQ(top.numSPRTemplates(), 1);
  EXPECT_EQ(top.sprTemplate(0), second);
  top.removeSPRTemplate(0);  // the last one gives way to a new default
  EXPECT_EQ(top.numSPRTemplates(), 1);
  EXPECT_EQ(top.sprTemplate(0)->sprName(), "Default");
}

TEST_F(RuleTemplatesTest, TemplatesGoToTheSettingsFileAndComeBack) {
  auto second = rules("Second");
  second->addFilePriorityName("dem");
  top.addSPRTemplate(second);
  top.saveSPRTemplates();
  top.clearSPRTemplates();
  top.loadSPRTemplates();
  ASSERT_EQ(top.numSPRTemplates(), 2);
  EXPECT_EQ(top.sprTemplate(1)->sprName(), "Second");
  EXPECT_EQ(top.sprTemplate(1)->filePriorityEntry(1), "dem");

  // Saving again replaces the rule sections instead of adding to them.
  top.removeSPRTemplate(1);
  top.saveSPRTemplates();
  const std::string text = home.readFile("base/Tessaglyph.ini").value_or("");
  EXPECT_EQ(text.find("[SPR Second]"), std::string::npos);
  EXPECT_NE(text.find("[SPR_Templates]\nnum templates=1\ntemplate 1=Default\n"), std::string::npos);
}

TEST_F(RuleTemplatesTest, ACorruptTemplateSectionRaises12014) {
  const std::string file = home.root() + "rules.ini";
  for (const char* section :
       {"template 1=Default\n", "num templates=two\n", "num templates=2\ntemplate 1=Default\n"}) {
    home.writeFile("rules.ini", std::string("[SPR_Templates]\n") + section);
    EXPECT_TRUE(raises([&] { top.loadSPRTemplates(file); }, 12014,
                       "Section data in INI file is corrupt", "Tessaglyph::loadSPRTemplates"))
        << section;
  }
  // An empty section, or none, leaves the default alone.
  top.addSPRTemplate(rules("Second"));
  for (const char* section : {"", "num templates=0\n"}) {
    home.writeFile("rules.ini", std::string("[SPR_Templates]\n") + section);
    top.loadSPRTemplates(file);
    EXPECT_EQ(top.numSPRTemplates(), 1);
  }
}

}  // namespace
}  // namespace tg
