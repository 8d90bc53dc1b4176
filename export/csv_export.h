// SPDX-License-Identifier: MIT
// Save: one record per completed calculation, appended to CEP.csv in the
// program's folder.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "calculate.h"
#include "failure.h"

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

// programFolder + "/CEP.csv"
std::string CsvPath(std::string_view programFolder);

// "CEP and MOA data have been saved in " CR LF path CR LF "You may view ..."
std::string SaveConfirmation(std::string_view path);

// How long a save waits for another program that holds CEP.csv locked.
inline constexpr std::chrono::milliseconds kLockBound{2000};

enum class LockResult {
    Locked,       // ours until unlocked or the open file is closed
    Busy,         // another program kept it locked for the whole bound
    Unsupported,  // the file system has no such locks: go on without
    Failed,       // any other error, in `error`
};

// An exclusive lock on the whole of an open file, the kind another program
// saving into it (or a spreadsheet) takes too. It belongs to the open file,
// not the process, so it also orders two windows of one program.
LockResult LockFile(int fd, std::chrono::milliseconds bound, int& error);
void UnlockFile(int fd);

// Appends the record and returns the confirmation. The whole save (looking
// at the last byte, the one write, the flush to disk, and on failure the cut
// back of exactly the bytes it wrote) holds the file locked, so concurrent
// saves neither lose nor tear a record. Any failure is a file access failure
// naming the path and the reason, and leaves the file as it was.
Outcome<std::string> ExportCsv(std::string_view programFolder, const CompletedCalculation& calculation);

}  // namespace cep
