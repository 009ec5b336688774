#include "base/console.h"

#include <gtest/gtest.h>

#include "base/scan.h"
#include "dialogue/ask.h"
#include "dialogue/run_end.h"
#include "tests/test_support.h"

TEST(Scan, NumbersTakeTheLongestPrefixAfterWhiteSpace) {
    std::string text = " \t\n-12 +7 3.5e1 .25 12abc x";
    const char* p = text.data();
    const char* end = p + text.size();
    int i = 0;
    double d = 0;
    ASSERT_TRUE(scan_int(p, end, i));
    EXPECT_EQ(i, -12);
    ASSERT_TRUE(scan_int(p, end, i));
    EXPECT_EQ(i, 7);
    ASSERT_TRUE(scan_real(p, end, d));
    EXPECT_EQ(d, 35.0);
    ASSERT_TRUE(scan_real(p, end, d));
    EXPECT_EQ(d, 0.25);
    ASSERT_TRUE(scan_int(p, end, i));
    EXPECT_EQ(i, 12);
    const char* before = p;
    EXPECT_FALSE(scan_int(p, end, i));  // "abc": nothing taken
    EXPECT_EQ(p, before);
    std::string w;
    ASSERT_TRUE(scan_word(p, end, w));
    EXPECT_EQ(w, "abc");
}

TEST(Scan, RefusesSignsTwiceAndNumbersBeyondInt) {
    for (std::string bad : {"+-3", "--3", "99999999999", "+", "-"}) {
        const char* p = bad.data();
        int i = 5;
        EXPECT_FALSE(scan_int(p, p + bad.size(), i)) << bad;
        EXPECT_EQ(i, 5);
    }
}

TEST(ConsoleInput, AnswersMayShareALineOrSpreadOverLines) {
    ScriptedConsole sc("Study drain\n\n  2 3.5\n");
    std::string w;
    int n = 0;
    double d = 0;
    EXPECT_EQ(read_word(sc.console, w), Answer::ok);
    EXPECT_EQ(w, "Study");
    EXPECT_EQ(read_word(sc.console, w), Answer::ok);
    EXPECT_EQ(w, "drain");
    EXPECT_EQ(read_int(sc.console, n), Answer::ok);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(read_real(sc.console, d), Answer::ok);
    EXPECT_EQ(d, 3.5);
    EXPECT_EQ(read_int(sc.console, n), Answer::end_of_input);
}

TEST(ConsoleInput, LongWordsAreKeptWhole) {
    std::string longword(5000, 'x');
    ScriptedConsole sc(longword + "\n");
    std::string w;
    EXPECT_EQ(read_word(sc.console, w), Answer::ok);
    EXPECT_EQ(w, longword);
}

TEST(Ask, NonNumberDropsTheRestOfTheLineAndAsksAgain) {
    ScriptedConsole sc("abc 5\n7\n");
    int v = ask_int(sc.console, [&] { print(sc.console, "Q? "); });
    EXPECT_EQ(v, 7);  // the 5 on the refused line is dropped with it
    EXPECT_EQ(sc.transcript(), "Q? Q? ");
}

TEST(Ask, RefusedAnswersRepeatTheQuestion) {
    ScriptedConsole sc("-1 0 4\n");
    int v = ask_int(
        sc.console, [&] { print(sc.console, "N? "); }, [](int n) { return n > 0; });
    EXPECT_EQ(v, 4);
    EXPECT_EQ(sc.transcript(), "N? N? N? ");
}

TEST(Ask, EndOfInputEndsTheRunWithStatusOne) {
    ScriptedConsole sc("x\n");
    try {
        ask_int(sc.console, [&] { print(sc.console, "N? "); });
        FAIL() << "no end of run";
    } catch (const RunEnd& e) {
        EXPECT_EQ(e.status, 1);
        EXPECT_FALSE(e.wait_key);
    }
    EXPECT_EQ(sc.transcript(),
              "N? N? \n\n\tNo more answers on the standard input: the run stops\n");
}

TEST(ConsoleOutput, LongTextsArePrintedWhole) {
    ScriptedConsole sc("");
    std::string path(1000, 'p');
    print(sc.console, "\n\tFile %s unknown\n", path.c_str());
    EXPECT_EQ(sc.transcript(), "\n\tFile " + path + " unknown\n");
    wait_key(sc.console);
    EXPECT_EQ(sc.keys, 1);
}
