// Text to number: the rule shared by the count line and the range box.
#include <charconv>
#include <clocale>
#include <cmath>
#include <string>

#include "group_file.h"
#include "report.h"
#include "test_support.h"

namespace {

using cep::FailureKind;
using cep_test::FailsWith;

struct NumberCase {
    std::string text;
    double value;
};

const NumberCase kNumberCases[] = {
    {"100 yds", 100.0},
    {"1,000", 1.0},
    {"1 0", 10.0},
    {" 1 2", 12.0},
    {"\t1\t2\n5", 125.0},
    {"1\r2", 1.0},  // a carriage return is not dropped, so it ends the number
    {"abc", 0.0},
    {"", 0.0},
    {"+", 0.0},
    {".", 0.0},
    {"-100", -100.0},
    {"+5", 5.0},
    {".5", 0.5},
    {"-.5", -0.5},
    {"5.", 5.0},
    {"5.x", 5.0},
    {"007.250", 7.25},
    {"1e3", 1000.0},
    {"1E3", 1000.0},
    {"1d3", 1000.0},
    {"1D-2", 0.01},
    {"-1e+2", -100.0},
    {"1 e 3", 1000.0},
    {"1e", 1.0},
    {"1e+", 1.0},
    {"1ex", 1.0},
    {"2.5E+1", 25.0},
    {".5e1", 5.0},
    {"e3", 0.0},
    {".e3", 0.0},
    {"1.5.5", 1.5},
    {"0x10", 0.0},
    {"1e-400", 0.0},
    {"0.1", 0.1},
    {"193.38227150129202", 193.38227150129202},
    {"4.9406564584124654e-324", 4.9406564584124654e-324},
    {"1.7976931348623157e308", 1.7976931348623157e308},
    {"9007199254740993", 9007199254740992.0},  // a tie goes to the even neighbour
};

TEST(LeadingNumber, ConvertsTheLongestLeadingNumberExactly) {
    for (const auto& c : kNumberCases) {
        SCOPED_TRACE("text '" + c.text + "'");
        const auto result = cep::LeadingNumber(c.text);
        ASSERT_TRUE(result.ok()) << result.failure().message;
        EXPECT_EQ(result.value(), c.value);
    }
}

TEST(LeadingNumber, TooLargeIsOverflow) {
    for (const char* text : {"1e400", "-1e400", "1.8e308", "1d309", "18" "0000000000" "0000000000" "0000000000"
                             "0000000000e300"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(FailsWith(cep::LeadingNumber(text), FailureKind::Overflow));
    }
}

double FromChars(const std::string& text) {
    double v = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    EXPECT_EQ(ec, std::errc{}) << text;
    EXPECT_EQ(end, text.data() + text.size()) << text;
    return v;
}

// Long digit strings must still round to the nearest double, including
// ties that only a digit far to the right decides.
TEST(LeadingNumber, LongDigitStringsRoundCorrectly) {
    std::string pseudoRandom;
    unsigned state = 12345u;
    for (int i = 0; i < 400; ++i) {
        state = state * 1103515245u + 12345u;
        pseudoRandom.push_back(static_cast<char>('0' + (state >> 16) % 10));
    }
    const std::string zeros(900, '0');
    const std::string texts[] = {
        pseudoRandom.substr(0, 300),
        "0." + pseudoRandom,
        pseudoRandom + "e-400",
        "-" + pseudoRandom.substr(0, 40) + "." + pseudoRandom,
        "9007199254740993." + zeros,        // exactly halfway: stays even
        "9007199254740993." + zeros + "1",  // a hair above halfway: rounds up
        "0.000" + zeros + pseudoRandom + "e900",
        "1" + zeros + "e-900",
        pseudoRandom.substr(0, 308) + "." + pseudoRandom,  // just below the largest double
    };
    for (const auto& text : texts) {
        SCOPED_TRACE(text.substr(0, 60) + "... (" + std::to_string(text.size()) + " chars)");
        const auto result = cep::LeadingNumber(text);
        ASSERT_TRUE(result.ok()) << result.failure().message;
        EXPECT_EQ(result.value(), FromChars(text));
    }
    EXPECT_EQ(cep::LeadingNumber("9007199254740993." + zeros + "1").value(), 9007199254740994.0);
}

// Neither the period nor the result may depend on the user's locale.
TEST(LeadingNumber, IgnoresTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char* chosen = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8",
                             "ru_RU.UTF-8", "es_ES.UTF-8", "it_IT.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr && std::string(std::localeconv()->decimal_point) != ".") {
            chosen = name;
            break;
        }
    }
    if (chosen == nullptr) {
        std::setlocale(LC_ALL, previous.c_str());
        GTEST_SKIP() << "no installed locale with a decimal point other than '.'";
    }
    SCOPED_TRACE(chosen);
    for (const auto& c : kNumberCases) {
        SCOPED_TRACE("text '" + c.text + "'");
        const auto result = cep::LeadingNumber(c.text);
        EXPECT_TRUE(result.ok() && result.value() == c.value);
    }
    EXPECT_EQ(cep::LeadingNumber("1,5").value(), 1.0);
    EXPECT_EQ(cep::FormatFigure(2.5), std::string("2") + std::localeconv()->decimal_point + "5");
    cep_test::TempFolder folder;
    cep::ShotTable shots;
    const std::string text = "a\r\nb\r\n3.5\r\n1.5,2.25\r\n-0.5,3\r\n.5,1e1\r\n1,1\r\n";
    const auto read = cep::ReadGroupFile(folder.Write("g.grp", text), shots);
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_TRUE(read.ok()) << read.failure().message;
    EXPECT_EQ(read.value(), 4);
    EXPECT_EQ(shots, cep_test::ReadTable({{1.5, 2.25}, {-0.5, 3.0}, {0.5, 10.0}, {1.0, 1.0}}));
}

}  // namespace
