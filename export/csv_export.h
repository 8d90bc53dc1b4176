// SPDX-License-Identifier: MIT
// Save: one record per completed calculation, appended to CEP.csv in the
// program's folder.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "core/calculate.h"
#include "core/failure.h"
#include "os/os.h"

namespace cep {

struct CsvRecord {
    std::string GroupFileName;
    double Yards = 0.0;
    double Diameter50 = 0.0;  // Cep
    double Diameter93 = 0.0;  // Cep + Cep
    double Diameter99 = 0.0;  // Cep * 3.0
    double Moa = 0.0;
};

// The record of one calculation, with the diameters the results text shows.
CsvRecord MakeCsvRecord(const CompletedCalculation& calculation);

// Plain decimal, at most 15 significant digits, no trailing zeros, a point
// whatever the locale, no point for whole numbers.
std::string FormatCsvNumber(double value);

// The record's bytes: the quoted name, five numbers, CR LF.
std::string FormatCsvRecord(const CsvRecord& record);

// programFolder + the separator + "CEP.csv"
std::string CsvPath(std::string_view programFolder);

// "CEP and MOA data have been saved in " CR LF path CR LF "You may view ..."
std::string SaveConfirmation(std::string_view path);

// How long a save waits for another program that holds CEP.csv locked.
inline constexpr std::chrono::milliseconds kLockBound{2000};

// The lock another program saving into CEP.csv (or a spreadsheet) takes too.
using os::LockFile;
using os::LockResult;
using os::UnlockFile;

// Appends the record and returns the confirmation. The whole save (looking
// at the last byte, the one write, the flush to disk, and on failure the cut
// back of exactly the bytes it wrote) holds the file locked, so concurrent
// saves neither lose nor tear a record. Any failure is a file access failure
// naming the path and the reason (and what to do, where the user can do
// something), and leaves the file as it was.
Outcome<std::string> ExportCsv(std::string_view programFolder, const CompletedCalculation& calculation);

}  // namespace cep
