// Config.txt parsing: the entry shape is strict, the first value wins, and the
// typed reads follow atoi and an exact, case-blind "true".
#include "core/Config.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(Config, ReadsEntriesAndIgnoresEverythingElse) {
    Config c;
    c.parse("Comment line without entries\n"
            "ViewportWidth  = 1280;\n"
            "ViewportHeight = 720;   trailing words\n"
            "MSAA = 0;\n");
    EXPECT_EQ(c.getInt("ViewportWidth"), 1280);
    EXPECT_EQ(c.getInt("ViewportHeight"), 720);
    EXPECT_EQ(c.getInt("MSAA"), 0);
    EXPECT_EQ(c.get("Missing"), "");
    EXPECT_EQ(c.getInt("Missing"), -1);
    EXPECT_FALSE(c.getBool("Missing"));
}

TEST(Config, MalformedEntriesAreNotRead) {
    Config c;
    c.parse("A =  2;\n"       // two blanks after '='
            "B=3;\n"          // no blanks
            "C = 4\n"         // no semicolon
            "D = four five;\n"  // blank inside the value
            "E = 5;\n");
    EXPECT_EQ(c.getInt("A"), -1);
    EXPECT_EQ(c.getInt("B"), -1);
    EXPECT_EQ(c.getInt("C"), -1);
    EXPECT_EQ(c.get("D"), "");
    EXPECT_EQ(c.getInt("E"), 5);
}

TEST(Config, FirstValueOfARepeatedKeyWins) {
    Config c;
    c.parse("MSAA = 4;\nMSAA = 8;\n");
    EXPECT_EQ(c.getInt("MSAA"), 4);
}

TEST(Config, IntegerAndBooleanConversions) {
    Config c;
    c.parse("N = 12abc; Z = abc; M = -7; "
            "T1 = TRUE; T2 = tRuE; F1 = yes; F2 = 1; F3 = true1;");
    EXPECT_EQ(c.getInt("N"), 12);
    EXPECT_EQ(c.getInt("Z"), 0);
    EXPECT_EQ(c.getInt("M"), -7);
    EXPECT_TRUE(c.getBool("T1"));
    EXPECT_TRUE(c.getBool("T2"));
    EXPECT_FALSE(c.getBool("F1"));
    EXPECT_FALSE(c.getBool("F2"));
    EXPECT_FALSE(c.getBool("F3"));
}

TEST(Config, MissingFileFailsAndEmptyFileSucceeds) {
    test::TempDir dir;
    Config c;
    EXPECT_FALSE(c.read(dir.file("Config.txt")));
    test::writeFile(dir.file("empty.txt"), "");
    EXPECT_TRUE(c.read(dir.file("empty.txt")));
    EXPECT_EQ(c.getInt("ViewportWidth"), -1);
}

TEST(Config, ShippedConfigurationHoldsTheShowSettings) {
    Config c;
    ASSERT_TRUE(c.read(std::string(SOLVANE_SOURCE_DIR) + "/Config.txt"));
    EXPECT_EQ(c.getInt("ViewportWidth"), 1280);
    EXPECT_EQ(c.getInt("ViewportHeight"), 720);
    EXPECT_EQ(c.getInt("MSAA"), 4);
    EXPECT_FALSE(c.getBool("Fullscreen"));
    EXPECT_TRUE(c.getBool("VSync"));
}
