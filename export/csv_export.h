// Save: one record per completed calculation, appended to CEP.csv in the
// program's folder.
#pragma once

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

// Appends the record in one write, flushed to disk, and returns the
// confirmation; on any failure the file is left as it was and a file access
// failure names the path and the system's reason.
Outcome<std::string> ExportCsv(std::string_view programFolder, const CompletedCalculation& calculation);

}  // namespace cep
