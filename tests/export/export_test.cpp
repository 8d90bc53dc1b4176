// SPDX-License-Identifier: MIT
#include "export/csv_export.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/export/export_fixtures.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace cep::testing_support;

TEST(CsvRecord, PlainDecimalsQuotedNameCrLf) {
    const std::pair<double, const char*> numbers[] = {
        {100, "100"},
        {-2.5, "-2.5"},
        {0.25, "0.25"},
        {-0.0, "0"},
        {2.0 / 3.0, "0.666666666666667"},
        {123456789.123456789, "123456789.123457"},
        {0.1 + 0.2, "0.3"},
        {1e15 + 1, "1000000000000000"},
        {1e20, "100000000000000000000"},
        {1e-7, "0.0000001"},
        {1.5e21, "1.5E+21"},
        {-2.5e-8, "-2.5E-8"},
    };
    for (const auto& [value, text] : numbers) EXPECT_EQ(cep::FormatCsvNumber(value), text);

    const std::pair<cep::CompletedCalculation, const char*> records[] = {
        {kTarget, "\"target.grp\",100,1.25,2.5,3.75,2.5\r\n"},
        // A quote in a Linux file name is doubled; commas stay inside the quotes.
        {Calculation("a\"b,c.grp", -100, 0.1, -0.2), "\"a\"\"b,c.grp\",-100,0.1,0.2,0.3,-0.2\r\n"},
    };
    for (const auto& [calculation, bytes] : records) {
        EXPECT_EQ(cep::FormatCsvRecord(cep::MakeCsvRecord(calculation)), bytes);
    }
}

TEST(ExportCsv, AppendsOnALineOfItsOwnAndConfirmsWithThePath) {
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, ""},  // no file yet
        {"\"old.grp\",100,1,2,3,2\r\n", ""},
        {"\"old.grp\",100,1,2,3,2", "\r\n"},
        {"\"old.grp\",100,1,2,3,2\r", "\n"},
        {"\"target.grp\",100,1.25,2.5,3.75,2.5\r\n", ""},  // a second Save adds the same line again
    };
    for (const auto& [before, separator] : cases) {
        SCOPED_TRACE(before ? before : "(none)");
        TempDir dir;
        if (before) dir.Write("CEP.csv", before);
        const auto saved = cep::ExportCsv(dir.path().string(), kTarget);
        ASSERT_TRUE(saved) << saved.failure().message;
        // The path as the platform writes it: folder, its separator, CEP.csv.
        EXPECT_EQ(saved.value(), "CEP and MOA data have been saved in \r\n" + dir.path().string() +
                                     cep::os::kSeparator + "CEP.csv" +
                                     "\r\nYou may view this file in MS Excel or similar spreadsheet software.");
        EXPECT_EQ(ReadAll(dir / "CEP.csv"), std::string(before ? before : "") + separator + kTargetRecord);
    }
}

}  // namespace
